#include "reportlayout.h"

#include "assessmenttexts.h"
#include "sectionsheets.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int kGrades = 4;

using Column = PageBuilder::Column;

// The texts of every section for key, each once, in order.
QStringList distinct(const QVector<SectionReport>& sections,
                     const std::function<QString(const SectionReport&)>& value)
{
    QStringList values;
    for (const SectionReport& s : sections) {
        const QString v = value(s);
        if (!v.isEmpty() && !values.contains(v)) {
            values << v;
        }
    }
    return values;
}

} // namespace

ReportLayout::ReportLayout(const QVector<SectionReport>& sections, PageBuilder& pages)
    : m_sections(sections), m_pages(pages)
{
    m_steps.push_back([this] { cover(); });
    if (m_sections.size() > 1) {
        m_steps.push_back([this] { summary(); });
    }
    for (int i = 0; i < m_sections.size(); ++i) {
        const SectionReport& report = m_sections[i];
        auto sheets = std::make_shared<SectionSheets>(report, i, m_paths.size(), m_pages);
        for (const ReportPicture& p : report.pictures) {
            m_paths << p.path;
        }
        m_steps.push_back([sheets] {
            sheets->assessmentSheet();
            sheets->recordHeader();
        });
        for (int row = 0; row < report.rows.size(); row += SectionSheets::kRowsPerStep) {
            m_steps.push_back(
                [sheets, row] { sheets->recordRows(row, SectionSheets::kRowsPerStep); });
        }
        m_steps.push_back([sheets] { sheets->profile(); });
        for (int p = 0; p < report.pictures.size(); p += kPicturesPerStep) {
            m_steps.push_back([sheets, p] { sheets->pictures(p, kPicturesPerStep); });
        }
    }
}

bool ReportLayout::next()
{
    if (m_done >= m_steps.size()) {
        return false;
    }
    m_steps[m_done++]();
    return true;
}

QString ReportLayout::title(const QVector<SectionReport>& sections)
{
    if (sections.size() == 1) {
        return tr("排水管道检测与评估报告 %1").arg(sections.front().section.title());
    }
    return tr("排水管道检测与评估报告");
}

void ReportLayout::cover()
{
    const auto field = [this](const char* key) {
        return distinct(
                   m_sections,
                   [key](const SectionReport& s) { return s.section.project.fields.value(key); })
            .join(tr("、"));
    };
    const QStringList dates =
        distinct(m_sections, [](const SectionReport& s) { return s.inspectionDate; });
    QStringList signers;
    for (int role = 0; role < SectionSheets::signerTitles().size(); ++role) {
        const QStringList names = distinct(m_sections, [role](const SectionReport& s) {
            return SectionSheets::signers(s.section).value(role);
        });
        signers << (names.size() == 1 ? names.front() : QString());
    }
    m_pages.startPage(tr("排水管道检测与评估报告"));
    m_pages.gap(6);
    m_pages.paragraph(tr("排水管道检测与评估报告"), ReportFont::Title, Qt::AlignHCenter);
    m_pages.gap(1);
    m_pages.paragraph(m_sections.size() == 1 ? m_sections.front().section.title()
                                             : field("taskname"),
                      ReportFont::Heading, Qt::AlignHCenter);
    m_pages.gap(4);
    QStringList sorted = dates;
    std::sort(sorted.begin(), sorted.end());
    m_pages.table(
        {{QString(), 0.25, Qt::AlignLeft}, {QString(), 0.75, Qt::AlignLeft}},
        {{tr("任务名称"), field("taskname")},
         {tr("项目编号"), field("no")},
         {tr("检测地点"), field("location")},
         {tr("检测单位"), field("unitcompany")},
         {tr("管段数量"), QString::number(m_sections.size())},
         {tr("检测日期"), sorted.isEmpty()     ? QString()
                          : sorted.size() == 1 ? sorted.front()
                                               : tr("%1 至 %2").arg(sorted.front(), sorted.back())},
         {tr("检测与评估依据"), tr("《城镇排水管道检测与评估技术规程》CJJ 181-2012")}},
        ReportFont::Body);
    m_pages.gap(4);
    m_pages.signatures(SectionSheets::signerTitles(), signers);
    m_pages.signatures({tr("日期"), tr("日期"), tr("日期")}, {});
}

void ReportLayout::summary()
{
    m_pages.startPage(tr("项目汇总"));
    m_pages.paragraph(tr("项目汇总"), ReportFont::Heading);
    const auto f = &AssessmentTexts::figure;
    QVector<QStringList> rows;
    QVector<CodeCount> all;
    for (const SectionReport& report : m_sections) {
        const AssessedSection& s = report.section;
        const ConditionAssessment& st = s.assessment.structural;
        const ConditionAssessment& fn = s.assessment.functional;
        const auto graded = [&](double value, int grade) {
            return tr("%1 %2").arg(f(value), AssessmentTexts::grade(grade));
        };
        rows.push_back({s.title(), s.project.fields.value("pipdiameter"),
                        s.project.fields.value("pipmeterial"), f(s.lengthM), f(s.inspectedLengthM),
                        graded(st.value, st.grade), graded(st.index, st.indexGrade),
                        graded(fn.value, fn.grade), graded(fn.index, fn.indexGrade),
                        ReportTexts::counts(report.counts)});
        countDefects(report.rows, all);
    }
    m_pages.table({{tr("管段"), 0.15, Qt::AlignLeft},
                   {tr("管径（mm）"), 0.07, Qt::AlignRight},
                   {tr("材质"), 0.07, Qt::AlignLeft},
                   {tr("长度（m）"), 0.07, Qt::AlignRight},
                   {tr("检测长度（m）"), 0.08, Qt::AlignRight},
                   {tr("F 结构性等级"), 0.09, Qt::AlignLeft},
                   {tr("RI 修复等级"), 0.09, Qt::AlignLeft},
                   {tr("G 功能性等级"), 0.09, Qt::AlignLeft},
                   {tr("MI 养护等级"), 0.09, Qt::AlignLeft},
                   {tr("缺陷（代码 等级×数量）"), 0.20, Qt::AlignLeft}},
                  rows);
    m_pages.gap(1);
    m_pages.paragraph(tr("缺陷统计（按代码和等级）"), ReportFont::Heading);
    QVector<QStringList> grid;
    for (const CodeCount& c : all) {
        if (grid.isEmpty() || grid.back().value(0) != c.code) {
            grid.push_back({c.code, c.name, "0", "0", "0", "0", "0"});
        }
        QStringList& row = grid.back();
        if (c.grade >= 1 && c.grade <= kGrades) {
            row[1 + c.grade] = QString::number(row[1 + c.grade].toInt() + c.count);
        }
        row[2 + kGrades] = QString::number(row[2 + kGrades].toInt() + c.count);
    }
    if (grid.isEmpty()) {
        m_pages.paragraph(tr("无缺陷"));
        return;
    }
    QVector<Column> columns{{tr("代码"), 0.15, Qt::AlignLeft}, {tr("名称"), 0.25, Qt::AlignLeft}};
    for (int g = 1; g <= kGrades; ++g) {
        columns << Column{ReportTexts::grade(g), 0.12, Qt::AlignRight};
    }
    columns << Column{tr("合计"), 0.12, Qt::AlignRight};
    m_pages.table(columns, grid);
}
