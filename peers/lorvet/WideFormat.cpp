#include "WideFormat.h"

#include <cwchar>
#include <vector>

namespace lorvet {

namespace {
// Characters that may stand between '%' and the length modifier.
constexpr std::wstring_view kFieldChars = L"0123456789$-+ #'*.";
constexpr std::wstring_view kLengthChars = L"hlLqjzt";
} // namespace

std::wstring widenStringConversions(std::wstring_view format)
{
    std::wstring out;
    out.reserve(format.size() + 8);
    std::size_t i = 0;
    while (i < format.size()) {
        const wchar_t c = format[i++];
        out += c;
        if (c != L'%') {
            continue;
        }
        while (i < format.size() && kFieldChars.find(format[i]) != std::wstring_view::npos) {
            out += format[i++];
        }
        bool hasLength = false;
        while (i < format.size() && kLengthChars.find(format[i]) != std::wstring_view::npos) {
            out += format[i++];
            hasLength = true;
        }
        if (i < format.size()) {
            if (format[i] == L's' && !hasLength) {
                out += L'l';
            }
            out += format[i++]; // the conversion itself, or the second '%' of "%%"
        }
    }
    return out;
}

std::wstring formatBounded(const wchar_t* format, va_list args, std::size_t maxChars)
{
    // Zero-filled so that output cut short by an overflow or an encoding
    // error is still terminated: vswprintf then returns -1 and leaves the
    // buffer unterminated.
    std::vector<wchar_t> buffer(maxChars + 1, L'\0');
    const int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
    const std::size_t length =
        written >= 0 ? static_cast<std::size_t>(written) : std::wcslen(buffer.data());
    return std::wstring(buffer.data(), length);
}

} // namespace lorvet
