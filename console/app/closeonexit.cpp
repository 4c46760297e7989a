#include "closeonexit.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

// What Qt's X11 backend warns just before it calls exit(1).
const char kDisplayLost[] = "The X11 connection broke";

std::mutex g_mutex;
std::function<void()>* g_pClose = nullptr;
QtMessageHandler g_previousHandler = nullptr;

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
    // Not exit(): the statics it would destroy may still be in use by
    // library threads the console does not own (Qt's own among them). The
    // log flushes at quick exit.
    std::quick_exit(0);
}

void watchMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    if (type == QtWarningMsg && message.startsWith(QLatin1String(kDisplayLost)))
        closeBeforeExit();
}

} // namespace

CloseOnExit::CloseOnExit(std::function<void()> close)
{
    static const bool registered = std::atexit(&closeBeforeExit) == 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        delete g_pClose;
        g_pClose = registered ? new std::function<void()>(std::move(close)) : nullptr;
    }
    g_previousHandler = qInstallMessageHandler(&watchMessages);
}

CloseOnExit::~CloseOnExit()
{
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    delete g_pClose;
    g_pClose = nullptr;
}
