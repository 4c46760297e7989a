#include "inspectionrecord.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace {

TEST(InspectionRecord, WallTimesCarryMillisecondsAndTheirUtcOffset)
{
    const QDate day(2026, 12, 7);
    const QTime time(10, 15, 30, 123);
    EXPECT_EQ(isoWallTime(QDateTime(day, time, Qt::OffsetFromUTC, 3600)),
              QStringLiteral("2026-12-07T10:15:30.123+01:00"));
    EXPECT_EQ(isoWallTime(QDateTime(day, time, Qt::OffsetFromUTC, -(3 * 3600 + 1800))),
              QStringLiteral("2026-12-07T10:15:30.123-03:30"));
    EXPECT_EQ(isoWallTime(QDateTime(day, time, Qt::UTC)),
              QStringLiteral("2026-12-07T10:15:30.123+00:00"));
}

TEST(InspectionRecord, SampleShowsTheDistanceThroughTheCalibrationAndPressuresInKilopascal)
{
    LinkStatusRecord record{};
    record.Wir_length = 1225; // 12.25 m of cable
    record.Car_Pressure = 101325;
    record.Cam_Pressure = -999;
    record.Angle_Yaw = 93.1F;
    record.NRF_Status = 255;
    DistanceCalibration calibration;
    calibration.m_dCurrentReading = 99.0; // an older reading: the record's cable counts
    calibration.m_dZeroReference = 2.0;
    calibration.m_dStartDistance = 0.5;
    const TelemetrySample sample =
        telemetrySample(record, calibration, QDateTime(), RecordingClock::time_point());
    EXPECT_EQ(sample.cableM, static_cast<float>(12.25));
    EXPECT_NEAR(sample.distanceM, 10.75, 1e-6);
    EXPECT_EQ(sample.bodyPressureKpa, 101.325);
    EXPECT_EQ(sample.lensPressureKpa, -0.999);
    EXPECT_EQ(sample.headingDeg, 93.1F);
    EXPECT_EQ(sample.remoteState, 255);
    calibration.m_dZeroReference = 20.0; // never below 0
    EXPECT_EQ(telemetrySample(record, calibration, QDateTime(), {}).distanceM, 0.0);
}

TEST(InspectionRecord, ProjectFieldsAreTheTwelveKeysInOrderWithTheShownMaterial)
{
    ProjectInfo info;
    info.m_strLocation = QStringLiteral("人民路");
    info.m_strPipMeterial = QStringLiteral("玻璃钢");
    info.m_strFontType = QStringLiteral("宋体"); // not a project field
    const auto fields = projectFields(info);
    QStringList keys;
    for (const auto& field : fields)
        keys << field.first;
    EXPECT_EQ(keys, QStringList({"unitcompany", "inspector", "no", "taskname", "location",
                                 "startwellno", "endwellno", "pipdiameter", "direction", "piptype",
                                 "pipmeterial", "description"}));
    EXPECT_EQ(fields[4].second, info.m_strLocation);
    EXPECT_EQ(fields[10].second, info.m_strPipMeterial);
}

} // namespace
