#include "connectionsettings.h"

#include "connectionchecks.h"
#include "inisettings.h"
#include "savefolder.h"
#include "ui_connectionsettings.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTimer>

namespace {

constexpr double kBytesPerGigabyte = 1e9;
constexpr double kBitsPerMegabit = 1e6;
constexpr qint64 kSecondsPerHour = 3600;
constexpr qint64 kSecondsPerMinute = 60;
const char* const kConnectedStyle =
    "QLabel{font-family:'微软雅黑';font-size:14px;font-weight:bold;color:rgb(120, 230, 120);}";
const char* const kDisconnectedStyle =
    "QLabel{font-family:'微软雅黑';font-size:14px;font-weight:bold;color:rgb(255, 150, 150);}";

QString systemFolderPicker(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, ConnectionSettings::tr("选择保存文件夹"),
                                             start);
}

void showState(QLabel* label, bool connected, const QString& reason)
{
    QString text = connected ? ConnectionSettings::tr("已连接") : ConnectionSettings::tr("未连接");
    if (!reason.isEmpty())
        text += ConnectionSettings::tr("：%1").arg(reason);
    label->setText(text);
    label->setStyleSheet(QString::fromUtf8(connected ? kConnectedStyle : kDisconnectedStyle));
}

} // namespace

ConnectionSettings::ConnectionSettings(QWidget* parent)
    : FramelessFrame<QDialog>(parent), ui(new Ui::ConnectionSettings), m_picker(&systemFolderPicker)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    keepEnterInert(this);
    const auto addCamera = [this](const QString& section, Part part, QLineEdit* address,
                                  QLabel* addressError, QLineEdit* port, QLabel* portError,
                                  QLineEdit* user, QLineEdit* password) {
        m_fields.push_back(
            {address, section + "ip", part, Form::Trimmed, &cameraAddressProblem, addressError});
        m_fields.push_back({port, section + "port", part, Form::Trimmed, &portProblem, portError});
        m_fields.push_back({user, section + "name", part, Form::AsTyped, nullptr, nullptr});
        m_fields.push_back({password, section + "password", part, Form::AsTyped, nullptr, nullptr});
    };
    addCamera(QStringLiteral("/lognone/"), Part::MainCamera, ui->lineEditMainIp,
              ui->labelMainIpError, ui->lineEditMainPort, ui->labelMainPortError,
              ui->lineEditMainName, ui->lineEditMainPassword);
    addCamera(QStringLiteral("/logntwo/"), Part::BackCamera, ui->lineEditBackIp,
              ui->labelBackIpError, ui->lineEditBackPort, ui->labelBackPortError,
              ui->lineEditBackName, ui->lineEditBackPassword);
    m_fields.push_back({ui->lineEditLinkIp, QStringLiteral("/com/ip"), Part::Link, Form::Trimmed,
                        &linkAddressProblem, ui->labelLinkIpError});
    m_fields.push_back({ui->lineEditLinkPort, QStringLiteral("/com/port"), Part::Link,
                        Form::Trimmed, &portProblem, ui->labelLinkPortError});
    m_fields.push_back({ui->lineEditFps, QStringLiteral("/came/fps"), Part::Recording,
                        Form::Trimmed, &frameRateProblem, ui->labelFpsError});
    // Last (folderField): the save folder, which the console stores.
    m_fields.push_back({ui->lineEditSaveFolder, QString(), Part::Recording, Form::Folder,
                        &folderProblem, ui->labelSaveFolderError});
    for (Field& field : m_fields) {
        if (field.key.isEmpty())
            continue;
        field.shown = GetQStringFromIni(field.key);
        field.edit->setText(field.shown);
    }

    const auto showPassword = [](QLineEdit* edit) {
        return [edit](bool shown) {
            edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        };
    };
    connect(ui->checkBoxMainPassword, &QCheckBox::toggled, this,
            showPassword(ui->lineEditMainPassword));
    connect(ui->checkBoxBackPassword, &QCheckBox::toggled, this,
            showPassword(ui->lineEditBackPassword));
    connect(ui->pushButtonBrowse, &QPushButton::clicked, this, &ConnectionSettings::chooseFolder);
    connect(ui->pushButtonSave, &QPushButton::clicked, this, &ConnectionSettings::save);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* timer = new QTimer(this);
    timer->setInterval(kRefreshMs);
    connect(timer, &QTimer::timeout, this, &ConnectionSettings::refreshState);
    timer->start();
}

ConnectionSettings::~ConnectionSettings() = default;

void ConnectionSettings::setConsole(ConnectionConsole* console)
{
    m_pConsole = console;
    if (m_pConsole) {
        Field& folder = folderField();
        folder.shown = m_pConsole->saveVideoPath();
        folder.edit->setText(folder.shown);
    }
    refreshState();
}

QString ConnectionSettings::normalized(const Field& field, const QString& typed)
{
    switch (field.form) {
    case Form::Trimmed:
        return typed.trimmed();
    case Form::Folder:
        return withFinalSlash(typed);
    case Form::AsTyped:
        break;
    }
    return typed;
}

QString ConnectionSettings::text(const Field& field)
{
    return normalized(field, field.edit->text());
}

bool ConnectionSettings::changed(const Field& field)
{
    return text(field) != normalized(field, field.shown);
}

ConnectionSettings::Field& ConnectionSettings::folderField()
{
    return m_fields.back();
}

void ConnectionSettings::save()
{
    // What the console already uses is not held against a save: only
    // changed fields are checked.
    bool valid = true;
    for (const Field& field : m_fields) {
        if (field.check == nullptr)
            continue;
        const QString problem = changed(field) ? field.check(text(field)) : QString();
        field.error->setText(problem);
        valid = valid && problem.isEmpty();
    }
    if (!valid) {
        ui->labelSaveResult->setText(tr("未保存：请改正标出的项"));
        return;
    }
    ConnectionConsole::Changes changes;
    for (Field& field : m_fields) {
        if (!changed(field))
            continue;
        const QString value = text(field);
        if (!field.key.isEmpty())
            SetQStringFromIni(field.key, value);
        else if (m_pConsole)
            m_pConsole->setSaveVideoPath(value);
        field.shown = value;
        field.edit->setText(value);
        if (field.part == Part::MainCamera || field.part == Part::BackCamera)
            changes.cameras[field.part == Part::MainCamera ? 0 : 1] = true;
        else if (field.part == Part::Link)
            changes.link = true;
    }
    if (m_pConsole)
        m_pConsole->applyConnectionChanges(changes);
    ui->labelSaveResult->setText(tr("已保存"));
    refreshState();
}

void ConnectionSettings::refreshState()
{
    if (!m_pConsole)
        return;
    const bool linkUp = m_pConsole->linkConnected();
    showState(ui->labelLinkState, linkUp, linkUp ? QString() : m_pConsole->linkProblem());
    QLabel* const cameraStates[ConnectionConsole::kCameras] = {ui->labelMainState,
                                                               ui->labelBackState};
    for (int camera = 0; camera < ConnectionConsole::kCameras; ++camera) {
        const ConnectionConsole::CameraState state = m_pConsole->cameraState(camera);
        showState(cameraStates[camera], state.connected, state.reason);
    }
    ui->labelSaveFolderState->setText(folderState(text(folderField())));
}

QString ConnectionSettings::folderState(const QString& folder) const
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return tr("文件夹不存在");
    const QStorageInfo storage(folder);
    const qint64 free = storage.bytesAvailable();
    if (!storage.isValid() || free < 0)
        return QString();
    QString state = tr("%1 GB").arg(static_cast<double>(free) / kBytesPerGigabyte, 0, 'f', 1);
    const ConnectionConsole::RecordingRate rate = m_pConsole->recordingRate();
    if (rate.bitsPerSecond <= 0)
        return tr("%1，有画面后显示可录像时间").arg(state);
    const auto seconds = static_cast<qint64>(static_cast<double>(free) * 8 / rate.bitsPerSecond);
    const QString megabits = QString::number(rate.bitsPerSecond / kBitsPerMegabit, 'f', 1);
    const QString pattern = rate.measured ? tr("%1，按当前码率 %2 Mbit/s 可录像约 %3 小时 %4 分")
                                          : tr("%1，按估计码率 %2 Mbit/s 可录像约 %3 小时 %4 分");
    return pattern.arg(state, megabits)
        .arg(seconds / kSecondsPerHour)
        .arg(seconds % kSecondsPerHour / kSecondsPerMinute);
}

void ConnectionSettings::chooseFolder()
{
    const QString chosen = m_picker(this, ui->lineEditSaveFolder->text());
    if (!chosen.isEmpty())
        ui->lineEditSaveFolder->setText(withFinalSlash(chosen));
}
