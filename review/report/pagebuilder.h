// Lays a report out on pages, top to bottom: paragraphs, ruled tables whose
// rows wrap and move whole to the next page (with the header again), and
// blocks reserved for pictures, charts and signature lines. Measures text
// with the fonts of the PDF writer it is given, on the GUI thread.
#pragma once

#include "reportpages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>

class QPaintDevice;

// The report's font of a role, Chinese families first.
QFont reportFont(ReportFont role);
QStringList reportFontFamilies();

class PageBuilder {
public:
    struct Column {
        QString title;
        double share; // of the width
        int align;    // Qt alignment
    };

    // device: the PDF writer (for its resolution); content: the page's text
    // area in its units.
    PageBuilder(QPaintDevice* device, const QRectF& content);

    // A new page that belongs to footer.
    void startPage(const QString& footer);
    // A new page unless height fits below the cursor.
    void ensure(double height);
    double remaining() const { return m_content.bottom() - m_y; }
    double top() const { return m_content.top(); }
    double cursor() const { return m_y; }
    void moveTo(double y) { m_y = y; }
    const QRectF& content() const { return m_content; }
    bool atPageTop() const { return m_y <= m_content.top(); }

    double lineHeight(ReportFont font) const;
    double textHeight(const QString& text, double width, ReportFont font) const;

    void gap(double lines);
    // Wrapped text over the full width.
    void paragraph(const QString& text, ReportFont font = ReportFont::Body,
                   int align = Qt::AlignLeft);
    // Rows of cells; a row shorter than the columns spans its last cell to
    // the end. Without titles there is no header row; the header starts the
    // table (unless it continues one just laid out) and every page it runs on.
    void table(const QVector<Column>& columns, const QVector<QStringList>& rows,
               ReportFont font = ReportFont::Small, bool continues = false);
    double tableHeight(const QVector<Column>& columns, const QVector<QStringList>& rows,
                       ReportFont font = ReportFont::Small) const;
    // The block of height at the cursor (on a new page when it does not
    // fit), for the caller to fill with add().
    QRectF take(double height);
    void add(const PageItem& item);
    // Signature lines, one per name: "检测：name ______".
    void signatures(const QStringList& labels, const QStringList& names);

    QVector<ReportPage> pages() const { return m_pages; }

private:
    double rowHeight(const QVector<Column>& columns, const QStringList& cells,
                     ReportFont font) const;
    // Adds one row at the cursor.
    void placeRow(const QVector<Column>& columns, const QStringList& cells, ReportFont font,
                  double height);

    const QFontMetricsF& metrics(ReportFont font) const;

    QVector<QFontMetricsF> m_metrics; // by role
    QRectF m_content;
    double m_y = 0;
    QVector<ReportPage> m_pages;
};
