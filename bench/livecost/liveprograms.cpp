#include "liveprograms.h"

#include "BenchSupport.h"
#include "childprocess.h"
#include "polling.h"
#include "processmemory.h"
#include "xinput.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <utility>

namespace livecost {
namespace {

constexpr int kStartWaitMs = 60000;
constexpr int kStopWaitMs = 10000;
constexpr int kPollMs = 10;
constexpr int kRssEveryMs = 250;
constexpr int kRetryKeyMs = 2000;
const QString kFirstFrame = QStringLiteral("GetImage m_iMatWidth");
const QString kFirstPaint = QStringLiteral("first paint");

// The project's overlay: the distance and date line, and a column of fields.
const QString kProject = QStringLiteral("[systemconfig]\nstartflag=1\nlocation=人民路\n"
                                        "startwellno=Y1\nendwellno=Y2\npipdiameter=800\n"
                                        "[came]\nfps=25\n");

class ConsoleProgram : public LiveProgram {
public:
    explicit ConsoleProgram(ConsoleSetup setup) : m_setup(std::move(setup)) {}

    QString name() const override
    {
        return m_setup.recording ? QStringLiteral("Moravel recording")
                                 : QStringLiteral("Moravel viewing");
    }

    bool start() override
    {
        m_save = std::make_unique<QTemporaryDir>();
        m_console = std::make_unique<ConsoleProcess>(m_setup.display, m_setup.simPort);
        m_console->appendConfig(
            kProject + QStringLiteral("[savedir]\npath=%1/\n[lognone]\nip=%2\n[logntwo]\nip=%3\n")
                           .arg(m_save->path(), QString::fromStdString(m_setup.mainUrl),
                                QStringLiteral("sim:back?w=640&h=480&fps=25")));
        m_console->start();
        if (!m_console->waitFor([this] { return seen(kFirstFrame) && seen(kFirstPaint); },
                                kStartWaitMs)) {
            std::fprintf(stderr, "%s: no picture\n", qPrintable(name()));
            return false;
        }
        return !m_setup.recording || startRecording();
    }

    void stop() override
    {
        m_console.reset();
        m_save.reset();
    }

    qint64 pid() const override { return m_console ? m_console->pid() : 0; }

private:
    bool seen(const QString& text)
    {
        for (const QString& line : m_console->lines())
            if (line.contains(text))
                return true;
        return false;
    }

    // F1 is refused until the first frame: pressed until a file grows.
    bool startRecording()
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kStartWaitMs) {
            xinput::pressKeyAt(m_setup.display, xinput::kConsoleKeyboardPoint,
                               QStringLiteral("F1"));
            if (m_console->waitFor([this] { return recordedBytes() > 0; }, kRetryKeyMs))
                return true;
        }
        std::fprintf(stderr, "%s: no recording\n", qPrintable(name()));
        return false;
    }

    qint64 recordedBytes() const
    {
        qint64 bytes = 0;
        for (const QFileInfo& file : QDir(m_save->path()).entryInfoList({"*.mp4"}, QDir::Files))
            bytes += file.size();
        return bytes;
    }

    ConsoleSetup m_setup;
    std::unique_ptr<QTemporaryDir> m_save;
    std::unique_ptr<ConsoleProcess> m_console;
};

class CommandProgram : public LiveProgram {
public:
    explicit CommandProgram(CommandSetup setup) : m_setup(std::move(setup)) {}
    ~CommandProgram() override { CommandProgram::stop(); }

    QString name() const override { return m_setup.name; }

    bool start() override
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_setup.display);
        m_process.setProcessEnvironment(env);
        // Its messages are drained and dropped.
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(m_setup.program, m_setup.arguments);
        if (!m_process.waitForStarted(kStartWaitMs)) {
            std::fprintf(stderr, "%s: cannot start %s\n", qPrintable(name()),
                         qPrintable(m_setup.program));
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        waitUntil(
            [&] {
                return m_process.state() != QProcess::Running ||
                       waited.elapsed() >= m_setup.readyWithinMs ||
                       (m_setup.isReady && m_setup.isReady());
            },
            m_setup.readyWithinMs + kPollMs);
        if (m_process.state() != QProcess::Running) {
            std::fprintf(stderr, "%s: ended at start\n", qPrintable(name()));
            return false;
        }
        return true;
    }

    void stop() override { stopProcess(m_process, kStopWaitMs); }

    qint64 pid() const override { return m_process.processId(); }

private:
    CommandSetup m_setup;
    QProcess m_process;
};

} // namespace

std::unique_ptr<LiveProgram> consoleProgram(const ConsoleSetup& setup)
{
    return std::make_unique<ConsoleProgram>(setup);
}

std::unique_ptr<LiveProgram> commandProgram(CommandSetup setup)
{
    return std::make_unique<CommandProgram>(std::move(setup));
}

std::unique_ptr<LiveProgram> gstreamerPlayer(const QString& display, const std::string& url)
{
    return commandProgram(
        {QStringLiteral("gst-launch-1.0"),
         display,
         QStringLiteral("gst-launch-1.0"),
         {"-q", "rtspsrc", "location=" + QString::fromStdString(url), "latency=0", "protocols=tcp",
          "!", "decodebin", "!", "videoconvert", "!", "ximagesink"},
         {},
         kSettleMs});
}

void runFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        QThread::msleep(kPollMs);
    }
}

bool alternate(const std::vector<LiveProgram*>& programs, int rounds,
               const std::function<void(LiveProgram&, int round)>& window)
{
    for (int round = 1; round <= rounds; ++round) {
        for (LiveProgram* program : programs) {
            if (!program->start()) {
                program->stop();
                return false;
            }
            runFor(kSettleMs);
            std::fprintf(stderr, "round %d, %s (load %s)\n", round, qPrintable(program->name()),
                         bench::LoadAverage().c_str());
            window(*program, round);
            program->stop();
        }
    }
    return true;
}

Usage measureUsage(qint64 pid, int ms)
{
    Usage usage;
    const auto process = static_cast<pid_t>(pid);
    const double cpuBefore = childprocess::cpuSeconds(process);
    const auto threadsBefore = childprocess::threadCpuSeconds(process);
    QElapsedTimer wall;
    wall.start();
    int samples = 0;
    while (wall.elapsed() < ms) {
        const double rss = residentMegabytes(process);
        if (rss > 0) {
            usage.meanRssMb += rss;
            usage.maxRssMb = std::max(usage.maxRssMb, rss);
            ++samples;
        }
        runFor(kRssEveryMs);
    }
    const double cpu = childprocess::cpuSeconds(process) - cpuBefore;
    const double percentPerSecond = 100.0 * 1000.0 / static_cast<double>(wall.elapsed());
    usage.cpuPercent = cpu * percentPerSecond;
    for (const auto& [name, seconds] : childprocess::threadCpuSeconds(process)) {
        const auto before = threadsBefore.find(name);
        const double earlier = before == threadsBefore.end() ? 0 : before->second;
        usage.threadPercent[name] = std::max(0.0, seconds - earlier) * percentPerSecond;
    }
    usage.meanRssMb = samples > 0 ? usage.meanRssMb / samples : 0;
    return usage;
}

} // namespace livecost
