#include "ControlView.h"

#include "PictureLookup.h"
#include "SwitchButton.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>

namespace {
constexpr int kSwitchWidth = 120;
constexpr int kSwitchHeight = 30;

// A caption whose picture replaces the text; a missing file leaves it empty.
QLabel* pictureLabel(const QString& text, const QString& picture, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setPixmap(PictureLookup::pixmap(picture));
    label->setScaledContents(true);
    return label;
}

SwitchButton* cameraSwitch(QWidget* parent)
{
    auto* button = new SwitchButton(parent, false);
    button->setFixedSize(kSwitchWidth, kSwitchHeight);
    return button;
}
} // namespace

ControlView::ControlView(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    auto* layout = new QGridLayout;

    QLabel* exchangeLabel = pictureLabel(tr("主后视频"), QStringLiteral("mainbkcame.png"), this);
    SwitchButton* exchange = cameraSwitch(this);
    connect(exchange, &SwitchButton::toggled, this, &ControlView::GetSwitchButton);

    QLabel* rearLabel = pictureLabel(tr("后视视频"), QStringLiteral("backcame.png"), this);
    SwitchButton* rear = cameraSwitch(this);
    connect(rear, &SwitchButton::toggled, this, &ControlView::GetBackOpen);

    layout->addWidget(exchangeLabel, 0, 0, 1, 1);
    layout->addWidget(exchange, 0, 1, 1, 2);
    layout->addWidget(rearLabel, 1, 0, 1, 1);
    layout->addWidget(rear, 1, 1, 1, 2);
    setLayout(layout);
}

void ControlView::GetSwitchButton(bool bChange)
{
    qDebug() << "GetSwitchButton" << bChange;
    emit ChangeMainOrBackCame(bChange);
}

void ControlView::GetBackOpen(bool bOpen)
{
    qDebug() << "GetBackOpen" << bOpen;
    emit OpenBackCame(bOpen);
}
