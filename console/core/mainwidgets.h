// mainWidgets: the operator console, the program's one top-level window.
// It owns the title bar, the panels and views, the camera and robot link
// systems and the start-up thread, and takes the libraries' callbacks.
#pragma once

#include "IHikBackSystemHead.h"
#include "IHikSystemHead.h"
#include "ISocketSystemHead.h"
#include "linkstate.h"
#include "projectinfo.h"
#include "savefolder.h"
#include "startupthread.h"

#include <QWidget>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The frame type as the meta-object system knows it.
using Mat = cv::Mat;

namespace Ui {
class mainWidgets;
}
class QTimer;
class StartupTiming;
class TitleBar;

class mainWidgets : public QWidget,
                    public IHikSystemHeadMsg,
                    public IHikBackSystemHeadMsg,
                    public ISocketSystemHeadMsg {
    Q_OBJECT

public:
    explicit mainWidgets(QWidget* parent = nullptr);
    ~mainWidgets() override;

    // Camera library callbacks (decode threads).
    int GetMatImageQueue(std::deque<cv::Mat> frames) override;
    int GetMatImage(cv::Mat frame) override;
    // Robot link callbacks (the link library's thread).
    int OnLinkState(const char* state) override;
    int OnStatusData(const LinkStatusRecord* record) override;
    int OnControlData(const LinkControlRecord* record) override;

    // Project information and save folder from config.ini.
    void GetSysInfo();
    void getSaveVideoPath();
    void setSaveVideoPath(const QString& path);
    // An immutable snapshot, safe to keep on any thread.
    std::shared_ptr<const ProjectInfo> projectInfo() const;
    const QString& saveVideoPath() const { return m_saveFolder.path(); }

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

private:
    // F1 to F7 and the keyboard keys are FunctionKeys (functionkeys.h), which
    // also wires F1, F2 and F4 to the recording; the console adds F3, F5, F6.
    void initLogService();
    void buildWindow();
    void buildTitleBar();
    void buildPanels();
    void fillLayouts();
    void resetCrawlerOnce();

    // Start-up thread: opens the robot link, retrying every second.
    void startInitThread();
    bool startupDone() const;
    void openLink();
    // A link that was up has dropped: close it and start over.
    void tearDownLink();
    void waitForLinkCallbacks() const;

    Ui::mainWidgets* m_pUi;
    StartupTiming* m_pTiming;
    TitleBar* m_pTitleBar = nullptr;
    QTimer* m_pTimer = nullptr;
    QTimer* m_pTimerSave = nullptr;

    mutable std::mutex m_projectInfoMutex;
    std::shared_ptr<const ProjectInfo> m_pProjectInfo;
    SaveFolder m_saveFolder;
    std::atomic<bool> m_bHeaderOverlay{false};

    std::atomic<int32_t> m_userID_0{-1};
    std::atomic<int32_t> m_userID_1{-1};

    ISocketSystemHead* m_pSocketSystem = nullptr; // never deleted: no delete entry
    LinkStateWatch m_linkState;                   // m_bConnectCom and the drop reaction
    // Link callbacks still running; a receive thread the library detached
    // during a drop may still be inside one when the console closes.
    // Callbacks must never block on the GUI thread, which waits for them.
    std::atomic<int> m_iLinkCallbacks{0};
    bool m_bResetSent = false;

    StartupThread m_startup;
};
