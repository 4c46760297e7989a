#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What identifies a rendered text block: the same key always gives the same
// coverage, so blocks can be cached and shared between threads.
struct TextKey {
    std::string text; // UTF-8, "\n" separates lines
    std::string face; // resolved font family
    int size = 0;     // character height in pixels
    bool italic = false;
    bool underline = false;

    bool operator==(const TextKey& other) const;
};

struct TextKeyHash {
    size_t operator()(const TextKey& key) const;
};

// Longest prefix of text of at most maxBytes bytes that ends on a UTF-8
// character boundary.
std::string cutUtf8(const char* text, size_t maxBytes);

// Coverage of a text block painted white on black: one byte per pixel, row 0
// at the top. Width = widest line, height = number of lines x tallest line.
// Runs of non-zero coverage let the blend skip the empty background.
class TextCoverage {
public:
    struct Run {
        int begin; // first column
        int end;   // one past the last column
    };

    // Takes a width x height row-major coverage.
    TextCoverage(int width, int height, std::vector<uint8_t> pixels);

    // Renders the key's lines with FreeType on the calling thread (any
    // thread); empty lines take no space. Returns nullptr when the bitmap
    // cannot be allocated, an empty block when no font can be found.
    static std::shared_ptr<const TextCoverage> render(const TextKey& key);

    int width() const { return m_width; }
    int height() const { return m_height; }
    const uint8_t* row(int y) const { return m_pixels.data() + static_cast<size_t>(y) * m_width; }
    const Run* runsBegin(int y) const { return m_runs.data() + m_rowRuns[y]; }
    const Run* runsEnd(int y) const { return m_runs.data() + m_rowRuns[y + 1]; }
    // Memory held by the pixels and the runs.
    size_t bytes() const;

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_pixels;
    std::vector<Run> m_runs;
    std::vector<size_t> m_rowRuns; // index of each row's first run, plus the end
};
