#include "assessmentrules.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace cjj181 {

namespace {

constexpr double kFactorsFromValue = 4.0;
constexpr double kMillimetresPerMetre = 1000.0;

// Upper bounds of grades 1, 2 and 3; above the last is grade 4.
using Bounds = std::array<double, 3>;
constexpr Bounds kConditionBounds{1.0, 3.0, 6.0};
constexpr Bounds kRepairBounds{1.0, 4.0, 7.0};      // check
constexpr Bounds kMaintenanceBounds{1.0, 4.0, 7.0}; // check
// Density below kLocalBelow: local; up to kPartialUpTo: partial or overall (check).
constexpr double kLocalBelow = 0.1;
constexpr double kPartialUpTo = 0.5;

int gradeOn(const Bounds& bounds, double value)
{
    int grade = 1;
    for (const double bound : bounds) {
        if (value <= bound + kEpsilon) {
            return grade;
        }
        ++grade;
    }
    return grade;
}

const char* const kContext = "cjj181";

QString tr(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

} // namespace

double countedLengthM(double startM, double endM)
{
    return std::max(kMinContinuousLengthM, std::abs(endM - startM));
}

int conditionGrade(double value)
{
    return gradeOn(kConditionBounds, value);
}

int repairGrade(double repairIndex)
{
    return gradeOn(kRepairBounds, repairIndex);
}

int maintenanceGrade(double maintenanceIndex)
{
    return gradeOn(kMaintenanceBounds, maintenanceIndex);
}

DensityType densityType(double density)
{
    if (!std::isfinite(density)) {
        return DensityType::Unknown;
    }
    if (density < kLocalBelow - kEpsilon) {
        return DensityType::Local;
    }
    return density <= kPartialUpTo + kEpsilon ? DensityType::Partial : DensityType::Overall;
}

double repairIndex(double f, double k, double e, double t)
{
    return 0.7 * f + 0.1 * k + 0.05 * e + 0.15 * t;
}

double maintenanceIndex(double g, double k, double e)
{
    return 0.8 * g + 0.15 * k + 0.05 * e;
}

bool areaAndPipeFactorsApply(double conditionValue)
{
    return conditionValue >= kFactorsFromValue - kEpsilon;
}

double maintenanceFactorBasis(double /*f*/, double g)
{
    return g;
}

const QVector<AreaClass>& areaClasses()
{
    static const QVector<AreaClass> classes{{10, tr("中心商业、附近具有甲类民用建筑工程的区域")},
                                            {6, tr("交通干道、附近具有乙类民用建筑工程的区域")},
                                            {3, tr("其他行车道路、附近具有丙类民用建筑工程的区域")},
                                            {0, tr("所有其他区域")}};
    return classes;
}

const AreaClass* areaClass(int k)
{
    const QVector<AreaClass>& classes = areaClasses();
    const auto it =
        std::find_if(classes.begin(), classes.end(), [&](const AreaClass& c) { return c.k == k; });
    return it == classes.end() ? nullptr : &*it;
}

double areaFactor(int k, double conditionValue)
{
    const AreaClass* area = areaClass(k);
    return area != nullptr && areaAndPipeFactorsApply(conditionValue) ? area->k : 0.0;
}

double pipeFactor(double diameterMm, double conditionValue)
{
    if (!std::isfinite(diameterMm) || !areaAndPipeFactorsApply(conditionValue)) {
        return 0.0;
    }
    if (diameterMm > 1500) {
        return 10.0;
    }
    if (diameterMm > 1000) {
        return 6.0;
    }
    return diameterMm >= 600 ? 3.0 : 0.0;
}

double diameterMm(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*(mm|毫米|m|米)?(?![a-z])"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2).toLower();
    return unit == QLatin1String("m") || unit == QStringLiteral("米") ? value * kMillimetresPerMetre
                                                                      : value;
}

const QVector<SoilClass>& soilClasses()
{
    static const QVector<SoilClass> soils{
        {QStringLiteral("general"), tr("一般土层"), 0},
        {QStringLiteral("silty-sand"), tr("粉砂层"), 10},
        {QStringLiteral("loess-4"), tr("湿陷性黄土 IV级"), 10},
        {QStringLiteral("loess-3"), tr("湿陷性黄土 III级"), 8},
        {QStringLiteral("loess-1-2"), tr("湿陷性黄土 I、II级"), 6},
        {QStringLiteral("expansive-strong"), tr("膨胀土 强"), 10},
        {QStringLiteral("expansive-medium"), tr("膨胀土 中"), 8},
        {QStringLiteral("expansive-weak"), tr("膨胀土 弱"), 6},
        {QStringLiteral("mud"), tr("淤泥类土 淤泥"), 10},
        {QStringLiteral("mucky"), tr("淤泥类土 淤泥质土"), 8},
        {QStringLiteral("red-clay"), tr("红黏土"), 8}};
    return soils;
}

const SoilClass* soilClass(const QString& key)
{
    const QVector<SoilClass>& soils = soilClasses();
    const auto it =
        std::find_if(soils.begin(), soils.end(), [&](const SoilClass& s) { return s.key == key; });
    return it == soils.end() ? nullptr : &*it;
}

double soilFactor(const QString& key, double f)
{
    const SoilClass* soil = soilClass(key);
    return soil != nullptr && f > kEpsilon ? soil->t : 0.0;
}

} // namespace cjj181
