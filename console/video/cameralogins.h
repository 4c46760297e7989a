// The console's two camera logins on the main-camera library: camera 0 (main)
// and camera 1 (back). One of them is processed (its frames reach the console),
// the other plays straight into the small view. Each camera logs in on a
// thread of its own, so a camera that hangs holds up neither the other camera
// nor the start-up loop's link step. Login ids, play handles and the swap flag
// are shared by the start-up thread, the login threads, the link thread and the
// GUI thread, so every change happens under one lock.
#pragma once

#include "IHikSystemHeadExt.h"
#include "IVideoWindow.h"
#include "cameraside.h"

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct CameraLogin {
    std::string address;
    uint16_t port = 0;
    std::string user;
    std::string password;

    bool operator==(const CameraLogin& other) const;
};

// camera 0: the lognone keys; camera 1: the logntwo keys. Read afresh at
// every call; spaces around the address and port are dropped, a port that is
// no base-10 number in 0..65535 reads as 0.
CameraLogin cameraLoginFromIni(int camera);

// The reason of a failed login when the camera library cannot tell it.
constexpr uint32_t kLoginErrorUnknown = 0xFFFFFFFF;

// Why a login failed, for the operator: "用户名或密码错误", "连接超时", ...
QString loginFailureText(uint32_t error);

class CameraLogins final : public CameraSide {
public:
    using LoginSource = std::function<CameraLogin(int camera)>;
    using Release = std::function<void()>;
    // Told on the login's thread how each attempt ended (NET_DVR_NOERROR: logged in).
    using LoginReport = std::function<void(int camera, uint32_t error)>;
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    static constexpr int kMain = 0;
    static constexpr int kBack = 1;
    // Many cameras lock an account that keeps failing: a login refused for its
    // user name or password is tried again with the same settings only after this.
    static constexpr std::chrono::seconds kRefusedRetry{60};

    // release deletes the camera system; it runs once, at shutDown. extension
    // is the library's extension, or null: failed logins then have an unknown
    // reason, and a relogin logs both cameras in anew. windowView is where the
    // window camera plays.
    CameraLogins(IHikSystemHead* system, IHikSystemHeadExt* extension, Release release,
                 LoginSource source, IVideoWindow* windowView, LoginReport report,
                 Now now = &Clock::now);
    ~CameraLogins() override;
    CameraLogins(const CameraLogins&) = delete;
    CameraLogins& operator=(const CameraLogins&) = delete;

    // Start-up thread, once a pass; never waits for a login. Initialises the
    // library when it is not (at first and after a teardown), then, for each
    // camera that is not logged in and has no attempt under way, reads its
    // keys afresh and starts an attempt, with the first play on success;
    // unless its last attempt was refused for the very same keys less than
    // kRefusedRetry ago. Must not overlap shutDown.
    void loginMissing() override;
    bool allLoggedIn() const override;
    int32_t userId(int camera) const override;
    int32_t playHandle(int camera) const;
    // True while camera's login attempt runs (until its outcome is reported).
    bool loginRunning(int camera) const;
    // Why camera's last login attempt failed (NET_DVR_NOERROR: it did not, or
    // none was made with its current keys).
    uint32_t lastError(int camera) const;
    // True while the back camera is the processed one.
    bool swapped() const { return m_bSwap.load(); }

    // GUI thread: both plays stop and start again in the roles bCheck names.
    void GetChangeMainOrBackCame(bool bCheck);
    // Any thread, after camera's keys changed: its play stops, it is logged
    // out, and an attempt under way is left to end on its own (a login it
    // still makes is undone), so the next loginMissing pass logs it in with
    // the new keys at once. The other camera plays on; without the library's
    // extension, which alone logs one camera out, it is logged in anew too.
    void relogin(int camera);
    // Start-up thread, after a lost link: logged out, plays stopped, library
    // cleaned up (which ends logins under way; their results are dropped).
    void tearDown() override;
    // Closing console: plays stopped, library cleaned up (ending logins under
    // way), login threads joined, library released. No frame arrives after
    // it; every later call is a no-op.
    void shutDown() override;

private:
    struct Attempt {
        std::thread thread;
        bool running = false;
        uint32_t lastError = 0;
        // The keys of an attempt refused for its credentials, and when.
        std::optional<CameraLogin> refused;
        Clock::time_point refusedAt;
        // Counts relogins: an attempt started before the last one is void.
        uint64_t generation = 0;
    };
    // An attempt a relogin left running, until it has ended.
    struct Abandoned {
        std::thread thread;
        bool ended = false;
    };

    std::atomic<int32_t>& userIdRef(int camera);
    void startLogin(int camera);
    // On the camera's login thread.
    void login(int camera, CameraLogin params, uint64_t teardowns, uint64_t generation);
    // Joins the abandoned attempts that have ended; lock held.
    void joinEndedAbandoned();
    void logOutcome(int camera, uint32_t error, uint32_t previous);
    // Starts the camera's play in its current role; lock held.
    void play(int camera);
    void stopPlays();
    // Both logged out, the library cleaned up (which ends logins under way;
    // their results are dropped); lock held.
    void cleanUp();

    IHikSystemHead* m_pSystem;
    IHikSystemHeadExt* m_pExtension;
    Release m_release;
    LoginSource m_source;
    IVideoWindow* m_pWindowView;
    LoginReport m_report;
    Now m_now;

    mutable std::mutex m_mutex;
    std::atomic<int32_t> m_userID_0{-1};
    std::atomic<int32_t> m_userID_1{-1};
    std::array<int32_t, 2> m_userHandle{-1, -1}; // index = camera, whatever its role
    std::array<Attempt, 2> m_attempts;
    std::list<Abandoned> m_abandoned;
    std::atomic<bool> m_bSwap{false};
    bool m_bNeedInit = true;
    bool m_bClosing = false;
    // Counts teardowns, so a login that was under way during one is dropped.
    uint64_t m_iTeardowns = 0;
};
