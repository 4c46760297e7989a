#include "crashtext.h"

#include <cstring>
#include <ctime>

#include <unistd.h>

namespace crash {

namespace {

constexpr long kSecondsPerDay = 86400;

} // namespace

void ReportOut::write(const char* data, size_t size) const
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void ReportOut::text(const char* text) const
{
    write(text, std::strlen(text));
}

void ReportOut::number(long value) const
{
    char text[24];
    write(text, formatNumber(value, 1, text));
}

void ReportOut::hex(uintptr_t value) const
{
    char text[2 + 2 * sizeof value];
    text[0] = '0';
    text[1] = 'x';
    for (size_t i = 0; i < 2 * sizeof value; ++i) {
        const unsigned digit = (value >> (4 * (2 * sizeof value - 1 - i))) & 0xF;
        text[2 + i] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
    }
    write(text, sizeof text);
}

size_t formatNumber(long value, int width, char* out)
{
    char digits[24];
    size_t count = 0;
    const bool negative = value < 0;
    unsigned long rest =
        negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0 || static_cast<int>(count) < width);
    size_t length = 0;
    if (negative)
        out[length++] = '-';
    while (count > 0)
        out[length++] = digits[--count];
    out[length] = '\0';
    return length;
}

// Days-to-civil without libc, whose time functions may take locks.
void formatLocalTime(long utcOffsetSeconds, char* out)
{
    const long local = static_cast<long>(::time(nullptr)) + utcOffsetSeconds;
    long days = local / kSecondsPerDay;
    long seconds = local % kSecondsPerDay;
    if (seconds < 0) {
        seconds += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    const long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const long fields[][2] = {
        {year, 4},        {month, 2}, {day, 2}, {seconds / 3600, 2}, {seconds / 60 % 60, 2},
        {seconds % 60, 2}};
    for (const auto& field : fields)
        out += formatNumber(field[0], static_cast<int>(field[1]), out);
}

} // namespace crash
