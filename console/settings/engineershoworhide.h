// The overlay field dialog (F5): which project fields the video overlay
// shows, and one free custom line. The choice lives in the console only.
#pragma once

#include "framelessframe.h"
#include "projectconsole.h"

#include <QDialog>

#include <memory>

namespace Ui {
class engineershoworhide;
}
class QCheckBox;

class engineershoworhide : public FramelessFrame<QDialog> {
    Q_OBJECT

public:
    explicit engineershoworhide(QWidget* parent = nullptr);
    ~engineershoworhide() override;

    // Set by the opener before the dialog is shown; not owned. Shows the
    // console's current choice.
    void setConsole(ProjectConsole* console);

public slots:
    void onCheckAllChanged(int istate);
    void onCheckUpdateSttaus();

private:
    // The twelve boxes in the console's flag order.
    std::array<QCheckBox*, kOverlayFieldCount> fieldBoxes() const;

    ProjectConsole* m_pConsole = nullptr;
    std::unique_ptr<Ui::engineershoworhide> ui;
};
