// An X display for tests that run the console for real: the one in
// DISPLAY, or a private Xvfb started for the test's lifetime. Tests that
// send input ask for a private one, so no other window is in the way.
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

private:
    QProcess m_xvfb;
    QString m_display;
};
