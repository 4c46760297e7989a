// The tool's main dialog: every field of the two link records, one button per command
// value, and the crawler's address for reconnecting.
#pragma once

#include <QDialog>
#include <QHash>
#include <functional>
#include <mutex>
#include <optional>

#include "ISocketSystemHead.h"
#include "PravikCommands.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CPravikDlg : public QDialog, public ISocketSystemHeadMsg {
    Q_OBJECT
public:
    using LinkFactory = std::function<ISocketSystemHead*(ISocketSystemHeadMsg*)>;

    // Creates the link system through createLink and opens the link to host:port.
    CPravikDlg(const LinkFactory& createLink, const QString& host, int port,
               QWidget* parent = nullptr);
    ~CPravikDlg() override;

    // Called on the link library's thread; the fields follow on the dialog's
    // thread, with the newest records when several came meanwhile.
    int OnLinkState(const char* state) override;
    int OnStatusData(const LinkStatusRecord* record) override;
    int OnControlData(const LinkControlRecord* record) override;

public slots:
    void ShowAbout();
    // Drops the link and opens it again to the address in the host and port fields.
    void Reconnect();

signals:
    void recordsWaiting();

private:
    // Link thread: store puts a record among the waiting ones.
    void Hold(const std::function<void()>& store);
    // Dialog's thread.
    void ShowWaiting();
    void OpenLink(const QString& host, int port);
    void ShowStatus(const LinkStatusRecord& record);
    void ShowControl(const LinkControlRecord& record);

    QWidget* CreateLinkBar(const QString& host, int port);
    QGroupBox* CreateStatusGroup();
    QWidget* CreateEchoRows();
    QGroupBox* CreateCameraGroup();
    QWidget* CreateDialogButtons();
    QLineEdit* CreateField(int id, QWidget* parent);
    QPushButton* CreateCommandButton(const CommandButton& command, QWidget* parent);

    ISocketSystemHead* m_pLink = nullptr; // owned by the link library, never released
    QHash<int, QLineEdit*> m_fields;      // display fields by control id
    QLineEdit* m_pHostEdit = nullptr;
    QSpinBox* m_pPortEdit = nullptr;

    // The newest records from the link thread, handed over under this lock
    // (the thread sanitizer cannot see Qt's event queue).
    std::mutex m_waitingMutex;
    std::optional<LinkStatusRecord> m_waitingStatus;
    std::optional<LinkControlRecord> m_waitingControl;
};
