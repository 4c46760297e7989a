// Pravik's window has an empty caption. Given an empty title, Qt's X11
// backend names the window after the program instead, so on X11 the window's
// name properties are emptied once it is first shown.
#pragma once

class QWindow;

// window: a top-level window that has not been shown yet.
void KeepCaptionEmpty(QWindow* window);
