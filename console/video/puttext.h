#pragma once

#include "overlaycanvas.h"

#include <opencv2/core.hpp>

// Draws text (UTF-8, "\n" separates lines, empty lines take no space) into an
// 8-bit one- or three-channel frame with the top-left corner of the text block
// at origin, in the given colour (per frame channel), font face and character
// height in pixels. Anti-aliased glyph coverage is blended per channel; the
// block is clipped at the frame edges. Texts longer than 4095 bytes and face
// names longer than 31 bytes are cut at a character boundary. Callable from
// any thread, with or without a Qt application: it makes no Qt font call (a
// font size below 1 draws nothing). Raises cv::Exception (assertion) for a frame
// without data, with neither 1 nor 3 channels or with samples other than
// 8-bit, and when the text bitmap cannot be allocated.
void putTextZH(cv::Mat& dst, const char* str, cv::Point org, cv::Scalar color, int fontSize,
               const char* fn, bool italic = false, bool underline = false);

// The same on any overlay canvas; a YUV picture is drawn on in the converted
// colour. A BGR canvas is checked as above.
void putTextZH(const OverlayCanvas& canvas, const char* str, cv::Point org, cv::Scalar color,
               int fontSize, const char* fn, bool italic = false, bool underline = false);
