// The console's panels: the left and right columns, the bottom band with the
// attitude block, the telemetry panel and the function keys, their wiring to
// the console's slots, and the keys that open the dialogs.
#include "mainwidgets.h"

#include "CodingSet.h"
#include "ColorButton.h"
#include "ControlView.h"
#include "DisplayPanle.h"
#include "GaugeCloud.h"
#include "GaugeSpeed.h"
#include "PadFactory.h"
#include "PictureLookup.h"
#include "SliderWidget.h"
#include "StatusPanel.h"
#include "SwitchButton.h"
#include "engineeringinfo.h"
#include "engineershoworhide.h"
#include "functionkeys.h"
#include "startuptiming.h"
#include "ui_mainwidgets.h"

#include <QDebug>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kSliderWidth = 35;
constexpr QSize kIconSize(100, 50);
constexpr QSize kSwitchSize(100, 30);
const QString kIconStyle = QStringLiteral("QLabel{margin:10 0;}");

// The upper grids of both columns span nine columns and rows 0 to 3 of their
// column; the pad boxes sit below them.
constexpr int kUpperColumns = 9;
constexpr int kUpperRowSpan = 4;
constexpr int kPadsRow = 4;
constexpr int kPadsRowSpan = 6;

// Bottom band: the attitude block above the function keys (one stretch each,
// set by FunctionKeys) and the telemetry panel beside them.
constexpr int kPanelColumn = 7;
constexpr int kPanelStretch = 3;

constexpr int kEngineeringKey = 3;
constexpr int kOverlayFieldsKey = 5;
constexpr int kDistanceKey = 6;

// A pad of the given role, named so that tests and style sheets can find it.
GaugeCloud* namedPad(Pad pad, QWidget* parent, const char* objectName)
{
    GaugeCloud* widget = makePad(pad, parent);
    widget->setObjectName(objectName);
    return widget;
}

QWidget* makeSpacer(QWidget* parent)
{
    return new QWidget(parent);
}

// A picture from images/Others/; a missing file leaves the label empty.
QLabel* makePicture(QWidget* parent, const char* fileName)
{
    auto* label = new QLabel(parent);
    label->setPixmap(PictureLookup::pixmap(QLatin1String(fileName)));
    return label;
}

// The accessory icons are scaled into a fixed box.
QLabel* makeAccessoryIcon(QWidget* parent, const char* fileName)
{
    QLabel* label = makePicture(parent, fileName);
    label->setScaledContents(true);
    label->setStyleSheet(kIconStyle);
    label->setFixedSize(kIconSize);
    return label;
}

SliderWidget* makeSlider(QWidget* parent, const char* objectName)
{
    auto* slider = new SliderWidget(parent);
    slider->setObjectName(objectName);
    slider->setFixedWidth(kSliderWidth);
    return slider;
}

SwitchButton* makeSwitch(QWidget* parent, const char* objectName)
{
    auto* button = new SwitchButton(parent, false);
    button->setObjectName(objectName);
    button->setFixedSize(kSwitchSize);
    return button;
}

QVBoxLayout* padBox(GaugeCloud* upper, GaugeCloud* lower)
{
    auto* box = new QVBoxLayout;
    box->addWidget(upper, 1);
    box->addWidget(lower, 1);
    return box;
}

// A modal dialog of the console: the key looks pressed while it is open.
template <typename Dialog> void runDialog(mainWidgets* console, ColorButton* key)
{
    key->updataStatus(true);
    Dialog dialog(console);
    dialog.setWindowFlags(Qt::FramelessWindowHint);
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.setConsole(console);
    dialog.exec();
    key->updataStatus(false);
}

} // namespace

mainWidgets::PanelLayouts mainWidgets::buildPanels()
{
    PanelLayouts panels{};
    buildLeftColumn(panels);
    buildRightColumn(panels);
    buildBottomBand(panels);
    connectFunctionKeys();
    return panels;
}

void mainWidgets::buildLeftColumn(PanelLayouts& panels)
{
    QWidget* topSpacer = makeSpacer(this);
    QWidget* bottomSpacer = makeSpacer(this);
    QLabel* mainLightIcon = makePicture(this, "mainlight.png");
    QLabel* backLightIcon = makePicture(this, "backlight.png");
    QLabel* demisterIcon = makeAccessoryIcon(this, "camedefog.png");
    QLabel* takeupIcon = makeAccessoryIcon(this, "electrictakeup.png");
    QLabel* laserIcon = makeAccessoryIcon(this, "laserdistance.png");
    SliderWidget* mainLight = makeSlider(this, "mainLightSlider");
    SliderWidget* backLight = makeSlider(this, "backLightSlider");
    connect(mainLight, &SliderWidget::sigPositonChangeBk, this, &mainWidgets::GetMainLightValue);
    connect(backLight, &SliderWidget::sigPositonChangeBk, this, &mainWidgets::GetBackLightValue);
    SwitchButton* demister = makeSwitch(this, "lensDemisterSwitch");
    SwitchButton* takeup = makeSwitch(this, "electricTakeupSwitch");
    SwitchButton* laser = makeSwitch(this, "laserDistanceSwitch");
    connect(demister, &SwitchButton::toggled, this, &mainWidgets::LensDemisterCheck);
    connect(takeup, &SwitchButton::toggled, this, &mainWidgets::ElectricTakeupCheck);
    connect(laser, &SwitchButton::toggled, this, &mainWidgets::LaserDistanceCheck);
    m_pTiming->print("t2 - t1");

    GaugeCloud* lensPad = namedPad(Pad::ZoomFocus, this, "lensPad");
    GaugeCloud* cameraHeadPad = namedPad(Pad::CameraHead, this, "cameraHeadPad");
    connect(lensPad, &GaugeCloud::mousePressed, this, &mainWidgets::ControlFocus);
    connect(lensPad, &GaugeCloud::mouseRelease, this, &mainWidgets::ReControlFocus);
    connect(cameraHeadPad, &GaugeCloud::mousePressed, this, &mainWidgets::ControlCame);
    connect(cameraHeadPad, &GaugeCloud::mouseRelease, this, &mainWidgets::ReControlCame);
    // Operator traces of the demister switch and the lens pad.
    connect(demister, &SwitchButton::toggled, this, &mainWidgets::onToggled);
    connect(lensPad, &GaugeCloud::mousePressed, this, &mainWidgets::onMousepressed);

    auto* grid = new QGridLayout;
    grid->addWidget(topSpacer, 0, 0, 1, kUpperColumns);
    grid->addWidget(mainLight, 1, 1, 5, 1, Qt::AlignHCenter);
    grid->addWidget(mainLightIcon, 6, 1);
    grid->addWidget(backLight, 1, 3, 5, 1, Qt::AlignHCenter);
    grid->addWidget(backLightIcon, 6, 3);
    grid->addWidget(demisterIcon, 1, 5, 1, 3);
    grid->addWidget(demister, 2, 5, 1, 3);
    grid->addWidget(takeupIcon, 3, 5, 1, 3);
    grid->addWidget(takeup, 4, 5, 1, 3);
    grid->addWidget(laserIcon, 5, 5, 1, 3);
    grid->addWidget(laser, 6, 5, 1, 3);
    grid->addWidget(bottomSpacer, 7, 0, 1, kUpperColumns);
    panels.leftUpper = grid;
    panels.leftPads = padBox(lensPad, cameraHeadPad);
}

void mainWidgets::buildRightColumn(PanelLayouts& panels)
{
    QWidget* spacer = makeSpacer(this);
    QLabel* speedIcon = makePicture(this, "speedcol.png");
    auto* gauge = new GaugeSpeed(this);
    gauge->setObjectName("speedGauge");
    SliderWidget* speed = makeSlider(this, "speedSlider");
    connect(this, &mainWidgets::sendSpeedValue, gauge, &GaugeSpeed::SetCurrentValue);
    connect(speed, &SliderWidget::sigPositonChangeBk, this, &mainWidgets::GetSpeedValue);

    auto* cameras = new ControlView(this);
    cameras->setObjectName("cameraSwitch");
    connect(cameras, &ControlView::ChangeMainOrBackCame, this,
            &mainWidgets::GetChangeMainOrBackCame);
    connect(cameras, &ControlView::OpenBackCame, this, &mainWidgets::GetOpenBackCame);

    m_pDrivePad = namedPad(Pad::Drive, this, "drivePad");
    GaugeCloud* liftPad = namedPad(Pad::Lift, this, "liftPad");
    connect(m_pDrivePad, &GaugeCloud::mousePressed, this, &mainWidgets::ControlDirection);
    connect(m_pDrivePad, &GaugeCloud::mouseRelease, this, &mainWidgets::ReControlDirection);
    connect(liftPad, &GaugeCloud::mousePressed, this, &mainWidgets::ControlUpDown);
    connect(liftPad, &GaugeCloud::mouseRelease, this, &mainWidgets::ReControlUpDown);

    auto* grid = new QGridLayout;
    grid->addWidget(spacer, 0, 0, 1, kUpperColumns);
    grid->addWidget(gauge, 1, 1, 11, 5);
    grid->addWidget(speed, 1, 7, 9, 1, Qt::AlignHCenter);
    grid->addWidget(speedIcon, 11, 7);
    grid->addWidget(cameras, 12, 1, 8, 7);
    panels.rightUpper = grid;
    panels.rightPads = padBox(m_pDrivePad, liftPad);
}

void mainWidgets::buildBottomBand(PanelLayouts& panels)
{
    m_pDisplayPanle = new DisplayPanle(this);
    m_pDisplayPanle->setObjectName("displayPanle");
    panels.attitude = new StatusPanel(this);
    panels.attitude->setObjectName("statusPanel");
    connect(this, &mainWidgets::sendRollingPanel, panels.attitude, &StatusPanel::SetRollingPanel);
    connect(this, &mainWidgets::sendPitchPanel, panels.attitude, &StatusPanel::SetPitchPanel);

    m_pFunctionKeys = new FunctionKeys(this);
    for (int number = 1; number <= FunctionKeys::kKeyCount; ++number)
        m_pFunctionKeys->key(number)->setObjectName(QStringLiteral("F%1").arg(number));
    m_pTiming->print("t3 - t1");
}

void mainWidgets::connectFunctionKeys()
{
    // F1, F2 and F4 belong to the recording (FunctionKeys::connectVideoKeys);
    // F7 has no action.
    const auto open = [this](int number, void (*run)(mainWidgets*, ColorButton*)) {
        ColorButton* key = m_pFunctionKeys->key(number);
        connect(key, &ColorButton::clicked, this, [this, key, run] { run(this, key); });
    };
    open(kEngineeringKey, &runDialog<engineeringinfo>);
    open(kOverlayFieldsKey, &runDialog<engineershoworhide>);
    open(kDistanceKey, &runDialog<CodingSet>);
    m_pTiming->print("t4 - t1");
}

void mainWidgets::placePanels(const PanelLayouts& panels)
{
    m_pUi->left_gridLayout->addLayout(panels.leftUpper, 0, 0, kUpperRowSpan, 1);
    m_pUi->left_gridLayout->addLayout(panels.leftPads, kPadsRow, 0, kPadsRowSpan, 1);
    m_pUi->right_gridLayout->addLayout(panels.rightUpper, 0, 0, kUpperRowSpan, 1);
    m_pUi->right_gridLayout->addLayout(panels.rightPads, kPadsRow, 0, kPadsRowSpan, 1);

    QGridLayout* bottom = m_pUi->bottom_gridLayout;
    bottom->addWidget(panels.attitude, 0, 0, 2, FunctionKeys::kKeyCount);
    bottom->addWidget(m_pDisplayPanle, 0, kPanelColumn, 3, 3);
    m_pFunctionKeys->placeIn(bottom);
    bottom->setColumnStretch(kPanelColumn, kPanelStretch);
}

void mainWidgets::keyPressEvent(QKeyEvent* event)
{
    if (!m_pFunctionKeys->keyPressed(*event))
        QWidget::keyPressEvent(event);
}

void mainWidgets::keyReleaseEvent(QKeyEvent* event)
{
    if (!m_pFunctionKeys->keyReleased(*event))
        QWidget::keyReleaseEvent(event);
}

void mainWidgets::releaseHeldInput()
{
    for (GaugeCloud* pad : findChildren<GaugeCloud*>())
        pad->releaseHeld();
    m_pFunctionKeys->keyboardLost();
}

void mainWidgets::onToggled(bool bChecked)
{
    qDebug() << "State : " << bChecked;
}

void mainWidgets::onMousepressed(int nWhich)
{
    qDebug() << "Which : " << nWhich;
}
