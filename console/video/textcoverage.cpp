#include "textcoverage.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace {

// Above this a device-independent bitmap cannot be created either; it also
// keeps absurd font sizes from exhausting memory.
constexpr int64_t kMaxBitmapBytes = int64_t{256} * 1024 * 1024;

} // namespace

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
    QFont font(QString::fromStdString(key.face));
    font.setPixelSize(std::max(1, key.size));
    font.setWeight(QFont::Normal);
    font.setItalic(key.italic);
    font.setUnderline(key.underline);
    const QFontMetrics metrics(font);

    const QStringList lines = QString::fromStdString(key.text).split('\n', Qt::SkipEmptyParts);
    int width = 0;
    for (const QString& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    const int lineHeight = metrics.height();
    const int64_t height = int64_t{lineHeight} * lines.size();
    if (width <= 0 || height <= 0) {
        return std::make_shared<const TextCoverage>(0, 0, std::vector<uint8_t>());
    }
    if (width * height > kMaxBitmapBytes) {
        return nullptr;
    }
    QImage image(width, static_cast<int>(height), QImage::Format_Grayscale8);
    if (image.isNull()) {
        return nullptr;
    }
    image.fill(0);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int k = 0; k < lines.size(); ++k) {
        painter.drawText(0, k * lineHeight + metrics.ascent(), lines[k]);
    }
    painter.end();

    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < image.height(); ++y) {
        std::copy_n(image.constScanLine(y), width, pixels.data() + static_cast<size_t>(y) * width);
    }
    return std::make_shared<const TextCoverage>(width, image.height(), std::move(pixels));
}
