// The console's four pads, each with the sector pictures of its role.
#pragma once

class GaugeCloud;
class QWidget;

enum class Pad { ZoomFocus, CameraHead, Drive, Lift };

// Only the drive pad latches; only the lift pad has no centre picture.
GaugeCloud* makePad(Pad pad, QWidget* parent);
