// A display surface a camera library can render into. The camera
// libraries take it as an opaque window handle.
#pragma once

#include <opencv2/core/mat.hpp>

class IVideoWindow {
public:
    virtual ~IVideoWindow() = default;
    // Shows one 8-bit BGR frame. May be called from any thread.
    virtual void ShowFrame(const cv::Mat& frame) = 0;
};

// The native window handle of the camera interfaces.
using VideoWindowHandle = void*;

inline VideoWindowHandle ToWindowHandle(IVideoWindow* window) { return window; }
inline IVideoWindow* FromWindowHandle(VideoWindowHandle handle)
{
    return static_cast<IVideoWindow*>(handle);
}
