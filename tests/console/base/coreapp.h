// A QCoreApplication for the length of a test: the GUI thread's event loop
// that posted tasks and timers need.
#pragma once

#include <QCoreApplication>

struct CoreApp {
    int argc = 1;
    char name[10] = "base_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};
