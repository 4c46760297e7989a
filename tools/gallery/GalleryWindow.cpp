#include "GalleryWindow.h"

#include "PictureLookup.h"
#include "WidgetCatalogue.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

#include <cstdio>

namespace {
using namespace catalogue;

constexpr int kLogHeight = 140;
constexpr int kFunctionKeys = 7;
constexpr int kLightSliderHeight = 220;
// Roll and pitch sliders reach past the printed scale to show the needles do not clamp.
constexpr int kAngleRange = 120;
constexpr int kLampsPerRow = 3;
// The console's dark panel behind the widgets, light text on it.
const QColor kBackground(38, 43, 51);
const QColor kText(232, 236, 241);

QGroupBox* group(const QString& title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

QLabel* runtimePicture(const QString& fileName)
{
    auto* label = new QLabel;
    label->setPixmap(PictureLookup::pixmap(fileName));
    return label;
}
} // namespace

GalleryWindow::GalleryWindow(QWidget* parent) : QWidget(parent), m_pLog(new QPlainTextEdit)
{
    setWindowTitle(tr("Moravel widget gallery"));
    m_pLog->setReadOnly(true);
    m_pLog->setFixedHeight(kLogHeight);

    auto* columns = new QHBoxLayout;
    columns->addWidget(leftColumn());
    columns->addWidget(rightColumn());
    columns->addWidget(lamps());

    m_pContent = new QWidget;
    QPalette dark = m_pContent->palette();
    dark.setColor(QPalette::Window, kBackground);
    dark.setColor(QPalette::WindowText, kText);
    m_pContent->setPalette(dark);
    m_pContent->setAutoFillBackground(true);
    auto* contentLayout = new QVBoxLayout(m_pContent);
    contentLayout->addLayout(columns);
    contentLayout->addWidget(bottomBand());

    auto* scroll = new QScrollArea;
    scroll->setWidget(m_pContent);
    scroll->setWidgetResizable(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_pLog);
}

void GalleryWindow::log(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    m_pLog->appendPlainText(line);
}

QWidget* GalleryWindow::leftColumn()
{
    auto* grid = new QGridLayout;
    const struct {
        const char* name;
        const char* picture;
    } lights[] = {{"main light", "mainlight.png"}, {"back light", "backlight.png"}};
    int column = 0;
    for (const auto& light : lights) {
        SliderWidget* slider = makeSlider(nullptr);
        slider->setFixedHeight(kLightSliderHeight);
        const QString name = QString::fromUtf8(light.name);
        connect(slider, &SliderWidget::sigPositonChangeBk, this, [this, name](double v) {
            log(QStringLiteral("%1 sigPositonChangeBk(%2)").arg(name).arg(v));
        });
        grid->addWidget(slider, 0, column, 5, 1, Qt::AlignHCenter);
        grid->addWidget(runtimePicture(light.picture), 5, column);
        ++column;
    }
    const struct {
        const char* name;
        const char* picture;
    } accessories[] = {{"LensDemisterCheck", "camedefog.png"},
                       {"ElectricTakeupCheck", "electrictakeup.png"},
                       {"LaserDistanceCheck", "laserdistance.png"}};
    int row = 0;
    for (const auto& accessory : accessories) {
        QLabel* icon = runtimePicture(accessory.picture);
        icon->setScaledContents(true);
        icon->setStyleSheet(QStringLiteral("QLabel{margin:10 0;}"));
        icon->setFixedSize(100, 50);
        SwitchButton* button = makeSwitch(nullptr);
        const QString name = QString::fromUtf8(accessory.name);
        connect(button, &SwitchButton::toggled, this,
                [this, name](bool on) { log(QStringLiteral("%1 toggled(%2)").arg(name).arg(on)); });
        grid->addWidget(icon, row++, 2);
        grid->addWidget(button, row++, 2);
    }

    auto* pads = new QHBoxLayout;
    const struct {
        Pad pad;
        const char* name;
    } padList[] = {{Pad::ZoomFocus, "lens pad"}, {Pad::CameraHead, "camera-head pad"}};
    for (const auto& entry : padList) {
        GaugeCloud* pad = makeSizedPad(entry.pad, nullptr);
        pad->setFixedSize(kPadSize);
        const QString name = QString::fromUtf8(entry.name);
        connect(pad, &GaugeCloud::mousePressed, this, [this, name](int code) {
            log(QStringLiteral("%1 mousePressed(%2)").arg(name).arg(code));
        });
        connect(pad, &GaugeCloud::mouseRelease, this, [this, name](int code) {
            log(QStringLiteral("%1 mouseRelease(%2)").arg(name).arg(code));
        });
        pads->addWidget(pad);
    }
    auto* stack = new QVBoxLayout;
    stack->addLayout(grid);
    stack->addLayout(pads);
    return group(tr("Left column"), stack);
}

QWidget* GalleryWindow::rightColumn()
{
    auto* grid = new QGridLayout;
    auto* gauge = new GaugeSpeed;
    gauge->setFixedSize(kSpeedGaugeSize);
    SliderWidget* speed = makeSlider(nullptr);
    speed->setFixedHeight(kSpeedGaugeSize.height());
    // The console shows the commanded speed on the dial; here the slider drives it.
    connect(speed, &SliderWidget::sigPositonChangeBk, gauge, &GaugeSpeed::SetCurrentValue);
    connect(speed, &SliderWidget::sigPositonChangeBk, this,
            [this](double v) { log(QStringLiteral("speed sigPositonChangeBk(%1)").arg(v)); });
    auto* view = new ControlView;
    connect(view, &ControlView::ChangeMainOrBackCame, this,
            [this](bool on) { log(QStringLiteral("ChangeMainOrBackCame(%1)").arg(on)); });
    connect(view, &ControlView::OpenBackCame, this,
            [this](bool on) { log(QStringLiteral("OpenBackCame(%1)").arg(on)); });
    grid->addWidget(gauge, 0, 0, 2, 1);
    grid->addWidget(speed, 0, 1, Qt::AlignHCenter);
    grid->addWidget(runtimePicture(QStringLiteral("speedcol.png")), 1, 1);
    grid->addWidget(view, 2, 0, 1, 2);

    auto* pads = new QHBoxLayout;
    GaugeCloud* drive = makeSizedPad(Pad::Drive, nullptr);
    GaugeCloud* lift = makeSizedPad(Pad::Lift, nullptr);
    for (GaugeCloud* pad : {drive, lift}) {
        pad->setFixedSize(kPadSize);
        const QString name =
            pad == drive ? QStringLiteral("drive pad") : QStringLiteral("lift pad");
        connect(pad, &GaugeCloud::mousePressed, this, [this, name](int code) {
            log(QStringLiteral("%1 mousePressed(%2)").arg(name).arg(code));
        });
        connect(pad, &GaugeCloud::mouseRelease, this, [this, name](int code) {
            log(QStringLiteral("%1 mouseRelease(%2)").arg(name).arg(code));
        });
        pads->addWidget(pad);
    }
    // Stand in for the console's latch: pressing the latched sector again clears it.
    connect(drive, &GaugeCloud::mousePressed, drive, [drive, latch = 0](int code) mutable {
        if (code == GaugeCloud::Top || code == GaugeCloud::Bottom) {
            const int wanted = code == GaugeCloud::Top ? 1 : 2;
            latch = latch == wanted ? 0 : wanted;
        } else if (code == GaugeCloud::Centre) {
            latch = 0;
        }
        drive->updateUpDowmStatus(latch);
    });
    auto* column = new QVBoxLayout;
    column->addLayout(grid);
    column->addLayout(pads);
    return group(tr("Right column"), column);
}

QWidget* GalleryWindow::bottomBand()
{
    auto* grid = new QGridLayout;
    auto* attitude = new StatusPanel;
    attitude->setMinimumSize(kStatusPanelSize);
    grid->addWidget(attitude, 0, 0, 1, kFunctionKeys);
    auto* angles = new QHBoxLayout;
    const auto angleSlider = [this, angles, attitude](const QString& name,
                                                      void (StatusPanel::*slot)(double)) {
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(-kAngleRange, kAngleRange);
        connect(slider, &QSlider::valueChanged, attitude, [this, attitude, slot, name](int v) {
            (attitude->*slot)(v);
            log(QStringLiteral("%1(%2)").arg(name).arg(v));
        });
        angles->addWidget(new QLabel(name));
        angles->addWidget(slider);
    };
    angleSlider(QStringLiteral("SetRollingPanel"), &StatusPanel::SetRollingPanel);
    angleSlider(QStringLiteral("SetPitchPanel"), &StatusPanel::SetPitchPanel);
    auto* panel = new DisplayPanle;
    panel->setMinimumSize(kDisplayPanelSize);
    grid->addWidget(panel, 0, kFunctionKeys, 3, 1);
    for (int number = 1; number <= kFunctionKeys; ++number) {
        ColorButton* key = makeFunctionKey(number, nullptr);
        key->setFixedSize(kFunctionKeySize);
        connect(key, &ColorButton::clicked, this,
                [this, number] { log(QStringLiteral("F%1 clicked()").arg(number)); });
        grid->addWidget(key, 2, number - 1);
        if (number == 1) {
            // F1 holds its look while a recording runs: toggle it per click.
            connect(key, &ColorButton::clicked, key, [key, on = false]() mutable {
                on = !on;
                key->updataStatus(on);
            });
        }
    }
    auto* remote = new QPushButton(tr("Toggle remote link"));
    connect(remote, &QPushButton::clicked, panel, [panel, on = false]() mutable {
        on = !on;
        panel->m_pRemoteLamp->setBgColor(on ? QColor(0, 255, 0) : QColor(255, 0, 0));
        panel->m_pRemoteStatus->setText(on ? tr("已连接") : tr("未连接"));
    });
    angles->addWidget(remote);
    grid->addLayout(angles, 1, 0, 1, kFunctionKeys);
    return group(tr("Bottom band"), grid);
}

QWidget* GalleryWindow::lamps()
{
    auto* grid = new QGridLayout;
    const std::pair<const char*, void (LightButton::*)()> presets[] = {
        {"Green", &LightButton::setGreen},
        {"Red", &LightButton::setRed},
        {"Yellow", &LightButton::setYellow},
        {"Black", &LightButton::setBlack},
        {"Gray", &LightButton::setGray},
        {"Blue", &LightButton::setBlue},
        {"LightBlue", &LightButton::setLightBlue},
        {"LightRed", &LightButton::setLightRed},
        {"LightGreen", &LightButton::setLightGreen}};
    int index = 0;
    for (const auto& [name, preset] : presets) {
        auto* lamp = new LightButton;
        lamp->setFixedSize(kLampSize);
        (lamp->*preset)();
        lamp->setText(QString::number(index + 1));
        const int row = index / kLampsPerRow * 2;
        grid->addWidget(lamp, row, index % kLampsPerRow, Qt::AlignHCenter);
        grid->addWidget(new QLabel(QString::fromUtf8(name)), row + 1, index % kLampsPerRow,
                        Qt::AlignHCenter);
        ++index;
    }
    auto* alarm = new LightButton;
    alarm->setFixedSize(kLampSize);
    alarm->startAlarm();
    auto* rect = new LightButton;
    rect->setShowRect(true);
    rect->setText(tr("OK"));
    rect->setGreen();
    rect->setFixedSize(kLampSize.width() * 2, kLampSize.height());
    // A lamp that may be dragged around its little field.
    auto* field = new QWidget;
    field->setFixedSize(kLampSize.width() * 3, kLampSize.height() * 2);
    field->setStyleSheet(QStringLiteral("background-color:rgb(60,60,60);"));
    auto* draggable = new LightButton(field);
    draggable->setGeometry(QRect(QPoint(0, 0), kLampSize));
    draggable->setCanMove(true);
    draggable->setText(tr("D"));
    const int row = grid->rowCount();
    grid->addWidget(alarm, row, 0, Qt::AlignHCenter);
    grid->addWidget(rect, row, 1, 1, 2, Qt::AlignHCenter);
    grid->addWidget(field, row + 1, 0, 1, kLampsPerRow);
    return group(tr("Lamps"), grid);
}
