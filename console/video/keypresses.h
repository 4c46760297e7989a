// One physical key press is one action. A key held down repeats: X sends a
// release and a press with the same time stamp for each repeat, and Qt's X11
// backend marks the pair as a repeat only when it already holds the press as
// it reads the release. So a key that is down acts again only after a real
// release: one that no press of the same time stamp follows.
#pragma once

#include <QHash>

class QKeyEvent;

class KeyPresses {
public:
    // True for a new physical press of its key; false for a repeat.
    bool pressed(const QKeyEvent& press);
    void released(const QKeyEvent& release);
    // The keyboard went to another window, which takes the releases: every
    // key counts as up, and a key still held repeats as a release-press pair.
    void forgetHeld();

private:
    struct Key {
        bool down = false;
        bool released = false;
        unsigned long releasedAt = 0;
    };
    QHash<int, Key> m_keys;
};
