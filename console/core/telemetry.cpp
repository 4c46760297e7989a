#include "telemetry.h"

#include "robotcommands.h"
#include "statusreadout.h"

#include <utility>

Telemetry::Telemetry(RobotCommands& commands, DisplayPanle& panel,
                     std::function<void(double)> distanceReading,
                     std::function<void(double, double)> attitude, QObject* parent)
    : QObject(parent), m_commands(commands), m_panel(panel),
      m_distanceReading(std::move(distanceReading)), m_attitude(std::move(attitude))
{
}

int Telemetry::receive(const LinkStatusRecord* record)
{
    if (record == nullptr)
        return 0;
    // The gate closes with the record that hands control to the remote,
    // not only once the GUI thread has caught up.
    m_commands.setRemoteState(record->NRF_Status);
    QMetaObject::invokeMethod(
        this, [this, copy = *record] { apply(copy); }, Qt::QueuedConnection);
    return 0;
}

void Telemetry::apply(const LinkStatusRecord& record)
{
    const StatusReadout readout = StatusReadout::fromRecord(record);
    m_distanceReading(readout.cableLength);
    showReadout(m_panel, readout);
    m_attitude(readout.rollInstrument, readout.pitchInstrument);
    const RemoteStateTracker::Change change = m_remote.update(record.NRF_Status);
    if (change.resetControl)
        m_commands.ResetControl(RobotCommands::AfterReset::Resume);
    if (change.showChanged)
        showRemoteState(m_panel, change.connected);
    m_commands.statusApplied();
}
