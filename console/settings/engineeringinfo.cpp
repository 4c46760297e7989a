#include "engineeringinfo.h"

#include "inisettings.h"
#include "projectconsole.h"
#include "projectinfo.h"
#include "ui_engineeringinfo.h"

#include <QComboBox>
#include <QDebug>
#include <QLineEdit>

#include <array>

namespace {

// A text field of the form: its key and the console copy it feeds.
struct FieldBinding {
    const char* key;
    QString ProjectInfo::*member;
    QWidget* widget;
};

// The fields that map one to one onto console copies, in file order.
std::array<FieldBinding, 15> fieldBindings(const Ui::engineeringinfo& form)
{
    return {{
        {"/systemconfig/fonttype", &ProjectInfo::m_strFontType, form.comboBoxFontType},
        {"/systemconfig/langtype", &ProjectInfo::m_strLangType, form.comboBoxLangType},
        {"/systemconfig/fontcolor", &ProjectInfo::m_strFontColor, form.comboBoxFontColor},
        {"/systemconfig/unit", &ProjectInfo::m_strUnit, form.comboBoxUnit},
        {"/systemconfig/unitcompany", &ProjectInfo::m_strUnitCompany, form.lineEditUnitCompany},
        {"/systemconfig/inspector", &ProjectInfo::m_strInspector, form.lineEditOneInspector},
        {"/systemconfig/no", &ProjectInfo::m_strNo, form.lineEditOneNo},
        {"/systemconfig/taskname", &ProjectInfo::m_strTaskName, form.lineEditOneTaskName},
        {"/systemconfig/location", &ProjectInfo::m_strLocation, form.lineEditOneLocation},
        {"/systemconfig/startwellno", &ProjectInfo::m_strStartWellNo, form.lineEditOneStartWellNo},
        {"/systemconfig/endwellno", &ProjectInfo::m_strEndWellNo, form.lineEditOneEndWellNo},
        {"/systemconfig/description", &ProjectInfo::m_strDescription, form.lineEditOneDescription},
        {"/systemconfig/pipdiameter", &ProjectInfo::m_strPipDiameter, form.lineEditPipDiameter},
        {"/systemconfig/direction", &ProjectInfo::m_strDirection, form.comboBoxDirection},
        {"/systemconfig/piptype", &ProjectInfo::m_strPipType, form.comboBoxPipType},
    }};
}

constexpr char kMaterialKey[] = "/systemconfig/pipmeterial";
constexpr char kCustomMaterialKey[] = "/systemconfig/autopipmeterial";
constexpr char kStartFlagKey[] = "/systemconfig/startflag";
constexpr char kSaveFlagKey[] = "/systemconfig/saveflag";

QString widgetText(const QWidget* widget)
{
    if (const auto* list = qobject_cast<const QComboBox*>(widget))
        return list->currentText();
    return qobject_cast<const QLineEdit*>(widget)->text();
}

// A list shows the stored item; text that names no item leaves the first.
void setWidgetText(QWidget* widget, const QString& text)
{
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        list->setCurrentIndex(qMax(0, list->findText(text)));
        return;
    }
    qobject_cast<QLineEdit*>(widget)->setText(text);
}

QString flagText(bool bTicked)
{
    return bTicked ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

engineeringinfo::engineeringinfo(QWidget* parent)
    : FramelessFrame<QDialog>(parent), ui(new Ui::engineeringinfo)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    keepEnterInert(this);
    loadFromIni();
    connect(ui->pushBtnOneSet, &QPushButton::clicked, this, &engineeringinfo::SetOneInfo);
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->comboBoxPipMeterial, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &engineeringinfo::GetPipMeterialIndex);
}

engineeringinfo::~engineeringinfo() = default;

void engineeringinfo::loadFromIni()
{
    for (const FieldBinding& field : fieldBindings(*ui))
        setWidgetText(field.widget, GetQStringFromIni(field.key));
    setWidgetText(ui->comboBoxPipMeterial, GetQStringFromIni(kMaterialKey));
    ui->lineEditAutoPipMeterial->setText(GetQStringFromIni(kCustomMaterialKey));
    ui->lineEditAutoPipMeterial->setEnabled(customMaterialChosen());
    ui->checkBoxStartAdd->setChecked(GetQStringFromIni(kStartFlagKey).toInt() != 0);
    ui->checkBoxSaveCurInfo->setChecked(GetQStringFromIni(kSaveFlagKey).toInt() != 0);
}

void engineeringinfo::SetOneInfo()
{
    if (ui->checkBoxSaveCurInfo->isChecked()) {
        saveToIni();
        if (m_pConsole)
            m_pConsole->GetSysInfo();
        return;
    }
    if (m_pConsole)
        m_pConsole->applyProjectInfo(infoFromWidgets());
}

void engineeringinfo::GetPipMeterialIndex(int iIndex)
{
    qDebug() << "GetPipMeterialIndex" << iIndex;
    ui->lineEditAutoPipMeterial->setEnabled(customMaterialChosen());
}

void engineeringinfo::saveToIni() const
{
    for (const FieldBinding& field : fieldBindings(*ui))
        SetQStringFromIni(field.key, widgetText(field.widget));
    SetQStringFromIni(kMaterialKey, ui->comboBoxPipMeterial->currentText());
    // Kept even while another material is chosen.
    SetQStringFromIni(kCustomMaterialKey, ui->lineEditAutoPipMeterial->text());
    SetQStringFromIni(kSaveFlagKey, flagText(true));
    SetQStringFromIni(kStartFlagKey, flagText(ui->checkBoxStartAdd->isChecked()));
}

ProjectInfo engineeringinfo::infoFromWidgets() const
{
    ProjectInfo info;
    for (const FieldBinding& field : fieldBindings(*ui))
        info.*field.member = widgetText(field.widget);
    info.m_strPipMeterial = customMaterialChosen() ? ui->lineEditAutoPipMeterial->text()
                                                   : ui->comboBoxPipMeterial->currentText();
    info.m_strSaveFlag = flagText(false);
    info.m_strStartFlag = flagText(ui->checkBoxStartAdd->isChecked());
    // Applied text colour takes effect at once, as after a saving run.
    info.m_overlayColor = overlayColorFor(info.m_strFontColor);
    return info;
}

bool engineeringinfo::customMaterialChosen() const
{
    return ui->comboBoxPipMeterial->currentText() == QString::fromUtf8(kCustomMaterialItem);
}
