// Which font files draw a family: the face fontconfig matches first, then the
// ones it would fall back to for characters the first lacks. Kept apart from
// Qt's own font lookup: a private fontconfig configuration that only this
// class touches, under its lock, so camera threads never share state with the
// GUI thread's fonts.
#pragma once

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct FontSource {
    std::string file;
    int index = 0; // face in a collection (.ttc)
};

// Immutable once made; shared by every thread that draws the family.
class FontChain {
public:
    FontChain() = default;
    ~FontChain();
    FontChain(const FontChain&) = delete;
    FontChain& operator=(const FontChain&) = delete;

    // Takes a reference to charset.
    void add(FontSource source, FcCharSet* charset);
    bool empty() const { return m_sources.empty(); }
    const FontSource& source(size_t i) const { return m_sources[i]; }
    // The first source that has a glyph for the character; 0 (the matched
    // face, whose missing-glyph box is then drawn) when none has.
    size_t sourceFor(char32_t character) const;

private:
    std::vector<FontSource> m_sources;
    std::vector<FcCharSet*> m_charsets;
};

class FontLookup {
public:
    // The process's lookup, made on first use.
    static FontLookup& instance();

    FontLookup();
    ~FontLookup();
    FontLookup(const FontLookup&) = delete;
    FontLookup& operator=(const FontLookup&) = delete;

    // The fonts for a family at normal weight, upright or italic. Empty when
    // fontconfig knows no font at all. Any thread.
    std::shared_ptr<const FontChain> chain(const std::string& family, bool italic);

private:
    std::shared_ptr<const FontChain> build(const std::string& family, bool italic) const;

    std::mutex m_mutex;
    FcConfig* m_config; // before the chains: their charsets live in its caches
    std::map<std::pair<std::string, bool>, std::shared_ptr<const FontChain>> m_chains;
};
