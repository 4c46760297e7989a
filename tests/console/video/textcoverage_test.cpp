#include "guiapp.h"
#include "textcoverage.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kFamily = "WenQuanYi Zen Hei";
constexpr int kSize = 30;

TextKey keyFor(const std::string& text, int size = kSize)
{
    return TextKey{text, kFamily, size, false, false};
}

// The inked part of a block.
cv::Mat ink(const TextCoverage& block)
{
    const cv::Mat all(block.height(), block.width(), CV_8UC1, const_cast<uint8_t*>(block.row(0)));
    return all(cv::boundingRect(all)).clone();
}

} // namespace

TEST(TextCoverage, cutUtf8KeepsWholeCharacters)
{
    EXPECT_EQ(cutUtf8("short", 4095), "short");
    EXPECT_EQ(cutUtf8("", 4095), "");
    EXPECT_EQ(cutUtf8("ab测", 3), "ab");
    EXPECT_EQ(cutUtf8("ab测", 5), "ab测");
    EXPECT_EQ(cutUtf8("测", 0), "");

    const std::string ascii(5000, 'a');
    EXPECT_EQ(cutUtf8(ascii.c_str(), 4095), ascii.substr(0, 4095));

    // A three-byte character straddling the limit is dropped whole.
    const std::string straddling = std::string(4094, 'a') + "测" + "tail";
    EXPECT_EQ(cutUtf8(straddling.c_str(), 4095), std::string(4094, 'a'));

    std::string chinese;
    for (int i = 0; i < 2000; ++i) {
        chinese += "测";
    }
    const std::string cut = cutUtf8(chinese.c_str(), 4095);
    EXPECT_EQ(cut.size(), 4095U);
    EXPECT_EQ(cut, chinese.substr(0, 4095));

    std::string face;
    for (int i = 0; i < 11; ++i) {
        face += "宋";
    }
    EXPECT_EQ(cutUtf8(face.c_str(), 31), face.substr(0, 30));
}

// The block measures as the widgets' text engine measures the same text, so
// the overlay's geometry does not depend on which engine drew it.
TEST(TextCoverage, linesStackAtTallestLineAndEmptyLinesVanish)
{
    ensureGuiApp();
    QFont font(kFamily);
    font.setPixelSize(kSize);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();

    const auto block = TextCoverage::render(keyFor("甲乙丙\n\n丁\nabcdefghijklmnopqrstuvw\n"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->height(), 3 * lineHeight);
    EXPECT_EQ(block->width(),
              std::max(metrics.horizontalAdvance(QString::fromUtf8("甲乙丙")),
                       metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvw"))));

    // Each line looks exactly as if drawn alone, shifted down by k lines.
    const char* lines[] = {"甲乙丙", "丁", "abcdefghijklmnopqrstuvw"};
    for (int k = 0; k < 3; ++k) {
        const auto alone = TextCoverage::render(keyFor(lines[k]));
        ASSERT_TRUE(alone);
        ASSERT_EQ(alone->height(), lineHeight);
        int inked = 0;
        for (int y = 0; y < lineHeight; ++y) {
            for (int x = 0; x < block->width(); ++x) {
                const uint8_t expected = x < alone->width() ? alone->row(y)[x] : 0;
                ASSERT_EQ(block->row(k * lineHeight + y)[x], expected)
                    << "line " << k << " at " << x << "," << y;
                inked += expected != 0 ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 0) << "line " << k << " drew nothing";
    }
}

TEST(TextCoverage, textOfOnlySeparatorsIsAnEmptyBlock)
{
    ensureGuiApp();
    const auto block = TextCoverage::render(keyFor("\n\n\n"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->width(), 0);
    EXPECT_EQ(block->height(), 0);
}

TEST(TextCoverage, bitmapTooLargeIsRefused)
{
    ensureGuiApp();
    EXPECT_EQ(TextCoverage::render(keyFor("测试", 20000)), nullptr);
}

TEST(TextCoverage, charactersTheFaceLacksComeFromAFallbackFont)
{
    ensureGuiApp();
    const char* const text = "甲乙丙";
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    const auto latin = TextCoverage::render(TextKey{text, "DejaVu Sans", 40, false, false});
    ASSERT_TRUE(latin);
    EXPECT_EQ(latin->width(), QFontMetrics(font).horizontalAdvance(QString::fromUtf8(text)));
    EXPECT_EQ(latin->height(), QFontMetrics(font).height());
    // The same glyphs as in the CJK face the font configuration falls back to,
    // not the missing-glyph boxes.
    const auto cjk = TextCoverage::render(keyFor(text, 40));
    ASSERT_TRUE(cjk);
    const cv::Mat fallback = ink(*latin);
    const cv::Mat expected = ink(*cjk);
    ASSERT_EQ(fallback.size(), expected.size());
    EXPECT_EQ(cv::norm(fallback, expected, cv::NORM_INF), 0);
}
