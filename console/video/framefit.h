// A frame brought to another size without distorting it: scaled as a whole
// to fit, centred, with black bars where the shapes differ. A camera that
// changes its resolution mid-stream keeps its proportions in the view and in
// a recording of the first frame's size.
#pragma once

#include <opencv2/core.hpp>

// frame scaled (area interpolation when shrinking) into size; frame itself
// when it already has that size.
cv::Mat fitInto(const cv::Mat& frame, cv::Size size);
