// The console's side of the robot link: the commands and telemetry it feeds,
// the crawler session that opens and closes it, and the link library's
// callbacks, each inside the console's callback gate.
#include "mainwidgets.h"

#include "GaugeCloud.h"
#include "cameralogins.h"
#include "crawlersession.h"
#include "inisettings.h"
#include "recording.h"
#include "robotcommands.h"
#include "telemetry.h"
#include "threadcheck.h"
#include "videolabel.h"

namespace {

CrawlerSession::LinkAddress linkAddressFromIni()
{
    // Spaces around address and port (typed by hand) are no part of them.
    return {GetQStringFromIni("/com/ip").trimmed().toStdString(),
            GetQStringFromIni("/com/port").toInt()}; // 0 when not a number
}

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
    // The panels repaint with the large view's next picture; the view (a
    // child widget) outlives the telemetry.
    m_pTelemetry->setPaintBeat(&m_pViewMain->paintBeat());
}

void mainWidgets::createSession()
{
    CrawlerSession::Hooks hooks;
    hooks.linkAddress = &linkAddressFromIni;
    // Queued on the console: a task still waiting when it goes is dropped.
    hooks.onGuiThread = [this](std::function<void()> task) { m_guiTasks.post(std::move(task)); };
    hooks.linkOpened = [this] { m_pCommands->ResetControl(RobotCommands::AfterReset::Resume); };
    hooks.leavingLink = [this] { m_pCommands->ResetControl(RobotCommands::AfterReset::Leave); };
    m_pSession = std::make_unique<CrawlerSession>(*m_pSocketSystem, *m_pCameras, m_callbacks,
                                                  std::move(hooks));
}

bool mainWidgets::linkConnected() const
{
    return m_pSession->linkConnected();
}

int mainWidgets::OnLinkState(const char* state)
{
    return m_pSession->OnLinkState(state);
}

int mainWidgets::OnStatusData(const LinkStatusRecord* record)
{
    MORAVEL_ASSERT_NOT_GUI_THREAD();
    const CallbackGate::Scope scope(m_callbacks);
    if (!scope)
        return 0;
    if (record != nullptr)
        m_pRecording->receiveStatus(*record);
    return m_pTelemetry->receive(record);
}

int mainWidgets::OnControlData(const LinkControlRecord*)
{
    return 0;
}
