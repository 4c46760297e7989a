#include "FontFaces.h"
#include "puttext.h"

#include "coverageblend.h"
#include "guiapp.h"
#include "textcoverage.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>

#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr const char* kZenHei = "WenQuanYi Zen Hei";
const cv::Scalar kWhite(255, 255, 255);

cv::Mat randomFrame(cv::Size size, uint64_t seed)
{
    cv::Mat frame(size, CV_8UC3);
    cv::RNG rng(seed);
    rng.fill(frame, cv::RNG::UNIFORM, 0, 256);
    return frame;
}

// The expected result built without the cache or the face lookup.
cv::Mat expectedDraw(const cv::Mat& frame, const std::string& text, cv::Point origin,
                     const cv::Scalar& colour, int size, const char* family)
{
    cv::Mat expected = frame.clone();
    const auto coverage = TextCoverage::render(TextKey{text, family, size, false, false});
    EXPECT_TRUE(coverage);
    if (coverage) {
        blendCoverage(expected, *coverage, origin, colour);
    }
    return expected;
}

bool identical(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

void expectAssertion(const std::function<void()>& draw, const std::string& message)
{
    try {
        draw();
        ADD_FAILURE() << "no exception for " << message;
    } catch (const cv::Exception& e) {
        EXPECT_EQ(e.code, cv::Error::StsAssert);
        EXPECT_EQ(e.code, -215);
        EXPECT_EQ(e.func, "putTextZH");
        EXPECT_EQ(e.err, message);
    }
}

} // namespace

TEST(PutTextZH, invalidDestinationRaisesAssertion)
{
    const std::string message = "dst.data != 0 && (dst.channels() == 1 || dst.channels() == 3)";
    cv::Mat empty;
    cv::Mat twoChannels(10, 10, CV_8UC2, cv::Scalar::all(0));
    cv::Mat fourChannels(10, 10, CV_8UC4, cv::Scalar::all(0));
    for (cv::Mat* frame : {&empty, &twoChannels, &fourChannels}) {
        expectAssertion([frame] { putTextZH(*frame, "测试", cv::Point(0, 0), kWhite, 20, "黑体"); },
                        message);
    }
    cv::Mat wide(10, 10, CV_16UC3, cv::Scalar::all(0));
    expectAssertion([&wide] { putTextZH(wide, "测试", cv::Point(0, 0), kWhite, 20, "黑体"); },
                    "dst.depth() == CV_8U");
}

TEST(PutTextZH, unallocatableBitmapRaisesAssertion)
{
    cv::Mat frame(10, 10, CV_8UC3, cv::Scalar::all(0));
    expectAssertion([&frame] { putTextZH(frame, "测试", cv::Point(0, 0), kWhite, 20000, "黑体"); },
                    "pDibData != 0");
    EXPECT_EQ(cv::countNonZero(frame.reshape(1)), 0);
}

TEST(PutTextZH, emptyTextReturnsBeforeAnyCheck)
{
    cv::Mat empty;
    EXPECT_NO_THROW(putTextZH(empty, "", cv::Point(0, 0), kWhite, 20, "黑体"));
    EXPECT_NO_THROW(putTextZH(empty, nullptr, cv::Point(0, 0), kWhite, 20, "黑体"));
}

TEST(PutTextZH, glyphCoverageLandsInsideTheTextBlock)
{
    const cv::Mat black(200, 400, CV_8UC3, cv::Scalar::all(0));
    cv::Mat frame = black.clone();
    const cv::Point origin(37, 21);
    putTextZH(frame, "测试Ab\n第二行", origin, kWhite, 30, "黑体");

    const auto coverage =
        TextCoverage::render(TextKey{"测试Ab\n第二行", kZenHei, 30, false, false});
    ASSERT_TRUE(coverage);
    const cv::Rect block(origin, cv::Size(coverage->width(), coverage->height()));
    int inked = 0;
    for (int y = 0; y < frame.rows; ++y) {
        for (int x = 0; x < frame.cols; ++x) {
            const cv::Vec3b pixel = frame.at<cv::Vec3b>(y, x);
            const uint8_t expected =
                block.contains(cv::Point(x, y)) ? coverage->row(y - origin.y)[x - origin.x] : 0;
            ASSERT_EQ(pixel, cv::Vec3b::all(expected)) << x << "," << y;
            inked += expected != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 100);
}

TEST(PutTextZH, cachedDrawGivesSamePixelsAsUncachedRender)
{
    const cv::Mat before = randomFrame(cv::Size(640, 360), 9);
    const std::string text = "检测地点：雨污合流 12.75 M";
    const cv::Point origin(-13, 340); // clipped on the left and at the bottom
    const cv::Scalar red(0, 0, 255);
    cv::Mat first = before.clone();
    cv::Mat second = before.clone();
    putTextZH(first, text.c_str(), origin, red, 50, "微软雅黑");
    putTextZH(second, text.c_str(), origin, red, 50, "微软雅黑");
    const cv::Mat expected = expectedDraw(before, text, origin, red, 50, kZenHei);
    EXPECT_TRUE(identical(first, expected));
    EXPECT_TRUE(identical(second, expected));
    EXPECT_FALSE(identical(first, before));
}

TEST(PutTextZH, oneChannelFrameTakesFirstColourComponent)
{
    const cv::Mat before(120, 300, CV_8UC1, cv::Scalar(40));
    cv::Mat frame = before.clone();
    putTextZH(frame, "单通道", cv::Point(10, 10), cv::Scalar(220, 0, 0), 40, "黑体");
    const cv::Mat expected =
        expectedDraw(before, "单通道", cv::Point(10, 10), cv::Scalar(220, 0, 0), 40, kZenHei);
    EXPECT_TRUE(identical(frame, expected));
    double maxValue = 0;
    cv::minMaxLoc(frame, nullptr, &maxValue);
    EXPECT_EQ(maxValue, 220);
}

TEST(PutTextZH, whiteTextOnWhiteFrameStaysWhite)
{
    cv::Mat frame(100, 300, CV_8UC3, cv::Scalar::all(255));
    putTextZH(frame, "白底白字 ABC", cv::Point(5, 5), kWhite, 40, "宋体");
    EXPECT_EQ(cv::countNonZero(frame.reshape(1) != 255), 0);
}

TEST(PutTextZH, originPastTheFrameDrawsNothing)
{
    const cv::Mat before = randomFrame(cv::Size(100, 50), 4);
    for (const cv::Point origin : {cv::Point(101, 0), cv::Point(0, 51), cv::Point(-5000, 0),
                                   cv::Point(0, -5000), cv::Point(100, 50)}) {
        cv::Mat frame = before.clone();
        putTextZH(frame, "测试", origin, kWhite, 30, "黑体");
        EXPECT_TRUE(identical(frame, before)) << origin;
    }
}

TEST(PutTextZH, faceNamesResolveToInstalledFonts)
{
    const cv::Mat black(80, 260, CV_8UC3, cv::Scalar::all(0));
    const auto draw = [&black](const char* face) {
        cv::Mat frame = black.clone();
        putTextZH(frame, "管道材质", cv::Point(0, 0), kWhite, 40, face);
        return frame;
    };
    const cv::Mat zenHei = draw(kZenHei);
    for (const char* face : {"黑体", "SimHei", "微软雅黑", "华文琥珀", ""}) {
        EXPECT_TRUE(identical(draw(face), zenHei)) << face;
    }
    EXPECT_TRUE(identical(draw(nullptr), zenHei));
    const cv::Mat ming = draw("AR PL UMing CN");
    EXPECT_FALSE(identical(ming, zenHei));
    EXPECT_TRUE(identical(draw("宋体"), ming));
    EXPECT_TRUE(identical(draw("SimSun"), ming));
    const cv::Mat kai = draw("AR PL UKai CN");
    EXPECT_FALSE(identical(kai, ming));
    EXPECT_TRUE(identical(draw("楷体"), kai));
    EXPECT_TRUE(identical(draw("KaiTi"), kai));
}

TEST(PutTextZH, longTextAndFaceNameAreCutAtCharacterBoundary)
{
    const cv::Mat before(60, 400, CV_8UC3, cv::Scalar::all(0));
    // Past 4095 bytes nothing more is drawn: the tail lies on a second line
    // that is dropped with the cut.
    const std::string kept = std::string(4094, 'a');
    const std::string longText = kept + "测\n第二行";
    cv::Mat frame = before.clone();
    putTextZH(frame, longText.c_str(), cv::Point(-100, 0), kWhite, 20, "黑体");
    EXPECT_TRUE(
        identical(frame, expectedDraw(before, kept, cv::Point(-100, 0), kWhite, 20, kZenHei)));

    // A face name of 33 bytes is cut to whole characters and still draws.
    std::string face;
    for (int i = 0; i < 11; ++i) {
        face += "宋";
    }
    cv::Mat withLongFace = before.clone();
    EXPECT_NO_THROW(putTextZH(withLongFace, "测试", cv::Point(0, 0), kWhite, 20, face.c_str()));
    EXPECT_GT(cv::countNonZero(withLongFace.reshape(1)), 0);
}

TEST(PutTextZH, drawsIdenticallyOffTheGuiThread)
{
    const cv::Mat before = randomFrame(cv::Size(500, 120), 21);
    // Texts nobody drew before, so the worker renders them itself.
    const std::string texts[] = {"线程绘制一 2026-12-07 09:30:00", "线程绘制二\n第二行"};
    cv::Mat frames[2] = {before.clone(), before.clone()};
    std::atomic<int> failures{0};
    std::thread workers[2];
    for (int i = 0; i < 2; ++i) {
        workers[i] = std::thread([&, i] {
            try {
                putTextZH(frames[i], texts[i].c_str(), cv::Point(3, 4), cv::Scalar(0, 255, 0), 32,
                          "宋体");
            } catch (...) {
                ++failures;
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(failures.load(), 0);
    for (int i = 0; i < 2; ++i) {
        const cv::Mat expected = expectedDraw(before, texts[i], cv::Point(3, 4),
                                              cv::Scalar(0, 255, 0), 32, "AR PL UMing CN");
        EXPECT_TRUE(identical(frames[i], expected)) << texts[i];
        EXPECT_FALSE(identical(frames[i], before));
    }
}

TEST(PutTextZH, substitutionsServeWidgetFonts)
{
    ensureGuiApp();
    installFontSubstitutions();
    EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8("宋体"))).family(), "AR PL UMing CN");
    EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8("微软雅黑"))).family(), kZenHei);
    EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8("楷体"))).family(), "AR PL UKai CN");
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("SimHei"))).family(), kZenHei);
}
