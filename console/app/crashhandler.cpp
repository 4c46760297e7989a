#include "crashhandler.h"

#include "crashreport.h"
#include "crashtext.h"
#include "signalstack.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <exception>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Everything below that runs inside the handlers is async-signal-safe:
// no allocation, no locks, no stdio; only fixed buffers and system calls.
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kPathCapacity = 4096;
constexpr int kOtherThreadWaitSeconds = 10;

char g_folder[kPathCapacity];
long g_utcOffsetSeconds = 0;
std::atomic<long> g_crashingThread{0};

long currentThreadId()
{
    return static_cast<long>(::syscall(SYS_gettid));
}

void writeReportFile(const crash::Fault& fault)
{
    char path[kPathCapacity + 32];
    std::strcpy(path, g_folder);
    ::mkdir(g_folder, 0755); // an existing folder or a failure are both fine
    char* name = path + std::strlen(path);
    crash::formatLocalTime(g_utcOffsetSeconds, name);
    std::strcat(name, ".dmp");

    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const crash::ReportOut err(STDERR_FILENO);
    err.text("Moravel crashed; report: ");
    err.text(path);
    err.text("\n");
    if (fd >= 0) {
        crash::writeReport(crash::ReportOut(fd), fault);
        ::close(fd);
    }
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
    ::raise(signalNumber);
}

void onFatalSignal(int signalNumber, siginfo_t* info, void* context)
{
    const long self = currentThreadId();
    crash::escapeFromUnwinder(self);
    long first = 0;
    if (g_crashingThread.compare_exchange_strong(first, self)) {
        writeReportFile({signalName(signalNumber), signalNumber, info,
                         static_cast<const ucontext_t*>(context), self});
    } else if (first != self) {
        // Another thread is writing its report: leave it time to finish.
        for (int i = 0; i < kOtherThreadWaitSeconds; ++i)
            ::sleep(1);
    }
    dieBy(signalNumber);
}

[[noreturn]] void onTerminate()
{
    const long self = currentThreadId();
    long expected = 0;
    if (g_crashingThread.compare_exchange_strong(expected, self)) {
        ucontext_t context{};
        ::getcontext(&context);
        writeReportFile({"std::terminate", SIGABRT, nullptr, &context, self});
    }
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

    crash::prepareReports();
    guardThisThread();

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    // No deferring: a fault inside the unwinder must reach the handler again.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kFatalSignals)
        ::sigaction(signalNumber, &action, nullptr);
    std::set_terminate(onTerminate);
}

} // namespace crash
