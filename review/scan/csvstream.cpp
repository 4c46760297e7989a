#include "csvstream.h"

namespace {

// The record that starts at p, up to its line break or end; p is left after
// it. Returns whether a line break ended it.
bool parseRecord(const char*& p, const char* end, CsvStream::Record& fields)
{
    fields.clear();
    const char* start = p;
    bool quoted = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted; // a doubled quote toggles twice
        } else if (!quoted && c == ',') {
            fields.push_back({start, p});
            start = p + 1;
        } else if (!quoted && c == '\n') {
            fields.push_back({start, p > start && p[-1] == '\r' ? p - 1 : p});
            ++p;
            return true;
        }
    }
    fields.push_back({start, p});
    return false;
}

} // namespace

bool CsvStream::next(Record& fields, bool& complete)
{
    if (m_stop != Stop::Reading) {
        return false;
    }
    while (true) {
        const char* const data = m_buffer.constData();
        const char* p = data + m_at;
        const char* const end = data + m_buffer.size();
        complete = p < end && parseRecord(p, end, fields);
        if (complete) {
            m_at = static_cast<int>(p - data);
            ++m_records;
            return true;
        }
        if (m_buffer.size() - m_at > kMaxRecordBytes) {
            m_stop = Stop::RecordTooLong;
            return false;
        }
        if (!fill()) {
            // What is left is a last record without its line break.
            if (m_stop == Stop::End && m_at < m_buffer.size()) {
                const char* rest = m_buffer.constData() + m_at;
                parseRecord(rest, m_buffer.constData() + m_buffer.size(), fields);
                m_at = static_cast<int>(m_buffer.size());
                ++m_records;
                return true;
            }
            return false;
        }
    }
}

bool CsvStream::fill()
{
    m_buffer.remove(0, m_at);
    m_at = 0;
    const QByteArray block = m_in.read(kBlockBytes);
    if (block.isEmpty()) {
        m_stop = m_in.error() == QFileDevice::NoError ? Stop::End : Stop::ReadError;
        return false;
    }
    m_read += block.size();
    if (m_read > m_maxBytes) {
        m_stop = Stop::TooLarge;
        return false;
    }
    m_buffer += block;
    return true;
}

CsvStream::Field CsvStream::unquoted(Field f)
{
    if (f.end - f.begin >= 2 && *f.begin == '"' && f.end[-1] == '"') {
        return {f.begin + 1, f.end - 1};
    }
    return f;
}
