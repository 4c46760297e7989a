// The pages of one pipe section: the section assessment sheet (管段状况评估表),
// the record sheet (检测记录表) with the pitch and roll profile, and the
// pictures two to a page, each with its table rows under it.
#pragma once

#include "pagebuilder.h"
#include "reportdata.h"

#include <QCoreApplication>

class SectionSheets {
    Q_DECLARE_TR_FUNCTIONS(SectionSheets)
public:
    static constexpr int kRowsPerStep = 60;

    // index: the section's place in the report (for its chart); firstPicture:
    // the report-wide index of its first picture.
    SectionSheets(const SectionReport& report, int index, int firstPicture, PageBuilder& pages);

    // The assessment sheet, on a new page.
    void assessmentSheet();
    // The record sheet's header, and rows from..from+count of its table.
    void recordHeader();
    void recordRows(int from, int count);
    // The profile chart, below the record sheet when it fits.
    void profile();
    // Pictures from..from+count.
    void pictures(int from, int count);

    // The names that sign the section: 检测, 校核, 审核.
    static QStringList signers(const AssessedSection& section);
    static QStringList signerTitles();
    // Its pages' footer.
    static QString footer(const AssessedSection& section);

private:
    QVector<QStringList> conditionRows(bool structural) const;
    void picture(const ReportPicture& picture);

    const SectionReport& m_report;
    int m_index;
    int m_firstPicture;
    PageBuilder& m_pages;
};
