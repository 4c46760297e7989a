#include "textcoverage.h"

#include "textrasteriser.h"

#include <functional>

bool TextKey::operator==(const TextKey& other) const
{
    return size == other.size && italic == other.italic && underline == other.underline &&
           text == other.text && face == other.face;
}

size_t TextKeyHash::operator()(const TextKey& key) const
{
    size_t hash = std::hash<std::string>()(key.text);
    const auto mix = [&hash](size_t value) {
        hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    };
    mix(std::hash<std::string>()(key.face));
    mix(static_cast<size_t>(key.size));
    mix((key.italic ? 1U : 0U) | (key.underline ? 2U : 0U));
    return hash;
}

std::string cutUtf8(const char* text, size_t maxBytes)
{
    size_t length = 0;
    while (length <= maxBytes && text[length] != '\0') {
        ++length;
    }
    if (length <= maxBytes) {
        return std::string(text, length);
    }
    // text[maxBytes] exists: step back while it continues a character.
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text, cut);
}

TextCoverage::TextCoverage(int width, int height, std::vector<uint8_t> pixels)
    : m_width(width), m_height(height), m_pixels(std::move(pixels))
{
    m_rowRuns.reserve(static_cast<size_t>(height) + 1);
    for (int y = 0; y < height; ++y) {
        m_rowRuns.push_back(m_runs.size());
        const uint8_t* line = row(y);
        for (int x = 0; x < width;) {
            if (line[x] == 0) {
                ++x;
                continue;
            }
            const int begin = x;
            while (x < width && line[x] != 0) {
                ++x;
            }
            m_runs.push_back({begin, x});
        }
    }
    m_rowRuns.push_back(m_runs.size());
}

size_t TextCoverage::bytes() const
{
    return m_pixels.size() + m_runs.size() * sizeof(Run) + m_rowRuns.size() * sizeof(size_t);
}

std::shared_ptr<const TextCoverage> TextCoverage::render(const TextKey& key)
{
    return TextRasteriser::forThisThread().render(key);
}
