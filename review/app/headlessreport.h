// moravel-review --report <folder> [--out <file.pdf>] [--csv <file.csv>]
// [--project N]: the report without a window, for scripts and tests.
#pragma once

#include <QCoreApplication>
#include <QStringList>

class HeadlessReport {
    Q_DECLARE_TR_FUNCTIONS(HeadlessReport)
public:
    enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2 };

    // True when the arguments ask for a report rather than the window.
    static bool requested(int argc, char** argv);
    // Runs it; messages go to standard error.
    static int run(const QStringList& arguments);
};
