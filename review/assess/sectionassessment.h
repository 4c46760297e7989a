// The condition of one pipe section from its scored defects after CJJ 181-2012:
// structural S, Smax, F, SM, RI and functional Y, Ymax, G, YM, MI with their
// grades. Pure arithmetic on the defects and the section's factors; the
// rules themselves are in assessmentrules.h.
#pragma once

#include "assessmentrules.h"

#include <QString>
#include <QVector>

#include <limits>

// One scored defect as the assessment counts it.
struct AssessedDefect {
    qint64 observationId = 0;
    QString code;
    QString name;
    QString kind; // "S" or "F"
    int grade = 0;
    double score = 0; // P
    double startM = 0;
    double endM = 0; // a local defect ends where it starts
    bool continuous = false;
    bool unfinished = false; // a continuous defect without its end, counted as local

    // The length it counts with, L(i).
    double lengthM() const;
};

// Defects of one kind within kCombineWithinM of each other, as one.
struct CombinedDefect {
    double startM = 0;
    double endM = 0;
    double score = 0; // the members' sum, at most kMaxCombinedScore
    double lengthM = 0;
    int members = 0;
    bool near = false; // n2: a neighbour within kNearWithinM
};

// The condition of one kind: structural (S, Smax, F, SM, RI) or
// functional (Y, Ymax, G, YM, MI).
struct ConditionAssessment {
    int n = 0; // defects after combining
    int n1 = 0;
    int n2 = 0;
    double mean = 0;    // S or Y
    double max = 0;     // Smax or Ymax
    double value = 0;   // F or G
    double density = 0; // SM or YM; NaN without a section length
    double k = 0;       // the factors as they count in the index
    double e = 0;
    double t = 0;     // structural only
    double index = 0; // RI or MI
    int grade = 1;
    int indexGrade = 1; // repair or maintenance grade
    cjj181::DensityType densityType = cjj181::DensityType::Local;
    QVector<CombinedDefect> combined; // by distance
};

// What the factors of a section come from.
struct SectionFactors {
    double lengthM = std::numeric_limits<double>::quiet_NaN(); // L
    double diameterMm = std::numeric_limits<double>::quiet_NaN();
    int areaClass = -1; // K's class; none: 0
    QString soil;       // a soil key; none: 0
};

struct SectionAssessment {
    ConditionAssessment structural;
    ConditionAssessment functional;
};

// defects: scored defects of both kinds, in any order.
SectionAssessment assessConditions(const QVector<AssessedDefect>& defects,
                                   const SectionFactors& factors);
