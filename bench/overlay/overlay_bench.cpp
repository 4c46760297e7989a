// Prints the cost of burning the console overlay (a distance/date line at
// size 50 and a column of twelve Chinese fields at size 30) into 1596 x 1080
// frames with putTextZH, next to FFmpeg's drawtext filter burning the same
// fourteen lines single-threaded, measured in the same run.
//
//   overlay_bench [frames]

#include "puttext.h"

#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const cv::Size kFrameSize(1596, 1080);
constexpr int kFps = 25;
constexpr int kDefaultFrames = 250;
constexpr int kFfmpegFrames = 100;
constexpr int kFfmpegRepeats = 3;
constexpr int kLargeSize = 50;
constexpr int kSmallSize = 30;
constexpr int kLeft = 150;
constexpr const char* kFace = "宋体";
constexpr const char* kFontFile = "/usr/share/fonts/truetype/arphic/uming.ttc";

struct Line {
    std::string text;
    cv::Point origin;
    int size;
};

const char* const kFields[] = {
    "华东市政管道检测有限公司",
    "检测员张伟",
    "项目编号甲乙丙丁",
    "雨污合流管网普查",
    "人民路与建设路交叉口",
    "甲一号井-甲二号井",
    "管道内壁腐蚀与渗漏检查",
    "八百毫米",
    "顺流检测",
    "雨污合流",
    "钢筋混凝土管",
    "自定义叠加文字",
};

std::string dateText(int second)
{
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-07 09:%02d:%02d", (second / 60) % 60, second % 60);
    return text;
}

// The fourteen lines of one frame, placed as the console places them.
std::vector<Line> overlayLines(int frameIndex)
{
    const int unit = kFrameSize.height / 14;
    const std::string date = dateText(frameIndex / kFps);
    std::vector<Line> lines;
    lines.push_back({"12.75 M", {kLeft, 13 * unit}, kLargeSize});
    lines.push_back({date,
                     {kFrameSize.width / 2 - (static_cast<int>(date.size()) * 25) / 2, 13 * unit},
                     kLargeSize});
    int y = unit / 2;
    for (const char* field : kFields) {
        lines.push_back({field, {kLeft, y}, kSmallSize});
        y += unit / 2;
    }
    return lines;
}

cv::Mat makeFrame()
{
    cv::Mat frame(kFrameSize, CV_8UC3);
    for (int y = 0; y < frame.rows; ++y) {
        auto* row = frame.ptr<cv::Vec3b>(y);
        for (int x = 0; x < frame.cols; ++x) {
            row[x] = cv::Vec3b(static_cast<uchar>(x / 7), static_cast<uchar>(y / 5), 90);
        }
    }
    return frame;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Wall time of ffmpeg reading `frames` raw frames from a pipe, with the given
// filter chain (empty: none).
double ffmpegSeconds(const cv::Mat& frame, int frames, const std::string& filter)
{
    std::string command = "ffmpeg -v error -hide_banner -filter_threads 1 -f rawvideo "
                          "-pix_fmt bgr24 -s " +
                          std::to_string(kFrameSize.width) + "x" +
                          std::to_string(kFrameSize.height) + " -r " + std::to_string(kFps) +
                          " -i - -threads 1";
    if (!filter.empty()) {
        command += " -vf \"" + filter + "\"";
    }
    command += " -f null -";
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "w");
    if (pipe == nullptr) {
        return -1;
    }
    const size_t bytes = frame.total() * frame.elemSize();
    for (int i = 0; i < frames; ++i) {
        if (std::fwrite(frame.data, 1, bytes, pipe) != bytes) {
            pclose(pipe);
            return -1;
        }
    }
    if (pclose(pipe) != 0) {
        return -1;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// drawtext filters for the lines of the first frame; texts go through files
// so no filter-graph escaping is needed.
std::string drawtextChain(const std::vector<Line>& lines, const fs::path& folder)
{
    std::string chain;
    for (size_t i = 0; i < lines.size(); ++i) {
        const fs::path file = folder / ("line" + std::to_string(i) + ".txt");
        std::ofstream(file) << lines[i].text;
        if (!chain.empty()) {
            chain += ",";
        }
        chain += "drawtext=fontfile=" + std::string(kFontFile) + ":textfile=" + file.string() +
                 ":expansion=none:fontcolor=white:fontsize=" + std::to_string(lines[i].size) +
                 ":x=" + std::to_string(lines[i].origin.x) +
                 ":y=" + std::to_string(lines[i].origin.y);
    }
    return chain;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultFrames;
    const cv::Mat source = makeFrame();
    const cv::Scalar white(255, 255, 255);

    std::vector<double> perFrame;
    cv::Mat frame;
    for (int i = 0; i < frames; ++i) {
        source.copyTo(frame);
        const std::vector<Line> lines = overlayLines(i);
        const auto start = Clock::now();
        for (const Line& line : lines) {
            putTextZH(frame, line.text.c_str(), line.origin, white, line.size, kFace);
        }
        perFrame.push_back(milliseconds(Clock::now() - start));
    }
    std::vector<double> warm(perFrame.begin() + 1, perFrame.end());
    std::printf("putTextZH overlay, %d frames of %dx%d, 14 lines (date changes every %d frames)\n",
                frames, kFrameSize.width, kFrameSize.height, kFps);
    std::printf("  first frame (cold cache): %.3f ms\n", perFrame.front());
    if (!warm.empty()) {
        std::printf("  median %.3f ms  p95 %.3f ms  max %.3f ms\n", median(warm),
                    percentile(warm, 0.95), *std::max_element(warm.begin(), warm.end()));
    }

    const fs::path folder =
        fs::temp_directory_path() / ("overlay-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string chain = drawtextChain(overlayLines(0), folder);
    std::vector<double> plain;
    std::vector<double> filtered;
    for (int r = 0; r < kFfmpegRepeats; ++r) {
        plain.push_back(ffmpegSeconds(source, kFfmpegFrames, ""));
        filtered.push_back(ffmpegSeconds(source, kFfmpegFrames, chain));
    }
    fs::remove_all(folder);
    if (*std::min_element(plain.begin(), plain.end()) < 0 ||
        *std::min_element(filtered.begin(), filtered.end()) < 0) {
        std::printf("ffmpeg drawtext: could not run ffmpeg\n");
        return 1;
    }
    const double drawtextMs = (median(filtered) - median(plain)) * 1000.0 / kFfmpegFrames;
    std::printf("ffmpeg drawtext (14 filters, single thread), %d frames x %d runs\n", kFfmpegFrames,
                kFfmpegRepeats);
    std::printf("  with filter %.3f s  without %.3f s  (medians)\n", median(filtered),
                median(plain));
    std::printf("  drawtext per frame %.3f ms\n", drawtextMs);
    if (!warm.empty() && drawtextMs > 0) {
        std::printf("ratio putTextZH / drawtext (median per frame): %.3f\n",
                    median(warm) / drawtextMs);
    }
    return 0;
}
