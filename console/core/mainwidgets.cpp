#include "mainwidgets.h"

#include "consolelog.h"
#include "crawlersession.h"
#include "framepath.h"
#include "handwatch.h"
#include "inisettings.h"
#include "recording.h"
#include "robotcommands.h"
#include "startuptiming.h"
#include "telemetry.h"
#include "threadcheck.h"
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

#include <utility>

namespace {

const QColor kConsoleBackground(204, 204, 204);
constexpr int kLogQueueSize = 8192;
constexpr int kLogFileBytes = 2000000;
constexpr int kLogFilesKept = 10;

} // namespace

mainWidgets::mainWidgets(QWidget* parent)
    : QWidget(parent), m_pUi(new Ui::mainWidgets), m_pTiming(new StartupTiming(this)),
      m_pProjectInfo(std::make_shared<const ProjectInfo>())
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
    new HandWatch(this, [this] { releaseHeldInput(); });

    qRegisterMetaType<Mat>("Mat");
    connect(this, &mainWidgets::sendImage, this, &mainWidgets::GetImage, Qt::QueuedConnection);

    buildVideoPipeline();

    GetSysInfo();
    getSaveVideoPath();

    createCameraSystem();
    m_pSocketSystem = CreateISocketSystemHead(this);
    buildCommands();
    createSession();
    setUpVideoViews();

    m_pSession->start();
    m_pTiming->print("t5 - t1");
}

mainWidgets::~mainWidgets()
{
    shutDown();
    // A pad still held sees its release while the commands exist (and send
    // nothing); from the base destructor it would be too late.
    hide();
    delete m_pUi;
    m_pFramePath.reset();
}

void mainWidgets::shutDown()
{
    MORAVEL_ASSERT_GUI_THREAD();
    if (std::exchange(m_bShutDown, true))
        return;
    // Never closed (the program ended otherwise): reset the crawler as a
    // close does.
    resetCrawlerOnce();
    // No callback, start-up pass, frame or status record after this.
    m_pSession->shutDown();
    m_pRecording.reset(); // finishes the file through the frame path
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
