#include "inspectionrecord.h"

namespace {

constexpr double kCentimetresPerMetre = 100.0;
constexpr double kPascalPerKilopascal = 1000.0;

} // namespace

double cableLengthMetres(const LinkStatusRecord& record)
{
    return static_cast<float>(record.Wir_length / kCentimetresPerMetre);
}

TelemetrySample telemetrySample(const LinkStatusRecord& record,
                                const DistanceCalibration& calibration, const QDateTime& wallTime,
                                RecordingClock::time_point at)
{
    TelemetrySample sample;
    sample.wallTime = wallTime;
    sample.at = at;
    sample.cableM = cableLengthMetres(record);
    DistanceCalibration atRecord = calibration;
    atRecord.m_dCurrentReading = sample.cableM;
    sample.distanceM = shownDistance(atRecord);
    sample.rollDeg = record.Angle_Roll;
    sample.pitchDeg = record.Angle_Pitch;
    sample.headingDeg = record.Angle_Yaw;
    sample.bodyPressureKpa = record.Car_Pressure / kPascalPerKilopascal;
    sample.lensPressureKpa = record.Cam_Pressure / kPascalPerKilopascal;
    sample.bodyTempC = record.Car_temperature;
    sample.lensTempC = record.Cam_temperature;
    sample.remoteState = record.NRF_Status;
    return sample;
}

std::vector<std::pair<QString, QString>> projectFields(const ProjectInfo& info)
{
    return {
        {QStringLiteral("unitcompany"), info.m_strUnitCompany},
        {QStringLiteral("inspector"), info.m_strInspector},
        {QStringLiteral("no"), info.m_strNo},
        {QStringLiteral("taskname"), info.m_strTaskName},
        {QStringLiteral("location"), info.m_strLocation},
        {QStringLiteral("startwellno"), info.m_strStartWellNo},
        {QStringLiteral("endwellno"), info.m_strEndWellNo},
        {QStringLiteral("pipdiameter"), info.m_strPipDiameter},
        {QStringLiteral("direction"), info.m_strDirection},
        {QStringLiteral("piptype"), info.m_strPipType},
        {QStringLiteral("pipmeterial"), info.m_strPipMeterial},
        {QStringLiteral("description"), info.m_strDescription},
    };
}
