// The report's content laid out in small steps (so that a window can stay
// responsive between them): the cover naming CJJ 181-2012, the company and
// the signature lines; for several sections the project summary; then each
// section's sheets and pictures.
#pragma once

#include "pagebuilder.h"
#include "reportdata.h"

#include <QCoreApplication>

#include <functional>

class ReportLayout {
    Q_DECLARE_TR_FUNCTIONS(ReportLayout)
public:
    static constexpr int kPicturesPerStep = 2;

    ReportLayout(const QVector<SectionReport>& sections, PageBuilder& pages);

    // Lays out the next part; false when everything is laid out.
    bool next();
    int steps() const { return static_cast<int>(m_steps.size()); }
    int done() const { return m_done; }
    // Every picture in the order the layout's picture items count them.
    const QStringList& picturePaths() const { return m_paths; }
    // The report's title, for the document and the cover.
    static QString title(const QVector<SectionReport>& sections);

private:
    void cover();
    void summary();

    const QVector<SectionReport>& m_sections;
    PageBuilder& m_pages;
    QVector<std::function<void()>> m_steps;
    int m_done = 0;
    QStringList m_paths;
};
