// The console's own 30-pixel title bar: logo, title, settings, about,
// minimize and close buttons. Dragging it moves the console; the close
// button only asks the console to close (CloseWindows); the settings button
// opens the connection settings of the console set by setConnectionConsole.
#pragma once

#include <QPoint>
#include <QWidget>

class ConnectionConsole;
class QLabel;
class QPushButton;

class TitleBar : public QWidget {
    Q_OBJECT

public:
    explicit TitleBar(QWidget* parent = nullptr);
    void setTitle(const QString& title);
    // Not owned; the settings button does nothing without one.
    void setConnectionConsole(ConnectionConsole* console) { m_pConnectionConsole = console; }

signals:
    void CloseWindows();

public slots:
    void onClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Mirrors the watched window's title and icon.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_pIconLabel;
    QLabel* m_pTitleLabel;
    QPushButton* m_pAboutButton;
    QPushButton* m_pSettingButton;
    QPushButton* m_pMinimizeButton;
    QPushButton* m_pCloseButton;
    bool m_bPressed = false;
    QPoint m_lastPos;
    ConnectionConsole* m_pConnectionConsole = nullptr;
};
