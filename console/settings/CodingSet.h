// The distance encoder dialog (F6): sets or zeroes the crawl distance the
// console shows, and whether the distance is overlaid.
#pragma once

#include "framelessframe.h"

#include <QDialog>

#include <memory>

namespace Ui {
class CodingSet;
}
class ProjectConsole;

class CodingSet : public FramelessFrame<QDialog> {
    Q_OBJECT

public:
    explicit CodingSet(QWidget* parent = nullptr);
    ~CodingSet() override;

    // Set by the opener before the dialog is shown; not owned. Takes the
    // console's current reading as the anchor of both corrections and
    // shows its start distance.
    void setConsole(ProjectConsole* console);

public slots:
    void SetOneInfo();

private:
    void clearDistance();

    std::unique_ptr<Ui::CodingSet> ui;
    ProjectConsole* m_pConsole = nullptr;
    double m_dOpeningReading = 0.0;
};
