// The observations of one snapshot and the form that codes them. A code
// is taken with Enter (or picked from the list); every other field is
// stored as soon as it changes. Typing a text that is no code makes an
// observation without a defect, e.g. "检查井". A continuous defect is coded
// on the snapshot of its start; its end is typed here or marked later on
// the snapshot where it ends (ReviewWindow). A grade the code does not have
// or an end no crawler reaches is refused in the form and not stored.
#pragma once

#include "codetable.h"
#include "inspectionindex.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class ObservationEditor : public QWidget {
    Q_OBJECT
public:
    ObservationEditor(const CodeTables& codes, QWidget* parent = nullptr);

    // index: null when no folder is open.
    void setIndex(InspectionIndex* index);
    // Shows the snapshot's observations; an empty file disables the form.
    void setSnapshot(const QString& file);
    const QString& snapshot() const { return m_file; }
    // An empty form for a new observation, with the keyboard in the code field.
    void startNew();
    // The same for a continuous defect: 连续 is kept when a code is taken.
    void startNewContinuous();
    // Removes the observation in the form.
    void removeCurrent();
    QVector<Observation> observations() const { return m_observations; }

    // Texts offered for observations without a defect.
    static QStringList noteTexts();
    // One line of the observation list.
    static QString rowText(const Observation& observation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void observationsChanged(const QString& file, const QVector<Observation>& observations);
    // The index refused a change (e.g. a read-only folder): it is not stored.
    void storeFailed();
    // Escape, or Enter in the last field: back to the snapshot list.
    void editingDone();

private:
    void reload(qint64 select);
    void showCurrent();
    void commitCode();
    void store();
    void fillGrades();
    void showEnd();
    // Says in the form why the input was not taken; nothing is stored.
    void refuse(const QString& why);
    // The defect whose code or "code name" the text is; null for other text.
    const DefectCode* codeFor(const QString& text) const;
    // What the code field shows for a stored observation.
    static QString codeText(const Observation& observation);

    const CodeTables& m_codes;
    InspectionIndex* m_index = nullptr;
    QString m_file;
    QVector<Observation> m_observations;
    Observation m_current; // id 0: not stored yet

    QListWidget* m_list;
    QComboBox* m_code;
    QComboBox* m_grade;
    QLabel* m_gradeText;
    QSpinBox* m_clockFrom;
    QSpinBox* m_clockTo;
    QComboBox* m_continuous;
    QLineEdit* m_end;
    QLineEdit* m_remark;
    QLabel* m_refusal; // shown while the last input was refused
    QPushButton* m_add;
    QPushButton* m_remove;
};
