#include <gtest/gtest.h>

#include "PravikOptions.h"
#include "TestSupport.h"

namespace {

PravikOptions Parse(const QStringList& tail)
{
    EnsureTestApplication(); // the help text names the program
    return ParsePravikOptions(QStringList{QStringLiteral("Pravik")} + tail);
}

} // namespace

TEST(PravikOptions, DefaultsToBuiltInCrawlerAndPort20108)
{
    const PravikOptions options = Parse({});
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.host, QString::fromLatin1(kDefaultCrawlerHost));
    EXPECT_EQ(options.port, 20108);
    EXPECT_FALSE(options.showHelp);
}

TEST(PravikOptions, HostAndPortOptionsOverrideDefaults)
{
    PravikOptions options = Parse({"--host", "127.0.0.1", "--port", "4321"});
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 4321);

    options = Parse({"--host=localhost", "--port=65535"});
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.host, "localhost");
    EXPECT_EQ(options.port, 65535);
}

TEST(PravikOptions, RejectsPortsOutsideTheTcpRangeAndNonNumbers)
{
    for (const char* port : {"0", "65536", "-1", "20108x", "", "0x4e6c"}) {
        const PravikOptions options = Parse({"--port", port});
        EXPECT_FALSE(options.error.isEmpty()) << "port '" << port << "' was accepted";
    }
}

TEST(PravikOptions, RejectsEmptyHostUnknownOptionsAndStrayArguments)
{
    EXPECT_FALSE(Parse({"--host", "  "}).error.isEmpty());
    EXPECT_FALSE(Parse({"--hots", "127.0.0.1"}).error.isEmpty());
    EXPECT_FALSE(Parse({"127.0.0.1"}).error.isEmpty());
    EXPECT_FALSE(Parse({"--port"}).error.isEmpty());
}

TEST(PravikOptions, HelpNamesBothOptions)
{
    const PravikOptions options = Parse({"--help"});
    EXPECT_TRUE(options.error.isEmpty());
    EXPECT_TRUE(options.showHelp);
    EXPECT_TRUE(options.helpText.contains("--host"));
    EXPECT_TRUE(options.helpText.contains("--port"));
}
