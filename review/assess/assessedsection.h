// A project's pipe section assessed from what the index holds: the length it
// is assessed over, its scored defects placed along the pipe, and every
// defect that could not be counted with the reason.
#pragma once

#include "codetable.h"
#include "inspectionindex.h"
#include "sectionassessment.h"

#include <QCoreApplication>

struct AssessedSection {
    Q_DECLARE_TR_FUNCTIONS(AssessedSection)
public:
    Project project;
    SectionData data;
    double inspectedLengthM = kUnknown; // the span of its files' distances
    double lengthM = kUnknown;          // L: as entered, else the inspected length
    bool lengthEntered = false;
    double diameterMm = kUnknown;    // from the project's pipdiameter
    QVector<AssessedDefect> defects; // scored, by distance
    int unfinished = 0;              // continuous defects without their end
    QStringList problems;            // defects left out, and why
    SectionAssessment assessment;

    // "滨江路 Y12–Y13".
    QString title() const;
    // "Y12–Y13".
    QString wells() const;
};

// Where an observation starts: as entered, else its snapshot's distance.
double observationStartM(const Observation& observation, double snapshotM);

AssessedSection assessSection(const SectionRecords& records, const CodeTables& codes);
