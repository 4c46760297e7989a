// The console's seven function keys F1 to F7 in the bottom band, the keyboard
// keys of the same names, and the keys of the video pipeline: F1 records,
// F2 takes a snapshot (written off the GUI thread), F4 chooses the save
// folder. The other keys' handlers are connected by the console to key(n)'s
// clicked().
#pragma once

#include "keypresses.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class ColorButton;
class FramePath;
class Overlay;
class QGridLayout;
class QKeyEvent;
class QWidget;
class Recording;
class SaveFolder;
class SnapshotWriter;

class FunctionKeys : public QObject {
    Q_OBJECT

public:
    static constexpr int kKeyCount = 7;
    static constexpr int kRecordKey = 1;
    static constexpr int kSnapshotKey = 2;
    static constexpr int kFolderKey = 4;
    static constexpr int kBandRow = 2;
    // Asks for a folder; empty when cancelled.
    using FolderPicker = std::function<QString()>;

    // Keys are children of parent; F2 keeps its press look 200 ms by itself.
    explicit FunctionKeys(QWidget* parent);

    // number 1 to 7.
    ColorButton* key(int number) const;
    // Row 2, columns 0 to 6 of the bottom band, stretch 1 each.
    void placeIn(QGridLayout* bottomLayout) const;
    // Keyboard F1 to F7 act as a click of the key (F2 also shows its press
    // look for 200 ms). A key held down acts once: its repeated presses are
    // taken and ignored until it is really released. False for any other key.
    bool keyPressed(const QKeyEvent& event);
    bool keyReleased(const QKeyEvent& event);
    // The console lost the keyboard (a dialog, another window).
    void keyboardLost() { m_presses.forgetHeld(); }

    void connectVideoKeys(Recording& recording, const FramePath& framePath, const Overlay& overlay,
                          SaveFolder& saveFolder, FolderPicker picker = systemFolderPicker);

    // QFileDialog, directories only, no caption, no start folder.
    static QString systemFolderPicker();
    // F4: the chosen folder (with "/" added) becomes the save folder; a
    // cancel changes nothing. The key looks pressed meanwhile.
    static void chooseSaveFolder(ColorButton* key, SaveFolder& saveFolder,
                                 const FolderPicker& picker);

signals:
    // F2 could not write its snapshot: the reason and the file name.
    void snapshotFailed(const QString& message);

private:
    static bool isFunctionKey(const QKeyEvent& event);

    std::array<ColorButton*, kKeyCount> m_keys{};
    KeyPresses m_presses;
    SnapshotWriter* m_pSnapshots;
};
