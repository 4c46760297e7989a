#include "remotestate.h"

#include "DisplayPanle.h"
#include "LightButton.h"
#include "robotcommands.h"

#include <QCoreApplication>
#include <QLabel>

namespace {
const QColor kConnectedLamp(0, 255, 0);
const QColor kDisconnectedLamp(255, 0, 0);
} // namespace

RemoteStateTracker::Change RemoteStateTracker::update(uint8_t nrfStatus)
{
    Change change;
    const bool wasConnected = m_previous == RobotCommands::kRemoteHasControl;
    change.connected = nrfStatus == RobotCommands::kRemoteHasControl;
    change.showChanged = change.connected != wasConnected;
    change.resetControl = wasConnected && !change.connected;
    m_previous = nrfStatus;
    return change;
}

void showRemoteState(DisplayPanle& panel, bool connected)
{
    panel.m_pRemoteStatus->setText(connected
                                       ? QCoreApplication::translate("DisplayPanle", "已连接")
                                       : QCoreApplication::translate("DisplayPanle", "未连接"));
    panel.m_pRemoteLamp->setBgColor(connected ? kConnectedLamp : kDisconnectedLamp);
}
