// The rules of CJJ 181-2012 chapter 8 that grade a pipe section from its
// scored defects: lengths, combining, the clear-distance weights, the
// section factors K, E and T, the indices and the grade scales. Each rule
// lives in one place here; the ones marked "(check)" are read from a
// secondary source and may need correcting against the standard's text.
#pragma once

#include <QString>
#include <QVector>

namespace cjj181 {

// Comparisons of computed figures with the scale bounds allow this much
// rounding error (1.1 * 6 / 2 is a hair above 3.3).
constexpr double kEpsilon = 1e-9;

// A local defect counts 1 m; a continuous one its length, at least 1 m.
constexpr double kLocalLengthM = 1.0;
constexpr double kMinContinuousLengthM = 1.0;
// Defects of one kind at most this clear distance apart are one defect
// whose score is the sum of theirs, at most kMaxCombinedScore.
constexpr double kCombineWithinM = 1.0;
constexpr double kMaxCombinedScore = 10.0;
// A defect with a neighbour at more than kCombineWithinM and at most this
// clear distance counts with the weight alpha (structural) or beta
// (functional); the others (n1) with 1.
constexpr double kNearWithinM = 1.5;
constexpr double kAlpha = 1.1;
constexpr double kBeta = 1.1;

// The length a defect (or a combined one) spanning start..end counts with.
double countedLengthM(double startM, double endM);

// The condition grade 1-4 of F (structural) or G (functional).
int conditionGrade(double value);
// The repair grade of RI (bounds: check).
int repairGrade(double repairIndex);
// The maintenance grade of MI (bounds: check).
int maintenanceGrade(double maintenanceIndex);

// Defect type by density SM or YM (bounds: check); Unknown without a density.
enum class DensityType { Unknown, Local, Partial, Overall };
DensityType densityType(double density);

// RI = 0.7 F + 0.1 K + 0.05 E + 0.15 T and MI = 0.8 G + 0.15 K + 0.05 E.
double repairIndex(double f, double k, double e, double t);
double maintenanceIndex(double g, double k, double e);

// K and E count only when the condition value (F, or G for MI) is 4 or more.
bool areaAndPipeFactorsApply(double conditionValue);
// The condition value K and E of the maintenance index depend on (check).
double maintenanceFactorBasis(double f, double g);

// K of an area class (its own value: 10, 6, 3 or 0).
struct AreaClass {
    int k;
    QString name;
};
const QVector<AreaClass>& areaClasses();
const AreaClass* areaClass(int k);
double areaFactor(int k, double conditionValue);

// E by the pipe's diameter in mm; 0 for an unknown diameter.
double pipeFactor(double diameterMm, double conditionValue);
// The diameter a project's pipdiameter text states, in mm ("600", "DN600",
// "600mm", "0.6 m"); NaN when it states none.
double diameterMm(const QString& text);

// T of a soil, by its stored key; 0 whenever F is 0.
struct SoilClass {
    QString key;
    QString name;
    double t;
};
const QVector<SoilClass>& soilClasses();
const SoilClass* soilClass(const QString& key);
double soilFactor(const QString& key, double f);

} // namespace cjj181
