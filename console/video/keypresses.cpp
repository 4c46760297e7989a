#include "keypresses.h"

#include <QKeyEvent>

bool KeyPresses::pressed(const QKeyEvent& press)
{
    Key& key = m_keys[press.key()];
    // A time stamp of 0 is none (events made by a program, not the server).
    const bool pairedWithRelease =
        key.released && press.timestamp() != 0 && key.releasedAt == press.timestamp();
    const bool repeat = press.isAutoRepeat() || key.down || pairedWithRelease;
    key.down = true;
    return !repeat;
}

void KeyPresses::released(const QKeyEvent& release)
{
    if (release.isAutoRepeat())
        return;
    Key& key = m_keys[release.key()];
    key.down = false;
    key.released = true;
    key.releasedAt = release.timestamp();
}

void KeyPresses::forgetHeld()
{
    for (Key& key : m_keys)
        key.down = false;
}
