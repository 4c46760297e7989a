// The console with a main-camera library built to the camera system interface
// alone (plaincamera/, first on LD_LIBRARY_PATH), whose logins all fail:
// it runs on, and shows the failure's reason as unknown.
#include "IHikSystemHeadExt.h"
#include "NoVideoCheck.h"
#include "SimProcess.h"
#include "cameralogins.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "videolabel.h"

#include <QTest>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using guiwait::waitUntil;

constexpr int kPasses = 3;
constexpr int kPassMs = 1000;

TEST(PlainCameraLibrary, FailedLoginsShowAnUnknownReasonAndTheConsoleRunsOn)
{
    // The console's library was replaced: no extension anywhere.
    ASSERT_EQ(dlsym(RTLD_DEFAULT, kHikSystemHeadExtEntry), nullptr);
    testenv::removeConfig();
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({}));
    SetQStringFromIni("/com/ip", "127.0.0.1");
    SetQStringFromIni("/com/port", QString::number(sim.port()));
    for (const QString& section : {QStringLiteral("/lognone/"), QStringLiteral("/logntwo/")}) {
        SetQStringFromIni(section + "ip", "127.0.0.1");
        SetQStringFromIni(section + "port", "554");
    }
    mainWidgets console;
    console.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&console));
    const auto* mainView = console.findChild<VideoLabel*>("viewmain");
    ASSERT_NE(mainView, nullptr);
    EXPECT_TRUE(waitUntil(
        [&] { return coretest::shownReason(mainView->picture()) == kLoginErrorUnknown; }));
    // Pass after pass of the start-up loop, each with two failed logins.
    waitUntil([] { return false; }, kPasses * kPassMs);
    EXPECT_EQ(console.cameraLogins().lastError(CameraLogins::kMain), kLoginErrorUnknown);
    EXPECT_EQ(console.cameraLogins().lastError(CameraLogins::kBack), kLoginErrorUnknown);
    EXPECT_EQ(coretest::shownReason(mainView->picture()), kLoginErrorUnknown);
}

} // namespace
