// Telemetry intake: status records arrive on the link library's thread and
// are applied on the GUI thread. The remote-control gate of the commands is
// set at once on arrival, for every record. The GUI applies the newest
// record at most once per paint interval, however fast records come, in
// order: distance reading, panel texts, attitude instruments, remote caption
// and lamp. When the remote gives control back, the commands reset the
// crawler and resume the operator's outputs.
#pragma once

#include "ISocketSystemHead.h"
#include "guitasks.h"
#include "remotestate.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <functional>
#include <mutex>

class DisplayPanle;
class PaintBeat;
class QTimer;
class RobotCommands;

class Telemetry : public QObject {
    Q_OBJECT

public:
    // One frame of a 60 Hz screen: nobody sees records applied faster, and
    // the crawler's 20 Hz records are each applied (with a paint beat, at
    // the main view's next repaint).
    static constexpr int kPaintIntervalMs = 16;

    // distanceReading takes the cable length in metres (the distance
    // calibration's current reading); attitude takes the roll and pitch
    // instruments' values, in that order. The commands and the panel must
    // outlive this object, which lives on the GUI thread.
    Telemetry(RobotCommands& commands, DisplayPanle& panel,
              std::function<void(double)> distanceReading,
              std::function<void(double roll, double pitch)> attitude, QObject* parent = nullptr);

    // Link library thread: the body of OnStatusData. Returns 0.
    int receive(const LinkStatusRecord* record);
    // GUI thread: one record, step by step.
    void apply(const LinkStatusRecord& record);
    // GUI thread: records wait for the beat's next repaint (the main view's)
    // to be applied with it, except those that change the remote's state.
    // The beat must outlive this object.
    void setPaintBeat(PaintBeat* beat) { m_pBeat = beat; }

private:
    // GUI thread: the newest record received since the last one applied, on
    // the paint beat when there is one.
    void applyNewest();
    void applyWaiting();
    void applyRemoteState(uint8_t nrfStatus);

    RobotCommands& m_commands;
    DisplayPanle& m_panel;
    std::function<void(double)> m_distanceReading;
    std::function<void(double, double)> m_attitude;
    RemoteStateTracker m_remote;

    // The one record waiting for the GUI, whatever the rate: memory stays flat.
    std::mutex m_newestMutex;
    LinkStatusRecord m_newest{};
    bool m_newestWaiting = false;
    // A record since the last one applied had the remote holding control, so
    // a hand-back in between is not lost when only the newest is applied.
    bool m_remoteHeldMeanwhile = false;
    // A record since the last one applied changed the remote's state: it is
    // applied at once, so that no two changes meet in one applied record. The
    // first such change wakes the GUI even while a record waits for the beat.
    bool m_remoteChangedMeanwhile = false;

    QTimer* m_pPaintWait;
    PaintBeat* m_pBeat = nullptr;
    GuiTasks m_guiTasks;
    QElapsedTimer m_sinceApplied;
};
