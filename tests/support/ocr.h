// What OCR (tesseract, Simplified Chinese and English) reads in a picture
// file, without spaces and line breaks.
#pragma once

#include "mediaprobe.h"

#include <string>

inline std::string ocrText(const std::string& imagePath)
{
    std::string text =
        runCommand("tesseract '" + imagePath + "' stdout -l chi_sim+eng --psm 6 2>/dev/null");
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '\n') {
            out += c;
        }
    }
    return out;
}
