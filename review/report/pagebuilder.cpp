#include "pagebuilder.h"

#include <algorithm>

namespace {

constexpr double kPadLines = 0.2; // cell padding, in lines of its font
constexpr double kSignatureLines = 2.0;
constexpr double kSignatureRule = 0.6; // of a signature's width

double pointSize(ReportFont role)
{
    switch (role) {
    case ReportFont::Small:
        return 8.5;
    case ReportFont::Heading:
        return 13.0;
    case ReportFont::Title:
        return 22.0;
    case ReportFont::Body:
        break;
    }
    return 10.0;
}

} // namespace

QStringList reportFontFamilies()
{
    return {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Noto Sans CJK SC")};
}

QFont reportFont(ReportFont role)
{
    QFont font;
    font.setFamilies(reportFontFamilies());
    font.setPointSizeF(pointSize(role));
    font.setBold(role == ReportFont::Heading || role == ReportFont::Title);
    return font;
}

PageBuilder::PageBuilder(QPaintDevice* device, const QRectF& content)
    : m_content(content), m_y(content.top())
{
    for (const ReportFont role :
         {ReportFont::Body, ReportFont::Small, ReportFont::Heading, ReportFont::Title}) {
        m_metrics.push_back(QFontMetricsF(reportFont(role), device));
    }
}

const QFontMetricsF& PageBuilder::metrics(ReportFont font) const
{
    return m_metrics[static_cast<int>(font)];
}

void PageBuilder::startPage(const QString& footer)
{
    m_pages.push_back({footer, {}});
    m_y = m_content.top();
}

void PageBuilder::ensure(double height)
{
    if (m_pages.isEmpty() || (height > remaining() && !atPageTop())) {
        startPage(m_pages.isEmpty() ? QString() : m_pages.back().footer);
    }
}

double PageBuilder::lineHeight(ReportFont font) const
{
    return metrics(font).height();
}

double PageBuilder::textHeight(const QString& text, double width, ReportFont font) const
{
    const QRectF box =
        metrics(font).boundingRect(QRectF(0, 0, width, m_content.height()), Qt::TextWordWrap, text);
    return std::max(box.height(), metrics(font).height());
}

void PageBuilder::gap(double lines)
{
    m_y = std::min(m_content.bottom(), m_y + lines * lineHeight(ReportFont::Body));
}

void PageBuilder::paragraph(const QString& text, ReportFont font, int align)
{
    const double height = textHeight(text, m_content.width(), font);
    const QRectF box = take(std::min(height, m_content.height()));
    PageItem item;
    item.rect = box;
    item.text = text;
    item.font = font;
    item.flags = align | Qt::TextWordWrap;
    item.clip = height > box.height();
    add(item);
}

double PageBuilder::rowHeight(const QVector<Column>& columns, const QStringList& cells,
                              ReportFont font) const
{
    const double pad = kPadLines * lineHeight(font);
    double share = 0;
    double height = 0;
    for (int i = 0; i < cells.size() && i < columns.size(); ++i) {
        const double span =
            i + 1 == cells.size() ? 1.0 - share : columns[i].share; // the last cell spans
        share += columns[i].share;
        height = std::max(height, textHeight(cells[i], span * m_content.width() - 2 * pad, font));
    }
    return std::min(height + 2 * pad, m_content.height() / 2);
}

double PageBuilder::tableHeight(const QVector<Column>& columns, const QVector<QStringList>& rows,
                                ReportFont font) const
{
    QStringList titles;
    for (const Column& c : columns) {
        titles << c.title;
    }
    double height = titles.join(QString()).isEmpty() ? 0 : rowHeight(columns, titles, font);
    for (const QStringList& cells : rows) {
        height += rowHeight(columns, cells, font);
    }
    return height;
}

void PageBuilder::placeRow(const QVector<Column>& columns, const QStringList& cells,
                           ReportFont font, double height)
{
    const double pad = kPadLines * lineHeight(font);
    double x = m_content.left();
    double share = 0;
    for (int i = 0; i < cells.size() && i < columns.size(); ++i) {
        const double span = i + 1 == cells.size() ? 1.0 - share : columns[i].share;
        share += columns[i].share;
        const QRectF cell(x, m_y, span * m_content.width(), height);
        x = cell.right();
        PageItem frame;
        frame.kind = PageItem::Kind::Frame;
        frame.rect = cell;
        add(frame);
        PageItem text;
        text.rect = cell.adjusted(pad, pad, -pad, -pad);
        text.text = cells[i];
        text.font = font;
        text.flags = columns[i].align | Qt::AlignVCenter | Qt::TextWordWrap;
        text.clip = textHeight(cells[i], text.rect.width(), font) > text.rect.height() + 1;
        add(text);
    }
    m_y += height;
}

void PageBuilder::table(const QVector<Column>& columns, const QVector<QStringList>& rows,
                        ReportFont font, bool continues)
{
    QStringList titles;
    for (const Column& c : columns) {
        titles << c.title;
    }
    const bool header = !titles.join(QString()).isEmpty();
    const double headerHeight = header ? rowHeight(columns, titles, font) : 0;
    bool needHeader = header && (!continues || atPageTop());
    for (const QStringList& cells : rows) {
        const double height = rowHeight(columns, cells, font);
        if (height + (needHeader ? headerHeight : 0) > remaining()) {
            ensure(m_content.height());
            needHeader = header;
        }
        if (needHeader) {
            placeRow(columns, titles, font, headerHeight);
            needHeader = false;
        }
        placeRow(columns, cells, font, height);
    }
}

QRectF PageBuilder::take(double height)
{
    ensure(height);
    const QRectF block(m_content.left(), m_y, m_content.width(), height);
    m_y += height;
    return block;
}

void PageBuilder::add(const PageItem& item)
{
    if (m_pages.isEmpty()) {
        startPage(QString());
    }
    m_pages.back().items.push_back(item);
}

void PageBuilder::signatures(const QStringList& labels, const QStringList& names)
{
    const double line = lineHeight(ReportFont::Body);
    const QRectF block = take(line * kSignatureLines);
    const double width = block.width() / std::max(1, static_cast<int>(labels.size()));
    for (int i = 0; i < labels.size(); ++i) {
        const QRectF slot(block.left() + i * width, block.top(), width, block.height());
        PageItem text;
        text.rect = slot;
        text.text = labels[i] + QStringLiteral("：") + names.value(i);
        text.flags = Qt::AlignLeft | Qt::AlignBottom;
        add(text);
        PageItem rule;
        rule.kind = PageItem::Kind::Rule;
        rule.rect = QRectF(slot.left(), slot.bottom(), slot.width() * kSignatureRule, 0);
        add(rule);
    }
}
