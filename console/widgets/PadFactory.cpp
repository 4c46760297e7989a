#include "PadFactory.h"

#include "GaugeCloud.h"

#include <QString>

namespace {

struct PadIcons {
    const char* centre;
    const char* top;
    const char* bottom;
    const char* right;
    const char* left;
};

PadIcons iconsOf(Pad pad)
{
    switch (pad) {
    case Pad::ZoomFocus:
        return {"reset", "Zoom_plus", "Zoom_sub", "Focus_far", "Focus_near"};
    case Pad::CameraHead:
        return {"Came_center", "Came_Up", "Came_Down", "Came_Right", "Came_Left"};
    case Pad::Drive:
        return {"Direction", "Direct_forward", "Direct_back", "Direct_turnRight",
                "Direct_turnLeft"};
    case Pad::Lift:
        break;
    }
    return {nullptr, "Lift_up", "Lift_Down", "Lift_right", "Lift_left"};
}

QString symbol(const char* name)
{
    return QStringLiteral(":/icons/Transparent/%1.png").arg(QLatin1String(name));
}

} // namespace

GaugeCloud* makePad(Pad pad, QWidget* parent)
{
    const PadIcons icons = iconsOf(pad);
    auto* widget =
        new GaugeCloud(parent, pad == Pad::Drive ? GaugeCloud::Drive : GaugeCloud::Momentary);
    if (icons.centre)
        widget->setCenterText(symbol(icons.centre),
                              QStringLiteral(":/icons/Discolour/press_center.png"));
    widget->setIconText(symbol(icons.right), QStringLiteral(":/icons/Discolour/press_right.png"),
                        GaugeCloud::Right);
    widget->setIconText(symbol(icons.left), QStringLiteral(":/icons/Discolour/press_left.png"),
                        GaugeCloud::Left);
    widget->setIconText(symbol(icons.top), QStringLiteral(":/icons/Discolour/press_top.png"),
                        GaugeCloud::Top);
    widget->setIconText(symbol(icons.bottom), QStringLiteral(":/icons/Discolour/press_bottpm.png"),
                        GaugeCloud::Bottom);
    return widget;
}
