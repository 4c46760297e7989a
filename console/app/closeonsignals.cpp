#include "closeonsignals.h"

#include "consolelog.h"

#include <QApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kCloseOnSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kReadBatch = 16;

// The write end for the handler; -1 while no instance exists.
std::atomic<int> g_writeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

// Async-signal-safe: one byte into a non-blocking socket. When the socket is
// full a close is pending anyway, so the byte may be dropped.
void onCloseSignal(int number)
{
    const int savedErrno = errno;
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(number);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kCloseOnSignals)
        ::sigaction(number, &action, nullptr);
}

} // namespace

CloseOnSignals::CloseOnSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0)
        return;
    ::fcntl(m_fds[1], F_SETFL, ::fcntl(m_fds[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(m_fds[0], F_SETFL, ::fcntl(m_fds[0], F_GETFL) | O_NONBLOCK);
    m_pNotifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CloseOnSignals::readPending);
    g_writeFd.store(m_fds[1]);
    setHandler(&onCloseSignal);
}

CloseOnSignals::~CloseOnSignals()
{
    if (m_pNotifier) {
        setHandler(SIG_DFL);
        g_writeFd.store(-1);
    }
    for (int fd : m_fds)
        if (fd >= 0)
            ::close(fd);
}

void CloseOnSignals::readPending()
{
    unsigned char numbers[kReadBatch];
    ssize_t count = 0;
    while ((count = ::read(m_fds[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            MORAVEL_LOG(L"[Moravel] close on signal [%d]", static_cast<int>(numbers[i]));
            emit received(numbers[i]);
        }
    }
    QApplication::closeAllWindows();
}
