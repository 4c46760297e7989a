#include "coveragecache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

TextKey keyFor(const std::string& text)
{
    return TextKey{text, "WenQuanYi Zen Hei", 24, false, false};
}

bool samePixels(const TextCoverage& a, const TextCoverage& b)
{
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.row(0), b.row(0), static_cast<size_t>(a.width()) * a.height()) == 0;
}

} // namespace

TEST(CoverageCache, repeatedKeyIsServedFromCacheWithIdenticalPixels)
{
    CoverageCache cache(1 << 20);
    const auto first = cache.get(keyFor("管道直径"));
    const auto second = cache.get(keyFor("管道直径"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.size(), 1U);
    const auto uncached = TextCoverage::render(keyFor("管道直径"));
    ASSERT_TRUE(uncached);
    EXPECT_TRUE(samePixels(*first, *uncached));
}

TEST(CoverageCache, leastRecentlyUsedEntryIsDropped)
{
    const size_t costs[] = {TextCoverage::render(keyFor("甲"))->bytes(),
                            TextCoverage::render(keyFor("乙"))->bytes(),
                            TextCoverage::render(keyFor("丙"))->bytes()};
    // Room for any two of them, not for three.
    const size_t budget = costs[0] + costs[1] + costs[2] - *std::min_element(costs, costs + 3);
    CoverageCache cache(budget);
    const auto a = cache.get(keyFor("甲"));
    const auto b = cache.get(keyFor("乙"));
    EXPECT_EQ(cache.get(keyFor("甲")), a); // 甲 is now the most recent
    cache.get(keyFor("丙"));               // drops 乙
    EXPECT_EQ(cache.size(), 2U);
    EXPECT_EQ(cache.bytes(), costs[0] + costs[2]);
    EXPECT_EQ(cache.get(keyFor("甲")), a);
    const auto bAgain = cache.get(keyFor("乙")); // drops 丙
    EXPECT_NE(bAgain, b);
    EXPECT_TRUE(samePixels(*bAgain, *b));
    EXPECT_EQ(cache.size(), 2U);
    EXPECT_LE(cache.bytes(), budget);
}

TEST(CoverageCache, entryLargerThanBudgetIsKeptAlone)
{
    CoverageCache cache(1);
    const auto a = cache.get(keyFor("甲"));
    EXPECT_EQ(cache.get(keyFor("甲")), a);
    cache.get(keyFor("乙"));
    EXPECT_EQ(cache.size(), 1U);
    EXPECT_NE(cache.get(keyFor("甲")), a);
}

TEST(CoverageCache, everyKeyFieldSeparatesEntries)
{
    CoverageCache cache(1 << 20);
    const TextKey base = keyFor("检测A");
    TextKey otherText = base;
    otherText.text = "检测B";
    TextKey otherFace = base;
    otherFace.face = "AR PL UMing CN";
    TextKey otherSize = base;
    otherSize.size = 25;
    TextKey italic = base;
    italic.italic = true;
    TextKey underline = base;
    underline.underline = true;

    const auto reference = cache.get(base);
    for (const TextKey& key : {otherText, otherFace, otherSize, italic, underline}) {
        const auto coverage = cache.get(key);
        ASSERT_TRUE(coverage);
        EXPECT_NE(coverage, reference);
        EXPECT_FALSE(samePixels(*coverage, *reference));
    }
    EXPECT_EQ(cache.size(), 6U);
}

TEST(CoverageCache, unrenderableTextIsNotCached)
{
    CoverageCache cache(1 << 20);
    TextKey huge = keyFor("测");
    huge.size = 20000;
    EXPECT_EQ(cache.get(huge), nullptr);
    EXPECT_EQ(cache.size(), 0U);
}
