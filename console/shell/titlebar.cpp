#include "titlebar.h"

#include "aboutdlg.h"
#include "connectionsettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

namespace {

constexpr int kBarHeight = 30;
constexpr int kButtonSize = 30;
constexpr int kTitleLeftMargin = 8;
constexpr int kContentLeftMargin = 7;
const QColor kTitleTextColor(0xe8, 0xec, 0xf1);

QPushButton* makeButton(QWidget* parent, const char* name, const char* icon)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setFlat(true);
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    return button;
}

} // namespace

TitleBar::TitleBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kBarHeight);
    setWindowFlags(Qt::FramelessWindowHint);

    m_pIconLabel = new QLabel(this);
    m_pIconLabel->setObjectName("label_icon");
    m_pIconLabel->setFixedSize(kBarHeight, kBarHeight);
    m_pIconLabel->setScaledContents(true);

    m_pTitleLabel = new QLabel(this);
    m_pTitleLabel->setContentsMargins(kTitleLeftMargin, 0, 0, 0);
    m_pTitleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pTitleLabel->setStyleSheet(
        QStringLiteral("QLabel{font-family:'微软雅黑';font-size:20px;font-weight:bold;}"));
    // Light text on the dark title band picture.
    QPalette titlePalette = m_pTitleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, kTitleTextColor);
    m_pTitleLabel->setPalette(titlePalette);

    m_pSettingButton = makeButton(this, "settingButton", ":/icons/TitleBar/set.png");
    m_pAboutButton = makeButton(this, "aboutButton", ":/icons/TitleBar/about.png");
    m_pMinimizeButton = makeButton(this, "minimizeButton", ":/icons/TitleBar/min.png");
    m_pCloseButton = makeButton(this, "closeButton", ":/icons/TitleBar/close.png");

    auto* outer = new QHBoxLayout(this);
    outer->setMargin(0);
    auto* background = new QWidget(this);
    background->setObjectName("mainWidget");
    background->setStyleSheet(
        QStringLiteral("#mainWidget{border-image:url(:/images/Others/title.png);}"));
    outer->addWidget(background, 0);

    auto* inner = new QHBoxLayout(background);
    inner->setContentsMargins(kContentLeftMargin, 0, 0, 0);
    inner->setSpacing(0);
    inner->addWidget(m_pIconLabel);
    inner->addWidget(m_pTitleLabel);
    inner->addStretch();
    inner->addWidget(m_pSettingButton);
    inner->addWidget(m_pAboutButton);
    inner->addWidget(m_pMinimizeButton);
    inner->addWidget(m_pCloseButton);

    setProperty("titleBar", true);
    setObjectName("titleBar");

    for (QPushButton* button :
         {m_pMinimizeButton, m_pCloseButton, m_pAboutButton, m_pSettingButton})
        connect(button, &QPushButton::clicked, this, &TitleBar::onClicked);
}

void TitleBar::setTitle(const QString& title)
{
    m_pTitleLabel->setAlignment(Qt::AlignCenter);
    m_pTitleLabel->setText(title);
}

void TitleBar::onClicked()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    QWidget* top = window();
    if (!top->isTopLevel())
        return;
    if (button == m_pMinimizeButton) {
        top->showMinimized();
    } else if (button == m_pCloseButton) {
        emit CloseWindows();
    } else if (button == m_pAboutButton) {
        auto* about = new aboutdlg;
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->setAttribute(Qt::WA_ShowModal);
        about->show();
    } else if (button == m_pSettingButton && m_pConnectionConsole) {
        ConnectionSettings settings(top);
        settings.setConsole(m_pConnectionConsole);
        settings.exec();
    }
}

void TitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        m_lastPos = event->globalPos();
    }
}

void TitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bPressed = false;
}

// The console cannot be maximised from the title bar.
void TitleBar::mouseDoubleClickEvent(QMouseEvent*)
{
}

void TitleBar::mouseMoveEvent(QMouseEvent* event)
{
    QWidget* console = parentWidget();
    if (!m_bPressed || !console)
        return;
    const QPoint globalPos = event->globalPos();
    console->move(console->pos() + (globalPos - m_lastPos));
    m_lastPos = globalPos;
}

bool TitleBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowTitleChange:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            m_pTitleLabel->setText(widget->windowTitle());
        return true;
    case QEvent::WindowIconChange:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            m_pIconLabel->setPixmap(widget->windowIcon().pixmap(m_pIconLabel->size()));
        return true;
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}
