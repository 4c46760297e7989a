#pragma once

#include "textcoverage.h"

#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

// Rendered text blocks up to a memory budget, least recently used dropped
// first. The overlay draws the same few texts on every frame, so nearly every
// call is a hit.
class CoverageCache {
public:
    explicit CoverageCache(size_t maxBytes);

    // The coverage of key, rendered on a miss; nullptr when it cannot be
    // rendered (not cached). Safe to call from any thread.
    std::shared_ptr<const TextCoverage> get(const TextKey& key);
    size_t size() const;
    size_t bytes() const;

private:
    using Entry = std::pair<TextKey, std::shared_ptr<const TextCoverage>>;

    const size_t m_maxBytes;
    size_t m_bytes = 0;
    mutable std::mutex m_mutex;
    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<TextKey, std::list<Entry>::iterator, TextKeyHash> m_index;
};
