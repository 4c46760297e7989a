// A report laid out as pages of simple items in device units of the PDF
// writer: text in a box, ruled cell frames, picture and chart places. Laid
// out first (so every page knows the page count), painted afterwards.
#pragma once

#include <QRectF>
#include <QString>
#include <QVector>

// The report's fonts, by role.
enum class ReportFont { Body, Small, Heading, Title };

struct PageItem {
    enum class Kind { Text, Frame, Rule, Picture, Chart };
    Kind kind = Kind::Text;
    QRectF rect;
    QString text;
    ReportFont font = ReportFont::Body;
    int flags = 0;     // Qt alignment and wrapping, for text
    bool clip = false; // text taller than its box is cut at the box
    int picture = -1;  // into the report's picture list
    int section = -1;  // the section whose profile a chart shows
};

struct ReportPage {
    QString footer; // the section (or the report) the page belongs to
    QVector<PageItem> items;
};
