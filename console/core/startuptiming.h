// Start-up timing of the console: the "t2 - t1" ... "t5 - t1" prints and
// the time from the constructor's start to the window's first paint.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <ctime>

class StartupTiming : public QObject {
public:
    explicit StartupTiming(QObject* parent);
    // Prints "<label> <clock ticks> ticks <wall> ms" to the debug stream.
    void print(const char* label) const;

protected:
    // Prints "first paint <wall> ms" once, at the watched window's first paint.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::clock_t m_t1;
    QElapsedTimer m_wall;
    bool m_bPainted = false;
};
