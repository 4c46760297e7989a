#include "PravikDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "AboutDlg.h"
#include "PravikFields.h"
#include "PravikIcon.h"
#include "PravikOptions.h"

namespace {

// Wide enough for a float with six significant digits and a sign.
constexpr char kFieldWidthSample[] = "-0.000000e+00";
constexpr int kStatusPairsPerRow = 3;
// Tight rows keep the whole dialog on a 1024-pixel-high screen.
constexpr int kRowSpacing = 1;
constexpr int kColumnsPerPair = 2;

QString ControlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

QPushButton* CreateButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Enter in the address field reconnects; it must not press a button of the dialog.
    button->setAutoDefault(false);
    return button;
}

} // namespace

CPravikDlg::CPravikDlg(const LinkFactory& createLink, const QString& host, int port,
                       QWidget* parent)
    : QDialog(parent)
{
    connect(this, &CPravikDlg::recordsWaiting, this, &CPravikDlg::ShowWaiting,
            Qt::QueuedConnection);
    setWindowIcon(PravikIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateLinkBar(host, port));
    layout->addWidget(CreateStatusGroup());
    layout->addWidget(CreateEchoRows());
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CreateCameraGroup());
    bottom->addStretch(1);
    bottom->addWidget(CreateDialogButtons(), 0, Qt::AlignBottom);
    layout->addLayout(bottom);

    m_pLink = createLink(this);
    OpenLink(host, port);
}

CPravikDlg::~CPravikDlg()
{
    // The link outlives the dialog; closing it stops the callbacks into this object.
    if (m_pLink) {
        m_pLink->Disconnect();
    }
}

int CPravikDlg::OnLinkState(const char* /*state*/)
{
    return 0;
}

int CPravikDlg::OnStatusData(const LinkStatusRecord* record)
{
    if (record) {
        Hold([&] { m_waitingStatus = *record; });
    }
    return 0;
}

int CPravikDlg::OnControlData(const LinkControlRecord* record)
{
    if (record) {
        Hold([&] { m_waitingControl = *record; });
    }
    return 0;
}

void CPravikDlg::Hold(const std::function<void()>& store)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_waitingMutex);
        // One wake-up for whatever comes before the dialog takes it.
        wake = !m_waitingStatus && !m_waitingControl;
        store();
    }
    if (wake) {
        emit recordsWaiting();
    }
}

void CPravikDlg::ShowWaiting()
{
    std::optional<LinkStatusRecord> status;
    std::optional<LinkControlRecord> control;
    {
        std::lock_guard<std::mutex> lock(m_waitingMutex);
        status.swap(m_waitingStatus);
        control.swap(m_waitingControl);
    }
    if (status) {
        ShowStatus(*status);
    }
    if (control) {
        ShowControl(*control);
    }
}

void CPravikDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CPravikDlg::Reconnect()
{
    const QString host = m_pHostEdit->text().trimmed();
    if (host.isEmpty() || !m_pLink) {
        return;
    }
    m_pLink->Disconnect();
    OpenLink(host, m_pPortEdit->value());
}

void CPravikDlg::OpenLink(const QString& host, int port)
{
    if (!m_pLink) {
        return;
    }
    // The tool opens the link once and drives the buttons whatever the outcome.
    m_pLink->Connect(host.toUtf8().constData(), port);
    m_pLink->IsConnected();
    m_pLink->Start();
    m_pLink->ResetControl();
}

void CPravikDlg::ShowStatus(const LinkStatusRecord& record)
{
    for (const StatusField& field : StatusFields()) {
        m_fields.value(field.id)->setText(field.text(record));
    }
}

void CPravikDlg::ShowControl(const LinkControlRecord& record)
{
    for (const EchoRow& row : EchoRows()) {
        m_fields.value(row.id)->setText(row.text(record));
    }
}

QWidget* CPravikDlg::CreateLinkBar(const QString& host, int port)
{
    auto* bar = new QWidget(this);
    m_pHostEdit = new QLineEdit(host, bar);
    m_pHostEdit->setObjectName(QStringLiteral("hostEdit"));
    m_pPortEdit = new QSpinBox(bar);
    m_pPortEdit->setObjectName(QStringLiteral("portEdit"));
    m_pPortEdit->setRange(kMinCrawlerPort, kMaxCrawlerPort);
    m_pPortEdit->setValue(port);
    QPushButton* connectButton = CreateButton(tr("连接"), QStringLiteral("connectButton"), bar);
    connect(connectButton, &QPushButton::clicked, this, &CPravikDlg::Reconnect);
    connect(m_pHostEdit, &QLineEdit::returnPressed, this, &CPravikDlg::Reconnect);

    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("地址"), bar));
    layout->addWidget(m_pHostEdit, 1);
    layout->addWidget(new QLabel(tr("端口"), bar));
    layout->addWidget(m_pPortEdit);
    layout->addWidget(connectButton);
    return bar;
}

QGroupBox* CPravikDlg::CreateStatusGroup()
{
    auto* group = new QGroupBox(tr("Static"), this);
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(kRowSpacing);
    auto* secondGroup = new QGroupBox(tr("Static"), group);
    auto* secondGrid = new QGridLayout(secondGroup);

    int row = -1;
    int pair = 0;
    for (const StatusField& field : StatusFields()) {
        pair = field.row == row ? pair + 1 : 0;
        row = field.row;
        const bool inSecond = field.row >= kStatusSecondGroupRow;
        QWidget* owner = inSecond ? static_cast<QWidget*>(secondGroup) : group;
        QGridLayout* target = inSecond ? secondGrid : grid;
        const int gridRow = inSecond ? field.row - kStatusSecondGroupRow : field.row;
        target->addWidget(new QLabel(tr(field.caption), owner), gridRow, pair * kColumnsPerPair);
        target->addWidget(CreateField(field.id, owner), gridRow, pair * kColumnsPerPair + 1);
    }
    grid->addWidget(secondGroup, kStatusSecondGroupRow, 0, 1, kStatusPairsPerRow * kColumnsPerPair);
    return group;
}

QWidget* CPravikDlg::CreateEchoRows()
{
    auto* rows = new QWidget(this);
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(kRowSpacing);
    int gridRow = 0;
    for (const EchoRow& row : EchoRows()) {
        grid->addWidget(new QLabel(tr(row.caption), rows), gridRow, 0);
        grid->addWidget(CreateField(row.id, rows), gridRow, 1);
        int column = 2;
        for (const CommandButton& command : row.buttons) {
            grid->addWidget(CreateCommandButton(command, rows), gridRow, column++);
        }
        ++gridRow;
    }
    // Buttons keep their size; spare width goes past the longest row.
    grid->setColumnStretch(grid->columnCount(), 1);
    return rows;
}

QGroupBox* CPravikDlg::CreateCameraGroup()
{
    auto* group = new QGroupBox(tr("摄像头操作"), this);
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(kRowSpacing);
    for (const CameraButton& button : CameraButtons()) {
        grid->addWidget(CreateCommandButton(button.command, group), button.row, button.column);
    }
    return group;
}

QWidget* CPravikDlg::CreateDialogButtons()
{
    auto* box = new QWidget(this);
    QPushButton* about = CreateButton(tr("关于 Pravik(&A)..."), QStringLiteral("aboutButton"), box);
    QPushButton* ok = CreateButton(tr("确定"), ControlName(1), box);
    QPushButton* cancel = CreateButton(tr("取消"), ControlName(2), box);
    connect(about, &QPushButton::clicked, this, &CPravikDlg::ShowAbout);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(about);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    return box;
}

QLineEdit* CPravikDlg::CreateField(int id, QWidget* parent)
{
    auto* field = new QLineEdit(QStringLiteral("0"), parent);
    field->setObjectName(ControlName(id));
    field->setReadOnly(true);
    field->setMinimumWidth(
        field->fontMetrics().horizontalAdvance(QString::fromLatin1(kFieldWidthSample)));
    m_fields.insert(id, field);
    return field;
}

QPushButton* CPravikDlg::CreateCommandButton(const CommandButton& command, QWidget* parent)
{
    QPushButton* button = CreateButton(tr(command.caption), ControlName(command.id), parent);
    const LinkOperation operation = command.operation;
    const uint16_t value = command.value;
    connect(button, &QPushButton::clicked, this, [this, operation, value] {
        if (m_pLink) {
            SendCommand(*m_pLink, operation, value);
        }
    });
    return button;
}
