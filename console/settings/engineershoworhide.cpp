#include "engineershoworhide.h"

#include "ui_engineershoworhide.h"

#include <QDebug>

#include <algorithm>

engineershoworhide::engineershoworhide(QWidget* parent)
    : FramelessFrame<QDialog>(parent), ui(new Ui::engineershoworhide)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    keepEnterInert(this);
    for (QCheckBox* box : fieldBoxes())
        box->setChecked(true);
    ui->checkBoxAll->setChecked(true);
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->checkBoxAll, &QCheckBox::stateChanged, this,
            &engineershoworhide::onCheckAllChanged);
    connect(ui->pushBtnOneSet, &QPushButton::clicked, this,
            &engineershoworhide::onCheckUpdateSttaus);
}

engineershoworhide::~engineershoworhide() = default;

void engineershoworhide::setConsole(ProjectConsole* console)
{
    m_pConsole = console;
    if (!m_pConsole)
        return;
    const OverlayFields fields = m_pConsole->overlayFields();
    const auto boxes = fieldBoxes();
    for (std::size_t i = 0; i < kOverlayFieldCount; ++i)
        boxes[i]->setChecked(fields[i]);
    // Unticking it when no flag is set unticks boxes that are already clear.
    ui->checkBoxAll->setChecked(
        std::any_of(fields.begin(), fields.end(), [](bool b) { return b; }));
    const QString text = m_pConsole->customText();
    if (!text.isEmpty())
        ui->lineEditCustomize->setText(text);
}

void engineershoworhide::onCheckAllChanged(int istate)
{
    qDebug() << "onCheckAllChanged" << istate;
    for (QCheckBox* box : fieldBoxes())
        box->setChecked(istate == Qt::Checked);
}

void engineershoworhide::onCheckUpdateSttaus()
{
    qDebug() << "onCheckUpdateSttaus";
    if (!m_pConsole)
        return;
    OverlayFields fields{};
    const auto boxes = fieldBoxes();
    for (std::size_t i = 0; i < kOverlayFieldCount; ++i)
        fields[i] = boxes[i]->isChecked();
    m_pConsole->setOverlayFields(fields);
    m_pConsole->setCustomText(ui->lineEditCustomize->text());
}

std::array<QCheckBox*, kOverlayFieldCount> engineershoworhide::fieldBoxes() const
{
    return {ui->checkBoxCompany,     ui->checkBoxInspector,   ui->checkBoxNo,
            ui->checkBoxTaskName,    ui->checkBoxLocation,    ui->checkBoxWellNo,
            ui->checkBoxDescription, ui->checkBoxPipDiameter, ui->checkBoxDirection,
            ui->checkBoxPipType,     ui->checkBoxPipMeterial, ui->checkBoCustomize};
}
