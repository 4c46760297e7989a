#include "Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, EncodesEveryLengthClass)
{
    EXPECT_EQ(lorvet::toUtf8(L"Moravel"), "Moravel");
    EXPECT_EQ(lorvet::toUtf8(L"\u00e9"), "\xc3\xa9");
    EXPECT_EQ(lorvet::toUtf8(L"管道"), "\xe7\xae\xa1\xe9\x81\x93");
    EXPECT_EQ(lorvet::toUtf8(L"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(lorvet::toUtf8(L""), "");
}

TEST(Utf8, KeepsEmbeddedNulAndReplacesNonScalars)
{
    const std::string replacement = "\xef\xbf\xbd";
    EXPECT_EQ(lorvet::toUtf8(std::wstring_view(L"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(lorvet::toUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), replacement);
    EXPECT_EQ(lorvet::toUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), replacement);
    EXPECT_EQ(lorvet::toUtf8(std::wstring(1, static_cast<wchar_t>(-1))), replacement);
    EXPECT_EQ(lorvet::toUtf8(std::wstring(1, static_cast<wchar_t>(0x10FFFF))), "\xf4\x8f\xbf\xbf");
}
