#include "crashhandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <exception>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

struct ChildResult {
    int status = 0;
    QByteArray stderrText;
};

// Runs the crash in a child process with the handler installed for programDir.
template <typename Crash> ChildResult crashChild(const QString& programDir, Crash crashNow)
{
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        crash::install(programDir);
        crashNow();
        ::_exit(0); // not reached when the handler works
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.stderrText.append(buffer, static_cast<int>(got));
    ::close(pipeFds[0]);
    ::waitpid(pid, &result.status, 0);
    return result;
}

QStringList dumps(const QString& programDir)
{
    return QDir(programDir + "/tmp").entryList(QDir::Files);
}

TEST(CrashHandler, DumpFolderGetsExactlyOneSeparator)
{
    EXPECT_EQ(crash::dumpFolder("/opt/moravel"), "/opt/moravel/tmp/");
    EXPECT_EQ(crash::dumpFolder("/opt/moravel/"), "/opt/moravel/tmp/");
    EXPECT_EQ(crash::dumpFolder("/"), "/tmp/");
}

TEST(CrashHandler, ProgramDirIsTheFolderOfTheRunningProgram)
{
    char exe[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(crash::programDir() + "/", QString::fromLocal8Bit(exe).section('/', 0, -2) + "/");
}

TEST(CrashHandler, SegfaultLeavesOneTimestampedDumpAndDiesBySignal)
{
    QTemporaryDir dir;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const ChildResult child = crashChild(dir.path(), [] { std::raise(SIGSEGV); });
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    ASSERT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
    const QStringList files = dumps(dir.path());
    ASSERT_EQ(files.size(), 1);
    const QString name = files.first();
    EXPECT_TRUE(QRegularExpression("^\\d{14}\\.dmp$").match(name).hasMatch()) << name.toStdString();
    const QDateTime stamp = QDateTime::fromString(name.left(14), "yyyyMMddhhmmss");
    ASSERT_TRUE(stamp.isValid()) << name.toStdString();
    EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
    EXPECT_LE(stamp, after);

    const QString path = dir.path() + "/tmp/" + name;
    EXPECT_TRUE(child.stderrText.contains(path.toLocal8Bit())) << child.stderrText.toStdString();
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray text = report.readAll();
    EXPECT_TRUE(text.contains("signal: 11"));
    EXPECT_TRUE(text.contains("backtrace:"));
    EXPECT_TRUE(text.contains("[stack]")) << "memory map missing";
}

TEST(CrashHandler, ProgramDirWithTrailingSlashWritesIntoItsTmpFolder)
{
    QTemporaryDir dir;
    const ChildResult child = crashChild(dir.path() + "/", [] { std::raise(SIGFPE); });
    ASSERT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(WTERMSIG(child.status), SIGFPE);
    EXPECT_EQ(dumps(dir.path()).size(), 1);
    EXPECT_FALSE(child.stderrText.contains("//tmp")) << child.stderrText.toStdString();
}

TEST(CrashHandler, UncaughtExceptionIsReportedAndAborts)
{
    QTemporaryDir dir;
    const ChildResult child = crashChild(dir.path(), [] { std::terminate(); });
    ASSERT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(WTERMSIG(child.status), SIGABRT);
    const QStringList files = dumps(dir.path());
    ASSERT_EQ(files.size(), 1);
    QFile report(dir.path() + "/tmp/" + files.first());
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains("std::terminate"));
}

TEST(CrashHandler, UnwritableFolderStillDiesBySignalAndNamesThePath)
{
    const ChildResult child = crashChild("/proc/self/no-such-folder", [] { std::raise(SIGBUS); });
    ASSERT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(WTERMSIG(child.status), SIGBUS);
    EXPECT_TRUE(child.stderrText.contains("/proc/self/no-such-folder/tmp/"));
}

} // namespace
