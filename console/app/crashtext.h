// Text output for crash reports that is safe inside a signal handler: no
// allocation, no locks, no stdio; fixed buffers and write(2) only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {

class ReportOut {
public:
    explicit ReportOut(int fd) : m_fd(fd) {}

    int fd() const { return m_fd; }
    void write(const char* data, size_t size) const;
    void text(const char* text) const;
    void number(long value) const;
    // "0x" and sixteen hex digits.
    void hex(uintptr_t value) const;

private:
    int m_fd;
};

// Decimal text of a value, at least width digits, into out (24 bytes are
// enough); returns its length.
size_t formatNumber(long value, int width, char* out);

// yyyyMMddhhmmss of the local time at the given offset from UTC, into out
// (15 bytes are enough).
void formatLocalTime(long utcOffsetSeconds, char* out);

} // namespace crash
