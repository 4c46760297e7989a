#include "DisplayPanle.h"

#include "ElidedLabel.h"
#include "LightButton.h"
#include "PanelFrame.h"

#include <QGridLayout>
#include <QLabel>

#include <iterator>

namespace {
constexpr int kRows = 7;
constexpr int kColumns = 6;
constexpr int kHalf = 3;
constexpr int kFirstValueRow = 2;
constexpr int kCaptionWidth = 80;
constexpr int kCaptionHeight = 30;
constexpr int kFontPoints = 10;
const QColor kBackground(128, 128, 128);
const QColor kLampOff(255, 0, 0);
} // namespace

DisplayPanle::DisplayPanle(QWidget* parent) : QWidget(parent)
{
    makeFramelessPanel(*this, kBackground);

    m_pRemotePicture = new QLabel(this);
    m_pRemotePicture->setPixmap(QPixmap(QStringLiteral(":/images/Others/remotectrl.png")));
    m_pRemotePicture->setScaledContents(true);

    m_pRemoteLamp = new LightButton(this);
    m_pRemoteLamp->setBgColor(kLampOff);

    m_pRemoteStatus = new QLabel(tr("未连接"), this);
    m_pRemoteStatus->setStyleSheet(
        QStringLiteral("QLabel{font-size:16px;font-weight:bold;background-color:rgb(77,77,77);"
                       "border-radius:15px;color:rgb(217,217,217)}"));
    m_pRemoteStatus->setFixedSize(kCaptionWidth, kCaptionHeight);
    m_pRemoteStatus->setAlignment(Qt::AlignCenter);

    setFont(QFont(QStringLiteral("Arial"), kFontPoints, -1, false));

    // Whatever the crawler reports, the values keep the placeholders' room.
    m_pBodyAirPressure = new ElidedLabel(tr("车体气压：____kpa"), this);
    m_pLensAirPressure = new ElidedLabel(tr("镜头气压：____kpa"), this);
    m_pBodyTemperature = new ElidedLabel(tr("车体温度：____℃"), this);
    m_pLensTemperature = new ElidedLabel(tr("镜头温度：____℃"), this);
    m_pCableLength = new ElidedLabel(tr("线缆长度：____m"), this);
    m_pRollAngle = new ElidedLabel(tr("横滚角度：____°"), this);
    m_pPitchAngle = new ElidedLabel(tr("俯仰角度：____°"), this);
    m_pHeadingAngle = new ElidedLabel(tr("航向角度：____°"), this);
    m_pCrawlDistance = new ElidedLabel(tr("爬行距离：____m"), this);
    m_pRemainingCable = new ElidedLabel(tr("剩余线缆：____m"), this);

    auto* layout = new QGridLayout(this);
    layout->setObjectName(QStringLiteral("mainLayout"));
    layout->addWidget(m_pRemotePicture, 0, 0, 2, kHalf);
    layout->addWidget(m_pRemoteLamp, 0, kHalf, 1, kHalf, Qt::AlignHCenter);
    layout->addWidget(m_pRemoteStatus, 1, kHalf, 1, kHalf, Qt::AlignHCenter);
    // Left: pressures, temperatures, cable; right: attitude, distance, reel.
    QLabel* const left[] = {m_pBodyAirPressure, m_pLensAirPressure, m_pBodyTemperature,
                            m_pLensTemperature, m_pCableLength};
    QLabel* const right[] = {m_pRollAngle, m_pPitchAngle, m_pHeadingAngle, m_pCrawlDistance,
                             m_pRemainingCable};
    for (int i = 0; i < static_cast<int>(std::size(left)); ++i) {
        layout->addWidget(left[i], kFirstValueRow + i, 0, 1, kHalf);
        layout->addWidget(right[i], kFirstValueRow + i, kHalf, 1, kHalf);
    }
    for (int row = 0; row < kRows; ++row)
        layout->setRowStretch(row, 1);
    for (int column = 0; column < kColumns; ++column)
        layout->setColumnStretch(column, 1);
}
