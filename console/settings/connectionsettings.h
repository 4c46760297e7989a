// The connection settings dialog "连接设置" behind the title bar's settings
// button: the robot link, both cameras, the recording frame rate and the save
// folder, each with its live state. "保存" checks what was changed and writes
// it to config.ini, and the console takes it up without a restart; what is
// wrong is shown next to its field instead, and nothing is written. "取消",
// "×" and Escape close it without writing anything.
#pragma once

#include "connectionconsole.h"
#include "framelessframe.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class ConnectionSettings;
}
class QLabel;
class QLineEdit;

class ConnectionSettings : public FramelessFrame<QDialog> {
    Q_OBJECT

public:
    // The live state is read again this often while the dialog is open.
    static constexpr int kRefreshMs = 500;
    // Asks for a folder, starting at start; empty when cancelled.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;

    explicit ConnectionSettings(QWidget* parent = nullptr);
    ~ConnectionSettings() override;

    // Set by the opener before the dialog is shown; not owned. Shows the
    // console's save folder and the live state.
    void setConsole(ConnectionConsole* console);
    void setFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }

public slots:
    void save();

private:
    enum class Part { MainCamera, BackCamera, Link, Recording };
    // How the text of a field is taken: as typed (names, passwords), without
    // outer spaces (addresses, numbers), or as a save folder (final "/").
    enum class Form { AsTyped, Trimmed, Folder };
    using Check = QString (*)(const QString&);
    struct Field {
        QLineEdit* edit;
        QString key; // empty: the save folder, which the console stores
        Part part;
        Form form;
        Check check;     // nullptr: any text
        QLabel* error;   // nullptr with check
        QString shown{}; // the field's text when the dialog opened or last saved
    };

    // A field's text as it is stored: outer spaces or a final "/" as its form says.
    static QString normalized(const Field& field, const QString& typed);
    static QString text(const Field& field);
    // The operator changed its value: what it shows now differs from what it
    // showed, in the field's form; however the file writes an untouched
    // value, it is neither checked nor written nor applied.
    static bool changed(const Field& field);
    Field& folderField();
    void refreshState();
    QString folderState(const QString& folder) const;
    void chooseFolder();

    std::unique_ptr<Ui::ConnectionSettings> ui;
    std::vector<Field> m_fields;
    ConnectionConsole* m_pConsole = nullptr;
    FolderPicker m_picker;
};
