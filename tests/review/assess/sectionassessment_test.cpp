// The assessment against sections worked by hand from CJJ 181-2012 chapter 8
// (scores: PL 3级 5, PL 2级 2, CK 3级 5, SL 2级 2, TJ 2级 3, TJ 4级 10,
// CJ 2级 2, CJ 3级 5, CJ 4级 10, ZW 1级 0.1). Each case's arithmetic is in
// its comment; figures are compared to 1e-9.
#include "sectionassessment.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kExact = 1e-9;

AssessedDefect local(const char* kind, const char* code, double score, double atM)
{
    AssessedDefect d;
    d.kind = kind;
    d.code = code;
    d.score = score;
    d.startM = atM;
    d.endM = atM;
    return d;
}

AssessedDefect continuous(const char* kind, const char* code, double score, double fromM,
                          double toM)
{
    AssessedDefect d = local(kind, code, score, fromM);
    d.endM = toM;
    d.continuous = true;
    return d;
}

SectionFactors factors(double lengthM, double diameterMm = 500, int area = -1,
                       const char* soil = "")
{
    return {lengthM, diameterMm, area, soil};
}

// mean, max, value, density, index, grade, index grade.
void expectCondition(const ConditionAssessment& c, double mean, double max, double value,
                     double density, double index, int grade, int indexGrade)
{
    EXPECT_NEAR(c.mean, mean, kExact);
    EXPECT_NEAR(c.max, max, kExact);
    EXPECT_NEAR(c.value, value, kExact);
    EXPECT_NEAR(c.density, density, kExact);
    EXPECT_NEAR(c.index, index, kExact);
    EXPECT_EQ(c.grade, grade);
    EXPECT_EQ(c.indexGrade, indexGrade);
}

TEST(SectionAssessment, NoDefectsIsGradeOneWhateverTheFactors)
{
    // n = 0: S = Smax = F = SM = 0; K and E need F >= 4 and T needs F > 0,
    // so RI = 0 even in a centre on mud; likewise MI = 0.
    const SectionAssessment a = assessConditions({}, factors(50, 2000, 10, "mud"));
    expectCondition(a.structural, 0, 0, 0, 0, 0, 1, 1);
    expectCondition(a.functional, 0, 0, 0, 0, 0, 1, 1);
}

TEST(SectionAssessment, OneLocalDefect)
{
    // PL 3级 at 10 m, L = 50, D = 600, K = 3, 一般土层: n = n1 = 1.
    // S = 5 / 1 = 5, Smax = 5, F = 5 (III). SM = 5 * 1 / (5 * 50) = 0.02 (局部).
    // F >= 4: K = 3, E = 3 (600 <= D <= 1000), T = 0.
    // RI = 0.7 * 5 + 0.1 * 3 + 0.05 * 3 + 0.15 * 0 = 3.95 (II).
    const SectionAssessment a =
        assessConditions({local("S", "PL", 5, 10)}, factors(50, 600, 3, "general"));
    expectCondition(a.structural, 5, 5, 5, 0.02, 3.95, 3, 2);
    EXPECT_EQ(a.structural.n1, 1);
    EXPECT_EQ(a.structural.densityType, cjj181::DensityType::Local);
    expectCondition(a.functional, 0, 0, 0, 0, 0, 1, 1);
}

TEST(SectionAssessment, TwoDefectsOnePointTwoMetresApartWeighAlpha)
{
    // TJ 2级 at 10.0 and 11.2 m, L = 20, 粉砂层: clear distance 1.2 m
    // (1.0 < 1.2 <= 1.5), so both are n2. S = 1.1 * (3 + 3) / 2 = 3.3,
    // Smax = 3 < S, F = 3.3 (III). SM = 1.1 * (3 * 1 + 3 * 1) / (3.3 * 20) = 0.1
    // (部分或整体). F < 4: K = E = 0; F > 0: T = 10.
    // RI = 0.7 * 3.3 + 0.15 * 10 = 3.81 (II).
    const SectionAssessment a = assessConditions(
        {local("S", "TJ", 3, 10), local("S", "TJ", 3, 11.2)}, factors(20, 1200, 10, "silty-sand"));
    expectCondition(a.structural, 3.3, 3, 3.3, 0.1, 3.81, 3, 2);
    EXPECT_EQ(a.structural.n2, 2);
    EXPECT_EQ(a.structural.densityType, cjj181::DensityType::Partial);
}

TEST(SectionAssessment, ThreeDefectsWithinAMetreAreOneCappedAtTen)
{
    // PL 3级 at 20.0, CK 3级 at 20.4, SL 2级 at 20.9 m: clear distances 0.4
    // and 0.5 m, one defect 20.0-20.9 m scoring min(5 + 5 + 2, 10) = 10,
    // counting 1 m. L = 40, D = 1200, K = 6, 膨胀土 中. n = n1 = 1:
    // S = Smax = F = 10 (IV). SM = 10 * 1 / (10 * 40) = 0.025.
    // RI = 0.7 * 10 + 0.1 * 6 + 0.05 * 6 + 0.15 * 8 = 9.1 (IV).
    const SectionAssessment a = assessConditions(
        {local("S", "SL", 2, 20.9), local("S", "PL", 5, 20), local("S", "CK", 5, 20.4)},
        factors(40, 1200, 6, "expansive-medium"));
    expectCondition(a.structural, 10, 10, 10, 0.025, 9.1, 4, 4);
    ASSERT_EQ(a.structural.combined.size(), 1);
    EXPECT_EQ(a.structural.combined[0].members, 3);
    EXPECT_NEAR(a.structural.combined[0].endM, 20.9, kExact);
}

TEST(SectionAssessment, ContinuousDefectCountsItsLength)
{
    // CJ 2级 from 3.0 to 9.0 m (6 m), L = 30: Y = Ymax = G = 2 (II).
    // YM = 2 * 6 / (2 * 30) = 0.2 (部分或整体). G < 4: MI = 0.8 * 2 = 1.6 (II).
    // A 0.4 m one (JG 2级 from 20.0 to 20.4) counts 1 m.
    const SectionAssessment a = assessConditions({continuous("F", "CJ", 2, 3, 9)}, factors(30));
    expectCondition(a.functional, 2, 2, 2, 0.2, 1.6, 2, 2);
    EXPECT_NEAR(continuous("F", "JG", 2, 20, 20.4).lengthM(), 1.0, kExact);
}

TEST(SectionAssessment, StructuralAndFunctionalAreAssessedApart)
{
    // PL 2级 at 5.0, CJ 3级 at 5.3, ZW 1级 at 12.0 m; L = 25, D = 500, K = 0.
    // Kinds do not combine: structural n = 1, S = Smax = F = 2 (II),
    // SM = 2 * 1 / (2 * 25) = 0.04, RI = 0.7 * 2 = 1.4 (II).
    // Functional: CJ and ZW 6.7 m apart, both n1: Y = (5 + 0.1) / 2 = 2.55,
    // Ymax = 5, G = 5 (III), YM = (5 + 0.1) / (2.55 * 25) = 0.08;
    // G >= 4 but K = 0 and E = 0 (D < 600): MI = 0.8 * 5 = 4.0, on the
    // bound of II.
    const SectionAssessment a = assessConditions(
        {local("S", "PL", 2, 5), local("F", "CJ", 5, 5.3), local("F", "ZW", 0.1, 12)},
        factors(25, 500, 0));
    expectCondition(a.structural, 2, 2, 2, 0.04, 1.4, 2, 2);
    expectCondition(a.functional, 2.55, 5, 5, 0.08, 4.0, 3, 2);
    EXPECT_EQ(a.functional.n1, 2);
}

TEST(SectionAssessment, AreaPipeAndSoilFactorsOnceFReachesFour)
{
    // PL 3级 at 10 m: F = 5, 0.7 * F = 3.5; RI = 3.5 + 0.1 K + 0.05 E + 0.15 T.
    struct Case {
        int area;
        double diameterMm;
        const char* soil;
        double ri; // worked out on the right
        int repairGrade;
    };
    const Case cases[] = {
        {10, 2000, "general", 5.0, 3},          // 3.5 + 1.0 + 0.5  + 0
        {6, 1500, "silty-sand", 5.9, 3},        // 3.5 + 0.6 + 0.3  + 1.5
        {3, 1000, "loess-4", 5.45, 3},          // 3.5 + 0.3 + 0.15 + 1.5
        {0, 600, "loess-3", 4.85, 3},           // 3.5 + 0   + 0.15 + 1.2
        {-1, 599, "loess-1-2", 4.4, 3},         // 3.5 + 0   + 0    + 0.9
        {10, 1501, "expansive-strong", 6.5, 3}, // 3.5 + 1.0 + 0.5  + 1.5
        {6, 1001, "expansive-medium", 5.6, 3},  // 3.5 + 0.6 + 0.3  + 1.2
        {3, NAN, "expansive-weak", 4.7, 3},     // 3.5 + 0.3 + 0    + 0.9
        {0, 2000, "mud", 5.5, 3},               // 3.5 + 0   + 0.5  + 1.5
        {10, 800, "mucky", 5.85, 3},            // 3.5 + 1.0 + 0.15 + 1.2
        {6, 300, "red-clay", 5.3, 3},           // 3.5 + 0.6 + 0    + 1.2
        {-1, 600, "", 3.65, 2},                 // 3.5 + 0   + 0.15 + 0
    };
    for (const Case& c : cases) {
        const SectionAssessment a =
            assessConditions({local("S", "PL", 5, 10)}, factors(50, c.diameterMm, c.area, c.soil));
        EXPECT_NEAR(a.structural.index, c.ri, kExact) << c.area << " " << c.soil;
        EXPECT_EQ(a.structural.indexGrade, c.repairGrade) << c.area << " " << c.soil;
    }
}

TEST(SectionAssessment, MaintenanceIndexOnceGReachesFour)
{
    // CJ 4级 at 8 m: G = 10 (IV); K = 6, E = 6 (D = 1200); soil has no part:
    // MI = 0.8 * 10 + 0.15 * 6 + 0.05 * 6 = 9.2 (IV).
    const SectionAssessment a =
        assessConditions({local("F", "CJ", 10, 8)}, factors(50, 1200, 6, "mud"));
    expectCondition(a.functional, 10, 10, 10, 0.02, 9.2, 4, 4);
    EXPECT_EQ(a.structural.value, 0);
}

TEST(SectionAssessment, DiameterIsReadFromThePipeDiameterText)
{
    EXPECT_EQ(cjj181::diameterMm("600"), 600);
    EXPECT_EQ(cjj181::diameterMm("DN800mm"), 800);
    EXPECT_EQ(cjj181::diameterMm("0.6 m"), 600);
    EXPECT_EQ(cjj181::diameterMm("1.2米"), 1200);
    EXPECT_TRUE(std::isnan(cjj181::diameterMm("管径未知")));
}

} // namespace
