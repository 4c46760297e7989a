// Keys and pointer on a test's X display, through xdotool.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

namespace xinput {

// Where the console takes the keyboard: over its large view, clear of any
// message box.
inline const QPoint kConsoleKeyboardPoint(700, 240);

// Runs xdotool with arguments on display; returns its exit code and, when
// asked, its standard output.
int xdotool(const QString& display, const QStringList& arguments, QString* output = nullptr);

// As xdotool, while the calling thread keeps handling its Qt events: for a
// console in the test's own process, which must see the input as it comes.
int xdotoolPumping(const QString& display, const QStringList& arguments);

// Moves the pointer to point, so the window there takes the keyboard, and
// presses key ("F2", ...). True when xdotool succeeded.
bool pressKeyAt(const QString& display, const QPoint& point, const QString& key);

// True when a window whose name holds name appears within xdotool's wait.
bool windowShows(const QString& display, const QString& name);

} // namespace xinput
