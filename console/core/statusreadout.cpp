#include "statusreadout.h"

#include "DisplayPanle.h"
#include "inspectionrecord.h"

#include <QCoreApplication>
#include <QLabel>

#include <cmath>

namespace {

constexpr int32_t kPascalPerKilopascal = 1000;
constexpr double kReelLength = 150.0; // metres of cable on the reel
constexpr int kDecimals = 2;

QString text(const char* source)
{
    return QCoreApplication::translate("DisplayPanle", source);
}

// A sensor's NaN or infinity shows as "--", never as "nan" or "inf".
QString decimal(double value)
{
    return std::isfinite(value) ? QString::number(value, 'f', kDecimals) : QStringLiteral("--");
}

// Integer division truncates toward zero: 999 Pa shows 0 kpa.
QString kilopascal(int32_t pascal)
{
    return QString::number(pascal / kPascalPerKilopascal);
}

} // namespace

StatusReadout StatusReadout::fromRecord(const LinkStatusRecord& record)
{
    StatusReadout readout;
    readout.cableLength = cableLengthMetres(record);
    readout.bodyAirPressure = text("车体气压：%1 kpa").arg(kilopascal(record.Car_Pressure));
    readout.lensAirPressure = text("镜头气压：%1 kpa").arg(kilopascal(record.Cam_Pressure));
    readout.bodyTemperature = text("车体温度：%1 ℃").arg(decimal(record.Car_temperature));
    readout.lensTemperature = text("镜头温度：%1 ℃").arg(decimal(record.Cam_temperature));
    readout.cableLengthText = text("线缆长度：%1 m").arg(decimal(readout.cableLength));
    readout.rollAngle = text("横滚角度：%1 °").arg(decimal(record.Angle_Roll));
    readout.pitchAngle = text("俯仰角度：%1 °").arg(decimal(record.Angle_Pitch));
    readout.headingAngle = text("航向角度：%1 °").arg(decimal(record.Angle_Yaw));
    // The crawl distance is the paid-out cable; more than the reel shows a negative remainder.
    readout.crawlDistance = text("爬行距离：%1 m").arg(decimal(readout.cableLength));
    readout.remainingCable = text("剩余线缆：%1 m").arg(decimal(kReelLength - readout.cableLength));
    readout.rollInstrument = -static_cast<double>(record.Angle_Pitch);
    readout.pitchInstrument = -static_cast<double>(record.Angle_Roll);
    return readout;
}

void showReadout(DisplayPanle& panel, const StatusReadout& readout)
{
    panel.m_pBodyAirPressure->setText(readout.bodyAirPressure);
    panel.m_pLensAirPressure->setText(readout.lensAirPressure);
    panel.m_pBodyTemperature->setText(readout.bodyTemperature);
    panel.m_pLensTemperature->setText(readout.lensTemperature);
    panel.m_pCableLength->setText(readout.cableLengthText);
    panel.m_pRollAngle->setText(readout.rollAngle);
    panel.m_pPitchAngle->setText(readout.pitchAngle);
    panel.m_pHeadingAngle->setText(readout.headingAngle);
    panel.m_pCrawlDistance->setText(readout.crawlDistance);
    panel.m_pRemainingCable->setText(readout.remainingCable);
}
