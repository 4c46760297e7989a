// The project information dialog (F3): the texts the overlay shows and
// recording names are made of, saved to config.ini or applied only.
#pragma once

#include "framelessframe.h"

#include <QDialog>

#include <memory>

namespace Ui {
class engineeringinfo;
}
class ProjectConsole;
struct ProjectInfo;

class engineeringinfo : public FramelessFrame<QDialog> {
    Q_OBJECT

public:
    explicit engineeringinfo(QWidget* parent = nullptr);
    ~engineeringinfo() override;

    // Set by the opener before the dialog is shown; not owned.
    void setConsole(ProjectConsole* console) { m_pConsole = console; }

public slots:
    void SetOneInfo();
    void GetPipMeterialIndex(int iIndex);

private:
    void loadFromIni();
    void saveToIni() const;
    ProjectInfo infoFromWidgets() const;
    bool customMaterialChosen() const;

    std::unique_ptr<Ui::engineeringinfo> ui;
    ProjectConsole* m_pConsole = nullptr;
};
