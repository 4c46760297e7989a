#include "crashhandler.h"
#include "signalstack.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

// A camera library's interface as the console sees it; declared outside the
// anonymous namespace, so the compiler cannot know every implementation and
// calls through the vtable.
struct CrashTestCamera {
    virtual ~CrashTestCamera() = default;
    virtual int frame() = 0;
};
struct CrashTestPlayer : CrashTestCamera {
    int frame() override { return 1; }
};

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

// The one report in programDir's dump folder.
QString readReport(const QString& programDir)
{
    const QStringList files = dumps(programDir);
    EXPECT_EQ(files.size(), 1);
    QFile report(programDir + "/tmp/" + files.value(0));
    report.open(QIODevice::ReadOnly);
    return QString::fromLocal8Bit(report.readAll());
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
    EXPECT_TRUE(text.contains("fault address: none (signal sent by process"));
    EXPECT_TRUE(text.contains("backtrace from the unwinder:\n"));
    EXPECT_TRUE(text.contains("[stack]")) << "memory map missing";
}

TEST(CrashHandler, CallToAGarbageAddressReportsFaultRegistersMapAndBacktrace)
{
    using Function = void (*)();
    const auto badFunctionPointer = [] {
        const Function volatile function = reinterpret_cast<Function>(0x10);
        function();
    };
    // A camera object whose vtable was overwritten: every slot holds 0x10.
    const auto corruptedVtable = [] {
        static const uintptr_t entries[4] = {0x10, 0x10, 0x10, 0x10};
        CrashTestCamera* volatile camera = new CrashTestPlayer;
        const uintptr_t* table = entries;
        std::memcpy(static_cast<void*>(camera), &table, sizeof table);
        camera->frame();
    };
    char exe[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    for (const auto& crashNow :
         std::vector<std::function<void()>>{badFunctionPointer, corruptedVtable}) {
        QTemporaryDir dir;
        const ChildResult child = crashChild(dir.path(), crashNow);
        ASSERT_TRUE(WIFSIGNALED(child.status));
        EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
        const QString report = readReport(dir.path());
        EXPECT_TRUE(report.contains("fault address: 0x0000000000000010")) << report.toStdString();
        for (const char* name : {"RIP", "RSP", "RBP", "RAX", "RBX", "RCX", "RDX", "RSI", "RDI",
                                 "R8", "R9", "R10", "R11", "R12", "R13", "R14", "R15"}) {
            EXPECT_TRUE(QRegularExpression(QStringLiteral("\n  %1 0x[0-9a-f]{16}\n").arg(name))
                            .match(report)
                            .hasMatch())
                << name;
        }
        EXPECT_TRUE(report.contains("RIP 0x0000000000000010"));
        const QString program = QRegularExpression::escape(exe);
        EXPECT_TRUE(
            QRegularExpression("memory map:\n(.*\n)*[0-9a-f]+-[0-9a-f]+ r-xp .*" + program + "\n")
                .match(report)
                .hasMatch());
        // The return address of the bad call, into the program, though the
        // program counter is garbage.
        EXPECT_TRUE(QRegularExpression("backtrace from the stack:\n  #0 0x0000000000000010 .*\n"
                                       "  #1 0x[0-9a-f]{16} " +
                                       program + "\\+0x[0-9a-f]{16}\n")
                        .match(report)
                        .hasMatch())
            << report.toStdString();
    }
}

// Deep enough to overflow any thread's stack.
int deepen(int depth)
{
    volatile char pad[4096];
    pad[0] = static_cast<char>(depth);
    if (depth == std::numeric_limits<int>::max())
        return 0;
    return deepen(depth + 1) + pad[0];
}

TEST(CrashHandler, StackOverflowOfAGuardedThreadIsReported)
{
    const auto onOtherThread = [] {
        std::thread thread([] {
            crash::guardThisThread();
            deepen(0);
        });
        thread.join();
    };
    for (const auto& crashNow :
         std::vector<std::function<void()>>{[] { deepen(0); }, onOtherThread}) {
        QTemporaryDir dir;
        const ChildResult child = crashChild(dir.path(), crashNow);
        ASSERT_TRUE(WIFSIGNALED(child.status));
        EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
        const QString report = readReport(dir.path());
        EXPECT_TRUE(report.contains("reason: SIGSEGV\n"));
        EXPECT_TRUE(report.contains("[stack]")) << report.toStdString();
    }
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
