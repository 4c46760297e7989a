#include "CodingSet.h"

#include "distancecalibration.h"
#include "inisettings.h"
#include "projectconsole.h"
#include "ui_CodingSet.h"

#include <cmath>

namespace {

// Anything but a finite number counts as 0, so the distance stays printable.
double distanceFromText(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace

CodingSet::CodingSet(QWidget* parent) : FramelessFrame<QDialog>(parent), ui(new Ui::CodingSet)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    keepEnterInert(this);
    // The unit continues the white entry field.
    const QRect line = ui->lineEdit->geometry();
    ui->labelUnit->setGeometry(line.x() + line.width(), line.y(), ui->labelUnit->width(),
                               line.height());
    ui->checkBox->setChecked(GetQStringFromIni(kDistanceOverlayKey).toInt() != 0);
    connect(ui->pushButtonSet, &QPushButton::clicked, this, &CodingSet::SetOneInfo);
    connect(ui->pushButtonClear, &QPushButton::clicked, this, &CodingSet::clearDistance);
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::close);
}

CodingSet::~CodingSet() = default;

void CodingSet::setConsole(ProjectConsole* console)
{
    m_pConsole = console;
    if (!m_pConsole)
        return;
    const DistanceCalibration calibration = m_pConsole->distanceCalibration();
    m_dOpeningReading = calibration.m_dCurrentReading;
    ui->lineEdit->setText(distanceText(calibration.m_dStartDistance));
}

void CodingSet::SetOneInfo()
{
    const double startDistance = distanceFromText(ui->lineEdit->text());
    if (std::abs(startDistance) > kMaxStartDistance) {
        ui->labelError->setText(tr("距离应在 -%1 到 %1 M 之间，未保存")
                                    .arg(QString::number(kMaxStartDistance, 'f', 0)));
        return;
    }
    ui->labelError->clear();
    const QString overlaySwitch =
        ui->checkBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    SetQStringFromIni(kDistanceOverlayKey, overlaySwitch);
    if (!m_pConsole)
        return;
    m_pConsole->setDistanceCorrection(m_dOpeningReading, startDistance);
    m_pConsole->setDistanceOverlaySwitch(overlaySwitch);
}

void CodingSet::clearDistance()
{
    if (m_pConsole)
        m_pConsole->setDistanceCorrection(m_dOpeningReading, 0.0);
}
