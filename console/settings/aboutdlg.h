// The about window: program version and company name from config.ini.
#pragma once

#include "framelessframe.h"

#include <QWidget>

#include <memory>

namespace Ui {
class aboutdlg;
}

class aboutdlg : public FramelessFrame<QWidget> {
    Q_OBJECT

public:
    explicit aboutdlg(QWidget* parent = nullptr);
    ~aboutdlg() override;

private:
    std::unique_ptr<Ui::aboutdlg> ui;
};
