// Qt's X11 backend ends the process with exit(1) when the display goes away
// (the X server died, the session ended). That would skip the console's
// close: the crawler would keep its last command, and the camera and link
// threads would run on while the program's statics are destroyed. While a
// CloseOnExit lives, losing the display runs the console's close instead, on
// the GUI thread, and ends the process with status 0. It acts on Qt's warning
// that the connection broke, which comes before the exit and so before any
// static is destroyed; an exit() from anywhere else but the end of main does
// the same, as late as the exit handlers allow. One instance at a time.
#pragma once

#include <functional>

class CloseOnExit {
public:
    explicit CloseOnExit(std::function<void()> close);
    // Disarms: exit() after a normal return from main closes nothing.
    ~CloseOnExit();
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;
};
