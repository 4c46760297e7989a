#pragma once

#include "textcoverage.h"

#include <opencv2/core.hpp>

// Blends a text block with its top-left corner at origin into an 8-bit one-
// or three-channel frame: per channel c, v = a * colour[c] + (1 - a) * pixel
// with a = coverage / 255, truncated and clamped to 0..255. The block is
// clipped at every frame edge; pixels outside it are never touched.
void blendCoverage(cv::Mat& dst, const TextCoverage& coverage, cv::Point origin,
                   const cv::Scalar& colour);

// Blends a text block into one chroma plane of a YUV 4:2:0 picture: each
// chroma sample takes the mean coverage of the two by two luma pixels it
// stands for; origin is in luma pixels. The value is the plane's component
// of the text colour.
void blendCoverageHalf(cv::Mat& plane, const TextCoverage& coverage, cv::Point origin,
                       double value);
