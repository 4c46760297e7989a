// F2 pressed on the console's window through xdotool, and the snapshots it
// leaves in the save folder: how a test or benchmark sees that the GUI
// thread answers the operator.
#pragma once

#include <QElapsedTimer>
#include <QString>

class SnapshotKey {
public:
    SnapshotKey(const QString& display, const QString& saveFolder);

    // Presses F2 over the large view, which then takes the keyboard.
    void press();
    // A snapshot came after the last press.
    bool answered() const;
    // Time since the last press; -1 before the first.
    qint64 sincePressMs() const;
    // Waits up to timeoutMs for the last press to be answered.
    bool waitForAnswer(int timeoutMs) const;
    // Presses again and again until one is answered (there is no snapshot
    // before the first camera frame); false after timeoutMs.
    bool pressUntilAnswered(int timeoutMs);

private:
    int snapshots() const;

    QString m_display;
    QString m_saveFolder;
    int m_before = 0;
    QElapsedTimer m_pressed;
};
