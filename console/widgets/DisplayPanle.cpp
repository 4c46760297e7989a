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

    // Each label asks for the room of its widest ordinary value (pressures of
    // -1500 kPa, -40 to 125 °C, angles of -179.99°, 9999.99 m of cable); an
    // absurd one is cut rather than pushing the console's layout about.
    const auto label = [this](const QString& placeholder, const QStringList& widest) {
        return new ElidedLabel(placeholder, widest, this);
    };
    m_pBodyAirPressure = label(tr("车体气压：____kpa"), {tr("车体气压：-1500 kpa")});
    m_pLensAirPressure = label(tr("镜头气压：____kpa"), {tr("镜头气压：-1500 kpa")});
    m_pBodyTemperature =
        label(tr("车体温度：____℃"), {tr("车体温度：-40.00 ℃"), tr("车体温度：125.00 ℃")});
    m_pLensTemperature =
        label(tr("镜头温度：____℃"), {tr("镜头温度：-40.00 ℃"), tr("镜头温度：125.00 ℃")});
    m_pCableLength = label(tr("线缆长度：____m"), {tr("线缆长度：9999.99 m")});
    m_pRollAngle = label(tr("横滚角度：____°"), {tr("横滚角度：-179.99 °")});
    m_pPitchAngle = label(tr("俯仰角度：____°"), {tr("俯仰角度：-179.99 °")});
    m_pHeadingAngle = label(tr("航向角度：____°"), {tr("航向角度：-179.99 °")});
    m_pCrawlDistance = label(tr("爬行距离：____m"), {tr("爬行距离：9999.99 m")});
    m_pRemainingCable = label(tr("剩余线缆：____m"), {tr("剩余线缆：-9849.99 m")});

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
