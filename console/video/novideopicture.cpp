#include "novideopicture.h"

#include "coverageblend.h"
#include "textcoverage.h"

#include <QGuiApplication>

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace {

// The lines start below the placeholder's own "无视频信号" and stay above
// the overlay's lowest row; they are one overlay row (a fourteenth) high.
constexpr double kFirstLine = 0.74;
constexpr int kRowsPerPicture = 14;
constexpr double kLineSpacing = 1.3;
constexpr int kMinTextSize = 10;
constexpr const char* kFace = "WenQuanYi Zen Hei";
const cv::Scalar kWhite(255, 255, 255);

} // namespace

cv::Mat noVideoPicture(const cv::Mat& base, cv::Size size, const QStringList& lines)
{
    cv::Mat picture;
    if (base.empty())
        picture = cv::Mat(size, CV_8UC3, cv::Scalar::all(0));
    else
        cv::resize(base, picture, size, 0, 0, cv::INTER_AREA);
    // Fonts need a QGuiApplication's font database.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return picture;
    const int textSize = std::max(size.height / kRowsPerPicture, kMinTextSize);
    int top = static_cast<int>(size.height * kFirstLine);
    for (const QString& line : lines) {
        const QByteArray text = line.toUtf8();
        const auto coverage = TextCoverage::render({text.toStdString(), kFace, textSize});
        if (coverage) {
            const int left = (size.width - coverage->width()) / 2;
            blendCoverage(picture, *coverage, {left, top}, kWhite);
        }
        top += static_cast<int>(textSize * kLineSpacing);
    }
    return picture;
}
