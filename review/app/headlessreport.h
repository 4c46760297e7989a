// moravel-review without a window, for scripts and tests:
//   --report <folder> [--out <file.pdf>] [--csv <file.csv>]
//            [--assessment-csv <file.csv>] [--project N]
//   --assess <folder> [--project N]      the assessment as JSON on stdout
//   --import <folder> <file.csv>         observations coded elsewhere
// Without --project every section of the folder is taken. The exit status
// is kCodingLost when the folder's index was damaged and some of its coding
// could not be recovered, even though the work itself was done.
#pragma once

#include <QCoreApplication>
#include <QStringList>

class HeadlessReport {
    Q_DECLARE_TR_FUNCTIONS(HeadlessReport)
public:
    enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kCodingLost = 3 };

    // True when the arguments ask for one of the above rather than the window.
    static bool requested(int argc, char** argv);
    // Runs it; messages go to standard error.
    static int run(const QStringList& arguments);
};
