// The console's operational log: every line goes to Lorvet at level 1 with
// the calling file and line. Formats are wide printf formats; %s takes a
// wide string (const wchar_t*).
#pragma once

#include "Log.h"

namespace moravel {

constexpr int kConsoleLogLevel = 1;

template <typename... Args>
inline void writeConsoleLog(const wchar_t* file, int line, const wchar_t* format, Args... args)
{
    Log::get_instance()->write_log(kConsoleLogLevel, file, line, format, args...);
}

} // namespace moravel

#define MORAVEL_WIDEN2(text) L##text
#define MORAVEL_WIDEN(text) MORAVEL_WIDEN2(text)
// MORAVEL_LOG(L"[Moravel] start") or MORAVEL_LOG(L"... [%d]", value)
#define MORAVEL_LOG(...) ::moravel::writeConsoleLog(MORAVEL_WIDEN(__FILE__), __LINE__, __VA_ARGS__)
