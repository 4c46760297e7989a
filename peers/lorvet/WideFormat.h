// Wide printf formatting as the console's callers expect it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace lorvet {

// Callers write %s for a wide string (their platform's wide printf rule);
// here %s means a narrow string, so every %s without a length modifier
// becomes %ls. Flags, width, precision and positions are kept; %% is not
// a conversion.
std::wstring widenStringConversions(std::wstring_view format);

// Formats into at most maxChars characters; longer output is cut there.
// Each wchar_t is one code point, so a cut never splits a character.
std::wstring formatBounded(const wchar_t* format, va_list args, std::size_t maxChars);

} // namespace lorvet
