#include "Log.h"

#include "GzipRotatingSink.h"
#include "Utf8.h"
#include "WideFormat.h"

#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>

namespace {

// Longest message kept per line, in characters; the rest is cut.
constexpr std::size_t kMaxMessageChars = 4096;
// Longest source file name kept per line, in characters.
constexpr std::size_t kMaxFileChars = 260;
constexpr char kLoggerName[] = "Lorvet";
constexpr std::size_t kWorkerThreads = 1;

// Lines written before init (or after the exit flush) go to standard
// error rather than being lost.
std::shared_ptr<spdlog::logger> makeStderrLogger()
{
    auto logger = std::make_shared<spdlog::logger>(
        kLoggerName, std::make_shared<spdlog::sinks::stderr_sink_mt>());
    logger->set_pattern(lorvet::kLinePattern);
    return logger;
}

std::string lineBody(int level, const wchar_t* file, int line, const std::wstring& message)
{
    const std::wstring_view fileName =
        file != nullptr ? std::wstring_view(file, std::wcslen(file)).substr(0, kMaxFileChars)
                        : std::wstring_view(L"?");
    return "[" + std::to_string(level) + "] " + lorvet::toUtf8(fileName) + ":" +
           std::to_string(line) + " " + lorvet::toUtf8(message);
}

} // namespace

struct Log::Impl {
    std::mutex mutex;
    std::shared_ptr<spdlog::details::thread_pool> pool;
    std::shared_ptr<spdlog::logger> logger = makeStderrLogger();
    std::once_flag exitFlushRegistered;

    std::shared_ptr<spdlog::logger> current()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return logger;
    }

    // Installs a new logger; the old one is drained and closed outside the
    // lock so writers are never held up by it.
    void replace(std::shared_ptr<spdlog::logger> nextLogger,
                 std::shared_ptr<spdlog::details::thread_pool> nextPool)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            logger.swap(nextLogger);
            pool.swap(nextPool);
        }
        nextLogger->flush();
        nextPool.reset(); // joins the worker after it has written every queued line
        // Only then the old logger and its sink: they end on this thread,
        // after the join, never on the worker while its last flush may run.
        nextLogger.reset();
    }

    // The instance lives for the whole process so late writers never touch
    // a destroyed object; only its queue is drained at exit.
    static void flushAtExit() { get_instance()->impl_->replace(makeStderrLogger(), nullptr); }
};

Log::Log() : impl_(new Impl)
{
}

Log::~Log()
{
    delete impl_;
}

Log* Log::get_instance()
{
    static Log* const instance = new Log();
    return instance;
}

bool Log::init(const char* path, int queueSize, int maxFileBytes, int maxFiles)
{
    if (path == nullptr || *path == '\0' || queueSize < 1 || maxFileBytes < 1 || maxFiles < 1) {
        std::fprintf(stderr, "Lorvet: invalid log settings\n");
        return false;
    }
    try {
        const std::filesystem::path file(path);
        if (file.has_parent_path()) {
            std::filesystem::create_directories(file.parent_path());
        }
        // maxFiles counts every file kept: the current one and the compressed ones.
        auto sink = std::make_shared<lorvet::GzipRotatingSink>(
            path, static_cast<std::size_t>(maxFileBytes), static_cast<std::size_t>(maxFiles));
        auto pool = std::make_shared<spdlog::details::thread_pool>(
            static_cast<std::size_t>(queueSize), kWorkerThreads,
            [] { ::pthread_setname_np(::pthread_self(), "lorvet-log"); });
        // Blocking when the queue is full: a burst slows writers, never loses lines.
        auto logger = std::make_shared<spdlog::async_logger>(kLoggerName, std::move(sink), pool,
                                                             spdlog::async_overflow_policy::block);
        logger->set_pattern(lorvet::kLinePattern);
        logger->set_level(spdlog::level::trace);
        // The worker flushes after each line, so a crash loses nothing written.
        logger->flush_on(spdlog::level::trace);
        impl_->replace(std::move(logger), std::move(pool));
        // A host that ends by quick_exit (its statics still in use) keeps its lines too.
        std::call_once(impl_->exitFlushRegistered, [] {
            std::atexit(&Impl::flushAtExit);
            std::at_quick_exit(&Impl::flushAtExit);
        });
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Lorvet: cannot open log %s: %s\n", path, e.what());
        return false;
    }
}

void Log::write_log(int level, const wchar_t* file, int line, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    try {
        const std::wstring message =
            format != nullptr
                ? lorvet::formatBounded(lorvet::widenStringConversions(format).c_str(), args,
                                        kMaxMessageChars)
                : std::wstring();
        impl_->current()->info(lineBody(level, file, line, message));
    } catch (...) {
        // Logging must never disturb the caller.
    }
    va_end(args);
}
