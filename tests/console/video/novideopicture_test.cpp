#include "novideopicture.h"

#include "guiapp.h"
#include "ocr.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

TEST(NoVideoPicture, LinesAreReadableAndCentredBelowThePicturesOwnText)
{
    ensureGuiApp();
    const cv::Mat base(720, 1280, CV_8UC3, cv::Scalar(40, 30, 30));
    const cv::Size size(1596, 1080);
    const cv::Mat picture = noVideoPicture(
        base, size, {QStringLiteral("视频信号中断 00:01:05"), QStringLiteral("用户名或密码错误")});
    ASSERT_EQ(picture.size(), size);
    // The text is white on the dark picture, in its lower part, centred.
    cv::Mat white;
    cv::inRange(picture, cv::Scalar::all(200), cv::Scalar::all(255), white);
    const cv::Rect text = cv::boundingRect(white);
    EXPECT_GT(text.y, size.height * 7 / 10);
    EXPECT_LT(text.br().y, size.height * 13 / 14);
    EXPECT_NEAR(text.x + text.width / 2, size.width / 2, 10);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string image = dir.filePath(QStringLiteral("novideo.png")).toStdString();
    ASSERT_TRUE(
        cv::imwrite(image, picture(cv::Rect(0, text.y - 20, size.width, text.height + 40))));
    const std::string read = ocrText(image);
    EXPECT_NE(read.find("视频信号中断"), std::string::npos) << read;
    EXPECT_NE(read.find("00:01:05"), std::string::npos) << read;
    EXPECT_NE(read.find("用户名或密码错误"), std::string::npos) << read;
}

TEST(NoVideoPicture, WithoutAPictureTheBaseIsBlack)
{
    ensureGuiApp();
    const cv::Mat picture = noVideoPicture(cv::Mat(), cv::Size(400, 400), {});
    ASSERT_EQ(picture.size(), cv::Size(400, 400));
    EXPECT_EQ(cv::countNonZero(picture.reshape(1)), 0);
}

} // namespace
