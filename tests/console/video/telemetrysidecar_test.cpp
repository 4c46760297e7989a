#include "telemetrysidecar.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {

TelemetrySample sampleAt(double distance)
{
    TelemetrySample sample;
    sample.wallTime = QDateTime(QDate(2026, 12, 7), QTime(10, 15, 30, 5), Qt::OffsetFromUTC, 28800);
    sample.distanceM = distance;
    sample.cableM = 12.4;
    sample.rollDeg = -0.0799999982;
    sample.pitchDeg = 0.05;
    sample.headingDeg = 93.1;
    sample.bodyPressureKpa = 101.325;
    sample.lensPressureKpa = -0.999;
    sample.bodyTempC = 21.5;
    sample.lensTempC = std::nan("");
    sample.remoteState = 255;
    return sample;
}

QByteArray fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(TelemetrySidecar, RowHasTheDocumentedColumnsAndLeavesValuesThatAreNotFiniteEmpty)
{
    EXPECT_EQ(TelemetrySidecar::row(sampleAt(12.354), 15.2344),
              QByteArray("2026-12-07T10:15:30.005+08:00,15.234,12.35,12.40,-0.08,0.05,93.10,"
                         "101.325,-0.999,21.50,,255\n"));
    EXPECT_EQ(QByteArray(TelemetrySidecar::kHeader).count(','),
              TelemetrySidecar::row(sampleAt(1), 0).count(','));
}

TEST(TelemetrySidecar, CueShowsTheNewestRecordAtItsStart)
{
    EXPECT_EQ(TelemetrySidecar::cueText(sampleAt(12.354)),
              QStringLiteral("12.35 M  横滚 -0.08°  俯仰 0.05°"));
    TelemetrySample unknown = sampleAt(std::nan(""));
    unknown.rollDeg = INFINITY;
    EXPECT_EQ(TelemetrySidecar::cueText(unknown), QStringLiteral("-- M  横滚 --°  俯仰 0.05°"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TelemetrySidecar sidecar(dir.filePath(QStringLiteral("a.csv")));
    using std::chrono::milliseconds;
    EXPECT_EQ(sidecar.cueAt(milliseconds(0)), std::string()); // before the first record
    sidecar.add(sampleAt(1), milliseconds(200));
    sidecar.add(sampleAt(2), milliseconds(1000));
    sidecar.add(sampleAt(3), milliseconds(1700));
    EXPECT_EQ(sidecar.cueAt(milliseconds(0)), std::string());
    EXPECT_EQ(sidecar.cueAt(milliseconds(1000)).substr(0, 6), "2.00 M");
    EXPECT_EQ(sidecar.cueAt(milliseconds(2000)).substr(0, 6), "3.00 M");
    EXPECT_EQ(sidecar.cueAt(milliseconds(3000)).substr(0, 6), "3.00 M");
}

TEST(TelemetrySidecar, RowsReachTheFileWhenFlushedAndNeverReplaceAnOlderFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.csv"));
    {
        TelemetrySidecar sidecar(path);
        sidecar.add(sampleAt(1), std::chrono::milliseconds(50));
        sidecar.flush();
        EXPECT_EQ(fileText(path),
                  TelemetrySidecar::kHeader + TelemetrySidecar::row(sampleAt(1), 0.05));
        sidecar.add(sampleAt(2), std::chrono::milliseconds(100));
    } // closing flushes the rest
    const QByteArray written = fileText(path);
    EXPECT_EQ(written.count('\n'), 3);

    // A second sidecar at the same name keeps the first file and writes nothing.
    TelemetrySidecar second(path);
    second.add(sampleAt(3), std::chrono::milliseconds(0));
    second.sync();
    EXPECT_EQ(fileText(path), written);
    EXPECT_EQ(second.cueAt(std::chrono::milliseconds(0)).substr(0, 6), "3.00 M");
}

} // namespace
