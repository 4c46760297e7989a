// The pipe section's own data, entered beside the pictures: length L
// (until entered the inspected length stands in), area class K, soil T,
// laying year, depths and the 检测/校核/审核 names; stored at once. Under
// it the section's assessment as it stands.
#pragma once

#include "assessedsection.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class SectionForm : public QWidget {
    Q_OBJECT
public:
    explicit SectionForm(QWidget* parent = nullptr);

    // index: null when no folder is open.
    void setIndex(InspectionIndex* index);
    // Shows the section and its assessment; an assessment of project 0
    // (no section) disables the form.
    void showSection(const AssessedSection& section);
    // The keyboard to the first field.
    void startEditing();

signals:
    // The section's data was stored.
    void changed();
    // The index refused the change.
    void storeFailed();

private:
    void store();
    QLineEdit* metresField(const QString& name);
    QLineEdit* nameField(const QString& name);

    InspectionIndex* m_index = nullptr;
    qint64 m_project = 0;
    QLineEdit* m_length;
    QComboBox* m_area;
    QComboBox* m_soil;
    QSpinBox* m_year;
    QLineEdit* m_startDepth;
    QLineEdit* m_endDepth;
    QLineEdit* m_inspectedBy;
    QLineEdit* m_checkedBy;
    QLineEdit* m_approvedBy;
    QLabel* m_diameter;
    QLabel* m_assessment;
};
