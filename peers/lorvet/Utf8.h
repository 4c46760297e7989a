// UTF-8 encoding of wide (UTF-32) text, independent of the C locale.
#pragma once

#include <string>
#include <string_view>

namespace lorvet {

// Values that are no Unicode scalar (surrogates, above U+10FFFF) become
// U+FFFD so the log file stays valid UTF-8.
std::string toUtf8(std::wstring_view text);

} // namespace lorvet
