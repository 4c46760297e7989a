#include "GuiWait.h"
#include "SimProcess.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "titlebar.h"
#include "videolabel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMetaMethod>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr std::chrono::milliseconds kLinkTimeout(20000);
constexpr std::chrono::milliseconds kQuiet(1500);
const std::string kReset = "cmd ResetControl";

class MainWidgetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        QDir(testenv::home() + "/savevideo").removeRecursively();
    }
};

TEST_F(MainWidgetsTest, MetaObjectTableListsSignalsThenSlotsInOrder)
{
    const QStringList expected{"sendImage(Mat)",
                               "sendRollingPanel(double)",
                               "sendPitchPanel(double)",
                               "sendSpeedValue(double)",
                               "onToggled(bool)",
                               "onMousepressed(int)",
                               "WriteInfoBefore(Mat&)",
                               "WriteInfoAfter(Mat&)",
                               "SaveMatInfoFromQueue()",
                               "GetImage(Mat)",
                               "ControlDirection(int)",
                               "ReControlDirection(int)",
                               "ControlUpDown(int)",
                               "ReControlUpDown(int)",
                               "ControlFocus(int)",
                               "ReControlFocus(int)",
                               "ControlCame(int)",
                               "ReControlCame(int)",
                               "GetSpeedValue(double)",
                               "GetMainLightValue(double)",
                               "GetBackLightValue(double)",
                               "LensDemisterCheck(bool)",
                               "ElectricTakeupCheck(bool)",
                               "LaserDistanceCheck(bool)",
                               "GetChangeMainOrBackCame(bool)",
                               "GetOpenBackCame(bool)"};
    const QMetaObject& meta = mainWidgets::staticMetaObject;
    QStringList actual;
    int signalCount = 0;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        actual << QString::fromLatin1(method.methodSignature());
        signalCount += method.methodType() == QMetaMethod::Signal ? 1 : 0;
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(signalCount, 4);
    const auto names = [&](const char* signature) {
        const QMetaMethod method = meta.method(meta.indexOfMethod(signature));
        return method.parameterNames().value(0);
    };
    EXPECT_EQ(names("sendImage(Mat)"), "image");
    EXPECT_EQ(names("sendSpeedValue(double)"), "dValue");
    EXPECT_EQ(names("onToggled(bool)"), "bChecked");
    EXPECT_EQ(names("onMousepressed(int)"), "nWhich");
    EXPECT_EQ(names("WriteInfoBefore(Mat&)"), "Image");
    EXPECT_EQ(names("ControlDirection(int)"), "iDirection");
    EXPECT_EQ(names("ControlUpDown(int)"), "iUpDown");
    EXPECT_EQ(names("ControlFocus(int)"), "iFocus");
    EXPECT_EQ(names("ControlCame(int)"), "iCame");
    EXPECT_EQ(names("LensDemisterCheck(bool)"), "bCheck");
    EXPECT_EQ(names("GetOpenBackCame(bool)"), "bOpen");
}

TEST_F(MainWidgetsTest, FramelessWindowFillsTheWorkAreaUnderItsOwnTitleBar)
{
    mainWidgets console;
    EXPECT_TRUE(console.windowFlags() & Qt::FramelessWindowHint);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(console.minimumSize(), available.size());
    EXPECT_EQ(console.maximumSize(), available.size());
    EXPECT_EQ(console.windowTitle(), "Ostrel");
    EXPECT_FALSE(console.windowIcon().isNull());
    EXPECT_EQ(console.palette().color(QPalette::Window), QColor(204, 204, 204));
    auto* bar = console.findChild<TitleBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), &console);
    console.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    EXPECT_EQ(bar->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(bar->width(), console.width());
    for (const char* cell : {"drivePad", "displayPanle", "F1", "viewmain", "view"})
        EXPECT_NE(console.findChild<QWidget*>(cell), nullptr) << cell;
}

TEST_F(MainWidgetsTest, StartsWithoutConfigWithWhiteTextAndACreatedSaveFolder)
{
    mainWidgets console;
    EXPECT_EQ(console.projectInfo()->m_overlayColor, cv::Scalar(255, 255, 255, 0));
    EXPECT_TRUE(console.projectInfo()->m_strTaskName.isEmpty());
    EXPECT_EQ(console.saveVideoPath(), testenv::home() + "/savevideo/");
    EXPECT_TRUE(QFileInfo(console.saveVideoPath()).isDir());
}

TEST_F(MainWidgetsTest, StartsWithAGarbageConfig)
{
    QByteArray bytes("[systemconfig]\nfontcolor=");
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(255 - i));
    bytes.append("\n[systemconfig]\ntaskname=T1\n[savedir]\npath=\x01\x02\n");
    testenv::writeConfigBytes(bytes);
    mainWidgets console;
    EXPECT_EQ(console.projectInfo()->m_strTaskName, "T1");
    EXPECT_EQ(console.projectInfo()->m_overlayColor, cv::Scalar(255, 255, 255, 0));
}

TEST_F(MainWidgetsTest, ProjectInfoAndTheDistanceOverlaySwitchAreReloadedByGetSysInfo)
{
    SetQStringFromIni("/codingset/discheck", "1");
    mainWidgets console;
    EXPECT_EQ(console.distanceCalibration().m_strOverlaySwitch, "1");
    const auto before = console.projectInfo();
    SetQStringFromIni("/systemconfig/fontcolor", QStringLiteral("红"));
    SetQStringFromIni("/codingset/discheck", "0");
    console.GetSysInfo();
    EXPECT_EQ(console.projectInfo()->m_overlayColor, cv::Scalar(0, 0, 255, 0));
    EXPECT_EQ(before->m_overlayColor, cv::Scalar(255, 255, 255, 0)); // snapshots never change
    EXPECT_EQ(console.distanceCalibration().m_strOverlaySwitch, "0");
    // Applying project information leaves the switch alone.
    console.setDistanceOverlaySwitch("1");
    console.applyProjectInfo(*before);
    EXPECT_EQ(console.distanceCalibration().m_strOverlaySwitch, "1");
}

// Called through the rear-camera interface, a frame goes as RGB into the
// small view while it is switched on; the large view and its frame path
// never see it.
TEST_F(MainWidgetsTest, RearCameraFramesGoToTheSmallViewAsRgb)
{
    mainWidgets console;
    auto* small = console.findChild<VideoLabel*>("view");
    auto* large = console.findChild<VideoLabel*>("viewmain");
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    const QImage largeBefore = large->picture();
    IHikBackSystemHeadMsg* rear = console.backViewMsg();
    ASSERT_NE(rear, nullptr);
    cv::Mat frame(48, 64, CV_8UC3, cv::Scalar(255, 0, 0));      // BGR: blue
    frame(cv::Rect(0, 0, 32, 48)).setTo(cv::Scalar(0, 0, 255)); // left half red
    const QImage smallOff = small->picture();
    EXPECT_EQ(rear->GetMatImage(frame), 0); // switched off: not converted
    EXPECT_EQ(small->picture(), smallOff);
    console.GetOpenBackCame(true);
    EXPECT_EQ(rear->GetMatImage(frame), 0);
    EXPECT_EQ(rear->GetMatImageQueue({frame}), 0);

    const QImage picture = small->picture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    const int y = picture.height() / 2;
    EXPECT_EQ(picture.pixelColor(picture.width() / 4, y), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(picture.width() * 3 / 4, y), QColor(0, 0, 255));
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 255)); // the caller's frame stays BGR
    EXPECT_EQ(large->picture(), largeBefore);
}

// The console against a real crawler-sim on 127.0.0.1.
class ConsoleClose : public MainWidgetsTest {
protected:
    void SetUp() override
    {
        MainWidgetsTest::SetUp();
        ASSERT_TRUE(sim.start({"-v"}));
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", QString::number(sim.port()));
        console = std::make_unique<mainWidgets>();
        console->show();
        // The start-up sequence ends with one reset, sent from the GUI thread.
        ASSERT_TRUE(guiwait::waitUntil([&] { return !sim.linesStartingWith(kReset).empty(); }));
    }

    void expectOneMoreResetOnly()
    {
        EXPECT_TRUE(sim.waitForPrefixCount(kReset, 2, kLinkTimeout));
        EXPECT_FALSE(sim.waitForPrefixCount(kReset, 3, kQuiet));
        EXPECT_FALSE(console->isVisible());
    }

    simtest::SimProcess sim;
    std::unique_ptr<mainWidgets> console;
};

TEST_F(ConsoleClose, TitleBarCloseResetsTheCrawlerOnce)
{
    auto* close = console->findChild<QPushButton*>("closeButton");
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    console->close(); // a second close must not reset again
    expectOneMoreResetOnly();
}

TEST_F(ConsoleClose, WindowCloseEventResetsTheCrawlerOnce)
{
    QCloseEvent event;
    QApplication::sendEvent(console.get(), &event);
    console->hide();
    QCloseEvent again;
    QApplication::sendEvent(console.get(), &again);
    expectOneMoreResetOnly();
}

} // namespace
