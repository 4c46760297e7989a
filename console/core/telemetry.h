// Telemetry intake: status records arrive on the link library's thread and
// are applied on the GUI thread. The remote-control gate of the commands is
// set at once on arrival; the record itself travels by value through a
// queued call and is applied in order: distance reading, panel texts,
// attitude instruments, remote caption and lamp. When the remote gives
// control back, the commands reset the crawler and resume the operator's
// outputs.
#pragma once

#include "ISocketSystemHead.h"
#include "remotestate.h"

#include <QObject>

#include <functional>

class DisplayPanle;
class RobotCommands;

class Telemetry : public QObject {
    Q_OBJECT

public:
    // distanceReading takes the cable length in metres (the distance
    // calibration's current reading); attitude takes the roll and pitch
    // instruments' values, in that order. The commands and the panel must
    // outlive this object, which lives on the GUI thread.
    Telemetry(RobotCommands& commands, DisplayPanle& panel,
              std::function<void(double)> distanceReading,
              std::function<void(double roll, double pitch)> attitude, QObject* parent = nullptr);

    // Link library thread: the body of OnStatusData. Returns 0.
    int receive(const LinkStatusRecord* record);
    // GUI thread.
    void apply(const LinkStatusRecord& record);

private:
    RobotCommands& m_commands;
    DisplayPanle& m_panel;
    std::function<void(double)> m_distanceReading;
    std::function<void(double, double)> m_attitude;
    RemoteStateTracker m_remote;
};
