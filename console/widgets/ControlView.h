// Camera switch panel: one switch exchanges the main and rear video, the
// other opens the rear video.
#pragma once

#include <QWidget>

class ControlView : public QWidget {
    Q_OBJECT
public:
    explicit ControlView(QWidget* parent = nullptr);

signals:
    void ChangeMainOrBackCame(bool bChange);
    void OpenBackCame(bool bOpen);

public slots:
    void GetSwitchButton(bool bChange);
    void GetBackOpen(bool bOpen);
};
