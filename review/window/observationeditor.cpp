#include "observationeditor.h"

#include "reportdata.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kClockHours = 12;
constexpr int kDistanceDecimals = 2;

QString itemText(const DefectCode& code)
{
    return code.code + QLatin1Char(' ') + code.name;
}

QSpinBox* clockBox(const QString& name, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, kClockHours);
    box->setSpecialValueText(QStringLiteral("—"));
    box->setSuffix(ObservationEditor::tr("点"));
    return box;
}

} // namespace

QString ObservationEditor::rowText(const Observation& o)
{
    QString extent;
    if (o.isContinuous()) {
        extent = o.isUnfinished() ? tr("未标终点") : tr("至 %1 m").arg(ReportTexts::metres(o.endM));
    }
    QStringList parts{ReportTexts::summary(o), extent, ReportTexts::clock(o), o.remark};
    parts.removeAll(QString());
    return parts.join(QStringLiteral("　"));
}

QStringList ObservationEditor::noteTexts()
{
    return {tr("检查井"), tr("管道起点"), tr("管道终点")};
}

ObservationEditor::ObservationEditor(const CodeTables& codes, QWidget* parent)
    : QWidget(parent), m_codes(codes), m_list(new QListWidget(this)), m_code(new QComboBox(this)),
      m_grade(new QComboBox(this)), m_gradeText(new QLabel(this)),
      m_clockFrom(clockBox(QStringLiteral("clockFrom"), this)),
      m_clockTo(clockBox(QStringLiteral("clockTo"), this)), m_continuous(new QComboBox(this)),
      m_end(new QLineEdit(this)), m_remark(new QLineEdit(this)), m_refusal(new QLabel(this)),
      m_add(new QPushButton(tr("新建观察 (Insert)"), this)),
      m_remove(new QPushButton(tr("删除观察"), this))
{
    m_list->setObjectName(QStringLiteral("observationList"));
    m_code->setObjectName(QStringLiteral("code"));
    m_grade->setObjectName(QStringLiteral("grade"));
    m_gradeText->setObjectName(QStringLiteral("gradeText"));
    m_continuous->setObjectName(QStringLiteral("continuous"));
    m_end->setObjectName(QStringLiteral("end"));
    m_remark->setObjectName(QStringLiteral("remark"));
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_add->setObjectName(QStringLiteral("addObservation"));
    m_remove->setObjectName(QStringLiteral("removeObservation"));

    m_code->setEditable(true);
    m_code->setInsertPolicy(QComboBox::NoInsert);
    for (const DefectCode& code : m_codes.codes()) {
        m_code->addItem(itemText(code), code.code);
    }
    for (const QString& note : noteTexts()) {
        m_code->addItem(note);
    }
    m_code->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_code->completer()->setFilterMode(Qt::MatchContains);
    m_code->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_code->lineEdit()->setPlaceholderText(tr("代码，如 PL；或文字，如 检查井"));
    m_continuous->addItem(QStringLiteral("—"), QString());
    Observation continuous;
    continuous.continuous = Observation::kContinuous;
    m_continuous->addItem(ReportTexts::continuous(continuous), Observation::kContinuous);
    // Digits and two decimals; the range is checked when the end is stored,
    // so that a digit too many is refused visibly rather than dropped.
    m_end->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,9}(\\.\\d{0,%1})?").arg(kDistanceDecimals)),
        m_end));
    m_gradeText->setWordWrap(true);
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    m_refusal->hide();
    m_grade->installEventFilter(this);

    auto* clock = new QHBoxLayout;
    clock->addWidget(m_clockFrom);
    clock->addWidget(new QLabel(QStringLiteral("–"), this));
    clock->addWidget(m_clockTo);
    auto* form = new QFormLayout;
    form->addRow(tr("代码"), m_code);
    form->addRow(tr("等级"), m_grade);
    form->addRow(QString(), m_gradeText);
    form->addRow(tr("环向位置"), clock);
    form->addRow(tr("连续缺陷"), m_continuous);
    form->addRow(tr("终点（m）"), m_end);
    form->addRow(tr("备注"), m_remark);
    form->addRow(QString(), m_refusal);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setTabOrder(m_code, m_grade);
    setTabOrder(m_grade, m_clockFrom);
    setTabOrder(m_clockFrom, m_clockTo);
    setTabOrder(m_clockTo, m_continuous);
    setTabOrder(m_continuous, m_end);
    setTabOrder(m_end, m_remark);

    connect(m_code->lineEdit(), &QLineEdit::returnPressed, this, &ObservationEditor::commitCode);
    connect(m_code, QOverload<int>::of(&QComboBox::activated), this,
            &ObservationEditor::commitCode);
    // Leaving the code field without Enter keeps the stored code.
    connect(m_code->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!m_code->lineEdit()->hasFocus() && m_current.id != 0) {
            const QSignalBlocker quiet(m_code);
            m_code->setEditText(codeText(m_current));
        }
    });
    connect(m_grade, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        m_current.grade = m_grade->currentData().toInt();
        m_refusal->hide();
        const DefectCode* code = codeFor(m_current.code);
        m_gradeText->setText(code != nullptr && m_grade->currentIndex() >= 0
                                 ? code->grades.value(m_grade->currentIndex()).description
                                 : QString());
        store();
    });
    connect(m_clockFrom, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int value) {
        m_current.clockFrom = value;
        store();
    });
    connect(m_clockTo, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int value) {
        m_current.clockTo = value;
        store();
    });
    connect(m_continuous, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        m_current.continuous = m_continuous->currentData().toString();
        if (!m_current.isContinuous()) {
            m_current.endM = kUnknown;
            m_current.endSnapshot.clear();
        }
        showEnd();
        store();
    });
    // A typed end replaces one marked on a snapshot; an empty field leaves it
    // open. A distance no crawler drives is refused and not stored.
    connect(m_end, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const double end = QLocale::c().toDouble(text, &ok);
        if (ok && !plausibleDistance(end)) {
            refuse(tr("终点 %1 m 不在 0–%2 m 之内，未保存").arg(text).arg(kMaxDistanceM));
            return;
        }
        m_refusal->hide();
        m_current.endM = ok ? end : kUnknown;
        m_current.endSnapshot.clear();
        store();
    });
    connect(m_remark, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_current.remark = text;
        store();
    });
    connect(m_remark, &QLineEdit::returnPressed, this, &ObservationEditor::editingDone);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < m_observations.size()) {
            m_current = m_observations[row];
            showCurrent();
        }
    });
    connect(m_add, &QPushButton::clicked, this, &ObservationEditor::startNew);
    connect(m_remove, &QPushButton::clicked, this, &ObservationEditor::removeCurrent);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &ObservationEditor::editingDone);
    auto* remove = new QShortcut(QKeySequence::Delete, m_list);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &ObservationEditor::removeCurrent);

    setSnapshot(QString());
}

bool ObservationEditor::eventFilter(QObject* watched, QEvent* event)
{
    // A digit picks that grade; the combo box alone would pass over one the
    // code does not have and leave the grade it shows.
    if (watched == m_grade && event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed[0].isDigit()) {
            const int at = m_grade->findData(typed.toInt());
            if (at >= 0) {
                m_grade->setCurrentIndex(at);
            } else if (m_grade->count() > 0) {
                refuse(tr("%1 没有 %2级（只有 %3–%4），未保存")
                           .arg(m_code->currentText(), typed, m_grade->itemText(0),
                                m_grade->itemText(m_grade->count() - 1)));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ObservationEditor::refuse(const QString& why)
{
    m_refusal->setText(why);
    m_refusal->show();
    QApplication::beep();
}

void ObservationEditor::setIndex(InspectionIndex* index)
{
    m_index = index;
    setSnapshot(QString());
}

void ObservationEditor::setSnapshot(const QString& file)
{
    m_file = m_index != nullptr ? file : QString();
    setEnabled(!m_file.isEmpty());
    reload(0);
}

void ObservationEditor::reload(qint64 select)
{
    m_observations = m_file.isEmpty() ? QVector<Observation>() : m_index->observations(m_file);
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    int row = m_observations.isEmpty() ? -1 : 0;
    for (int i = 0; i < m_observations.size(); ++i) {
        const Observation& o = m_observations[i];
        m_list->addItem(rowText(o));
        if (o.id == select) {
            row = i;
        }
    }
    m_list->setCurrentRow(row);
    m_current = row >= 0 ? m_observations[row] : Observation();
    m_current.snapshot = m_file;
    showCurrent();
}

void ObservationEditor::showCurrent()
{
    const bool stored = m_current.id != 0;
    m_refusal->hide();
    {
        const QSignalBlocker a(m_code), b(m_grade), c(m_clockFrom), d(m_clockTo), e(m_continuous),
            f(m_remark), g(m_end);
        m_code->setEditText(stored ? codeText(m_current) : QString());
        m_clockFrom->setValue(m_current.clockFrom);
        m_clockTo->setValue(m_current.clockTo);
        m_continuous->setCurrentIndex(std::max(0, m_continuous->findData(m_current.continuous)));
        m_remark->setText(m_current.remark);
        fillGrades();
        showEnd();
    }
    for (QWidget* field :
         std::initializer_list<QWidget*>{m_clockFrom, m_clockTo, m_remark, m_remove}) {
        field->setEnabled(stored);
    }
    m_grade->setEnabled(stored && m_current.isDefect());
    m_continuous->setEnabled(stored && m_current.isDefect());
}

void ObservationEditor::showEnd()
{
    const QSignalBlocker quiet(m_end);
    m_end->setText(known(m_current.endM) ? ReportTexts::metres(m_current.endM) : QString());
    m_end->setPlaceholderText(m_current.isContinuous() ? tr("未标终点：在此输入，或在终点抓图按 F8")
                                                       : QString());
    m_end->setEnabled(m_current.id != 0 && m_current.isContinuous());
}

void ObservationEditor::fillGrades()
{
    m_grade->clear();
    m_gradeText->clear();
    const DefectCode* code = m_current.isDefect() ? codeFor(m_current.code) : nullptr;
    if (code == nullptr) {
        if (m_current.grade > 0) {
            m_grade->addItem(ReportTexts::grade(m_current.grade), m_current.grade);
        }
        return;
    }
    for (const DefectGrade& grade : code->grades) {
        // "2级": typing the digit picks it; the description shows below.
        m_grade->addItem(ReportTexts::grade(grade.grade), grade.grade);
    }
    const int at = std::max(0, m_grade->findData(m_current.grade));
    m_grade->setCurrentIndex(at);
    m_gradeText->setText(code->grades.value(at).description);
}

QString ObservationEditor::codeText(const Observation& o)
{
    return o.isDefect() ? o.code + QLatin1Char(' ') + o.name : o.name;
}

const DefectCode* ObservationEditor::codeFor(const QString& text) const
{
    const QString trimmed = text.trimmed();
    for (const DefectCode& code : m_codes.codes()) {
        if (trimmed.compare(code.code, Qt::CaseInsensitive) == 0 ||
            trimmed.compare(itemText(code), Qt::CaseInsensitive) == 0) {
            return &code;
        }
    }
    return nullptr;
}

void ObservationEditor::commitCode()
{
    const QString text = m_code->currentText().trimmed();
    if (m_file.isEmpty() || text.isEmpty()) {
        return;
    }
    Observation next = m_current;
    if (const DefectCode* code = codeFor(text)) {
        next.codeTable = code->table;
        next.code = code->code;
        next.name = code->name;
        next.kind = code->kind;
        next.scored = code->scored;
        next.grade =
            code->gradeEntry(next.grade) != nullptr ? next.grade : code->grades.value(0).grade;
    } else {
        next.codeTable.clear();
        next.code.clear();
        next.name = text;
        next.kind.clear();
        next.scored = false;
        next.grade = 0;
        next.continuous.clear();
        next.endM = kUnknown;
        next.endSnapshot.clear();
    }
    if (next.id == 0) {
        next.id = m_index->addObservation(next);
    } else if (!m_index->updateObservation(next)) {
        next.id = 0;
    }
    if (next.id == 0) {
        emit storeFailed();
        return;
    }
    reload(next.id);
    emit observationsChanged(m_file, m_observations);
    (next.isDefect() ? static_cast<QWidget*>(m_grade) : m_remark)->setFocus();
}

void ObservationEditor::store()
{
    if (m_current.id == 0) {
        return;
    }
    if (!m_index->updateObservation(m_current)) {
        emit storeFailed();
        return;
    }
    for (Observation& o : m_observations) {
        if (o.id == m_current.id) {
            o = m_current;
        }
    }
    const int row = m_list->currentRow();
    if (QListWidgetItem* item = m_list->item(row)) {
        item->setText(rowText(m_current));
    }
    emit observationsChanged(m_file, m_observations);
}

void ObservationEditor::startNew()
{
    if (m_file.isEmpty()) {
        return;
    }
    {
        const QSignalBlocker quiet(m_list);
        m_list->setCurrentRow(-1);
    }
    m_current = Observation();
    m_current.snapshot = m_file;
    showCurrent();
    m_code->setFocus();
}

void ObservationEditor::startNewContinuous()
{
    if (m_file.isEmpty()) {
        return;
    }
    startNew();
    m_current.continuous = Observation::kContinuous;
    const QSignalBlocker quiet(m_continuous);
    m_continuous->setCurrentIndex(m_continuous->findData(Observation::kContinuous));
}

void ObservationEditor::removeCurrent()
{
    if (m_current.id == 0) {
        return;
    }
    if (!m_index->removeObservation(m_current.id)) {
        emit storeFailed();
        return;
    }
    const int row = m_list->currentRow();
    reload(0);
    if (!m_observations.isEmpty()) {
        m_list->setCurrentRow(std::min(row, static_cast<int>(m_observations.size()) - 1));
    }
    emit observationsChanged(m_file, m_observations);
}
