#include "consoletestenv.h"
#include "inisettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

TEST_F(IniSettings, CharactersOutsideGb2312SurviveARestartAndGb2312KeepsItsBytes)
{
    const QString combined = QStringLiteral("雨污合流");
    const QString folder = QStringLiteral("/home/Søren/Łódź/𠀀/") + combined + "/";
    SetQStringFromIni("/savedir/path", folder);
    SetQStringFromIni("/systemconfig/piptype", combined);

    // Another process: nothing this one remembers can help it.
    QProcess reader;
    reader.start(QStringLiteral(INI_READBACK), {QStringLiteral("/savedir/path")});
    ASSERT_TRUE(reader.waitForFinished());
    ASSERT_EQ(reader.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()), folder);

    const QByteArray bytes = testenv::readConfigBytes();
    EXPECT_TRUE(bytes.contains("piptype=" + gb2312(combined))) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains(combined.toUtf8()));
    EXPECT_FALSE(bytes.contains('?'));
}

TEST_F(IniSettings, HandEditedValuesReadAsTypedWithoutOuterBlanksAndQtsEscapesApply)
{
    testenv::writeConfigBytes("; the crawler's cameras\r\n"
                              "[lognone]\r\n"
                              "password = abc,123 \r\n"
                              "name=\tabc; 123\r\n"
                              "ip= 127.0.1.64 \r\n"
                              "# path below\r\n"
                              "path=C:\\\\table\\\\\r\n"
                              "[about]\n"
                              "company=Moravel Co., Ltd.\n"
                              "version=say \"hi\" \\\"there\\\"\n"
                              "quoted = \"  a, b;\\\"c\\\\\" \n"
                              "odd=\\q \\x41\\102 \\u\\\n"
                              "half=\"open\n"
                              "at=@@home\n"
                              "typedat=@home\n");
    EXPECT_EQ(GetQStringFromIni("/lognone/password"), "abc,123");
    EXPECT_EQ(GetQStringFromIni("/lognone/name"), "abc; 123");
    EXPECT_EQ(GetQStringFromIni("/lognone/ip"), "127.0.1.64");
    EXPECT_EQ(GetQStringFromIni("/lognone/path"), "C:\\table\\");
    EXPECT_EQ(GetQStringFromIni("/about/company"), "Moravel Co., Ltd.");
    EXPECT_EQ(GetQStringFromIni("/about/version"), "say \"hi\" \"there\"");
    EXPECT_EQ(GetQStringFromIni("/about/quoted"), "  a, b;\"c\\");
    // A backslash that starts no escape stays, with what follows it.
    EXPECT_EQ(GetQStringFromIni("/about/odd"), "\\q AB \\u\\");
    EXPECT_EQ(GetQStringFromIni("/about/half"), "\"open");
    EXPECT_EQ(GetQStringFromIni("/about/at"), "@home");
    EXPECT_EQ(GetQStringFromIni("/about/typedat"), "@home");
}

TEST_F(IniSettings, AByteOrderMarkIsSkippedAndItsUtf8KeptOnWrite)
{
    testenv::writeConfigBytes(QByteArray("\xEF\xBB\xBF[com]\nip = 127.0.0.1\n[systemconfig]\n") +
                              QStringLiteral("fontcolor = 红\n").toUtf8());
    EXPECT_EQ(GetQStringFromIni("/com/ip"), "127.0.0.1");
    EXPECT_EQ(GetQStringFromIni("/systemconfig/fontcolor"), QStringLiteral("红"));
    SetQStringFromIni("/systemconfig/location", QStringLiteral("雨污合流"));
    const QByteArray bytes = testenv::readConfigBytes();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF[com]\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains(QStringLiteral("location=雨污合流").toUtf8()))
        << bytes.toStdString();
    EXPECT_EQ(GetQStringFromIni("/systemconfig/location"), QStringLiteral("雨污合流"));
}

TEST_F(IniSettings, AWriteChangesOnlyTheLineOfItsEntry)
{
    const QByteArray handEdited = "; cameras first\r\n"
                                  "[lognone]\r\n"
                                  "ip = 127.0.1.64\r\n"
                                  "port=554\r\n"
                                  "\r\n"
                                  "[about]\r\n"
                                  "company=Moravel Co., Ltd.\r\n";
    testenv::writeConfigBytes(handEdited);
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    SetQStringFromIni("/lognone/name", "operator");
    SetQStringFromIni("/came/fps", "25");
    EXPECT_EQ(testenv::readConfigBytes(), "; cameras first\r\n"
                                          "[lognone]\r\n"
                                          "ip = 127.0.0.1\r\n"
                                          "port=554\r\n"
                                          "name=operator\r\n"
                                          "\r\n"
                                          "[about]\r\n"
                                          "company=Moravel Co., Ltd.\r\n"
                                          "\r\n"
                                          "[came]\r\n"
                                          "fps=25\r\n");
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
