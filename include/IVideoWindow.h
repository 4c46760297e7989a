// A display surface a camera library can render into. The camera
// libraries take it as an opaque window handle.
#pragma once

#include <opencv2/core/mat.hpp>

#include "VideoPlanes.h"

class IVideoWindow {
public:
    virtual ~IVideoWindow() = default;
    // Shows one 8-bit BGR frame. May be called from any thread.
    virtual void ShowFrame(const cv::Mat& frame) = 0;
    // Shows a decoded picture as the decoder left it. A window that can take
    // YUV scales and converts it once, into its own size and format; others
    // get the picture as a BGR frame. Any thread.
    virtual void ShowPlanes(const VideoPlanes& picture)
    {
        if (picture.valid())
            ShowFrame(picture.toBgr());
    }
    // False while nobody can see the window (a view switched off): a library
    // then need not make the frame at all and calls FrameSkipped in place of
    // ShowFrame, so the window still learns that pictures arrive. Any thread.
    virtual bool IsShown() const { return true; }
    virtual void FrameSkipped() {}
};

// The native window handle of the camera interfaces.
using VideoWindowHandle = void*;

inline VideoWindowHandle ToWindowHandle(IVideoWindow* window)
{
    return window;
}
inline IVideoWindow* FromWindowHandle(VideoWindowHandle handle)
{
    return static_cast<IVideoWindow*>(handle);
}
