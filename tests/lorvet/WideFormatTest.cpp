#include "WideFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring format(std::size_t maxChars, const wchar_t* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::wstring out = lorvet::formatBounded(fmt, args, maxChars);
    va_end(args);
    return out;
}

} // namespace

TEST(WideFormat, RewritesPlainStringConversionsOnly)
{
    EXPECT_EQ(lorvet::widenStringConversions(L"a [%s] b"), L"a [%ls] b");
    EXPECT_EQ(lorvet::widenStringConversions(L"%s%s"), L"%ls%ls");
    EXPECT_EQ(lorvet::widenStringConversions(L"%-10s|%10.3s|%*s"), L"%-10ls|%10.3ls|%*ls");
    EXPECT_EQ(lorvet::widenStringConversions(L"%2$s %1$d"), L"%2$ls %1$d");
    EXPECT_EQ(lorvet::widenStringConversions(L"100%% sure %%s"), L"100%% sure %%s");
    EXPECT_EQ(lorvet::widenStringConversions(L"%%%s"), L"%%%ls");
    EXPECT_EQ(lorvet::widenStringConversions(L"%ls %hs %d %5.1f %c %x"), L"%ls %hs %d %5.1f %c %x");
}

TEST(WideFormat, KeepsMalformedTailsUnchanged)
{
    EXPECT_EQ(lorvet::widenStringConversions(L"ends with %"), L"ends with %");
    EXPECT_EQ(lorvet::widenStringConversions(L"ends with %-5"), L"ends with %-5");
    EXPECT_EQ(lorvet::widenStringConversions(L""), L"");
}

TEST(WideFormat, FormatsWideStringsWithWidthAndPrecision)
{
    const std::wstring fmt = lorvet::widenStringConversions(L"[%s] [%-6s] [%.2s] [%d]");
    EXPECT_EQ(format(100, fmt.c_str(), L"管道检测", L"ab", L"管道检测", -42),
              L"[管道检测] [ab    ] [管道] [-42]");
}

TEST(WideFormat, CutsOutputAtTheCharacterLimit)
{
    const std::wstring arg(50, L'管');
    EXPECT_EQ(format(10, L"%ls", arg.c_str()), std::wstring(10, L'管'));
    EXPECT_EQ(format(10, L"0123456789"), L"0123456789");
    EXPECT_EQ(format(10, L"0123456789A"), L"0123456789");
    EXPECT_EQ(format(10, L"%d-%d", 12345, 678901), L"12345-6789");
    EXPECT_EQ(format(0, L"anything"), L"");
}
