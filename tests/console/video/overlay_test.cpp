#include "overlay.h"

#include "FontFaces.h"
#include "guiapp.h"
#include "ocr.h"
#include "puttext.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include <string>
#include <vector>

namespace {

const cv::Size k720(1596, 720); // U = 51
const cv::Scalar kWhite(255, 255, 255, 0);
const cv::Scalar kBackground(40, 40, 40);
const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 41, 5));
const char* const kFace = "宋体";

class OverlayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureGuiApp();
        installFontSubstitutions();
    }

    void SetUp() override
    {
        m_info.m_strFontType = QString::fromUtf8(kFace);
        m_info.m_strFontColor = QStringLiteral("白");
        m_info.m_strStartFlag = QStringLiteral("1");
        m_info.m_strUnitCompany = QStringLiteral("华东管道检测");
        m_info.m_strInspector = QStringLiteral("张伟");
        m_info.m_strNo = QStringLiteral("P-2026-17");
        m_info.m_strTaskName = QStringLiteral("雨污普查");
        m_info.m_strLocation = QStringLiteral("人民路");
        m_info.m_strStartWellNo = QStringLiteral("W1");
        m_info.m_strEndWellNo = QStringLiteral("W2");
        m_info.m_strDescription = QStringLiteral("内壁腐蚀");
        m_info.m_strPipDiameter = QStringLiteral("800");
        m_info.m_strDirection = QStringLiteral("顺流");
        m_info.m_strPipType = QStringLiteral("雨水管");
        m_info.m_strPipMeterial = QStringLiteral("混凝土");
        m_overlay.setProjectInfo(m_info);
        m_overlay.setCustomText(QStringLiteral("自定义"));
        DistanceCalibration calibration;
        calibration.m_dCurrentReading = 12.25;
        calibration.m_dZeroReference = 2.0;
        calibration.m_dStartDistance = 0.5;
        m_overlay.setDistance(calibration);
    }

    static cv::Mat blank(cv::Size size = k720) { return cv::Mat(size, CV_8UC3, kBackground); }

    // The frame putTextZH gives for these lines at these places.
    static cv::Mat reference(const std::vector<std::pair<std::string, cv::Point>>& lines, int size,
                             cv::Size frameSize = k720)
    {
        cv::Mat frame = blank(frameSize);
        for (const auto& line : lines) {
            putTextZH(frame, line.first.c_str(), line.second, kWhite, size, kFace);
        }
        return frame;
    }

    static bool same(const cv::Mat& a, const cv::Mat& b)
    {
        return cv::norm(a, b, cv::NORM_INF) == 0;
    }

    ProjectInfo m_info;
    Overlay m_overlay;
};

TEST_F(OverlayTest, DistanceTextIsCorrectedAndNeverNegative)
{
    EXPECT_EQ(m_overlay.distanceText(), QStringLiteral("10.75"));
    DistanceCalibration below;
    below.m_dCurrentReading = 1.0;
    below.m_dZeroReference = 3.0;
    m_overlay.setDistance(below);
    EXPECT_EQ(m_overlay.distanceText(), QStringLiteral("0.00"));
}

TEST_F(OverlayTest, DistanceChangesKeepTheOtherInputs)
{
    m_overlay.changeDistance([](DistanceCalibration& d) { d.m_dCurrentReading = 20.0; });
    m_overlay.changeDistance([](DistanceCalibration& d) {
        d.m_dZeroReference = 5.0;
        d.m_dStartDistance = 1.0;
    });
    EXPECT_EQ(m_overlay.distanceText(), QStringLiteral("16.00"));
    EXPECT_EQ(m_overlay.distanceCalibration().m_dCurrentReading, 20.0);
}

TEST_F(OverlayTest, DistanceAndDateLineSitOnRowThirteenWithDateCentred)
{
    cv::Mat frame = blank();
    m_overlay.drawDistanceAndDate(frame, kNow);
    // 1596 / 2 - (19 * 25) / 2 = 561; 13 * 51 = 663
    const cv::Mat expected =
        reference({{"10.75 M", {150, 663}}, {"2026-12-07 09:41:05", {561, 663}}}, 50);
    EXPECT_TRUE(same(frame, expected));
    const cv::Mat shifted =
        reference({{"10.75 M", {150, 664}}, {"2026-12-07 09:41:05", {561, 664}}}, 50);
    EXPECT_FALSE(same(frame, shifted));
    // Nothing above the line's top.
    EXPECT_TRUE(same(frame.rowRange(0, 663), blank().rowRange(0, 663)));
    EXPECT_FALSE(same(frame.rowRange(663, 720), blank().rowRange(663, 720)));
}

TEST_F(OverlayTest, HeaderHasElevenLabelledRowsFromRowTwo)
{
    cv::Mat frame = blank();
    m_overlay.WriteInfoBefore(frame);
    const std::vector<std::string> rows = {"项目编号：P-2026-17", "任务名称：雨污普查",
                                           "检测地点：人民路",    "起始井编号-结束井编号：W1-W2",
                                           "管道直径(mm)：800",   "检测方向：顺流",
                                           "管道类型：雨水管",    "管道材质：混凝土",
                                           "检测员：张伟",        "检测公司：华东管道检测",
                                           "工程描述：内壁腐蚀"};
    std::vector<std::pair<std::string, cv::Point>> lines;
    int y = 102;
    for (const auto& row : rows) {
        lines.push_back({row, {150, y}});
        y += 51;
    }
    EXPECT_EQ(lines.back().second.y, 612);
    EXPECT_TRUE(same(frame, reference(lines, 50)));

    // An empty value still draws its label.
    m_info.m_strNo.clear();
    m_overlay.setProjectInfo(m_info);
    cv::Mat emptyValue = blank();
    m_overlay.WriteInfoBefore(emptyValue);
    lines.front().first = "项目编号：";
    EXPECT_TRUE(same(emptyValue, reference(lines, 50)));
}

TEST_F(OverlayTest, FieldColumnRowsStepByHalfUnitAndSkippedFieldsTakeNoRow)
{
    const std::vector<std::string> all = {"华东管道检测", "张伟",   "P-2026-17", "雨污普查",
                                          "人民路",       "W1-W2",  "内壁腐蚀",  "800",
                                          "顺流",         "雨水管", "混凝土",    "自定义"};
    auto column = [](const std::vector<std::string>& texts) {
        std::vector<std::pair<std::string, cv::Point>> lines;
        int n = 1;
        for (const auto& text : texts) {
            lines.push_back({text, {150, n * 25}}); // U / 2 = 25
            ++n;
        }
        return lines;
    };
    cv::Mat frame = blank();
    m_overlay.WriteInfoAfter(frame);
    EXPECT_TRUE(same(frame, reference(column(all), 30)));

    // Inspector off, description empty, wells empty (the dash stays).
    Overlay::FieldFlags flags;
    flags.fill(true);
    flags[1] = false;
    m_overlay.setOverlayFields(flags);
    m_info.m_strDescription.clear();
    m_info.m_strStartWellNo.clear();
    m_info.m_strEndWellNo.clear();
    m_overlay.setProjectInfo(m_info);
    cv::Mat fewer = blank();
    m_overlay.WriteInfoAfter(fewer);
    EXPECT_TRUE(same(fewer, reference(column({"华东管道检测", "P-2026-17", "雨污普查", "人民路",
                                              "-", "800", "顺流", "雨水管", "混凝土", "自定义"}),
                                      30)));
}

TEST_F(OverlayTest, StartFlagOtherThanOneLeavesOnlyTheDistanceAndDateLine)
{
    m_info.m_strStartFlag = QStringLiteral("0");
    m_overlay.setProjectInfo(m_info);
    cv::Mat before = blank();
    m_overlay.WriteInfoBefore(before);
    cv::Mat after = blank();
    m_overlay.WriteInfoAfter(after);
    EXPECT_TRUE(same(before, blank()));
    EXPECT_TRUE(same(after, blank()));
    cv::Mat line = blank();
    m_overlay.drawDistanceAndDate(line, kNow);
    EXPECT_FALSE(same(line, blank()));
}

TEST_F(OverlayTest, ColourNameSelectsTheTextColour)
{
    m_info.m_strFontColor = QStringLiteral("红");
    m_overlay.setProjectInfo(m_info);
    cv::Mat frame(k720, CV_8UC3, cv::Scalar(0, 0, 0));
    m_overlay.drawDistanceAndDate(frame, kNow);
    std::vector<cv::Mat> channels;
    cv::split(frame, channels);
    EXPECT_EQ(cv::countNonZero(channels[0]), 0);
    EXPECT_EQ(cv::countNonZero(channels[1]), 0);
    EXPECT_GT(cv::countNonZero(channels[2]), 100);
}

TEST_F(OverlayTest, ReadersKeepTheVersionTheyStartedWith)
{
    const Overlay::FieldFlags flags = m_overlay.overlayFields();
    for (bool flag : flags) {
        EXPECT_TRUE(flag);
    }
    const ProjectInfo copy = m_overlay.projectInfo();
    m_info.m_strLocation = QStringLiteral("建设路");
    m_overlay.setProjectInfo(m_info);
    EXPECT_EQ(copy.m_strLocation, QStringLiteral("人民路"));
    EXPECT_EQ(m_overlay.projectInfo().m_strLocation, QStringLiteral("建设路"));
    EXPECT_EQ(m_overlay.customText(), QStringLiteral("自定义"));
}

TEST_F(OverlayTest, BurntInTextIsReadableByOcr)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    cv::Mat frame(cv::Size(1596, 1080), CV_8UC3, cv::Scalar(0, 0, 0));
    m_overlay.drawDistanceAndDate(frame, kNow);
    m_overlay.WriteInfoBefore(frame);
    const std::string image = dir.filePath(QStringLiteral("overlay.png")).toStdString();
    ASSERT_TRUE(cv::imwrite(image, frame));
    const std::string text = ocrText(image);
    EXPECT_NE(text.find("10.75M"), std::string::npos) << text;
    EXPECT_NE(text.find("2026-12-07"), std::string::npos) << text;
    EXPECT_NE(text.find("项目编号"), std::string::npos) << text;
    EXPECT_NE(text.find("检测地点"), std::string::npos) << text;
    EXPECT_NE(text.find("人民路"), std::string::npos) << text;
    EXPECT_NE(text.find("W1-W2"), std::string::npos) << text;
    EXPECT_NE(text.find("检测员"), std::string::npos) << text;
}

} // namespace
