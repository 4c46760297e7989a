// An X display for tests that run the console for real: the one in
// DISPLAY, or a private Xvfb started for the test's lifetime.
#pragma once

#include <QProcess>
#include <QString>

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when no server could be had.
    const QString& display() const { return m_display; }

private:
    QProcess m_xvfb;
    QString m_display;
};
