// moravel-review run without a window as a script runs it (the program the
// test is built with, REVIEW_PROGRAM): its exit code and what it printed.
#pragma once

#include <QProcess>
#include <QStringList>

namespace reviewtest {

struct ProgramRun {
    int exitCode = -1; // also when it did not end by itself in time
    QByteArray out;
    QString errors;
};

inline ProgramRun runReview(const QStringList& arguments)
{
    constexpr int kRunMs = 120000;
    QProcess program;
    program.start(QStringLiteral(REVIEW_PROGRAM), arguments);
    ProgramRun run;
    if (program.waitForFinished(kRunMs) && program.exitStatus() == QProcess::NormalExit) {
        run.exitCode = program.exitCode();
    }
    run.out = program.readAllStandardOutput();
    run.errors = QString::fromUtf8(program.readAllStandardError());
    return run;
}

} // namespace reviewtest
