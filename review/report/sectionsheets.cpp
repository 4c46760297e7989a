#include "sectionsheets.h"

#include "assessmenttexts.h"

#include <algorithm>

namespace {

// The chart's height over its width: as much as the page has left, between these.
constexpr double kChartAspect = 0.45;
constexpr double kMinChartAspect = 0.18;
constexpr double kPictureGapLines = 1.0;
constexpr double kMinPictureShare = 0.45; // of a picture's half page

using Column = PageBuilder::Column;

const QVector<Column>& formColumns()
{
    static const QVector<Column> columns{{QString(), 0.17, Qt::AlignLeft},
                                         {QString(), 0.33, Qt::AlignLeft},
                                         {QString(), 0.17, Qt::AlignLeft},
                                         {QString(), 0.33, Qt::AlignLeft}};
    return columns;
}

QVector<Column> rowColumns(bool withPicture)
{
    QVector<Column> columns{{SectionSheets::tr("距离（m）"), 0.12, Qt::AlignRight},
                            {SectionSheets::tr("代码"), 0.06, Qt::AlignLeft},
                            {SectionSheets::tr("名称"), 0.11, Qt::AlignLeft},
                            {SectionSheets::tr("分值"), 0.06, Qt::AlignRight},
                            {SectionSheets::tr("等级"), 0.06, Qt::AlignLeft},
                            {SectionSheets::tr("环向位置"), 0.09, Qt::AlignLeft},
                            {SectionSheets::tr("长度（m）"), 0.09, Qt::AlignRight},
                            {SectionSheets::tr("录像位置"), 0.11, Qt::AlignLeft},
                            {SectionSheets::tr("描述"), withPicture ? 0.30 : 0.24, Qt::AlignLeft}};
    if (!withPicture) {
        columns << Column{SectionSheets::tr("图号"), 0.06, Qt::AlignLeft};
    }
    return columns;
}

QStringList rowCells(const ReportRow& r, bool withPicture)
{
    const Observation& o = r.observation;
    QStringList cells{ReportTexts::extent(r),
                      o.code,
                      o.name,
                      known(r.score) ? AssessmentTexts::figure(r.score) : QString(),
                      ReportTexts::grade(o.grade),
                      ReportTexts::clock(o),
                      ReportTexts::metres(r.lengthM),
                      ReportTexts::moment(r),
                      ReportTexts::description(r)};
    if (!withPicture) {
        cells << ReportTexts::pictures(r);
    }
    return cells;
}

QString orNone(const QString& text)
{
    return text.isEmpty() ? SectionSheets::tr("未填") : text;
}

} // namespace

SectionSheets::SectionSheets(const SectionReport& report, int index, int firstPicture,
                             PageBuilder& pages)
    : m_report(report), m_index(index), m_firstPicture(firstPicture), m_pages(pages)
{
}

QStringList SectionSheets::signerTitles()
{
    return {tr("检测"), tr("校核"), tr("审核")};
}

QStringList SectionSheets::signers(const AssessedSection& s)
{
    const QString inspector =
        s.data.inspectedBy.isEmpty() ? s.project.fields.value("inspector") : s.data.inspectedBy;
    return {inspector, s.data.checkedBy, s.data.approvedBy};
}

QString SectionSheets::footer(const AssessedSection& section)
{
    return tr("管段 %1").arg(section.title());
}

QVector<QStringList> SectionSheets::conditionRows(bool structural) const
{
    const AssessedSection& s = m_report.section;
    const ConditionAssessment& c = structural ? s.assessment.structural : s.assessment.functional;
    const auto f = &AssessmentTexts::figure;
    // The words of the two kinds: S, Smax, F, SM, RI or Y, Ymax, G, YM, MI.
    const QStringList words = structural ? QStringList{tr("结构性状况"),     tr("S"),
                                                       tr("Smax"),           tr("F"),
                                                       tr("结构性缺陷等级"), tr("缺陷密度 SM"),
                                                       tr("修复指数 RI"),    tr("修复等级"),
                                                       tr("修复建议")}
                                         : QStringList{tr("功能性状况"),     tr("Y"),
                                                       tr("Ymax"),           tr("G"),
                                                       tr("功能性缺陷等级"), tr("缺陷密度 YM"),
                                                       tr("养护指数 MI"),    tr("养护等级"),
                                                       tr("养护建议")};
    const QString meaning = structural ? AssessmentTexts::structuralGrade(c.grade)
                                       : AssessmentTexts::functionalGrade(c.grade);
    const QString advice = structural ? AssessmentTexts::repairAdvice(c.indexGrade)
                                      : AssessmentTexts::maintenanceAdvice(c.indexGrade);
    const QString formula =
        structural
            ? tr("RI = 0.7×F + 0.1×K + 0.05×E + 0.15×T = 0.7×%1 + 0.1×%2 + 0.05×%3 + 0.15×%4")
                  .arg(f(c.value), f(c.k), f(c.e), f(c.t))
            : tr("MI = 0.8×G + 0.15×K + 0.05×E = 0.8×%1 + 0.15×%2 + 0.05×%3")
                  .arg(f(c.value), f(c.k), f(c.e));
    return {{words[0]},
            {words[1], f(c.mean), words[2], f(c.max)},
            {words[3], f(c.value), words[4], AssessmentTexts::grade(c.grade)},
            {words[5], f(c.density), tr("缺陷类型"), AssessmentTexts::densityType(c.densityType)},
            {words[6], f(c.index), words[7], AssessmentTexts::grade(c.indexGrade)},
            {tr("等级说明"), meaning},
            {words[8], advice},
            {tr("计算"), formula}};
}

void SectionSheets::assessmentSheet()
{
    const AssessedSection& s = m_report.section;
    const ProjectFields& p = s.project.fields;
    m_pages.startPage(footer(s));
    m_pages.paragraph(tr("管段状况评估表　%1").arg(s.title()), ReportFont::Heading);
    const auto f = &AssessmentTexts::figure;
    const QString length =
        s.lengthEntered ? f(s.lengthM) : tr("%1（未填管段长度，以检测长度计）").arg(f(s.lengthM));
    const cjj181::AreaClass* area = cjj181::areaClass(s.data.areaClass);
    const cjj181::SoilClass* soil = cjj181::soilClass(s.data.soil);
    QVector<QStringList> rows{
        {tr("管段"), s.wells(), tr("检测地点"), p.value("location")},
        {tr("管径（mm）"), orNone(p.value("pipdiameter")), tr("管道材质"),
         orNone(p.value("pipmeterial"))},
        {tr("管段长度 L（m）"), length, tr("检测长度（m）"), f(s.inspectedLengthM)},
        {tr("埋设年代"), s.data.laidYear > 0 ? QString::number(s.data.laidYear) : tr("未填"),
         tr("埋深（m）"), tr("起点 %1，终点 %2").arg(f(s.data.startDepthM), f(s.data.endDepthM))},
        {tr("地区类别"),
         // The class by its first words; the form shows it in full.
         area != nullptr ? tr("K = %1　%2").arg(area->k).arg(area->name.section(tr("、"), 0, 0))
                         : tr("未填，K 按 0 计"),
         tr("土质"),
         soil != nullptr ? tr("%1　T = %2").arg(soil->name).arg(soil->t) : tr("未填，T 按 0 计")}};
    rows += conditionRows(true);
    rows += conditionRows(false);
    m_pages.table(formColumns(), rows);
    QStringList notes;
    if (!known(s.diameterMm)) {
        notes << tr("管径未知，E 按 0 计。");
    }
    if (s.unfinished > 0) {
        notes << tr("%n 个连续缺陷未标终点，各按 1 m 计。", nullptr, s.unfinished);
    }
    for (const QString& problem : s.problems) {
        notes << problem;
    }
    notes << tr("评估依据《城镇排水管道检测与评估技术规程》CJJ 181-2012；分值与指数保留两位小数。");
    for (const QString& note : notes) {
        m_pages.paragraph(note, ReportFont::Small);
    }
    m_pages.signatures(signerTitles(), signers(s));
}

void SectionSheets::recordHeader()
{
    const AssessedSection& s = m_report.section;
    const ProjectFields& p = s.project.fields;
    // Numbered: the rows' 录像位置 names a recording by its number.
    QStringList videos;
    for (const Recording& r : m_report.recordings) {
        videos << tr("%1：%2")
                      .arg(videos.size() + 1)
                      .arg(r.videoFile.isEmpty() ? r.csvFile : r.videoFile);
    }
    m_pages.gap(1);
    m_pages.paragraph(tr("检测记录表　%1").arg(s.title()), ReportFont::Heading);
    m_pages.table(formColumns(),
                  {{tr("视频文件"), videos.isEmpty() ? tr("无录像") : videos.join('\n')},
                   {tr("起始井号"), p.value("startwellno"), tr("终止井号"), p.value("endwellno")},
                   {tr("检测日期"), m_report.inspectionDate, tr("检测人员"), p.value("inspector")},
                   {tr("检测方向"), p.value("direction"), tr("管径（mm）"), p.value("pipdiameter")},
                   {tr("管道材质"), p.value("pipmeterial"), tr("管段长度（m）"),
                    AssessmentTexts::figure(s.lengthM)}});
    m_pages.paragraph(tr("缺陷统计：%1").arg(ReportTexts::counts(m_report.counts)),
                      ReportFont::Small);
    if (m_report.rows.isEmpty()) {
        m_pages.paragraph(tr("无观察记录"));
    }
}

void SectionSheets::recordRows(int from, int count)
{
    QVector<QStringList> rows;
    for (int i = from; i < std::min(from + count, static_cast<int>(m_report.rows.size())); ++i) {
        rows.push_back(rowCells(m_report.rows[i], false));
    }
    m_pages.table(rowColumns(false), rows, ReportFont::Small, from > 0);
}

void SectionSheets::profile()
{
    const double width = m_pages.content().width();
    const double title =
        m_pages.lineHeight(ReportFont::Body) / 2 + m_pages.lineHeight(ReportFont::Heading);
    m_pages.ensure(title + width * kMinChartAspect);
    m_pages.gap(0.5);
    m_pages.paragraph(tr("俯仰角与横滚角随距离的变化"), ReportFont::Heading);
    PageItem chart;
    chart.kind = PageItem::Kind::Chart;
    chart.section = m_index;
    chart.rect = m_pages.take(std::min(width * kChartAspect, m_pages.remaining()));
    m_pages.add(chart);
}

void SectionSheets::pictures(int from, int count)
{
    for (int i = from; i < std::min(from + count, static_cast<int>(m_report.pictures.size()));
         ++i) {
        picture(m_report.pictures[i]);
    }
}

void SectionSheets::picture(const ReportPicture& picture)
{
    const QRectF& content = m_pages.content();
    const double gap = m_pages.lineHeight(ReportFont::Body) * kPictureGapLines;
    const double slot = (content.height() - gap) / 2;
    const double middle = content.top() + slot + gap;
    if (picture.number == 1 || m_pages.cursor() > middle) {
        m_pages.startPage(footer(m_report.section));
    } else if (!m_pages.atPageTop()) {
        m_pages.moveTo(middle);
    }
    QVector<QStringList> rows;
    for (const ReportRow& r : picture.rows) {
        rows.push_back(rowCells(r, true));
    }
    const double caption = m_pages.lineHeight(ReportFont::Body) * 1.4;
    const double table = rows.isEmpty() ? 0 : m_pages.tableHeight(rowColumns(true), rows);
    PageItem image;
    image.kind = PageItem::Kind::Picture;
    image.picture = m_firstPicture + picture.number - 1;
    image.rect = m_pages.take(std::max(slot * kMinPictureShare, slot - caption - table));
    m_pages.add(image);
    const Snapshot& s = picture.snapshot;
    m_pages.paragraph(tr("图 %1　距离 %2 m　%3　%4")
                          .arg(picture.number)
                          .arg(ReportTexts::metres(s.distanceM), s.timeText,
                               picture.rows.isEmpty() ? tr("（未编码）") : QString())
                          .trimmed());
    if (!rows.isEmpty()) {
        m_pages.table(rowColumns(true), rows);
    }
}
