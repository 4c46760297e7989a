// The console's two camera logins on the main-camera library: camera 0 (main)
// and camera 1 (back). One of them is processed (its frames reach the console),
// the other plays straight into the small view. Login ids, play handles and the
// swap flag are shared by the start-up thread, the link thread and the GUI
// thread, so every change happens under one lock.
#pragma once

#include "IHikSystemHead.h"
#include "IVideoWindow.h"

#include <opencv2/core/mat.hpp>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

struct CameraLogin {
    std::string address;
    uint16_t port = 0;
    std::string user;
    std::string password;
};

// camera 0: the lognone keys; camera 1: the logntwo keys. Read afresh at
// every call; a port that is no base-10 number in 0..65535 reads as 0.
CameraLogin cameraLoginFromIni(int camera);

class CameraLogins {
public:
    using LoginSource = std::function<CameraLogin(int camera)>;
    using Release = std::function<void()>;

    static constexpr int kMain = 0;
    static constexpr int kBack = 1;

    // release deletes the camera system; it runs once, at shutDown.
    CameraLogins(IHikSystemHead* system, Release release, LoginSource source,
                 IVideoWindow* mainView, IVideoWindow* backView, cv::Mat placeholder);
    ~CameraLogins();
    CameraLogins(const CameraLogins&) = delete;
    CameraLogins& operator=(const CameraLogins&) = delete;

    // The views before any login: black squares, then the placeholder.
    void showNoVideo();

    // Start-up thread: initialises the library when it is not (at first and
    // after a teardown), then one login attempt for each camera that is not
    // logged in, with its first play. Must not overlap shutDown.
    void loginMissing();
    bool allLoggedIn() const;
    int32_t userId(int camera) const;
    int32_t playHandle(int camera) const;
    // True while the back camera is the processed one.
    bool swapped() const { return m_bSwap.load(); }

    // GUI thread: both plays stop and start again in the roles bCheck names.
    void GetChangeMainOrBackCame(bool bCheck);
    // Link thread, on a lost link: logged out, plays stopped, library cleaned up.
    void tearDown();
    // Closing console: plays stopped, library cleaned up and released. No
    // frame arrives after it; every later call is a no-op.
    void shutDown();

private:
    std::atomic<int32_t>& userIdRef(int camera);
    void login(int camera);
    // Starts the camera's play in its current role; lock held.
    void play(int camera);
    void stopPlays();
    void showLoginFailed(int camera);

    IHikSystemHead* m_pSystem;
    Release m_release;
    LoginSource m_source;
    IVideoWindow* m_pMainView;
    IVideoWindow* m_pBackView;
    cv::Mat m_placeholder;

    mutable std::mutex m_mutex;
    std::atomic<int32_t> m_userID_0{-1};
    std::atomic<int32_t> m_userID_1{-1};
    std::array<int32_t, 2> m_userHandle{-1, -1}; // index = camera, whatever its role
    std::atomic<bool> m_bSwap{false};
    bool m_bNeedInit = true;
    // Counts teardowns, so a login that was under way during one is dropped.
    uint64_t m_iTeardowns = 0;
};
