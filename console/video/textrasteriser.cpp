#include "textrasteriser.h"

#include "fontlookup.h"

#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <QString>
#include <QVector>

#include <algorithm>
#include <vector>

namespace {

// Above this a device-independent bitmap cannot be created either; it also
// keeps absurd font sizes from exhausting memory.
constexpr int64_t kMaxBitmapBytes = int64_t{256} * 1024 * 1024;
// Outlines at every size (no embedded bitmaps), hinted vertically only: the
// glyph shapes and advances stay those of the design, as the widgets show them.
constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;

// 26.6 fixed point to whole pixels, halves up.
int pixels(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
}

// The text's non-empty lines as code points.
std::vector<std::u32string> splitLines(const std::string& text)
{
    std::vector<std::u32string> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > begin) {
            const QString line =
                QString::fromUtf8(text.data() + begin, static_cast<int>(end - begin));
            const QVector<uint> codes = line.toUcs4();
            lines.emplace_back(codes.begin(), codes.end());
        }
        begin = end + 1;
    }
    return lines;
}

// White painted over what is already there, as overlapping glyphs compose.
void paintOver(uint8_t& pixel, uint8_t coverage)
{
    pixel = static_cast<uint8_t>(coverage + pixel * (255 - coverage) / 255);
}

int underlineThickness(FT_Face face)
{
    return std::max(1, pixels(FT_MulFix(face->underline_thickness, face->size->metrics.y_scale)));
}

// First underline row below the baseline, placed as Qt places it for the
// widgets: its top rounded away from the baseline, but inside the descent.
int underlineRow(FT_Face face, int descent)
{
    const FT_Fixed scale = face->size->metrics.y_scale;
    const FT_Pos thickness = FT_MulFix(face->underline_thickness, scale);
    const FT_Pos top = -FT_MulFix(face->underline_position, scale) - thickness / 2;
    int row = static_cast<int>((top + 63) >> 6);
    if (top <= FT_Pos{descent} * 64) {
        row = std::min(row, descent - 1);
    }
    return row - (underlineThickness(face) - 1) / 2;
}

} // namespace

struct TextRasteriser::Glyph {
    FT_Face face;
    FT_UInt index;
    FT_Pos x; // pen position, 26.6
};

struct TextRasteriser::Line {
    std::vector<Glyph> glyphs;
    int width = 0;
};

TextRasteriser& TextRasteriser::forThisThread()
{
    thread_local TextRasteriser rasteriser;
    return rasteriser;
}

TextRasteriser::TextRasteriser()
{
    if (FT_Init_FreeType(&m_library) != 0) {
        m_library = nullptr;
    }
}

TextRasteriser::~TextRasteriser()
{
    for (const auto& entry : m_faces) {
        if (entry.second != nullptr) {
            FT_Done_Face(entry.second);
        }
    }
    if (m_library != nullptr) {
        FT_Done_FreeType(m_library);
    }
}

FT_Face TextRasteriser::face(const FontSource& source, int size)
{
    if (m_library == nullptr) {
        return nullptr;
    }
    const auto found = m_faces.find({source.file, source.index});
    FT_Face face = nullptr;
    if (found != m_faces.end()) {
        face = found->second;
    } else {
        if (FT_New_Face(m_library, source.file.c_str(), source.index, &face) != 0) {
            face = nullptr; // remembered, so a broken file is not reopened per text
        }
        m_faces.emplace(std::make_pair(source.file, source.index), face);
    }
    if (face == nullptr) {
        return nullptr;
    }
    if (face->size->metrics.y_ppem != size || face->size->metrics.x_ppem != size) {
        const FT_F26Dot6 height = FT_F26Dot6{size} * 64;
        if (FT_Set_Char_Size(face, height, height, 0, 0) != 0) {
            return nullptr;
        }
    }
    return face;
}

TextRasteriser::Line TextRasteriser::layOut(const std::u32string& text, const FontChain& chain,
                                            int size)
{
    Line line;
    FT_Pos pen = 0;
    FT_Face primary = face(chain.source(0), size);
    for (const char32_t character : text) {
        FT_Face glyphFace = face(chain.source(chain.sourceFor(character)), size);
        if (glyphFace == nullptr) {
            glyphFace = primary;
        }
        const FT_UInt index = FT_Get_Char_Index(glyphFace, character);
        FT_Fixed advance = 0; // 16.16, unhinted
        if (FT_Get_Advance(glyphFace, index, kLoadFlags, &advance) != 0) {
            advance = 0;
        }
        line.glyphs.push_back({glyphFace, index, pen});
        pen += advance >> 10;
    }
    line.width = pixels(pen);
    return line;
}

// One glyph into the rows top..bottom - 1 of a block width pixels wide.
void TextRasteriser::draw(const Glyph& glyph, bool oblique, int baseline, int top, int bottom,
                          int width, uint8_t* block)
{
    if (FT_Load_Glyph(glyph.face, glyph.index, kLoadFlags) != 0) {
        return;
    }
    FT_GlyphSlot slot = glyph.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        return;
    }
    // Faces without an italic style are slanted, as Qt does for widgets.
    if (oblique && (glyph.face->style_flags & FT_STYLE_FLAG_ITALIC) == 0) {
        FT_GlyphSlot_Oblique(slot);
    }
    // Qt's raster engine puts a glyph 1/64 pixel right of its pen; so does
    // this, which keeps the overlay's pixels as the widgets' text engine made them.
    FT_Outline_Translate(&slot->outline, (glyph.x & 63) + 1, 0);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 ||
        slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = static_cast<int>(glyph.x >> 6) + slot->bitmap_left;
    const int firstRow = baseline - slot->bitmap_top;
    const int rowBegin = std::max(top, firstRow);
    const int rowEnd = std::min(bottom, firstRow + static_cast<int>(bitmap.rows));
    const int columnBegin = std::max(0, left);
    const int columnEnd = std::min(width, left + static_cast<int>(bitmap.width));
    for (int y = rowBegin; y < rowEnd; ++y) {
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(y - firstRow) * bitmap.pitch;
        uint8_t* target = block + static_cast<size_t>(y) * width;
        for (int x = columnBegin; x < columnEnd; ++x) {
            paintOver(target[x], source[x - left]);
        }
    }
}

std::shared_ptr<const TextCoverage> TextRasteriser::render(const TextKey& key)
{
    const auto empty = [] {
        return std::make_shared<const TextCoverage>(0, 0, std::vector<uint8_t>());
    };
    const std::vector<std::u32string> texts = splitLines(key.text);
    if (texts.empty()) {
        return empty();
    }
    const int size = std::max(1, key.size);
    const auto chain = FontLookup::instance().chain(key.face, key.italic);
    FT_Face primary = chain->empty() ? nullptr : face(chain->source(0), size);
    if (primary == nullptr) {
        return empty(); // no font at all: nothing can be drawn
    }
    const int ascent = pixels(primary->size->metrics.ascender);
    const int lineHeight = ascent + pixels(-primary->size->metrics.descender);
    std::vector<Line> lines;
    int width = 0;
    for (const std::u32string& text : texts) {
        lines.push_back(layOut(text, *chain, size));
        width = std::max(width, lines.back().width);
    }
    const int64_t height = int64_t{lineHeight} * static_cast<int64_t>(lines.size());
    if (width <= 0 || height <= 0) {
        return empty();
    }
    if (width * height > kMaxBitmapBytes) {
        return nullptr;
    }
    std::vector<uint8_t> block(static_cast<size_t>(width) * static_cast<size_t>(height));
    const int underlineOffset = underlineRow(primary, lineHeight - ascent);
    const int thickness = underlineThickness(primary);
    for (size_t k = 0; k < lines.size(); ++k) {
        const int top = static_cast<int>(k) * lineHeight;
        const int bottom = top + lineHeight;
        const int baseline = top + ascent;
        for (const Glyph& glyph : lines[k].glyphs) {
            draw(glyph, key.italic, baseline, top, bottom, width, block.data());
        }
        if (key.underline) {
            const int first =
                std::max(top, std::min(baseline + underlineOffset, bottom - thickness));
            for (int y = first; y < std::min(bottom, first + thickness); ++y) {
                std::fill_n(block.data() + static_cast<size_t>(y) * width, lines[k].width, 255);
            }
        }
    }
    return std::make_shared<const TextCoverage>(width, static_cast<int>(height), std::move(block));
}
