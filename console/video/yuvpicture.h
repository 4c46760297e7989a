// A decoded picture kept as YUV 4:2:0 and converted to the painter's RGB32
// only when it is painted, straight into the window's backing store: the GUI
// thread neither converts twice nor copies the picture once more.
#pragma once

#include <QImage>
#include <QSize>

#include <opencv2/core/mat.hpp>

class QPainter;

namespace yuvpicture {

// A contiguous YV12 picture (height * 3 / 2 rows) as an RGB32 image of its
// own.
QImage toImage(const cv::Mat& yv12);

// Paints the picture's top left view pixels into the painter's backing store
// at the widget's place, where the widget is to be painted (not under a
// sibling above it). False, painting nothing, unless the painter draws
// untransformed into an RGB32 image.
bool paintInPlace(QPainter& painter, QSize view, const cv::Mat& yv12);

} // namespace yuvpicture
