// The console's video glue in this process for the tests that record: the
// console on crawler-sim with simulated cameras, its save folder, F2 until a
// snapshot lands, and F1 recordings from a field camera (FieldCamera.h) whose
// files ffprobe and ffmpeg read.
#pragma once

#include "ColorButton.h"
#include "FieldCamera.h"
#include "LinkedSim.h"
#include "SimProcess.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "mediaprobe.h"
#include "videolabel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace coretest {

// Main frames wider than both crop margins lose 162 pixels each side.
const QSize kMainCropped(400 - 2 * 162, 300);
const QSize kBackWhole(360, 240);
const QString kMainSim = QStringLiteral("sim:main?w=400&h=300&fps=25");
const QString kBackSim = QStringLiteral("sim:back?w=360&h=240&fps=25");
// Cable paid out as the simulator reports it, in centimetres and metres.
const char* const kCableSetting = "Wir_length=1225";
constexpr double kCableMetres = 12.25;
constexpr int kSnapshotLandsMs = 2000;

inline void setCamera(const QString& section, const QString& address)
{
    SetQStringFromIni(section + "ip", address);
    SetQStringFromIni(section + "port", "0");
    SetQStringFromIni(section + "name", "operator");
    SetQStringFromIni(section + "password", "secret");
}

class ConsoleVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        ASSERT_TRUE(m_save.isValid());
        ASSERT_TRUE(sim.start({"-v", "--set", kCableSetting}));
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", QString::number(sim.port()));
        SetQStringFromIni("/savedir/path", folder());
        SetQStringFromIni("/systemconfig/location", QStringLiteral("人民路"));
        SetQStringFromIni("/systemconfig/startwellno", "Y1");
        SetQStringFromIni("/systemconfig/endwellno", "Y2");
        setCamera("/lognone/", kMainSim);
        setCamera("/logntwo/", kBackSim);
    }

    // loggedIn: waits until both cameras are logged in.
    void startConsole(const QString& fps = QStringLiteral("25"), bool loggedIn = true)
    {
        SetQStringFromIni("/came/fps", fps);
        console = std::make_unique<mainWidgets>();
        console->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(console.get()));
        if (loggedIn) {
            ASSERT_TRUE(waitUntil([&] { return console->cameraLogins().allLoggedIn(); }));
        }
    }

    QString folder() const { return m_save.path() + "/"; }
    QStringList saved(const QString& suffix) const
    {
        return QDir(folder()).entryList({"*" + suffix}, QDir::Files, QDir::Name);
    }

    // F2 until a snapshot is written (none before the first frame); its name.
    // Snapshots are written off the GUI thread: each F2 gets time to land.
    QString snapshot()
    {
        const QStringList before = saved(".jpg");
        QString written;
        const auto landed = [&] {
            for (const QString& name : saved(".jpg"))
                if (!before.contains(name))
                    written = name;
            return !written.isEmpty();
        };
        waitUntil([&] {
            QTest::keyClick(console.get(), Qt::Key_F2);
            return waitUntil(landed, kSnapshotLandsMs);
        });
        return written;
    }
    QSize snapshotSize() { return QImage(folder() + snapshot()).size(); }

    simtest::SimProcess sim;
    std::unique_ptr<mainWidgets> console;

private:
    QTemporaryDir m_save;
};

inline // The console's log as far as it reaches back: the newest compressed file and the plain one.
    QString
    recentLog()
{
    const QString plain = QCoreApplication::applicationDirPath() + "/Logs/Moravel.log";
    QProcess unzip;
    unzip.start("gzip", {"-dc", QCoreApplication::applicationDirPath() + "/Logs/Moravel.1.log.gz"});
    unzip.waitForFinished();
    QFile file(plain);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(unzip.readAllStandardOutput() + file.readAll());
}

inline // A frame of the file at the given time as an image ("-0.3" from its end).
    QImage
    frameAt(const QString& path, const char* at, bool fromEnd)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("frame.png"));
    runCommand(std::string("ffmpeg -v error ") + (fromEnd ? "-sseof " : "-ss ") + at + " -i '" +
               path.toStdString() + "' -frames:v 1 -y '" + png.toStdString() + "'");
    return QImage(png);
}

inline const VideoLabel* mainView(const mainWidgets& console)
{
    return console.findChild<VideoLabel*>("viewmain");
}

// The main camera is a field camera (FieldCamera.h).
class ConsoleRecording : public ConsoleVideo {
protected:
    void startCamera(const char* fps) { startCamera(coretest::fieldCamera(fps)); }
    void startCamera(const RtspCamera::Options& options)
    {
        camera = std::make_unique<RtspCamera>(options);
        ASSERT_TRUE(camera->start());
        coretest::setMainCamera(camera->port());
    }

    // F1, about ms of recording (during() is called as it runs with the
    // milliseconds so far), F1 again. The file, and how long it recorded.
    QString record(int ms, double& ranSeconds, const std::function<void(qint64)>& during = {})
    {
        auto* f1 = console->findChild<ColorButton*>(QStringLiteral("F1"));
        QElapsedTimer ran;
        QTest::keyClick(console.get(), Qt::Key_F1);
        ran.start();
        waitUntil(
            [&] {
                if (during)
                    during(ran.elapsed());
                return ran.elapsed() >= ms;
            },
            ms + 10000);
        QTest::keyClick(console.get(), Qt::Key_F1);
        ranSeconds = ran.elapsed() / 1000.0;
        EXPECT_FALSE(f1->isPressedLook());
        const QStringList files = saved(".mp4");
        if (files.size() != 1)
            return {};
        // The frames that came before the stop are still being written.
        EXPECT_TRUE(waitUntil([&] {
            return recentLog().contains(QStringLiteral("recording closed [%1]").arg(files.front()));
        }));
        return folder() + files.front();
    }

    std::unique_ptr<RtspCamera> camera;
};

} // namespace coretest
