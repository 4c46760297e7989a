// One QApplication for the whole test program; widget tests call this first.
#pragma once

#include <QApplication>

inline void EnsureTestApplication()
{
    static int argc = 1;
    static char name[] = "linktest";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}
