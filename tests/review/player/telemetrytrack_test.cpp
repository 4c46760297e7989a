// The telemetry at the playhead: the row at or before a moment, rows that
// cannot be read skipped and counted, values beyond reason unknown.
#include "scratchfolder.h"
#include "telemetrytrack.h"

namespace {

using TelemetryTrackTest = reviewtest::ScratchFolder;

TEST_F(TelemetryTrackTest, TheRowAtOrBeforeAMoment)
{
    const QByteArray header =
        "wall_time,video_time_s,distance_m,cable_m,roll_deg,pitch_deg,heading_deg,"
        "body_pressure_kpa,lens_pressure_kpa,body_temp_c,lens_temp_c,remote_state\n";
    const QByteArray wall = "2026-12-07T10:15:30.123+01:00";
    const QString csv = write(
        "a.csv", header + wall + ",0.130,1.00,1.05,-0.08,0.05,93.10,101.3,101.2,31.5,30.2,0\n" +
                     wall + ",0.180,1.01,1.06,,0.06,93.10,101.3,101.2,31.5,30.2,0\n" + wall +
                     ",0.2x0,1.02,1.07,0,0,0,0,0,0,0,0\n" + // damaged
                     QByteArray(TelemetryTrack::kMaxLineBytes + 10, '9') + "\n" + wall +
                     ",\"0.230\",1e300,1.08,0.1,0.1,93.10,101.3,101.2,31.5,30.2,255\n" + wall +
                     ",0.280,1.04,1.09,0.1,0.1,93.1"); // still being written
    const TelemetryTrack track = TelemetryTrack::read(csv);
    ASSERT_EQ(track.size(), 3);
    EXPECT_EQ(track.problem(), "2 行无法读取，已略过");
    EXPECT_EQ(track.at(0.129), nullptr);
    ASSERT_NE(track.at(0.13), nullptr);
    EXPECT_EQ(track.at(0.13)->distanceM, 1.00);
    EXPECT_EQ(track.at(0.1799)->distanceM, 1.00);
    EXPECT_EQ(track.at(0.18)->distanceM, 1.01);
    EXPECT_FALSE(known(track.at(0.2)->rollDeg)) << "empty: unknown";
    EXPECT_FALSE(known(track.at(0.23)->distanceM)) << "beyond reason: unknown";
    EXPECT_EQ(track.at(0.23)->cableM, 1.08);
    EXPECT_EQ(track.at(3600)->videoTimeS, 0.23);

    EXPECT_TRUE(TelemetryTrack::read(QString()).problem().isEmpty()) << "no CSV: no problem";
    EXPECT_FALSE(TelemetryTrack::read(path("missing.csv")).problem().isEmpty());
    EXPECT_TRUE(TelemetryTrack::read(write("b.csv", "a,b\n1,2\n")).isEmpty());
}

} // namespace
