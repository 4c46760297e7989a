// Telemetry CSVs: the profile thinned to a point a second, a file still
// being written, damaged rows and files that are no telemetry, distances no
// crawler drives, and streams that never end.
#include "inspectionfiles.h"
#include "scratchfolder.h"
#include "telemetryfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace reviewtest;

constexpr int kRate = 20;
constexpr int kSeconds = 10;
// Angles and distances are written with two decimals.
constexpr double kWritten = 0.006;

class TelemetryFileTest : public ScratchFolder {
protected:
    QByteArray header() const
    {
        return "wall_time,video_time_s,distance_m,cable_m,roll_deg,pitch_deg,heading_deg,"
               "body_pressure_kpa,lens_pressure_kpa,body_temp_c,lens_temp_c,remote_state\n";
    }
};

TEST_F(TelemetryFileTest, ProfileKeepsAPointASecondAndTheLastRecord)
{
    QVector<TelemetryRow> rows;
    for (int i = 0; i <= kRate * kSeconds + 3; ++i) {
        const double t = static_cast<double>(i) / kRate;
        rows.push_back({t, 2.0 + t * 0.5, -t / 10, t / 20});
    }
    const QString file = path("A-1-2-20261207101530.csv");
    ASSERT_TRUE(writeTelemetry(file, QDateTime::currentDateTime(), rows));

    const TelemetryRead read = TelemetryFile::read(file);
    ASSERT_TRUE(read.usable);
    EXPECT_TRUE(read.problem.isEmpty()) << read.problem.toStdString();
    EXPECT_EQ(read.recording.name, "A-1-2-20261207101530");
    EXPECT_EQ(read.recording.csvFile, "A-1-2-20261207101530.csv");
    EXPECT_EQ(read.recording.startText, "2026-12-07 10:15:30");
    EXPECT_DOUBLE_EQ(read.recording.durationS, rows.last().videoTimeS);
    EXPECT_DOUBLE_EQ(read.recording.minDistanceM, 2.0);
    EXPECT_NEAR(read.recording.maxDistanceM, rows.last().distanceM, kWritten);
    ASSERT_EQ(read.profile.size(), kSeconds + 2);
    for (int s = 0; s <= kSeconds; ++s) {
        EXPECT_DOUBLE_EQ(read.profile[s].videoTimeS, s);
    }
    const ProfilePoint& last = read.profile.last();
    EXPECT_DOUBLE_EQ(last.videoTimeS, rows.last().videoTimeS);
    EXPECT_NEAR(last.rollDeg, rows.last().rollDeg, kWritten);
    EXPECT_NEAR(last.pitchDeg, rows.last().pitchDeg, kWritten);
}

TEST_F(TelemetryFileTest, QuotedFieldsEmptyValuesAndAnUnfinishedLastLine)
{
    const QString file =
        write("A-1-2-20261207101530.csv",
              header() + "\"2026-12-07T10:15:30.000+01:00\",0.000,1.00,1.05,\"0.50\",0.25,93,"
                         "101,101,30,30,0\r\n"
                         "2026-12-07T10:15:31.000+01:00,1.000,,,,,,,,,,255\n"
                         "2026-12-07T10:15:32.000+01:00,2.000,3.00,3.05,,0.75,93,101,101,30,30,0\n"
                         "2026-12-07T10:15:33.000+01:00,3.000,4.");
    const TelemetryRead read = TelemetryFile::read(file);
    ASSERT_TRUE(read.usable);
    EXPECT_TRUE(read.problem.isEmpty()) << read.problem.toStdString();
    ASSERT_EQ(read.profile.size(), 2);
    EXPECT_DOUBLE_EQ(read.profile[0].rollDeg, 0.5);
    EXPECT_DOUBLE_EQ(read.profile[1].distanceM, 3.0);
    EXPECT_FALSE(known(read.profile[1].rollDeg));
    EXPECT_DOUBLE_EQ(read.recording.durationS, 2.0);
    EXPECT_DOUBLE_EQ(read.recording.maxDistanceM, 3.0);
}

TEST_F(TelemetryFileTest, DamagedRowsAreCountedAndOtherFilesAreSkipped)
{
    const QString damaged = write("A-1-2-20261207101530.csv",
                                  header() + "t,0.000,1.00,1.05,0.5,0.25,93,101,101,30,30,0\n"
                                             "t,1.000,garbage,1.05,0.5,0.25,93,101,101,30,30,0\n"
                                             "t,2.000,2.00\n"
                                             "t,3.000,3.00,3.05,0.5,0.25,93,101,101,30,30,0\n");
    const TelemetryRead read = TelemetryFile::read(damaged);
    EXPECT_TRUE(read.usable);
    EXPECT_TRUE(read.problem.contains("2")) << read.problem.toStdString();
    EXPECT_EQ(read.profile.size(), 2);

    for (const QByteArray& text :
         {QByteArray("name,age\nx,1\n"), QByteArray(), QByteArray("wall_time,video_time_s")}) {
        const TelemetryRead other = TelemetryFile::read(write("other.csv", text));
        EXPECT_FALSE(other.usable) << text.toStdString();
        EXPECT_FALSE(other.problem.isEmpty());
    }
}

TEST_F(TelemetryFileTest, DistancesNoCrawlerDrivesSetNoLengthAndAreCounted)
{
    // 0 to 20 m in 40 s; the operator sets the distance to 100 m at 30 s.
    QVector<TelemetryRow> rows;
    for (int i = 0; i <= 40 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        rows.push_back({t, (t < 30 ? 0 : 70) + t / 2, 0.1, 0.2});
    }
    rows[100].distanceM = 99999999; // out of range
    rows[200].distanceM = 3000;     // a jump and back
    rows[201].distanceM = 3000.05;
    rows.insert(0, {0, 2500, 0, 0}); // a jump before the start
    const QString file = path("A-1-2-20261207101530.csv");
    ASSERT_TRUE(writeTelemetry(file, QDateTime::currentDateTime(), rows));

    const TelemetryRead read = TelemetryFile::read(file);
    ASSERT_TRUE(read.usable);
    EXPECT_TRUE(read.problem.contains("4 行的距离不可能")) << read.problem.toStdString();
    EXPECT_DOUBLE_EQ(read.recording.minDistanceM, 0);
    EXPECT_DOUBLE_EQ(read.recording.maxDistanceM, 90);
    ASSERT_FALSE(read.profile.isEmpty());
    for (const ProfilePoint& p : read.profile) {
        EXPECT_LE(p.distanceM, 90) << p.videoTimeS;
    }
    EXPECT_DOUBLE_EQ(read.profile.last().distanceM, 90);
}

TEST_F(TelemetryFileTest, EndlessStreamsAreReadWithinTheirBounds)
{
    // A link to a device that never ends, without a line break.
    const QString zero = path("A-1-2-20261207101530.csv");
    ASSERT_EQ(symlink("/dev/zero", zero.toLocal8Bit().constData()), 0);
    const TelemetryRead endless = TelemetryFile::read(zero);
    EXPECT_FALSE(endless.usable);
    EXPECT_TRUE(endless.problem.contains("第一行超过 64 KiB")) << endless.problem.toStdString();

    // A pipe that delivers good rows for as long as it is read.
    const QString pipe = path("A-1-2-20261207101531.csv");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    QVector<TelemetryRow> second;
    for (int i = 0; i < kRate; ++i) {
        second.push_back({static_cast<double>(i) / kRate, 1.0, 0.1, 0.2});
    }
    const QByteArray text = telemetryText(QDateTime::currentDateTime(), second);
    const QByteArray rows = text.mid(text.indexOf('\n') + 1);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        const int fd = ::open(pipe.toLocal8Bit().constData(), O_WRONLY);
        bool open = fd >= 0 && ::write(fd, text.constData(), text.size()) == text.size();
        while (open) {
            open = ::write(fd, rows.constData(), rows.size()) == rows.size();
        }
        ::close(fd);
    });
    const qint64 bound = 1 << 20;
    const TelemetryRead stream = TelemetryFile::read(pipe, bound);
    writer.join();
    std::signal(SIGPIPE, previous);
    EXPECT_TRUE(stream.usable);
    EXPECT_TRUE(stream.problem.contains("文件超过 1 MiB，其后未读"))
        << stream.problem.toStdString();
    EXPECT_EQ(stream.profile.size(), 1 + 1); // one distance: the first and the last row
}

} // namespace
