#include "Log.h"
#include "LogTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using lorvettest::bodyAfterTimestamp;
using lorvettest::TempDir;
using lorvettest::waitForLines;

namespace {
constexpr int kQueueSize = 8192;
constexpr int kMaxFileBytes = 2000000;
constexpr int kMaxFiles = 10;

bool initLog(const std::filesystem::path& file)
{
    return Log::get_instance()->init(file.c_str(), kQueueSize, kMaxFileBytes, kMaxFiles);
}
} // namespace

TEST(Log, CreatesTheFolderAndWritesWideStringsAsUtf8)
{
    TempDir dir;
    const auto file = dir.path() / "Logs" / "Moravel.log";
    ASSERT_TRUE(initLog(file));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Logs"));

    Log::get_instance()->write_log(1, L"mainwidgets.cpp", 42,
                                   L"[Moravel] GetQStringFromIni fileName [%s] n[%d] [%-6s] [%%s]",
                                   L"/配置/管道检测.ini", 7, L"ab");
    const auto lines = waitForLines(file, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(bodyAfterTimestamp(lines[0]),
              "[1] mainwidgets.cpp:42 [Moravel] GetQStringFromIni fileName "
              "[/配置/管道检测.ini] n[7] [ab    ] [%s]");
}

TEST(Log, CutsLongMessagesAtACharacterBoundary)
{
    TempDir dir;
    const auto file = dir.path() / "Moravel.log";
    ASSERT_TRUE(initLog(file));

    const std::wstring longArg(100000, L'管');
    const std::wstring longFormat(100000, L'x');
    Log::get_instance()->write_log(1, L"a.cpp", 1, L"%s", longArg.c_str());
    Log::get_instance()->write_log(1, L"b.cpp", 2, longFormat.c_str());
    Log::get_instance()->write_log(1, L"c.cpp", 3, L"after");
    const auto lines = waitForLines(file, 3);
    ASSERT_EQ(lines.size(), 3u);

    const std::string first = bodyAfterTimestamp(lines[0]);
    const std::string prefix = "[1] a.cpp:1 ";
    ASSERT_EQ(first.compare(0, prefix.size(), prefix), 0) << first.substr(0, 40);
    const std::string cutArg = first.substr(prefix.size());
    const std::string oneChar = "管";
    EXPECT_TRUE(lorvettest::isValidUtf8(cutArg));
    EXPECT_EQ(cutArg.size() % oneChar.size(), 0u);
    EXPECT_GT(cutArg.size(), 0u);
    EXPECT_LT(cutArg.size(), longArg.size() * oneChar.size());
    EXPECT_EQ(cutArg.find_first_not_of(oneChar), std::string::npos);

    const std::string second = bodyAfterTimestamp(lines[1]);
    ASSERT_EQ(second.rfind("[1] b.cpp:2 x", 0), 0u) << second.substr(0, 40);
    EXPECT_LT(second.size(), longFormat.size());
    EXPECT_EQ(second.find_first_not_of('x', std::string("[1] b.cpp:2 ").size()), std::string::npos);

    EXPECT_EQ(bodyAfterTimestamp(lines[2]), "[1] c.cpp:3 after");
}

TEST(Log, InitAgainDrainsTheEarlierFile)
{
    TempDir dir;
    const auto first = dir.path() / "first.log";
    const auto second = dir.path() / "second.log";
    ASSERT_TRUE(initLog(first));
    for (int n = 0; n < 1000; ++n) {
        Log::get_instance()->write_log(1, L"f.cpp", n, L"line %d", n);
    }
    ASSERT_TRUE(initLog(second));
    // No waiting: init has already written every queued line of the old file.
    EXPECT_EQ(lorvettest::readLines(first).size(), 1000u);

    Log::get_instance()->write_log(1, L"g.cpp", 9, L"moved");
    const auto lines = waitForLines(second, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(bodyAfterTimestamp(lines[0]), "[1] g.cpp:9 moved");
}

TEST(Log, RejectsBadSettingsAndKeepsTheCurrentFile)
{
    TempDir dir;
    const auto file = dir.path() / "Moravel.log";
    ASSERT_TRUE(initLog(file));

    const auto blocker = dir.path() / "plain-file";
    std::ofstream(blocker) << "not a folder";
    EXPECT_FALSE(initLog(blocker / "Logs" / "Moravel.log"));
    EXPECT_FALSE(Log::get_instance()->init(nullptr, kQueueSize, kMaxFileBytes, kMaxFiles));
    EXPECT_FALSE(Log::get_instance()->init("", kQueueSize, kMaxFileBytes, kMaxFiles));
    EXPECT_FALSE(Log::get_instance()->init(file.c_str(), 0, kMaxFileBytes, kMaxFiles));
    EXPECT_FALSE(Log::get_instance()->init(file.c_str(), kQueueSize, -1, kMaxFiles));
    EXPECT_FALSE(Log::get_instance()->init(file.c_str(), kQueueSize, kMaxFileBytes, 0));

    Log::get_instance()->write_log(1, nullptr, 5, L"still %d", 1);
    Log::get_instance()->write_log(2, L"n.cpp", 6, nullptr);
    const auto lines = waitForLines(file, 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(bodyAfterTimestamp(lines[0]), "[1] ?:5 still 1");
    EXPECT_EQ(bodyAfterTimestamp(lines[1]), "[2] n.cpp:6 ");
}
