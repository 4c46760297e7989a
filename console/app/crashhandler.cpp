#include "crashhandler.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <exception>

#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Everything below that runs inside the handlers is async-signal-safe:
// no allocation, no locks, no stdio; only fixed buffers and system calls.
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kPathCapacity = 4096;
constexpr int kMaxFrames = 64;
constexpr size_t kAltStackSize = 64 * 1024;
constexpr int kOtherThreadWaitSeconds = 10;
constexpr long kSecondsPerDay = 86400;

char g_folder[kPathCapacity];
long g_utcOffsetSeconds = 0;
std::atomic<long> g_crashingThread{0};
alignas(16) char g_altStack[kAltStackSize];

long currentThreadId()
{
    return static_cast<long>(::syscall(SYS_gettid));
}

void writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void writeText(int fd, const char* text)
{
    writeAll(fd, text, std::strlen(text));
}

// Decimal text of a value, at least `width` digits, into out; returns length.
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

void writeNumber(int fd, long value)
{
    char text[24];
    writeAll(fd, text, formatNumber(value, 1, text));
}

// yyyyMMddhhmmss of the local time; days-to-civil without libc.
void formatLocalTime(char* out)
{
    const long local = static_cast<long>(::time(nullptr)) + g_utcOffsetSeconds;
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

void copyFile(const char* source, int fd)
{
    const int in = ::open(source, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(in, buffer, sizeof buffer)) > 0)
        writeAll(fd, buffer, static_cast<size_t>(got));
    ::close(in);
}

void writeReport(const char* reason, int signalNumber)
{
    char path[kPathCapacity + 32];
    std::strcpy(path, g_folder);
    ::mkdir(g_folder, 0755); // an existing folder or a failure are both fine
    char* name = path + std::strlen(path);
    formatLocalTime(name);
    std::strcat(name, ".dmp");

    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        writeText(fd, "reason: ");
        writeText(fd, reason);
        writeText(fd, "\nsignal: ");
        writeNumber(fd, signalNumber);
        writeText(fd, "\nthread: ");
        writeNumber(fd, currentThreadId());
        writeText(fd, "\nbacktrace:\n");
        void* frames[kMaxFrames];
        ::backtrace_symbols_fd(frames, ::backtrace(frames, kMaxFrames), fd);
        writeText(fd, "maps:\n");
        copyFile("/proc/self/maps", fd);
        ::close(fd);
    }
    writeText(STDERR_FILENO, "Moravel crashed; report: ");
    writeText(STDERR_FILENO, path);
    writeText(STDERR_FILENO, "\n");
}

const char* signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

void dieBy(int signalNumber)
{
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber); // delivered with the default action once the handler returns
}

void onFatalSignal(int signalNumber, siginfo_t*, void*)
{
    const long self = currentThreadId();
    long first = 0;
    if (g_crashingThread.compare_exchange_strong(first, self)) {
        writeReport(signalName(signalNumber), signalNumber);
    } else if (first != self) {
        // Another thread is writing its report: leave it time to finish.
        for (int i = 0; i < kOtherThreadWaitSeconds; ++i)
            ::sleep(1);
    }
    dieBy(signalNumber);
}

[[noreturn]] void onTerminate()
{
    long expected = 0;
    if (g_crashingThread.compare_exchange_strong(expected, currentThreadId()))
        writeReport("std::terminate", SIGABRT);
    ::signal(SIGABRT, SIG_DFL);
    std::abort();
}

} // namespace

namespace crash {

QString programDir()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString dumpFolder(const QString& programDir)
{
    QString folder = programDir;
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + QStringLiteral("tmp/");
}

void install(const QString& programDir)
{
    const QByteArray folder = dumpFolder(programDir).toLocal8Bit();
    const size_t length = std::min(static_cast<size_t>(folder.size()), kPathCapacity - 1);
    std::memcpy(g_folder, folder.constData(), length);
    g_folder[length] = '\0';

    ::tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    g_utcOffsetSeconds = local.tm_gmtoff;

    // backtrace() loads its unwinder on first use; do that outside a handler.
    void* frame[1];
    ::backtrace(frame, 1);

    stack_t altStack{};
    altStack.ss_sp = g_altStack;
    altStack.ss_size = sizeof g_altStack;
    ::sigaltstack(&altStack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kFatalSignals)
        ::sigaction(signalNumber, &action, nullptr);
    std::set_terminate(onTerminate);
}

} // namespace crash
