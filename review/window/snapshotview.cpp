#include "snapshotview.h"

#include "reportdata.h"

#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumPictureWidth = 320;
constexpr int kMinimumPictureHeight = 180;

QString degrees(double value)
{
    return known(value) ? QString::number(value, 'f', 2) + QStringLiteral("°")
                        : QStringLiteral("—");
}

} // namespace

SnapshotView::SnapshotView(QWidget* parent)
    : QWidget(parent), m_picture(new QLabel(this)), m_info(new QLabel(this))
{
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(kMinimumPictureWidth, kMinimumPictureHeight);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_info->setObjectName(QStringLiteral("snapshotInfo"));
    m_info->setWordWrap(true);
    m_info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_info);
}

void SnapshotView::showSnapshot(const Snapshot& s, const QString& path)
{
    QImageReader reader(path);
    m_image = reader.read();
    if (m_image.isNull()) {
        m_picture->setText(tr("图片无法读取：%1").arg(reader.errorString()));
    }
    QStringList parts{tr("距离 %1 m").arg(ReportTexts::metres(s.distanceM)), s.timeText,
                      tr("横滚 %1").arg(degrees(s.rollDeg)),
                      tr("俯仰 %1").arg(degrees(s.pitchDeg))};
    if (known(s.headingDeg)) {
        parts << tr("航向 %1").arg(degrees(s.headingDeg));
    }
    if (!s.recording.isEmpty()) {
        parts << (known(s.offsetS)
                      ? tr("录像 %1 第 %2 秒").arg(s.recording).arg(s.offsetS, 0, 'f', 1)
                      : tr("录像 %1").arg(s.recording));
    }
    parts << s.file;
    m_info->setText(parts.join(QStringLiteral("　")));
    fit();
}

void SnapshotView::clear()
{
    m_image = QImage();
    m_picture->clear();
    m_info->clear();
}

QString SnapshotView::infoText() const
{
    return m_info->text();
}

void SnapshotView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fit();
}

void SnapshotView::fit()
{
    if (!m_image.isNull()) {
        m_picture->setPixmap(QPixmap::fromImage(
            m_image.scaled(m_picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}
