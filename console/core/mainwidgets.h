// mainWidgets: the operator console, the program's one top-level window.
// It owns the title bar, the panels and views, the camera and robot link
// systems and the start-up thread, and takes the libraries' callbacks.
#pragma once

#include "IHikBackSystemHead.h"
#include "IHikPlanesMsg.h"
#include "IHikSystemHead.h"
#include "ISocketSystemHead.h"
#include "callbackgate.h"
#include "cameralogins.h"
#include "connectionconsole.h"
#include "guitasks.h"
#include "overlay.h"
#include "projectconsole.h"
#include "projectinfo.h"
#include "savefolder.h"

#include <QWidget>

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <memory>
#include <mutex>

// The frame type as the meta-object system knows it.
using Mat = cv::Mat;

namespace Ui {
class mainWidgets;
}
class CrawlerSession;
class DisplayPanle;
class FramePath;
class FunctionKeys;
class GaugeCloud;
class QGridLayout;
class QLayout;
class QVBoxLayout;
class Recording;
class RobotCommands;
class StatusPanel;
class Telemetry;
class StartupTiming;
class TitleBar;
class VideoLabel;
class VideoSignals;

class mainWidgets : public QWidget,
                    public IHikSystemHeadMsg,
                    public IHikPlanesMsg,
                    public ISocketSystemHeadMsg,
                    public ProjectConsole,
                    public ConnectionConsole {
    Q_OBJECT

public:
    explicit mainWidgets(QWidget* parent = nullptr);
    ~mainWidgets() override;

    // GUI thread: the crawler reset, every library callback and thread of the
    // console stopped, the cameras and the link closed, a recording finished.
    // The destructor does it too; later calls (also from within) do nothing.
    void shutDown();

    // Main-camera library callbacks (decode threads).
    int GetMatImageQueue(std::deque<cv::Mat> frames) override;
    int GetMatImage(cv::Mat frame) override;
    int GetPlanesImage(const VideoPlanes& picture) override;
    // For a rear-camera library: its frames go to the small view.
    IHikBackSystemHeadMsg* backViewMsg() const { return m_pBackViewMsg.get(); }
    // Login ids, play handles and roles of the two cameras.
    const CameraLogins& cameraLogins() const { return *m_pCameras; }
    // Robot link callbacks (the link library's thread).
    int OnLinkState(const char* state) override;
    int OnStatusData(const LinkStatusRecord* record) override;
    int OnControlData(const LinkControlRecord* record) override;

    // Project information and save folder from config.ini.
    void GetSysInfo() override;
    void getSaveVideoPath();
    void setSaveVideoPath(const QString& path) override;
    // An immutable snapshot, safe to keep on any thread.
    std::shared_ptr<const ProjectInfo> projectInfo() const override;

    // What the dialogs change (mainwidgets_project.cpp); the overlay fields,
    // custom text and distance are read by the camera thread as well.
    void applyProjectInfo(const ProjectInfo& info) override;
    OverlayFields overlayFields() const override;
    void setOverlayFields(const OverlayFields& fields) override;
    QString customText() const override;
    void setCustomText(const QString& text) override;
    DistanceCalibration distanceCalibration() const override;
    void setDistanceCorrection(double dZeroReference, double dStartDistance) override;
    void setDistanceOverlaySwitch(const QString& text) override;
    QString saveVideoPath() const override { return m_saveFolder.path(); }

    // What the connection dialog shows and changes (mainwidgets_connection.cpp).
    bool linkConnected() const override;
    QString linkProblem() const override;
    CameraState cameraState(int camera) const override;
    RecordingRate recordingRate() const override;
    void applyConnectionChanges(const Changes& changes) override;

signals:
    void sendImage(Mat image);
    void sendRollingPanel(double);
    void sendPitchPanel(double);
    void sendSpeedValue(double dValue);

public slots:
    void onToggled(bool bChecked);
    void onMousepressed(int nWhich);
    void WriteInfoBefore(Mat& Image);
    void WriteInfoAfter(Mat& Image);
    void SaveMatInfoFromQueue();
    void GetImage(Mat image);
    void ControlDirection(int iDirection);
    void ReControlDirection(int iDirection);
    void ControlUpDown(int iUpDown);
    void ReControlUpDown(int iUpDown);
    void ControlFocus(int iFocus);
    void ReControlFocus(int iFocus);
    void ControlCame(int iCame);
    void ReControlCame(int iCame);
    void GetSpeedValue(double dValue);
    void GetMainLightValue(double dValue);
    void GetBackLightValue(double dValue);
    void LensDemisterCheck(bool bCheck);
    void ElectricTakeupCheck(bool bCheck);
    void LaserDistanceCheck(bool bCheck);
    void GetChangeMainOrBackCame(bool bCheck);
    void GetOpenBackCame(bool bOpen);

protected:
    // Every way of closing resets the crawler's outputs first.
    void closeEvent(QCloseEvent* event) override;
    // F1 to F7 act as the console's function keys, once per physical press.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Runs deliver on the frame path for one processed frame, through the gate.
    template <typename Deliver> int processedFrame(Deliver deliver);
    // F1 to F7 and the keyboard keys are FunctionKeys (functionkeys.h), which
    // also wires F1, F2 and F4 to the recording; the console adds F3, F5, F6.
    void initLogService();
    void buildWindow();
    void buildTitleBar();
    // Panels (mainwidgets_panels.cpp): their inner layouts are built with
    // the widgets and placed into the form's cells with the other layouts.
    struct PanelLayouts {
        QGridLayout* leftUpper;
        QVBoxLayout* leftPads;
        QGridLayout* rightUpper;
        QVBoxLayout* rightPads;
        StatusPanel* attitude;
    };
    PanelLayouts buildPanels();
    void buildLeftColumn(PanelLayouts& panels);
    void buildRightColumn(PanelLayouts& panels);
    void buildBottomBand(PanelLayouts& panels);
    void connectFunctionKeys();
    void placePanels(const PanelLayouts& panels);
    // Commands and telemetry need the link system, created after the panels.
    void buildCommands();
    void fillLayouts(const PanelLayouts& panels);
    void resetCrawlerOnce();
    // Whatever hides the operator's hand from the pads (handwatch.h) first
    // ends every held pad command, as its release does.
    void releaseHeldInput();

    // The crawler session (mainwidgets_link.cpp): link, cameras, start-up
    // thread and the order they go down in.
    void createSession();

    // Every library callback into the console passes it; the crawler session
    // closes it first when the console goes.
    CallbackGate m_callbacks;
    Ui::mainWidgets* m_pUi;
    StartupTiming* m_pTiming;
    TitleBar* m_pTitleBar = nullptr;

    mutable std::mutex m_projectInfoMutex;
    std::shared_ptr<const ProjectInfo> m_pProjectInfo;
    SaveFolder m_saveFolder;

    // Camera side (mainwidgets_camera.cpp): the two video views and the
    // logins on the main-camera library.
    void buildVideoViews();
    QLayout* videoViewsLayout();
    void createCameraSystem();
    void setUpVideoViews();
    VideoLabel* m_pViewMain = nullptr; // "viewmain": the processed camera
    VideoLabel* m_pView = nullptr;     // "view": the small picture in picture
    std::unique_ptr<IHikBackSystemHeadMsg> m_pBackViewMsg;
    // What the views show without a picture; outlives the logins that report to it.
    std::unique_ptr<VideoSignals> m_pSignals;
    // The small view as the camera library sees it: behind the gate.
    std::unique_ptr<IVideoWindow> m_pWindowView;
    std::unique_ptr<CameraLogins> m_pCameras;

    // Video pipeline (mainwidgets_video.cpp): overlay, frame path and
    // recording. Recording is no Qt child: its destructor finishes the file
    // through the frame path, so the destructor resets it first.
    void buildVideoPipeline();
    // One short modeless message box at a time, reused: each line elided
    // in the middle. The whole text goes to the log.
    void showRecordingMessage(const QString& title, const QString& message);
    Overlay m_overlay;
    std::unique_ptr<FramePath> m_pFramePath;
    std::unique_ptr<Recording> m_pRecording;
    // Of the running or last recording, measured from its file; 0 before any.
    mutable double m_dMeasuredBitsPerSecond = 0;

    ISocketSystemHead* m_pSocketSystem = nullptr; // never deleted: no delete entry

    // Panels, commands and telemetry (mainwidgets_panels.cpp,
    // mainwidgets_commands.cpp, mainwidgets_project.cpp).
    DisplayPanle* m_pDisplayPanle = nullptr;
    GaugeCloud* m_pDrivePad = nullptr;
    FunctionKeys* m_pFunctionKeys = nullptr;
    std::unique_ptr<RobotCommands> m_pCommands;
    std::unique_ptr<Telemetry> m_pTelemetry; // uses m_pCommands: declared after it

    // What the start-up thread hands to the GUI thread; outlives the session.
    GuiTasks m_guiTasks;
    // Uses the link, the cameras and the commands; shut down before any of them goes.
    std::unique_ptr<CrawlerSession> m_pSession;
    bool m_bShutDown = false;
};
