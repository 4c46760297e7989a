#include "consoletestenv.h"
#include "inisettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <gtest/gtest.h>

namespace {

class IniSettings : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }
};

QByteArray gb2312(const QString& text)
{
    return QTextCodec::codecForName("GB2312")->fromUnicode(text);
}

TEST(IniSettingsPath, IsConfigIniInTheMoravelConfigFolder)
{
    EXPECT_EQ(configFilePath(), testenv::home() + "/config/Moravel/config.ini");
}

TEST_F(IniSettings, ChineseValuesReadBackUnchangedAndAreStoredAsGb2312)
{
    const QString combined = QStringLiteral("雨污合流");
    const QString song = QStringLiteral("宋体");
    SetQStringFromIni("/systemconfig/piptype", combined);
    SetQStringFromIni("/systemconfig/fonttype", song);

    EXPECT_EQ(GetQStringFromIni("/systemconfig/piptype"), combined);
    EXPECT_EQ(GetQStringFromIni("/systemconfig/fonttype"), song);
    const QByteArray bytes = testenv::readConfigBytes();
    EXPECT_TRUE(bytes.contains("piptype=" + gb2312(combined))) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("fonttype=" + gb2312(song))) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains(combined.toUtf8()));
    EXPECT_FALSE(bytes.contains("\\x"));
}

TEST_F(IniSettings, SlashKeyIsStoredAsEntryOfItsSection)
{
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    const QByteArray bytes = testenv::readConfigBytes();
    const int section = bytes.indexOf("[lognone]");
    ASSERT_GE(section, 0) << bytes.toStdString();
    EXPECT_GT(bytes.indexOf("\nip=127.0.0.1", section), section) << bytes.toStdString();
}

TEST_F(IniSettings, AbsentKeysAndAbsentFileReadEmpty)
{
    EXPECT_TRUE(GetQStringFromIni("/about/version").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(configFilePath()));
    SetQStringFromIni("/about/company", "Acme");
    EXPECT_TRUE(GetQStringFromIni("/about/version").isEmpty());
    EXPECT_TRUE(GetQStringFromIni("/company/about").isEmpty());
}

TEST_F(IniSettings, EveryReadSeesTheFileAsItIsNow)
{
    SetQStringFromIni("/came/fps", "25");
    ASSERT_EQ(GetQStringFromIni("/came/fps"), "25");
    testenv::writeConfigBytes("[came]\nfps=30\n");
    EXPECT_EQ(GetQStringFromIni("/came/fps"), "30");
    SetQStringFromIni("/com/port", "20108");
    EXPECT_EQ(GetQStringFromIni("/came/fps"), "30");
    EXPECT_EQ(GetQStringFromIni("/com/port"), "20108");
}

TEST_F(IniSettings, GarbageAndDuplicateSectionsReadWhatCanBeRead)
{
    QByteArray bytes("[about]\nversion=1.2\n");
    for (int i = 0; i < 512; ++i)
        bytes.append(static_cast<char>((i * 97 + 13) % 256));
    bytes.append("\n[about]\ncompany=Acme\n[com]\nport=20108\n");
    testenv::writeConfigBytes(bytes);

    EXPECT_EQ(GetQStringFromIni("/about/version"), "1.2");
    EXPECT_EQ(GetQStringFromIni("/about/company"), "Acme");
    EXPECT_EQ(GetQStringFromIni("/com/port"), "20108");
    EXPECT_TRUE(GetQStringFromIni("/lognone/ip").isEmpty());
}

TEST_F(IniSettings, UnreadableOrUnwritableFileIsNotFatal)
{
    // A folder in the file's place can be neither read nor written, even by root.
    QDir().mkpath(configFilePath());
    EXPECT_TRUE(GetQStringFromIni("/about/version").isEmpty());
    SetQStringFromIni("/about/version", "2.0");
    EXPECT_TRUE(GetQStringFromIni("/about/version").isEmpty());
    QDir(configFilePath()).removeRecursively();
}

} // namespace
