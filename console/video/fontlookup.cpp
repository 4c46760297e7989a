#include "fontlookup.h"

FontChain::~FontChain()
{
    for (FcCharSet* charset : m_charsets) {
        FcCharSetDestroy(charset);
    }
}

void FontChain::add(FontSource source, FcCharSet* charset)
{
    m_sources.push_back(std::move(source));
    m_charsets.push_back(FcCharSetCopy(charset));
}

size_t FontChain::sourceFor(char32_t character) const
{
    for (size_t i = 0; i < m_charsets.size(); ++i) {
        if (FcCharSetHasChar(m_charsets[i], character)) {
            return i;
        }
    }
    return 0;
}

FontLookup& FontLookup::instance()
{
    static FontLookup lookup;
    return lookup;
}

FontLookup::FontLookup() : m_config(FcInitLoadConfigAndFonts())
{
}

FontLookup::~FontLookup()
{
    // The chains' charsets may point into the configuration's caches.
    m_chains.clear();
    if (m_config != nullptr) {
        FcConfigDestroy(m_config);
    }
}

std::shared_ptr<const FontChain> FontLookup::chain(const std::string& family, bool italic)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<const FontChain>& entry = m_chains[{family, italic}];
    if (!entry) {
        entry = build(family, italic);
    }
    return entry;
}

std::shared_ptr<const FontChain> FontLookup::build(const std::string& family, bool italic) const
{
    auto chain = std::make_shared<FontChain>();
    if (m_config == nullptr) {
        return chain;
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(m_config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    // Trimmed: only fonts that add characters the ones before lack.
    FcFontSet* fonts = FcFontSort(m_config, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    if (fonts == nullptr) {
        return chain;
    }
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* file = nullptr;
        FcCharSet* charset = nullptr;
        int index = 0;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) {
            continue;
        }
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
        chain->add({reinterpret_cast<const char*>(file), index}, charset);
    }
    FcFontSetDestroy(fonts);
    return chain;
}
