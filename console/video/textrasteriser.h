// Renders text blocks with FreeType. FreeType objects must not be used from
// two threads at once, so every thread that draws gets its own rasteriser
// (its own FT_Library and opened faces), made on its first text and freed
// when that thread ends. No Qt font or text-layout call is made here: camera
// threads draw while the GUI thread lays out its labels.
#pragma once

#include "textcoverage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <memory>
#include <string>
#include <utility>

class FontChain;
struct FontSource;

class TextRasteriser {
public:
    // The calling thread's rasteriser.
    static TextRasteriser& forThisThread();

    TextRasteriser();
    ~TextRasteriser();
    TextRasteriser(const TextRasteriser&) = delete;
    TextRasteriser& operator=(const TextRasteriser&) = delete;

    // As TextCoverage::render: line height = ascent + descent of the matched
    // face, line width = its glyphs' advances (unhinted, summed, rounded).
    std::shared_ptr<const TextCoverage> render(const TextKey& key);

private:
    struct Glyph;
    struct Line;

    // The source's face at the key's size; nullptr when it cannot be opened.
    FT_Face face(const FontSource& source, int size);
    Line layOut(const std::u32string& text, const FontChain& chain, int size);
    void draw(const Glyph& glyph, bool oblique, int baseline, int top, int bottom, int width,
              uint8_t* pixels);

    FT_Library m_library = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> m_faces;
};
