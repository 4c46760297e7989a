#include "mainwidgets.h"

#include "consolelog.h"
#include "framepath.h"
#include "inisettings.h"
#include "recording.h"
#include "robotcommands.h"
#include "startuptiming.h"
#include "telemetry.h"
#include "titlebar.h"
#include "ui_mainwidgets.h"
#include "videosignals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QIcon>
#include <QMetaType>
#include <QPalette>
#include <QScreen>

namespace {

const QColor kConsoleBackground(204, 204, 204);
constexpr int kLogQueueSize = 8192;
constexpr int kLogFileBytes = 2000000;
constexpr int kLogFilesKept = 10;

} // namespace

mainWidgets::mainWidgets(QWidget* parent)
    : QWidget(parent), m_pUi(new Ui::mainWidgets), m_pTiming(new StartupTiming(this)),
      m_pProjectInfo(std::make_shared<const ProjectInfo>()),
      m_linkState([this] { tearDownLink(); }), m_startup([this] { startInitThread(); })
{
    m_pUi->setupUi(this);
    installEventFilter(m_pTiming);

    initLogService();
    MORAVEL_LOG(L"[Moravel] start");

    buildWindow();
    buildTitleBar();
    buildVideoViews();
    const PanelLayouts panels = buildPanels();
    fillLayouts(panels);

    qRegisterMetaType<Mat>("Mat");
    connect(this, &mainWidgets::sendImage, this, &mainWidgets::GetImage, Qt::QueuedConnection);

    buildVideoPipeline();

    GetSysInfo();
    getSaveVideoPath();

    createCameraSystem();
    m_pSocketSystem = CreateISocketSystemHead(this);
    buildCommands();
    setUpVideoViews();

    m_startup.start();
    m_pTiming->print("t5 - t1");
}

mainWidgets::~mainWidgets()
{
    // Never closed (the program ended otherwise): reset the crawler as a
    // close does. A pad still held then sees its release while the commands
    // exist (and send nothing); from the base destructor it would be too late.
    resetCrawlerOnce();
    hide();
    delete m_pUi;
    // No start-up pass may run against the link (or cameras) torn down below.
    m_startup.stop();
    m_pCameras->shutDown(); // no frame callback after this
    // No status record reaches the recording after this.
    if (m_pSocketSystem) {
        m_linkState.clear();
        m_pSocketSystem->Disconnect();
        waitForLinkCallbacks();
    }
    m_pRecording.reset(); // finishes the file through the frame path
    m_pFramePath.reset();
}

void mainWidgets::initLogService()
{
    QString path = QCoreApplication::applicationDirPath();
    if (!path.endsWith('/'))
        path += '/';
    path += tr("Logs/Moravel.log");
    Log::get_instance()->init(path.toLocal8Bit().constData(), kLogQueueSize, kLogFileBytes,
                              kLogFilesKept);
}

void mainWidgets::buildWindow()
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kConsoleBackground);
    setPalette(pal);
    setAutoFillBackground(true);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    setFixedSize(available.width(), available.height());
    qDebug() << "main width: " << width();
    qDebug() << "main height: " << height();
}

void mainWidgets::buildTitleBar()
{
    m_pTitleBar = new TitleBar(this);
    installEventFilter(m_pTitleBar);
    connect(m_pTitleBar, &TitleBar::CloseWindows, this, [this] {
        qDebug() << "CloseWindows";
        resetCrawlerOnce();
        close();
    });
    m_pTitleBar->setTitle(tr("Ostrel"));
    m_pTitleBar->setConnectionConsole(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/TitleBar/logo.png")));
}

void mainWidgets::fillLayouts(const PanelLayouts& panels)
{
    m_pUi->top_horizontalLayout->addWidget(m_pTitleBar, 0);
    placePanels(panels);
    m_pUi->center_gridLayout->addLayout(videoViewsLayout(), 0, 0);
}

void mainWidgets::resetCrawlerOnce()
{
    // Also silences the pads, whose releases follow when the window hides.
    m_pCommands->ResetControl(RobotCommands::AfterReset::Shutdown);
}

void mainWidgets::closeEvent(QCloseEvent* event)
{
    resetCrawlerOnce();
    QWidget::closeEvent(event);
}

void mainWidgets::GetSysInfo()
{
    applyProjectInfo(loadProjectInfo());
    setDistanceOverlaySwitch(GetQStringFromIni(kDistanceOverlayKey));
}

std::shared_ptr<const ProjectInfo> mainWidgets::projectInfo() const
{
    std::lock_guard<std::mutex> lock(m_projectInfoMutex);
    return m_pProjectInfo;
}

void mainWidgets::getSaveVideoPath()
{
    m_saveFolder.getSaveVideoPath(QCoreApplication::applicationDirPath());
}

void mainWidgets::setSaveVideoPath(const QString& path)
{
    m_saveFolder.setSaveVideoPath(path);
}
