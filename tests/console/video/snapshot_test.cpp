#include "snapshot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 41, 5));

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
    const QString path = SavePicture(frame, folder, projectA(), QStringLiteral("10.75"), kNow);
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
    const QString first = SavePicture(frame, folder, projectA(), QStringLiteral("1.00"), kNow);
    const QString second = SavePicture(frame, folder, projectA(), QStringLiteral("1.00"), kNow);
    EXPECT_EQ(second, folder + QStringLiteral("A-1-2-1.00M-20261207094105-2.jpg"));
    EXPECT_NE(first, second);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(Snapshot, NothingIsWrittenBeforeTheFirstFrame)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(SavePicture(cv::Mat(), dir.path() + QLatin1Char('/'), projectA(),
                            QStringLiteral("10.75"), kNow)
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
    const QString path = SavePicture(frame, folder, info, QStringLiteral("1.00"), kNow);
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
                            QStringLiteral("1.00"), kNow)
                    .isEmpty());
}

} // namespace
