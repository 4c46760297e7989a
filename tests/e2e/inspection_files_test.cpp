// The files an inspection leaves behind, read with standard tools: the whole
// console in this process on a private X display, crawler-sim on 127.0.0.1
// driving forward and a simulated 1920 x 1080 main camera. A 12 s recording
// with a snapshot in it leaves an MP4 with subtitles and the project's tags,
// its telemetry CSV and a snapshot whose record names the recording.
#include "ColorButton.h"
#include "ConsoleOnSim.h"
#include "mediaprobe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

namespace {

using consoletest::DebugCapture;
using consoletest::waitUntil;

constexpr int kForward = 3;
constexpr int kRecordMs = 12000;
constexpr int kRecordsPerSecond = 20;
// The overlay's distance on a 1596 x 1080 frame: the lowest text row.
const char* const kDistanceCrop = "crop=420:80:140:995";
// The overlay and the telemetry may differ by a record or two.
constexpr double kDistanceTolerance = 0.05;
constexpr double kOffsetTolerance = 0.1;
constexpr int kOcrTries = 4;
constexpr double kOcrStep = 0.3;
constexpr double kFrameSeconds = 0.04;

struct TelemetryRow {
    QDateTime wallTime;
    double videoTime = 0;
    QString distance;
};

std::vector<TelemetryRow> telemetryRows(const QString& path)
{
    QFile file(path);
    std::vector<TelemetryRow> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(',');
        rows.push_back(
            {QDateTime::fromString(QString::fromUtf8(fields.value(0)), Qt::ISODateWithMs),
             fields.value(1).toDouble(), QString::fromUtf8(fields.value(2))});
    }
    return rows;
}

// The newest row received at or before the video time.
std::optional<TelemetryRow> rowAt(const std::vector<TelemetryRow>& rows, double videoTime)
{
    std::optional<TelemetryRow> newest;
    for (const TelemetryRow& row : rows)
        if (row.videoTime <= videoTime)
            newest = row;
    return newest;
}

// The crawl distance the overlay shows at the video time, as OCR (one line
// of digits) reads it.
std::optional<double> overlayDistanceAt(const QString& video, double seconds)
{
    QTemporaryDir dir;
    const std::string png = dir.filePath(QStringLiteral("distance.png")).toStdString();
    // White text made black on white for the OCR.
    runCommand("ffmpeg -v error -ss " + std::to_string(seconds) + " -i '" + video.toStdString() +
               "' -frames:v 1 -vf \"" + kDistanceCrop +
               ",format=gray,lutyuv=y='if(gt(val,200),0,255)'\" -y '" + png + "'");
    const std::string read = runCommand("tesseract '" + png +
                                        "' stdout -l eng --psm 7 -c "
                                        "tessedit_char_whitelist=0123456789.M 2>/dev/null");
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("(\\d+\\.\\d\\d) ?M"))
                                              .match(QString::fromStdString(read));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

class InspectionFiles : public consoletest::ConsoleOnSim {
protected:
    static QString saveFolder() { return testenv::home() + "/savevideo/"; }
    static QStringList saved(const char* pattern)
    {
        return QDir(saveFolder()).entryList({pattern}, QDir::Files, QDir::Name);
    }

    DebugCapture debug;
};

TEST_F(InspectionFiles, ARecordingAndItsSnapshotCarryTheirRecord)
{
    SetQStringFromIni("/lognone/ip", "sim:main?w=1920&h=1080&fps=25");
    SetQStringFromIni("/logntwo/ip", "sim:back?w=320&h=240&fps=25");
    SetQStringFromIni("/came/fps", "25");
    SetQStringFromIni("/systemconfig/startflag", "1");
    SetQStringFromIni("/systemconfig/location", QStringLiteral("滨江路"));
    SetQStringFromIni("/systemconfig/startwellno", "Y12");
    SetQStringFromIni("/systemconfig/endwellno", "Y13");
    SetQStringFromIni("/systemconfig/inspector", QStringLiteral("张伟"));
    startConsole();
    ASSERT_FALSE(QGuiApplication::platformName() == "offscreen") << "needs an X display";
    ASSERT_TRUE(waitUntil([&] { return console->cameraLogins().allLoggedIn(); }));

    // Forward at half speed; recording (once a frame is there) with a snapshot half way.
    sliderToHalf("speedSlider");
    clickPad("drivePad", kForward);
    ASSERT_TRUE(startRecording());
    QTest::qWait(kRecordMs / 2);
    QTest::mouseClick(key(2), Qt::LeftButton);
    QTest::qWait(kRecordMs / 2);
    QTest::mouseClick(key(1), Qt::LeftButton);
    clickPad("drivePad", kForward);
    ASSERT_TRUE(waitUntil([&] {
        return DebugCapture::contains(QStringLiteral("StartOrStopSaveVideo output release"));
    }));
    ASSERT_TRUE(waitUntil([&] { return saved("*.jpg").size() == 1; }));
    ASSERT_EQ(saved("*.mp4").size(), 1);
    ASSERT_EQ(saved("*.csv").size(), 1);
    const QString mp4 = saved("*.mp4").front();
    const QString video = saveFolder() + mp4;
    EXPECT_EQ(saved("*.csv").front(), mp4.chopped(4) + ".csv");

    // The video, its subtitles and the project in the header.
    EXPECT_EQ(probeStream(video.toStdString(), "v", "codec_tag_string").at("codec_tag_string"),
              "mp4v");
    EXPECT_EQ(probeStream(video.toStdString(), "s", "codec_name").at("codec_name"), "mov_text");
    const QJsonObject tags = formatTags(video.toStdString());
    EXPECT_EQ(tags.value("location").toString(), QStringLiteral("滨江路"));
    EXPECT_EQ(tags.value("startwellno").toString(), QStringLiteral("Y12"));
    EXPECT_EQ(tags.value("inspector").toString(), QStringLiteral("张伟"));

    // Twenty rows a second, over the whole recording, as the crawler drove on.
    const auto rows = telemetryRows(saveFolder() + saved("*.csv").front());
    const double length = probedDuration(video.toStdString());
    EXPECT_NEAR(length, kRecordMs / 1000.0, 2.0);
    EXPECT_NEAR(static_cast<double>(rows.size()), length * kRecordsPerSecond,
                length * kRecordsPerSecond * 0.15);
    ASSERT_GT(rows.size(), 2u);
    EXPECT_LT(rows.front().videoTime, 0.3);
    EXPECT_GT(rows.back().videoTime, length - 0.3);
    EXPECT_GT(rows.back().distance.toDouble(), rows.front().distance.toDouble());

    // What the picture shows is what the telemetry says (OCR may miss or
    // misread a frame over a bright patch of the pipe: a reading counts when
    // the next frame reads the same).
    for (double second : {3.0, 6.0, 9.0}) {
        std::optional<double> shown;
        double at = second;
        for (int tried = 0; tried < kOcrTries; ++tried, at += kOcrStep) {
            shown = overlayDistanceAt(video, at);
            const auto next = overlayDistanceAt(video, at + kFrameSeconds);
            if (shown && next && std::abs(*next - *shown) <= kDistanceTolerance)
                break;
            shown.reset();
        }
        const auto row = rowAt(rows, at);
        ASSERT_TRUE(row.has_value()) << at;
        ASSERT_TRUE(shown.has_value()) << "no distance read from " << second << " s";
        EXPECT_NEAR(*shown, row->distance.toDouble(), kDistanceTolerance) << at;
    }
    // A subtitle each second, over the whole recording.
    EXPECT_GE(subtitleCues(video.toStdString()).size(), static_cast<size_t>(length) - 1);

    // The snapshot names the recording and where in it it was taken.
    const QString picture = saveFolder() + saved("*.jpg").front();
    const QJsonObject record =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(runCommand("rdjpgcom -raw '" + picture.toStdString() + "'")))
            .object();
    const QJsonObject recording = record.value("recording").toObject();
    EXPECT_EQ(recording.value("file").toString(), mp4);
    const QDateTime taken =
        QDateTime::fromString(record.value("time").toString(), Qt::ISODateWithMs);
    const auto nearest =
        std::min_element(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
            return std::abs(a.wallTime.msecsTo(taken)) < std::abs(b.wallTime.msecsTo(taken));
        });
    const double expected = nearest->videoTime + nearest->wallTime.msecsTo(taken) / 1000.0;
    EXPECT_NEAR(recording.value("offset_s").toDouble(), expected, kOffsetTolerance);
    EXPECT_TRUE(picture.contains(QString::number(record.value("distance_m").toDouble(), 'f', 2) +
                                 QStringLiteral("M-")))
        << picture.toStdString();
}

} // namespace
