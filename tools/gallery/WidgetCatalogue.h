// The console's instrument widgets set up as the console sets them up (pictures,
// sizes, start values). Shared by the gallery and the screenshot test.
#pragma once

#include "ColorButton.h"
#include "ControlView.h"
#include "DisplayPanle.h"
#include "FontFaces.h"
#include "GaugeCloud.h"
#include "GaugeSpeed.h"
#include "LightButton.h"
#include "PadFactory.h"
#include "PanelSpeed.h"
#include "PitchPanel.h"
#include "RollingPanel.h"
#include "SliderWidget.h"
#include "StatusPanel.h"
#include "SwitchButton.h"

#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace catalogue {

// Sizes the console gives or typically lays out its widgets at.
inline constexpr QSize kLightSliderSize{35, 220};
inline constexpr QSize kSwitchSize{100, 30};
inline constexpr QSize kPadSize{260, 260};
inline constexpr QSize kSpeedGaugeSize{220, 220};
inline constexpr QSize kControlViewSize{260, 90};
inline constexpr QSize kDisplayPanelSize{440, 300};
inline constexpr QSize kFunctionKeySize{110, 110};
inline constexpr QSize kLampSize{60, 60};
inline constexpr QSize kStatusPanelSize{1000, 230};
inline constexpr QSize kAttitudeDialSize{200, 200};
inline constexpr QSize kAttitudePictureSize{180, 180};
// Start values that turn needles and pictures away from their rest position.
inline constexpr double kSampleSpeed = 40;
inline constexpr double kSampleRoll = 15;
inline constexpr double kSamplePitch = -10;

inline GaugeCloud* makeSizedPad(Pad pad, QWidget* parent)
{
    GaugeCloud* widget = makePad(pad, parent);
    widget->resize(kPadSize);
    return widget;
}

// Function key F<number>; only F2 times its own press look.
inline ColorButton* makeFunctionKey(int number, QWidget* parent)
{
    auto* key = new ColorButton(parent, number == 2);
    key->setPixmaps(QPixmap(QStringLiteral(":/images/Button_normal/F%1.png").arg(number)),
                    QPixmap(QStringLiteral(":/images/Button_keydown/F%1_1.png").arg(number)));
    key->resize(kFunctionKeySize);
    return key;
}

inline SliderWidget* makeSlider(QWidget* parent)
{
    auto* slider = new SliderWidget(parent);
    slider->setFixedWidth(kLightSliderSize.width());
    slider->resize(kLightSliderSize);
    return slider;
}

inline SwitchButton* makeSwitch(QWidget* parent)
{
    auto* button = new SwitchButton(parent, false);
    button->setFixedSize(kSwitchSize);
    return button;
}

template <typename T> T* sized(T* widget, QSize size)
{
    widget->resize(size);
    return widget;
}

// One sample of every instrument class, named by its class.
struct Sample {
    QString className;
    std::function<QWidget*(QWidget*)> make;
};

inline std::vector<Sample> samples()
{
    return {
        {"SliderWidget", [](QWidget* p) { return makeSlider(p); }},
        {"SwitchButton", [](QWidget* p) { return makeSwitch(p); }},
        {"LightButton", [](QWidget* p) { return sized(new LightButton(p), kLampSize); }},
        {"ControlView", [](QWidget* p) { return sized(new ControlView(p), kControlViewSize); }},
        {"DisplayPanle", [](QWidget* p) { return sized(new DisplayPanle(p), kDisplayPanelSize); }},
        {"GaugeCloud", [](QWidget* p) { return makeSizedPad(Pad::Drive, p); }},
        {"GaugeSpeed",
         [](QWidget* p) {
             auto* gauge = sized(new GaugeSpeed(p), kSpeedGaugeSize);
             gauge->SetCurrentValue(kSampleSpeed);
             return gauge;
         }},
        {"ColorButton", [](QWidget* p) { return makeFunctionKey(1, p); }},
        {"PanelSpeed",
         [](QWidget* p) {
             auto* dial =
                 sized(new PanelSpeed(p, QStringLiteral(":/images/Others/rollingspeed.png")),
                       kAttitudeDialSize);
             dial->SetCurrentValue(kSampleRoll);
             return dial;
         }},
        {"RollingPanel",
         [](QWidget* p) {
             auto* picture = sized(new RollingPanel(p), kAttitudePictureSize);
             picture->SetAngle(kSampleRoll);
             return picture;
         }},
        {"PitchPanel",
         [](QWidget* p) {
             auto* picture = sized(new PitchPanel(p), kAttitudePictureSize);
             picture->SetAngle(kSamplePitch);
             return picture;
         }},
        {"StatusPanel",
         [](QWidget* p) {
             auto* panel = sized(new StatusPanel(p), kStatusPanelSize);
             panel->SetRollingPanel(kSampleRoll);
             panel->SetPitchPanel(kSamplePitch);
             return panel;
         }},
    };
}

} // namespace catalogue
