#include "observationcsv.h"

#include "assessmenttexts.h"
#include "csvfile.h"

namespace {

QString number(double value)
{
    return known(value) ? QString::number(value, 'f', 2) : QString();
}

// A condition's figures, type, grades and advice, in the columns' order.
QStringList conditionCells(const ConditionAssessment& c, const QString& advice)
{
    return {number(c.mean),
            number(c.max),
            number(c.value),
            number(c.density),
            AssessmentTexts::densityType(c.densityType),
            AssessmentTexts::grade(c.grade),
            number(c.index),
            AssessmentTexts::grade(c.indexGrade),
            advice};
}

} // namespace

bool ObservationCsv::write(const QVector<SectionReport>& sections, const QString& path,
                           QString* error)
{
    const QStringList header{section(), distance(), code(),       name(),  grade(),
                             score(),   clock(),    continuous(), start(), end(),
                             length(),  remark(),   picture(),    file(),  endFile()};
    QVector<QStringList> rows;
    for (const SectionReport& s : sections) {
        for (const ReportRow& r : s.rows) {
            const Observation& o = r.observation;
            const double at = s.pictures[r.pictureNumber - 1].snapshot.distanceM;
            rows.push_back({s.section.title(), number(at), o.code, o.name,
                            o.grade > 0 ? QString::number(o.grade) : QString(), number(r.score),
                            ReportTexts::clock(o), ReportTexts::continuous(o), number(r.startM),
                            o.isContinuous() ? number(r.endM) : QString(), number(r.lengthM),
                            o.remark, ReportTexts::pictures(r), o.snapshot, o.endSnapshot});
        }
    }
    return CsvFile::write(path, header, rows, error);
}

bool AssessmentCsv::write(const QVector<SectionReport>& sections, const QString& path,
                          QString* error)
{
    const QStringList header{tr("管段"),
                             tr("管径（mm）"),
                             tr("管道材质"),
                             tr("管段长度（m）"),
                             tr("检测长度（m）"),
                             tr("S"),
                             tr("Smax"),
                             tr("F"),
                             tr("SM"),
                             tr("结构性缺陷类型"),
                             tr("结构性缺陷等级"),
                             tr("RI"),
                             tr("修复等级"),
                             tr("修复建议"),
                             tr("Y"),
                             tr("Ymax"),
                             tr("G"),
                             tr("YM"),
                             tr("功能性缺陷类型"),
                             tr("功能性缺陷等级"),
                             tr("MI"),
                             tr("养护等级"),
                             tr("养护建议"),
                             tr("未标终点的连续缺陷")};
    QVector<QStringList> rows;
    for (const SectionReport& report : sections) {
        const AssessedSection& s = report.section;
        const ConditionAssessment& st = s.assessment.structural;
        const ConditionAssessment& fn = s.assessment.functional;
        rows.push_back(QStringList{s.title(),
                                   known(s.diameterMm) ? QString::number(s.diameterMm) : QString(),
                                   s.project.fields.value("pipmeterial"), number(s.lengthM),
                                   number(s.inspectedLengthM)} +
                       conditionCells(st, AssessmentTexts::repairAdvice(st.indexGrade)) +
                       conditionCells(fn, AssessmentTexts::maintenanceAdvice(fn.indexGrade)) +
                       QStringList{QString::number(s.unfinished)});
    }
    return CsvFile::write(path, header, rows, error);
}
