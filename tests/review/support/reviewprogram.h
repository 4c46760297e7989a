// moravel-review run without a window as a script runs it (the program the
// test is built with, REVIEW_PROGRAM): its exit code and what it printed;
// as this process's user or as another one.
#pragma once

#include <QProcess>
#include <QStringList>

namespace reviewtest {

struct ProgramRun {
    int exitCode = -1; // also when it did not end by itself in time
    QByteArray out;
    QString errors;
};

// Another user (through setpriv, so without root's bypass of file
// permissions) with a home and a cache of its own.
struct RunAs {
    QString uid;
    QString home;
    QString cache;
};

inline ProgramRun runReview(const QStringList& arguments, const RunAs& as = {})
{
    constexpr int kRunMs = 120000;
    QProcess program;
    if (as.uid.isEmpty()) {
        program.start(QStringLiteral(REVIEW_PROGRAM), arguments);
    } else {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", as.home);
        environment.insert("XDG_CACHE_HOME", as.cache);
        program.setProcessEnvironment(environment);
        program.start("setpriv", QStringList{"--reuid=" + as.uid, "--regid=" + as.uid,
                                             "--clear-groups", QStringLiteral(REVIEW_PROGRAM)} +
                                     arguments);
    }
    ProgramRun run;
    if (program.waitForFinished(kRunMs) && program.exitStatus() == QProcess::NormalExit) {
        run.exitCode = program.exitCode();
    }
    run.out = program.readAllStandardOutput();
    run.errors = QString::fromUtf8(program.readAllStandardError());
    return run;
}

} // namespace reviewtest
