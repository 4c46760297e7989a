#include "StatusPanel.h"

#include "PanelFrame.h"
#include "PanelSpeed.h"
#include "PitchPanel.h"
#include "RollingPanel.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>

namespace {
const QColor kBackground(189, 204, 212);
const QSize kCaptionSize(60, 20);
const QSize kLogoSize(70, 70);
const char* const kCaptionStyle = "QLabel{font-size:16px;font-weight:bold;background-color:rgb("
                                  "153,153,153);border-radius:10px;}";
} // namespace

StatusPanel::StatusPanel(QWidget* parent)
    : QWidget(parent), m_pRollDial(new PanelSpeed(this, ":/images/Others/rollingspeed.png")),
      m_pPitchDial(new PanelSpeed(this, ":/images/Others/pitchspeed.png")),
      m_pRollingPanel(new RollingPanel(this)), m_pPitchPanel(new PitchPanel(this))
{
    makeFramelessPanel(*this, kBackground);
    m_pRollDial->setObjectName("rollDial");
    m_pPitchDial->setObjectName("pitchDial");

    const auto caption = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setStyleSheet(kCaptionStyle);
        label->setFixedSize(kCaptionSize);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    QLabel* rollCaption = caption(tr("横滚"));
    QLabel* pitchCaption = caption(tr("俯仰"));
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(":/icons/TitleBar/panellogo.png"));
    logo->setScaledContents(true);
    logo->setFixedSize(kLogoSize);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pRollDial, 0, 0, 6, 4);
    grid->addWidget(m_pRollingPanel, 0, 4, 5, 4);
    grid->addWidget(rollCaption, 5, 4, 1, 4, Qt::AlignHCenter);
    grid->addWidget(logo, 2, 8, 2, 1, Qt::AlignHCenter);
    grid->addWidget(m_pPitchPanel, 0, 9, 5, 4);
    grid->addWidget(pitchCaption, 5, 9, 1, 4, Qt::AlignHCenter);
    grid->addWidget(m_pPitchDial, 0, 13, 6, 4);
}

void StatusPanel::SetRollingPanel(double dValue)
{
    qDebug() << "SetRollingPanel" << dValue;
    m_pRollingPanel->SetAngle(dValue);
    m_pRollDial->SetCurrentValue(dValue);
}

void StatusPanel::SetPitchPanel(double dValue)
{
    qDebug() << "SetPitchPanel" << dValue;
    m_pPitchPanel->SetAngle(dValue);
    m_pPitchDial->SetCurrentValue(dValue);
}
