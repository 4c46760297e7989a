// An X display for tests that run the console for real: the one in
// DISPLAY, or a private Xvfb started for the test's lifetime. Tests that
// send input ask for a private one, so no other window is in the way.
// Without a window manager nothing closes a window on Alt+F4.
#pragma once

#include <QProcess>
#include <QString>

class XServer {
public:
    enum class Use { AnyDisplay, Private };
    explicit XServer(Use use = Use::AnyDisplay);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when no server could be had.
    const QString& display() const { return m_display; }
    // The private server's process (0 for a display it did not start): tests
    // take the display away by signalling it.
    qint64 pid() const { return m_xvfb.processId(); }

    // Starts Openbox on the display, whose keys close the focused window
    // with Alt+F4 as a desktop's window manager does; true once it manages
    // the screen. It ends with this object.
    bool startWindowManager();

private:
    QProcess m_xvfb;
    QProcess m_windowManager;
    QString m_display;
};
