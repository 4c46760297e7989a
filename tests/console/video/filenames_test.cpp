#include "filenames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 41, 5));

ProjectInfo project(const QString& location, const QString& start, const QString& end)
{
    ProjectInfo info;
    info.m_strLocation = location;
    info.m_strStartWellNo = start;
    info.m_strEndWellNo = end;
    return info;
}

TEST(FileNames, VideoAndSnapshotNamesJoinFieldsWithDashes)
{
    const ProjectInfo info = project(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("2"));
    EXPECT_EQ(filenames::videoBaseName(info, kNow), QStringLiteral("A-1-2-20261207094105"));
    EXPECT_EQ(filenames::snapshotName(info, QStringLiteral("10.75"), kNow),
              QStringLiteral("A-1-2-10.75M-20261207094105.jpg"));
}

TEST(FileNames, EmptyFieldsLeaveEmptyPlaces)
{
    const ProjectInfo info = project({}, {}, {});
    EXPECT_EQ(filenames::videoBaseName(info, kNow), QStringLiteral("---20261207094105"));
    EXPECT_EQ(filenames::snapshotName(info, QStringLiteral("0.00"), kNow),
              QStringLiteral("---0.00M-20261207094105.jpg"));
}

TEST(FileNames, FieldsCannotLeaveTheFolderOrBreakTheName)
{
    EXPECT_EQ(filenames::cleanField(QStringLiteral("../../x")), QStringLiteral(".._.._x"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral("a/b")), QStringLiteral("a_b"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral("c:\\d*e?f\"g<h>i|j")),
              QStringLiteral("c__d_e_f_g_h_i_j"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral("tab\there\nnew") + QChar(0x7f)),
              QStringLiteral("tab_here_new_"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral("人民路 12号")), QStringLiteral("人民路 12号"));
    const ProjectInfo info =
        project(QStringLiteral("../../x"), QStringLiteral("a/b"), QStringLiteral("/etc"));
    const QString name = filenames::videoBaseName(info, kNow);
    EXPECT_FALSE(name.contains(QLatin1Char('/'))) << name.toStdString();
    EXPECT_EQ(name, QStringLiteral(".._.._x-a_b-_etc-20261207094105"));
}

TEST(FileNames, PlaceholdersInsideFieldsStayLiteral)
{
    const ProjectInfo info =
        project(QStringLiteral("%2"), QStringLiteral("%4"), QStringLiteral("%1"));
    EXPECT_EQ(filenames::videoBaseName(info, kNow), QStringLiteral("%2-%4-%1-20261207094105"));
    EXPECT_EQ(filenames::snapshotName(info, QStringLiteral("1.00"), kNow),
              QStringLiteral("%2-%4-%1-1.00M-20261207094105.jpg"));
}

TEST(FileNames, NamesGoInsideTheFolderWithOrWithoutItsSlash)
{
    const QString name = QStringLiteral("A-1-2-20261207094105.mp4");
    EXPECT_EQ(filenames::inFolder(QStringLiteral("/v/"), name), QStringLiteral("/v/") + name);
    EXPECT_EQ(filenames::inFolder(QStringLiteral("/v"), name), QStringLiteral("/v/") + name);
    EXPECT_EQ(filenames::inFolder(QString(), name), name);
}

TEST(FileNames, TakenNamesGetANumberBeforeTheExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("A-1-2-20261207094105.mp4"));
    EXPECT_EQ(filenames::unusedPath(path), path);
    auto touch = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly);
    };
    ASSERT_TRUE(touch(path));
    const QString second = dir.filePath(QStringLiteral("A-1-2-20261207094105-2.mp4"));
    EXPECT_EQ(filenames::unusedPath(path), second);
    ASSERT_TRUE(touch(second));
    EXPECT_EQ(filenames::unusedPath(path),
              dir.filePath(QStringLiteral("A-1-2-20261207094105-3.mp4")));
    // A dot in a folder name is no extension.
    const QString bare = dir.filePath(QStringLiteral("x.d/name"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("x.d"))));
    ASSERT_TRUE(touch(bare));
    EXPECT_EQ(filenames::unusedPath(bare), bare + QStringLiteral("-2"));
}

} // namespace
