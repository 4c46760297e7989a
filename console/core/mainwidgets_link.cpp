// The console's side of the robot link: opening it from the start-up
// thread and reacting to its state reports.
#include "mainwidgets.h"

#include "GaugeCloud.h"
#include "consolelog.h"
#include "inisettings.h"
#include "recording.h"
#include "robotcommands.h"
#include "telemetry.h"

#include <chrono>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kStartupRetry(1000);
constexpr std::chrono::milliseconds kCallbackPoll(1);

// Counts a link callback as running for its whole duration.
class CallbackScope {
public:
    explicit CallbackScope(std::atomic<int>& count) : m_count(count) { ++m_count; }
    ~CallbackScope() { --m_count; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    std::atomic<int>& m_count;
};

} // namespace

void mainWidgets::buildCommands()
{
    m_pCommands = std::make_unique<RobotCommands>(
        m_pSocketSystem, [this](double dValue) { emit sendSpeedValue(dValue); },
        [this](int latch) { m_pDrivePad->updateUpDowmStatus(latch); });
    m_pTelemetry = std::make_unique<Telemetry>(
        *m_pCommands, *m_pDisplayPanle,
        [this](double metres) {
            m_overlay.changeDistance(
                [metres](DistanceCalibration& d) { d.m_dCurrentReading = metres; });
        },
        [this](double roll, double pitch) {
            emit sendRollingPanel(roll);
            emit sendPitchPanel(pitch);
        });
}

bool mainWidgets::startupDone() const
{
    return m_linkState.isConnected() && m_pCameras->allLoggedIn() && !m_bReopenLink.load();
}

void mainWidgets::startInitThread()
{
    while (!startupDone() && !m_startup.stopRequested()) {
        if (m_bReopenLink.exchange(false))
            closeLinkForNewAddress();
        m_pCameras->loginMissing();
        if (!m_linkState.isConnected())
            openLink();
        MORAVEL_LOG(L"[Moravel] startInitThread m_userID_0 [%d] m_userID_1 [%d] bCom [%d]",
                    m_pCameras->userId(CameraLogins::kMain),
                    m_pCameras->userId(CameraLogins::kBack),
                    static_cast<int>(m_linkState.isConnected()));
        if (!m_startup.sleepFor(kStartupRetry))
            break;
    }
    MORAVEL_LOG(L"[Moravel] startInitThread end");
}

void mainWidgets::openLink()
{
    const int dropsBefore = m_linkState.drops();
    // Spaces around address and port (typed by hand) are no part of them.
    const QByteArray address = GetQStringFromIni("/com/ip").trimmed().toUtf8();
    const int port = GetQStringFromIni("/com/port").toInt(); // 0 when not a number
    m_pSocketSystem->Connect(address.constData(), port);
    if (!m_pSocketSystem->IsConnected())
        return;
    m_pSocketSystem->Start();
    // The reset and what follows it run on the GUI thread with the other
    // commands, so no operator command can slip in between them.
    QMetaObject::invokeMethod(
        this, [this] { m_pCommands->ResetControl(RobotCommands::AfterReset::Resume); },
        Qt::QueuedConnection);
    // A drop reported meanwhile wins: the loop then opens the link again.
    m_linkState.confirmOpened(dropsBefore);
}

void mainWidgets::closeLinkForNewAddress()
{
    MORAVEL_LOG(L"[Moravel] link address changed, reopening");
    // Not a drop: the cameras keep running. Cleared again once the old
    // link's callbacks are over, so a late report of its opening cannot
    // make it count as open.
    m_linkState.clear();
    m_pSocketSystem->Disconnect();
    m_linkState.clear();
}

int mainWidgets::OnLinkState(const char* state)
{
    const CallbackScope running(m_iLinkCallbacks);
    return m_linkState.OnLinkState(state);
}

void mainWidgets::tearDownLink()
{
    m_pCameras->tearDown();
    m_pSocketSystem->Disconnect();
    m_startup.start();
}

void mainWidgets::waitForLinkCallbacks() const
{
    while (m_iLinkCallbacks.load() > 0)
        std::this_thread::sleep_for(kCallbackPoll);
}

int mainWidgets::OnStatusData(const LinkStatusRecord* record)
{
    const CallbackScope running(m_iLinkCallbacks);
    if (record != nullptr)
        m_pRecording->receiveStatus(*record);
    return m_pTelemetry->receive(record);
}

int mainWidgets::OnControlData(const LinkControlRecord*)
{
    const CallbackScope running(m_iLinkCallbacks);
    return 0;
}
