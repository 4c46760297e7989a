// Shared by the widget tests: one QApplication for the whole program, and waiting for a
// field that the dialog's thread fills later.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QTest>

#include "QStringPrint.h"

inline void EnsureTestApplication()
{
    static int argc = 1;
    static char name[] = "linktest";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

// Processes events until the field shows expected or the time is up; returns what it
// shows then, so a failing check prints the last text.
inline QString WaitForText(const QLineEdit* field, const QString& expected, int timeoutMs)
{
    constexpr int kPollMs = 10;
    const QDeadlineTimer deadline(timeoutMs);
    while (field->text() != expected && !deadline.hasExpired()) {
        QTest::qWait(kPollMs);
    }
    return field->text();
}
