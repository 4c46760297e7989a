#include "sectionform.h"

#include "assessmenttexts.h"

#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

constexpr double kMaxMetres = 100000;
constexpr int kDecimals = 2;
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2100;
constexpr int kListCharacters = 12; // the lists' width; their long texts show when opened

double metres(const QLineEdit* field)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(field->text(), &ok);
    return ok ? value : kUnknown;
}

void showMetres(QLineEdit* field, double value)
{
    field->setText(known(value) ? QString::number(value, 'f', kDecimals) : QString());
}

} // namespace

SectionForm::SectionForm(QWidget* parent)
    : QWidget(parent), m_length(metresField(QStringLiteral("sectionLength"))),
      m_area(new QComboBox(this)), m_soil(new QComboBox(this)), m_year(new QSpinBox(this)),
      m_startDepth(metresField(QStringLiteral("startDepth"))),
      m_endDepth(metresField(QStringLiteral("endDepth"))),
      m_inspectedBy(nameField(QStringLiteral("inspectedBy"))),
      m_checkedBy(nameField(QStringLiteral("checkedBy"))),
      m_approvedBy(nameField(QStringLiteral("approvedBy"))), m_diameter(new QLabel(this)),
      m_assessment(new QLabel(this))
{
    setObjectName(QStringLiteral("sectionForm"));
    m_area->setObjectName(QStringLiteral("areaClass"));
    m_soil->setObjectName(QStringLiteral("soil"));
    m_year->setObjectName(QStringLiteral("laidYear"));
    m_assessment->setObjectName(QStringLiteral("assessment"));
    m_area->addItem(tr("未填"), SectionData::kNoAreaClass);
    for (const cjj181::AreaClass& area : cjj181::areaClasses()) {
        m_area->addItem(tr("K=%1 %2").arg(area.k).arg(area.name), area.k);
    }
    m_soil->addItem(tr("未填"), QString());
    for (const cjj181::SoilClass& soil : cjj181::soilClasses()) {
        m_soil->addItem(tr("%1（T=%2）").arg(soil.name).arg(soil.t), soil.key);
    }
    for (QComboBox* list : {m_area, m_soil}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(kListCharacters);
    }
    m_year->setRange(kFirstYear - 1, kLastYear);
    m_year->setSpecialValueText(tr("未填"));
    m_assessment->setWordWrap(true);
    m_assessment->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout(this);
    form->addRow(tr("管段长度（m）"), m_length);
    form->addRow(tr("管径"), m_diameter);
    form->addRow(tr("地区类别"), m_area);
    form->addRow(tr("土质"), m_soil);
    form->addRow(tr("埋设年代"), m_year);
    form->addRow(tr("起点埋深（m）"), m_startDepth);
    form->addRow(tr("终点埋深（m）"), m_endDepth);
    form->addRow(tr("检测"), m_inspectedBy);
    form->addRow(tr("校核"), m_checkedBy);
    form->addRow(tr("审核"), m_approvedBy);
    form->addRow(m_assessment);

    connect(m_area, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SectionForm::store);
    connect(m_soil, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SectionForm::store);
    connect(m_year, QOverload<int>::of(&QSpinBox::valueChanged), this, &SectionForm::store);
    setEnabled(false);
}

QLineEdit* SectionForm::metresField(const QString& name)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    auto* validator = new QDoubleValidator(0, kMaxMetres, kDecimals, field);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    field->setValidator(validator);
    connect(field, &QLineEdit::textEdited, this, &SectionForm::store);
    return field;
}

QLineEdit* SectionForm::nameField(const QString& name)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    connect(field, &QLineEdit::textEdited, this, &SectionForm::store);
    return field;
}

void SectionForm::setIndex(InspectionIndex* index)
{
    m_index = index;
    showSection(AssessedSection());
}

void SectionForm::showSection(const AssessedSection& section)
{
    const qint64 shown = m_project;
    m_project = m_index != nullptr ? section.project.id : 0;
    setEnabled(m_project != 0);
    // A field being typed in keeps its text, unless another section is shown.
    const auto keep = [&](const QWidget* field) { return m_project == shown && field->hasFocus(); };
    const SectionData& stored = section.data;
    {
        const QSignalBlocker a(m_area), b(m_soil), c(m_year);
        for (const auto& [field, value] : {std::make_pair(m_length, stored.lengthM),
                                           std::make_pair(m_startDepth, stored.startDepthM),
                                           std::make_pair(m_endDepth, stored.endDepthM)}) {
            if (!keep(field)) {
                showMetres(field, value);
            }
        }
        for (const auto& [field, value] : {std::make_pair(m_inspectedBy, &stored.inspectedBy),
                                           std::make_pair(m_checkedBy, &stored.checkedBy),
                                           std::make_pair(m_approvedBy, &stored.approvedBy)}) {
            if (!keep(field)) {
                field->setText(*value);
            }
        }
        m_area->setCurrentIndex(std::max(0, m_area->findData(stored.areaClass)));
        m_soil->setCurrentIndex(std::max(0, m_soil->findData(stored.soil)));
        m_year->setValue(stored.laidYear > 0 ? stored.laidYear : m_year->minimum());
    }
    m_length->setPlaceholderText(
        tr("未填：以检测长度 %1 m 计").arg(AssessmentTexts::figure(section.inspectedLengthM)));
    m_inspectedBy->setPlaceholderText(section.project.fields.value("inspector"));
    const QString diameter = section.project.fields.value("pipdiameter");
    m_diameter->setText(known(section.diameterMm)
                            ? tr("%1 mm").arg(section.diameterMm)
                            : tr("“%1”无法读出毫米数，E 按 0 计").arg(diameter));
    if (m_project == 0) {
        m_assessment->clear();
        return;
    }
    const ConditionAssessment& s = section.assessment.structural;
    const ConditionAssessment& f = section.assessment.functional;
    const auto n = &AssessmentTexts::figure;
    QString text =
        tr("结构性：F = %1　%2　RI = %3　修复 %4\n功能性：G = %5　%6　MI = %7　养护 %8")
            .arg(n(s.value), AssessmentTexts::grade(s.grade), n(s.index),
                 AssessmentTexts::grade(s.indexGrade), n(f.value), AssessmentTexts::grade(f.grade),
                 n(f.index), AssessmentTexts::grade(f.indexGrade));
    if (section.unfinished > 0) {
        text += tr("\n%n 个连续缺陷未标终点", nullptr, section.unfinished);
    }
    m_assessment->setText(text);
}

void SectionForm::startEditing()
{
    m_length->setFocus(Qt::ShortcutFocusReason);
}

void SectionForm::store()
{
    if (m_project == 0) {
        return;
    }
    SectionData entered;
    entered.lengthM = metres(m_length);
    entered.areaClass = m_area->currentData().toInt();
    entered.soil = m_soil->currentData().toString();
    entered.laidYear = m_year->value() >= kFirstYear ? m_year->value() : 0;
    entered.startDepthM = metres(m_startDepth);
    entered.endDepthM = metres(m_endDepth);
    entered.inspectedBy = m_inspectedBy->text().trimmed();
    entered.checkedBy = m_checkedBy->text().trimmed();
    entered.approvedBy = m_approvedBy->text().trimmed();
    if (!m_index->putSection(m_project, entered)) {
        emit storeFailed();
        return;
    }
    emit changed();
}
