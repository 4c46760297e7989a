#include "puttext.h"

#include "FontFaces.h"
#include "coveragecache.h"

#include <cstring>

namespace {

constexpr size_t kMaxTextBytes = 4095;
constexpr size_t kMaxFaceBytes = 31;
// The overlay's fourteen texts take well under 1 MB; the rest keeps recent
// date lines and bounds what unusually long texts can hold.
constexpr size_t kCacheBytes = size_t{32} * 1024 * 1024;
constexpr const char* kFunction = "putTextZH";
constexpr const char* kDefaultFamily = "WenQuanYi Zen Hei";

// The Windows face names map to the installed families as they do for the
// widgets; fontconfig then finds the family's files.
std::string resolveFace(const char* face)
{
    const std::string name = cutUtf8(face == nullptr ? "" : face, kMaxFaceBytes);
    if (name.empty()) {
        return kDefaultFamily;
    }
    return installedFamily(name);
}

[[noreturn]] void raiseAssertion(const char* message)
{
    cv::error(cv::Error::StsAssert, message, kFunction, __FILE__, __LINE__);
}

CoverageCache& coverageCache()
{
    static CoverageCache cache(kCacheBytes);
    return cache;
}

} // namespace

void putTextZH(cv::Mat& dst, const char* str, cv::Point org, cv::Scalar color, int fontSize,
               const char* fn, bool italic, bool underline)
{
    putTextZH(OverlayCanvas(dst), str, org, color, fontSize, fn, italic, underline);
}

void putTextZH(const OverlayCanvas& canvas, const char* str, cv::Point org, cv::Scalar color,
               int fontSize, const char* fn, bool italic, bool underline)
{
    if (str == nullptr || str[0] == '\0') {
        return;
    }
    if (const cv::Mat* dst = canvas.frame()) {
        if (!(dst->data != nullptr && (dst->channels() == 1 || dst->channels() == 3))) {
            raiseAssertion("dst.data != 0 && (dst.channels() == 1 || dst.channels() == 3)");
        }
        // Any other sample type would be blended as bytes into the wrong places.
        if (dst->depth() != CV_8U) {
            raiseAssertion("dst.depth() == CV_8U");
        }
    }
    if (org.x > canvas.cols() || org.y > canvas.rows()) {
        return;
    }
    if (fontSize <= 0) {
        return;
    }
    const TextKey key{cutUtf8(str, kMaxTextBytes), resolveFace(fn), fontSize, italic, underline};
    const std::shared_ptr<const TextCoverage> coverage = coverageCache().get(key);
    if (!coverage) {
        raiseAssertion("pDibData != 0");
    }
    canvas.blend(*coverage, org, color);
}
