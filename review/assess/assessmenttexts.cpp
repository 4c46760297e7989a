#include "assessmenttexts.h"

#include <cmath>

namespace {

// The text of grade 1-4 from four; empty outside.
QString pick(int grade, const QString (&texts)[4])
{
    return grade >= 1 && grade <= 4 ? texts[grade - 1] : QString();
}

} // namespace

QString AssessmentTexts::grade(int grade)
{
    static const QString names[4]{QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III"),
                                  QStringLiteral("IV")};
    const QString name = pick(grade, names);
    return name.isEmpty() ? QString() : tr("%1级").arg(name);
}

QString AssessmentTexts::structuralGrade(int grade)
{
    static const QString texts[4]{tr("无或有轻微缺陷，结构状况基本不受影响，但具有潜在变坏的可能"),
                                  tr("管段缺陷明显超过一级，具有变坏的趋势"),
                                  tr("管段缺陷严重，结构状况受到影响"),
                                  tr("管段存在重大缺陷，损坏严重或即将导致破坏")};
    return pick(grade, texts);
}

QString AssessmentTexts::functionalGrade(int grade)
{
    static const QString texts[4]{tr("无或有轻微影响，管道运行基本不受影响"),
                                  tr("管道过流有一定的受阻，运行受影响不大"),
                                  tr("管道过流受阻比较严重，运行受到明显影响"),
                                  tr("管道过流受阻很严重，即将或已经导致运行瘫痪")};
    return pick(grade, texts);
}

QString AssessmentTexts::repairAdvice(int grade)
{
    static const QString texts[4]{
        tr("结构条件基本完好，不修复"), tr("结构在短期内不会发生破坏现象，但应做修复计划"),
        tr("结构在短期内可能会发生破坏，应尽快修复"), tr("结构已经发生或即将发生破坏，应立即修复")};
    return pick(grade, texts);
}

QString AssessmentTexts::maintenanceAdvice(int grade)
{
    static const QString texts[4]{
        tr("没有明显需要处理的缺陷"), tr("没有立即进行处理的必要，但宜安排处理计划"),
        tr("根据基础数据进行全面的考虑，应尽快处理"), tr("输水功能受到严重影响，应立即进行处理")};
    return pick(grade, texts);
}

QString AssessmentTexts::densityType(cjj181::DensityType type)
{
    switch (type) {
    case cjj181::DensityType::Local:
        return tr("局部缺陷");
    case cjj181::DensityType::Partial:
        return tr("部分或整体缺陷");
    case cjj181::DensityType::Overall:
        return tr("整体缺陷");
    case cjj181::DensityType::Unknown:
        break;
    }
    return QStringLiteral("—");
}

QString AssessmentTexts::figure(double value)
{
    return std::isfinite(value) ? QString::number(value, 'f', 2) : QStringLiteral("—");
}
