#include "coveragecache.h"

CoverageCache::CoverageCache(size_t maxBytes) : m_maxBytes(maxBytes)
{
}

std::shared_ptr<const TextCoverage> CoverageCache::get(const TextKey& key)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_index.find(key);
        if (found != m_index.end()) {
            m_entries.splice(m_entries.begin(), m_entries, found->second);
            return found->second->second;
        }
    }
    // Render without the lock: other threads keep drawing their cached texts.
    std::shared_ptr<const TextCoverage> coverage = TextCoverage::render(key);
    if (!coverage) {
        return coverage;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        // Another thread rendered it meanwhile; both results are identical.
        return found->second->second;
    }
    m_entries.emplace_front(key, coverage);
    m_index.emplace(key, m_entries.begin());
    m_bytes += coverage->bytes();
    // The newest entry stays even when it alone exceeds the budget.
    while (m_bytes > m_maxBytes && m_entries.size() > 1) {
        m_bytes -= m_entries.back().second->bytes();
        m_index.erase(m_entries.back().first);
        m_entries.pop_back();
    }
    return coverage;
}

size_t CoverageCache::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

size_t CoverageCache::bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}
