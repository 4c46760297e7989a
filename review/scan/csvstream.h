// The RFC 4180 records of a CSV file read a block at a time, within bounds:
// a path may name something that never ends (a link to a device, a file
// still growing without line breaks), and reading it must neither take the
// memory nor the time of the whole.
#pragma once

#include <QByteArray>
#include <QFile>

#include <vector>

class CsvStream {
public:
    // One field of a record, pointing into the stream's buffer until the
    // next call of next(). Quoted fields keep their quotes; see unquoted().
    struct Field {
        const char* begin;
        const char* end;
    };
    using Record = std::vector<Field>;

    enum class Stop {
        Reading,       // not stopped yet
        End,           // the whole input was read
        RecordTooLong, // a record longer than kMaxRecordBytes
        TooLarge,      // more than maxBytes in all
        ReadError,
    };

    static constexpr int kMaxRecordBytes = 64 * 1024;
    static constexpr int kBlockBytes = 64 * 1024;

    CsvStream(QFile& in, qint64 maxBytes) : m_in(in), m_maxBytes(maxBytes) {}

    // The next record; false when reading stopped (stop() tells why).
    // complete tells whether the record ended with a line break (the last one
    // of a file still being written may not).
    bool next(Record& fields, bool& complete);
    Stop stop() const { return m_stop; }
    // Records returned so far.
    int records() const { return m_records; }

    // A field without its enclosing quotes; numbers and names hold no quote inside.
    static Field unquoted(Field field);

private:
    // Appends the next block; false at the end of the input or a bound.
    bool fill();

    QFile& m_in;
    const qint64 m_maxBytes;
    qint64 m_read = 0;
    QByteArray m_buffer;
    int m_at = 0; // start of the next record in m_buffer
    Stop m_stop = Stop::Reading;
    int m_records = 0;
};
