#include "closeonexit.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;
std::function<void()>* g_pClose = nullptr;

void closeBeforeExit()
{
    std::function<void()> close;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_pClose == nullptr)
            return;
        close = std::move(*g_pClose);
        g_pClose = nullptr;
    }
    std::fputs("Moravel: the display went away; closing as the close button does\n", stderr);
    close();
    // Not the rest of exit(): the statics it would destroy may still be in
    // use by library threads the console does not own (Qt's own among them).
    // The log flushes at quick exit.
    std::quick_exit(0);
}

} // namespace

CloseOnExit::CloseOnExit(std::function<void()> close)
{
    static const bool registered = std::atexit(&closeBeforeExit) == 0;
    if (!registered)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    delete g_pClose;
    g_pClose = new std::function<void()>(std::move(close));
}

CloseOnExit::~CloseOnExit()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    delete g_pClose;
    g_pClose = nullptr;
}
