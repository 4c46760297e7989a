#include "consoletestenv.h"
#include "inisettings.h"
#include "savefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SaveFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        QDir(defaultFolder()).removeRecursively();
    }
    static QString defaultFolder() { return testenv::home() + "/savevideo/"; }
};

TEST(DefaultSaveVideoPath, DriveLetterKeepsTheDrive)
{
    EXPECT_EQ(defaultSaveVideoPath("D:/Program Files/Moravel"), "D:/savevideo/");
    EXPECT_EQ(defaultSaveVideoPath("c:/x"), "c:/savevideo/");
    EXPECT_EQ(defaultSaveVideoPath("E:"), "E:/savevideo/");
}

TEST(DefaultSaveVideoPath, PathWithoutDriveUsesHome)
{
    EXPECT_EQ(defaultSaveVideoPath("/opt/moravel/bin"), QDir::homePath() + "/savevideo/");
    EXPECT_EQ(defaultSaveVideoPath("/"), QDir::homePath() + "/savevideo/");
    EXPECT_EQ(defaultSaveVideoPath("/D:/x"), QDir::homePath() + "/savevideo/");
}

TEST_F(SaveFolderTest, NoConfigCreatesTheDefaultFolderWithoutStoringIt)
{
    SaveFolder folder;
    folder.getSaveVideoPath("/opt/moravel/bin");
    EXPECT_EQ(folder.path(), defaultFolder());
    EXPECT_TRUE(QFileInfo(defaultFolder()).isDir());
    EXPECT_TRUE(GetQStringFromIni("/savedir/path").isEmpty());
}

TEST_F(SaveFolderTest, StoredFolderIsUsedUnchangedAndCreated)
{
    const QString stored = testenv::home() + "/records/today/";
    QDir().mkpath(testenv::home() + "/records");
    SetQStringFromIni("/savedir/path", stored);
    SaveFolder folder;
    folder.getSaveVideoPath("/opt/moravel/bin");
    EXPECT_EQ(folder.path(), stored);
    EXPECT_TRUE(QFileInfo(stored).isDir());
    EXPECT_FALSE(QFileInfo::exists(defaultFolder()));
}

TEST_F(SaveFolderTest, EmptyPathChangesNothing)
{
    SaveFolder folder;
    folder.getSaveVideoPath("/opt/moravel/bin");
    folder.setSaveVideoPath(QString());
    EXPECT_EQ(folder.path(), defaultFolder());
    EXPECT_TRUE(GetQStringFromIni("/savedir/path").isEmpty());

    folder.setSaveVideoPath("/data/video/");
    folder.setSaveVideoPath("");
    EXPECT_EQ(folder.path(), "/data/video/");
    EXPECT_EQ(GetQStringFromIni("/savedir/path"), "/data/video/");
}

TEST_F(SaveFolderTest, RelativeFolderIsNeitherTakenNorCreated)
{
    const QString workingFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(testenv::home()));
    SetQStringFromIni("/savedir/path", "images/");
    SaveFolder folder;
    folder.getSaveVideoPath("/opt/moravel/bin");
    QDir::setCurrent(workingFolder);
    EXPECT_EQ(folder.path(), defaultFolder());
    EXPECT_FALSE(QFileInfo::exists(testenv::home() + "/images"));

    folder.setSaveVideoPath("videos/");
    EXPECT_EQ(folder.path(), defaultFolder());
    EXPECT_EQ(GetQStringFromIni("/savedir/path"), "images/");
}

TEST_F(SaveFolderTest, NewPathIsKeptAndStored)
{
    SaveFolder folder;
    folder.setSaveVideoPath(QStringLiteral("/数据/视频/"));
    EXPECT_EQ(folder.path(), QStringLiteral("/数据/视频/"));
    EXPECT_EQ(GetQStringFromIni("/savedir/path"), QStringLiteral("/数据/视频/"));
}

} // namespace
