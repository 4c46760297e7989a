#include "telemetry.h"

#include "paintbeat.h"
#include "robotcommands.h"
#include "statusreadout.h"
#include "threadcheck.h"

#include <QTimer>

#include <utility>

Telemetry::Telemetry(RobotCommands& commands, DisplayPanle& panel,
                     std::function<void(double)> distanceReading,
                     std::function<void(double, double)> attitude, QObject* parent)
    : QObject(parent), m_commands(commands), m_panel(panel),
      m_distanceReading(std::move(distanceReading)), m_attitude(std::move(attitude)),
      m_pPaintWait(new QTimer(this))
{
    m_pPaintWait->setSingleShot(true);
    m_pPaintWait->setTimerType(Qt::PreciseTimer);
    connect(m_pPaintWait, &QTimer::timeout, this, &Telemetry::applyNewest);
}

int Telemetry::receive(const LinkStatusRecord* record)
{
    if (record == nullptr)
        return 0;
    // The gate closes with the record that hands control to the remote,
    // not only once the GUI thread has caught up.
    m_commands.setRemoteState(record->NRF_Status);
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(m_newestMutex);
        const bool remoteChanged = record->NRF_Status != m_newest.NRF_Status;
        m_newest = *record;
        m_remoteHeldMeanwhile |= record->NRF_Status == RobotCommands::kRemoteHasControl;
        const bool firstChange = remoteChanged && !std::exchange(m_remoteChangedMeanwhile, true);
        wake = !std::exchange(m_newestWaiting, true) || firstChange;
    }
    // One queued call at a time, and one more for a change of the remote's
    // state while a record waits: a flood never piles up work for the GUI.
    if (wake)
        m_guiTasks.post([this] { applyNewest(); });
    return 0;
}

void Telemetry::applyNewest()
{
    if (m_sinceApplied.isValid() && m_sinceApplied.elapsed() < kPaintIntervalMs) {
        m_pPaintWait->start(static_cast<int>(kPaintIntervalMs - m_sinceApplied.elapsed()));
        return;
    }
    bool remoteChanged = false;
    {
        const std::lock_guard<std::mutex> lock(m_newestMutex);
        remoteChanged = m_remoteChangedMeanwhile;
    }
    if (m_pBeat != nullptr && !remoteChanged)
        m_pBeat->run(this, [this] { applyWaiting(); });
    else
        applyWaiting();
}

void Telemetry::applyWaiting()
{
    LinkStatusRecord newest{};
    bool remoteHeld = false;
    {
        const std::lock_guard<std::mutex> lock(m_newestMutex);
        // A change of the remote's state overtook the record waiting for the beat.
        if (!m_newestWaiting)
            return;
        newest = m_newest;
        remoteHeld = std::exchange(m_remoteHeldMeanwhile, false);
        m_newestWaiting = false;
        m_remoteChangedMeanwhile = false;
    }
    m_sinceApplied.start();
    // The remote took control and gave it back between two applied records.
    if (remoteHeld && newest.NRF_Status != RobotCommands::kRemoteHasControl)
        applyRemoteState(RobotCommands::kRemoteHasControl);
    apply(newest);
}

void Telemetry::apply(const LinkStatusRecord& record)
{
    MORAVEL_ASSERT_GUI_THREAD();
    const StatusReadout readout = StatusReadout::fromRecord(record);
    m_distanceReading(readout.cableLength);
    showReadout(m_panel, readout);
    m_attitude(readout.rollInstrument, readout.pitchInstrument);
    applyRemoteState(record.NRF_Status);
    m_commands.statusApplied();
}

void Telemetry::applyRemoteState(uint8_t nrfStatus)
{
    const RemoteStateTracker::Change change = m_remote.update(nrfStatus);
    if (change.resetControl)
        m_commands.ResetControl(RobotCommands::AfterReset::Resume);
    if (change.showChanged)
        showRemoteState(m_panel, change.connected);
}
