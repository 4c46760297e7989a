#include "snapshot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 41, 5, 123));
const SnapshotRecord kAtNow{kNow, std::nullopt, QString(), 0};

ProjectInfo projectA()
{
    ProjectInfo info;
    info.m_strLocation = QStringLiteral("A");
    info.m_strStartWellNo = QStringLiteral("1");
    info.m_strEndWellNo = QStringLiteral("2");
    return info;
}

TEST(Snapshot, WritesTheFrameAsJpegNamedAfterProjectDistanceAndTime)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    const cv::Mat frame(720, 1596, CV_8UC3, cv::Scalar(30, 120, 200));
    const QString path = SavePicture(frame, folder, projectA(), QStringLiteral("10.75"), kAtNow);
    EXPECT_EQ(path, folder + QStringLiteral("A-1-2-10.75M-20261207094105.jpg"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("A-1-2-10.75M-20261207094105.jpg")});
    const cv::Mat read = cv::imread(path.toStdString());
    ASSERT_EQ(read.size(), frame.size());
    EXPECT_LT(cv::norm(read, frame, cv::NORM_INF), 8);
}

TEST(Snapshot, ASecondSnapshotInTheSameSecondKeepsTheFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const QString first = SavePicture(frame, folder, projectA(), QStringLiteral("1.00"), kAtNow);
    const QString second = SavePicture(frame, folder, projectA(), QStringLiteral("1.00"), kAtNow);
    EXPECT_EQ(second, folder + QStringLiteral("A-1-2-1.00M-20261207094105-2.jpg"));
    EXPECT_NE(first, second);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(Snapshot, IsCreatedWithTheProcesssFileModeAsRecordingsAre)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const mode_t before = umask(0);
    for (const mode_t mask : {mode_t{022}, mode_t{027}}) {
        umask(mask);
        const QString path = SavePicture(frame, folder, projectA(), QString::number(mask), kAtNow);
        struct stat info {};
        ASSERT_EQ(stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << std::oct << mask;
    }
    umask(before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(Snapshot, ANameAsLongAsNamesMayBeIsWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProjectInfo info = projectA();
    info.m_strLocation = QStringLiteral("人民路北段雨水管道检测").repeated(10);
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const QString path =
        SavePicture(frame, dir.path() + QLatin1Char('/'), info, QStringLiteral("1.00"), kAtNow);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_GE(QFileInfo(path).fileName().toUtf8().size(), 250);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(Snapshot, NothingIsWrittenBeforeTheFirstFrame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(SavePicture(cv::Mat(), dir.path() + QLatin1Char('/'), projectA(),
                            QStringLiteral("10.75"), kAtNow)
                    .isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(Snapshot, HostileFieldsStillWriteInsideTheFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/inner/");
    ASSERT_TRUE(QDir().mkpath(folder));
    ProjectInfo info;
    info.m_strLocation = QStringLiteral("../../x");
    info.m_strStartWellNo = QStringLiteral("a/b");
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const QString path = SavePicture(frame, folder, info, QStringLiteral("1.00"), kAtNow);
    ASSERT_FALSE(path.isEmpty());
    // Hidden files too: none may be there.
    const auto files = QDir::Files | QDir::Hidden;
    EXPECT_EQ(QDir(folder).entryList(files),
              QStringList{QStringLiteral("_._.._x-a_b--1.00M-20261207094105.jpg")});
    EXPECT_TRUE(QDir(dir.path()).entryList(files).isEmpty());
}

TEST(Snapshot, UnwritableFolderReportsFailure)
{
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    EXPECT_TRUE(SavePicture(frame, QStringLiteral("/nonexistent-folder-for-test/"), projectA(),
                            QStringLiteral("1.00"), kAtNow)
                    .isEmpty());
}

// Standard output of a command.
QByteArray run(const QString& command)
{
    QByteArray out;
    FILE* pipe = popen(command.toUtf8().constData(), "r");
    char buffer[4096];
    size_t n = 0;
    while (pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, static_cast<int>(n));
    if (pipe != nullptr)
        pclose(pipe);
    return out;
}

// The picture's bytes without its comment segments.
QByteArray withoutComments(QByteArray jpeg)
{
    for (int at = 2; at + 4 <= jpeg.size() && static_cast<uchar>(jpeg[at + 1]) != 0xDA;) {
        const int length = static_cast<uchar>(jpeg[at + 2]) << 8 | static_cast<uchar>(jpeg[at + 3]);
        if (static_cast<uchar>(jpeg[at + 1]) == 0xFE)
            jpeg.remove(at, length + 2);
        else
            at += length + 2;
    }
    return jpeg;
}

TEST(Snapshot, CarriesItsRecordAsOneJsonLineThatStandardToolsReadThePictureUnchanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const cv::Mat frame(360, 640, CV_8UC3, cv::Scalar(30, 120, 200));
    ProjectInfo info = projectA();
    info.m_strInspector = QStringLiteral("O'Brien\"; x,y\n");
    info.m_strDescription = QStringLiteral("管道内壁腐蚀\\检查");
    TelemetrySample status;
    status.distanceM = 10.754;
    status.cableM = 12.4;
    status.rollDeg = -0.0799999982;
    status.pitchDeg = std::nan("");
    status.headingDeg = 93.1;
    const SnapshotRecord record{kNow, status, QStringLiteral("A-1-2-20261207094000.mp4"), 65.1234};
    const QString path =
        SavePicture(frame, dir.path() + QLatin1Char('/'), info, QStringLiteral("10.75"), record);
    ASSERT_FALSE(path.isEmpty());

    const QString quoted = QLatin1Char('\'') + path + QLatin1Char('\'');
    const QByteArray line = run(QStringLiteral("rdjpgcom -raw ") + quoted).trimmed();
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_EQ(run(QStringLiteral("exiftool -b -Comment ") + quoted), line);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_EQ(json.value("format").toString(), QStringLiteral("moravel-snapshot/1"));
    EXPECT_EQ(json.value("time").toString(), isoWallTime(kNow));
    EXPECT_EQ(json.value("distance_m").toDouble(), 10.75);
    EXPECT_EQ(json.value("cable_m").toDouble(), 12.4);
    EXPECT_EQ(json.value("roll_deg").toDouble(), -0.08);
    EXPECT_TRUE(json.value("pitch_deg").isNull()); // not finite
    EXPECT_EQ(json.value("heading_deg").toDouble(), 93.1);
    const QJsonObject project = json.value("project").toObject();
    EXPECT_EQ(project.size(), 12);
    EXPECT_EQ(project.value("inspector").toString(), info.m_strInspector);
    EXPECT_EQ(project.value("description").toString(), info.m_strDescription);
    EXPECT_EQ(project.value("location").toString(), QStringLiteral("A"));
    EXPECT_EQ(project.value("taskname").toString(), QString());
    const QJsonObject recording = json.value("recording").toObject();
    EXPECT_EQ(recording.value("file").toString(), record.recordingFile);
    EXPECT_EQ(recording.value("offset_s").toDouble(), 65.123);

    // Without its comment the file decodes as OpenCV's own JPEG of the frame
    // does: the picture at the quality it has always had, untouched.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<uchar> encoded;
    ASSERT_TRUE(cv::imencode(".jpg", frame, encoded));
    QByteArray stored = withoutComments(file.readAll());
    const cv::Mat picture = cv::imdecode(
        cv::Mat(1, static_cast<int>(stored.size()), CV_8UC1, stored.data()), cv::IMREAD_COLOR);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(cv::norm(picture, cv::imdecode(encoded, cv::IMREAD_COLOR), cv::NORM_INF), 0);
}

TEST(Snapshot, WithoutStatusOrRecordingTheirFieldsAreNullAndATooLongRecordIsLeftOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    const cv::Mat frame(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const QString path = SavePicture(frame, folder, projectA(), QStringLiteral("0.00"), kAtNow);
    const QJsonObject json =
        QJsonDocument::fromJson(run(QStringLiteral("rdjpgcom -raw '%1'").arg(path))).object();
    for (const char* key :
         {"distance_m", "cable_m", "roll_deg", "pitch_deg", "heading_deg", "recording"})
        EXPECT_TRUE(json.value(key).isNull()) << key;

    // A record beyond one segment's 65533 bytes: the picture without it.
    ProjectInfo huge = projectA();
    huge.m_strDescription = QString(70000, QLatin1Char('x'));
    const QString big = SavePicture(frame, folder, huge, QStringLiteral("0.00"), kAtNow);
    ASSERT_FALSE(big.isEmpty());
    EXPECT_TRUE(run(QStringLiteral("rdjpgcom -raw '%1'").arg(big)).trimmed().isEmpty());
    EXPECT_EQ(cv::imread(big.toStdString()).size(), frame.size());
}

} // namespace
