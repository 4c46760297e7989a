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
    EXPECT_EQ(filenames::cleanField(QStringLiteral("../../x")), QStringLiteral("_._.._x"));
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
    EXPECT_EQ(name, QStringLiteral("_._.._x-a_b-_etc-20261207094105"));
}

TEST(FileNames, FieldsCannotHideTheFileOrTurnItsNameAround)
{
    const auto cleaned = [](std::initializer_list<char32_t> text) {
        return filenames::cleanField(
            QString::fromUcs4(text.begin(), static_cast<int>(text.size())));
    };
    // Right-to-left override, zero-width space, line and paragraph separators,
    // byte-order mark, next line (a C1 control) and a language tag beyond U+FFFF.
    EXPECT_EQ(cleaned({'a', 0x202E, 'b', 0x200B, 'c', 0x2028, 'd', 0x2029, 0xFEFF, 0x85, 0xE0001}),
              QStringLiteral("a_b_c_d____"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral(".hidden")), QStringLiteral("_hidden"));
    EXPECT_EQ(filenames::cleanField(QStringLiteral("a.b.")), QStringLiteral("a.b."));
    // A lone half of a surrogate pair is no character; a whole pair is one.
    EXPECT_EQ(filenames::cleanField(QString(QChar(0xD83D)) + QLatin1Char('x')),
              QStringLiteral("_x"));
    EXPECT_EQ(cleaned({0x1F600, 0x4EBA}), QString::fromUcs4(U"\U0001F600人"));
}

TEST(FileNames, LongFieldsAreShortenedToFitANameWithTimeDistanceAndExtensionWhole)
{
    constexpr int kLimit = 255;
    constexpr int kNumberRoom = 4; // "-999" when the name is taken
    const QString location = QString(76, QChar(0x8DEF));
    const ProjectInfo info = project(location, QStringLiteral("W1"), QStringLiteral("W2"));
    const QString video = filenames::videoBaseName(info, kNow) + QStringLiteral(".mp4");
    const QString snapshot = filenames::snapshotName(info, QStringLiteral("12.35"), kNow);
    EXPECT_LE(video.toUtf8().size() + kNumberRoom, kLimit);
    EXPECT_LE(snapshot.toUtf8().size() + kNumberRoom, kLimit);
    // Only the longest field gives way, and hardly more than it must.
    EXPECT_TRUE(snapshot.endsWith(QStringLiteral("-W1-W2-12.35M-20261207094105.jpg")));
    const QString kept = snapshot.section(QLatin1Char('-'), 0, 0);
    EXPECT_TRUE(location.startsWith(kept));
    EXPECT_GE(snapshot.toUtf8().size() + kNumberRoom, kLimit - 2);
    EXPECT_TRUE(video.endsWith(QStringLiteral("-W1-W2-20261207094105.mp4")));

    // Three huge fields share the room; no character is split: an accented
    // letter keeps its accent, an emoji both halves.
    const QString accented = QStringLiteral("e\u0301").repeated(5000);
    const QString emoji = QString::fromUcs4(U"\U0001F600").repeated(5000);
    const ProjectInfo huge = project(accented, emoji, QString(10000, QLatin1Char('x')));
    const QString name = filenames::snapshotName(huge, QStringLiteral("0.00"), kNow);
    EXPECT_LE(name.toUtf8().size() + kNumberRoom, kLimit);
    const QStringList fields = name.split(QLatin1Char('-'));
    ASSERT_EQ(fields.size(), 5) << name.toStdString();
    EXPECT_TRUE(accented.startsWith(fields[0]));
    EXPECT_EQ(fields[0].size() % 2, 0);
    EXPECT_TRUE(emoji.startsWith(fields[1]));
    EXPECT_EQ(fields[1].size() % 2, 0);
    EXPECT_GT(fields[2].size(), 50);
    EXPECT_EQ(fields[4], QStringLiteral("20261207094105.jpg"));

    // The numbered name of a second file in the same second fits too.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile first(dir.filePath(name));
    ASSERT_TRUE(first.open(QIODevice::WriteOnly)) << first.errorString().toStdString();
    QFile second(filenames::unusedPath(first.fileName()));
    EXPECT_TRUE(second.open(QIODevice::WriteOnly)) << second.errorString().toStdString();
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
