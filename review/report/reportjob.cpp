#include "reportjob.h"

#include "pagebuilder.h"
#include "pictureloader.h"
#include "profilechart.h"
#include "reportlayout.h"

#include <QElapsedTimer>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <limits>

namespace {

constexpr double kMarginMm = 15.0;
constexpr double kFooterLines = 2.5;
constexpr double kRuleMm = 0.2;
constexpr double kMillimetresPerInch = 25.4;
constexpr int kLayoutShare = 100; // of kProgressSteps
const QColor kPlaceholderColour(235, 235, 235);

} // namespace

ReportJob::ReportJob(QVector<SectionReport> sections, QString path)
    : m_sections(std::move(sections)), m_path(std::move(path))
{
}

ReportJob::~ReportJob()
{
    if (m_painter.isActive()) {
        m_painter.end();
    }
}

bool ReportJob::start()
{
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        fail(m_file->errorString());
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setResolution(kResolutionDpi);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                        QPageLayout::Millimeter));
    m_writer->setTitle(ReportLayout::title(m_sections));
    m_writer->setCreator(QStringLiteral("moravel-review"));
    m_page = QRectF(0, 0, m_writer->width(), m_writer->height());
    m_footerHeight =
        QFontMetricsF(reportFont(ReportFont::Small), m_writer.get()).height() * kFooterLines;
    m_content = m_page.adjusted(0, 0, 0, -m_footerHeight);
    m_builder = std::make_unique<PageBuilder>(m_writer.get(), m_content);
    m_layout = std::make_unique<ReportLayout>(m_sections, *m_builder);
    m_loader = std::make_unique<PictureLoader>(
        m_layout->picturePaths(),
        QSize(static_cast<int>(m_content.width()), static_cast<int>(m_content.height() / 2)));
    return true;
}

bool ReportJob::work(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_phase != Phase::Done && !failed()) {
        const int left = budgetMs - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            return true;
        }
        if (m_phase == Phase::Layout) {
            if (!m_layout->next()) {
                m_pages = m_builder->pages();
                m_phase = Phase::Paint;
                if (!m_painter.begin(m_writer.get())) {
                    fail(tr("无法开始绘制"));
                }
            }
        } else if (m_painted == m_pages.size()) {
            m_phase = finish() ? Phase::Done : m_phase;
        } else if (!paintPage(left)) {
            return true; // a picture is still being read
        }
    }
    return false;
}

int ReportJob::progress() const
{
    if (m_phase == Phase::Layout) {
        return m_layout == nullptr || m_layout->steps() == 0
                   ? 0
                   : kLayoutShare * m_layout->done() / m_layout->steps();
    }
    return m_pages.isEmpty() ? kProgressSteps
                             : kLayoutShare + (kProgressSteps - kLayoutShare) * m_painted /
                                                  static_cast<int>(m_pages.size());
}

bool ReportJob::paintPage(int waitMs)
{
    const ReportPage& page = m_pages[m_painted];
    m_pictures.resize(page.items.size());
    for (; m_nextItem < page.items.size(); ++m_nextItem) {
        const PageItem& item = page.items[m_nextItem];
        if (item.kind == PageItem::Kind::Picture &&
            !m_loader->take(item.picture, waitMs, &m_pictures[m_nextItem])) {
            return false;
        }
    }
    if (m_painted > 0 && !m_writer->newPage()) {
        fail(tr("无法开始新的一页"));
        return true;
    }
    QPen rule(Qt::black);
    rule.setWidthF(kRuleMm / kMillimetresPerInch * kResolutionDpi);
    m_painter.setPen(rule);
    for (int i = 0; i < page.items.size(); ++i) {
        paintItem(page.items[i], m_pictures[i]);
    }
    m_pictures.clear();
    m_nextItem = 0;
    m_painter.setFont(reportFont(ReportFont::Small));
    const QRectF footer(m_page.left(), m_content.bottom(), m_page.width(), m_footerHeight);
    m_painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, page.footer);
    m_painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                       tr("第 %1 页 / 共 %2 页").arg(m_painted + 1).arg(m_pages.size()));
    ++m_painted;
    return true;
}

void ReportJob::paintItem(const PageItem& item, const QImage& picture)
{
    switch (item.kind) {
    case PageItem::Kind::Text:
        m_painter.save();
        if (item.clip) {
            m_painter.setClipRect(item.rect);
        }
        m_painter.setFont(reportFont(item.font));
        m_painter.drawText(item.rect, item.flags, item.text);
        m_painter.restore();
        break;
    case PageItem::Kind::Frame:
        m_painter.drawRect(item.rect);
        break;
    case PageItem::Kind::Rule:
        m_painter.drawLine(item.rect.topLeft(), item.rect.topRight());
        break;
    case PageItem::Kind::Picture:
        if (picture.isNull()) {
            m_painter.fillRect(item.rect, kPlaceholderColour);
            m_painter.setFont(reportFont(ReportFont::Body));
            m_painter.drawText(item.rect, Qt::AlignCenter, tr("图片无法读取"));
        } else {
            const QSizeF shown =
                QSizeF(picture.size()).scaled(item.rect.size(), Qt::KeepAspectRatio);
            m_painter.drawImage(QRectF(item.rect.left() + (item.rect.width() - shown.width()) / 2,
                                       item.rect.top(), shown.width(), shown.height()),
                                picture);
        }
        break;
    case PageItem::Kind::Chart:
        m_painter.save();
        m_painter.setFont(reportFont(ReportFont::Small));
        ProfileChart(m_sections[item.section].profile).paint(m_painter, item.rect);
        m_painter.restore();
        break;
    }
}

bool ReportJob::finish()
{
    if (!m_painter.end() || !m_file->commit()) {
        fail(m_file->errorString());
        return false;
    }
    return true;
}

void ReportJob::fail(const QString& what)
{
    m_error = tr("无法写入 %1：%2").arg(m_path, what);
}

bool ReportJob::write(QVector<SectionReport> sections, const QString& path, QString* error)
{
    ReportJob job(std::move(sections), path);
    if (job.start()) {
        while (job.work(std::numeric_limits<int>::max())) {
        }
    }
    *error = job.error();
    return !job.failed();
}
