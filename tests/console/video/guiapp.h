#pragma once

#include <QGuiApplication>

// Fonts need a QGuiApplication; tests create one per process on first use.
inline void ensureGuiApp()
{
    static int argc = 1;
    static char name[] = "video_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app =
        QGuiApplication::instance() != nullptr ? nullptr : new QGuiApplication(argc, argv);
    (void)app;
}
