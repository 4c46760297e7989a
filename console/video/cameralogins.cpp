#include "cameralogins.h"

#include "CameraErrors.h"
#include "consolelog.h"
#include "inisettings.h"
#include "signalstack.h"
#include "threadcheck.h"

#include <QCoreApplication>

#include <limits>
#include <pthread.h>
#include <utility>

namespace {

constexpr uint32_t kConnectWaitMs = 3000;
constexpr uint32_t kConnectTries = 3;
constexpr uint32_t kReconnectIntervalMs = 30000;
constexpr uint32_t kReconnectEnabled = 1;
// Every play: channel 1, link mode 0, main stream.
constexpr int32_t kChannel = 1;
constexpr int32_t kLinkMode = 0;
constexpr int32_t kStreamType = 0;

uint16_t portFrom(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    if (!ok || port < 0 || port > std::numeric_limits<uint16_t>::max())
        return 0;
    return static_cast<uint16_t>(port);
}

} // namespace

bool CameraLogin::operator==(const CameraLogin& other) const
{
    return address == other.address && port == other.port && user == other.user &&
           password == other.password;
}

CameraLogin cameraLoginFromIni(int camera)
{
    const QString section =
        camera == CameraLogins::kMain ? QStringLiteral("/lognone/") : QStringLiteral("/logntwo/");
    CameraLogin login;
    // An address holds no spaces: "ip = 192.168.1.64" typed by hand means it.
    login.address = GetQStringFromIni(section + "ip").trimmed().toStdString();
    login.port = portFrom(GetQStringFromIni(section + "port"));
    login.user = GetQStringFromIni(section + "name").toStdString();
    login.password = GetQStringFromIni(section + "password").toStdString();
    return login;
}

QString loginFailureText(uint32_t error)
{
    const char* context = "CameraLogins";
    switch (error) {
    case NET_DVR_PASSWORD_ERROR:
        return QCoreApplication::translate(context, "用户名或密码错误");
    case NET_DVR_NETWORK_RECV_TIMEOUT:
        return QCoreApplication::translate(context, "连接超时");
    case NET_DVR_NETWORK_FAIL_CONNECT:
        return QCoreApplication::translate(context, "连接被拒绝");
    case NET_DVR_PARAMETER_ERROR:
        return QCoreApplication::translate(context, "地址无效");
    case NET_DVR_CHANNEL_ERROR:
        return QCoreApplication::translate(context, "视频通道不存在");
    case NET_DVR_NETWORK_RECV_ERROR:
        return QCoreApplication::translate(context, "网络错误");
    case NET_DVR_NETWORK_ERRORDATA:
        return QCoreApplication::translate(context, "视频数据无效");
    case kLoginErrorUnknown:
        return QCoreApplication::translate(context, "未知错误");
    case NET_DVR_RTSP_PLAYRECVTIMEOUT:
        return QCoreApplication::translate(context, "无视频数据");
    case NET_DVR_RTSP_SETUPERROR:
        return QCoreApplication::translate(context, "传输方式不被支持");
    default:
        return QCoreApplication::translate(context, "连接失败（错误 %1）").arg(error);
    }
}

CameraLogins::CameraLogins(IHikSystemHead* system, IHikSystemHeadExt* extension, Release release,
                           LoginSource source, IVideoWindow* windowView, LoginReport report,
                           Now now)
    : m_pSystem(system), m_pExtension(extension), m_release(std::move(release)),
      m_source(std::move(source)), m_pWindowView(windowView), m_report(std::move(report)),
      m_now(std::move(now))
{
}

CameraLogins::~CameraLogins()
{
    shutDown();
}

std::atomic<int32_t>& CameraLogins::userIdRef(int camera)
{
    return camera == kMain ? m_userID_0 : m_userID_1;
}

int32_t CameraLogins::userId(int camera) const
{
    return camera == kMain ? m_userID_0.load() : m_userID_1.load();
}

int32_t CameraLogins::playHandle(int camera) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_userHandle[static_cast<size_t>(camera)];
}

bool CameraLogins::loginRunning(int camera) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_attempts[static_cast<size_t>(camera)].running;
}

uint32_t CameraLogins::lastError(int camera) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_attempts[static_cast<size_t>(camera)].lastError;
}

bool CameraLogins::allLoggedIn() const
{
    return m_userID_0.load() >= 0 && m_userID_1.load() >= 0;
}

void CameraLogins::loginMissing()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pSystem == nullptr || m_bClosing)
            return;
        if (m_bNeedInit) {
            m_pSystem->Init(kConnectWaitMs, kConnectTries, kReconnectIntervalMs, kReconnectEnabled);
            m_bNeedInit = false;
        }
    }
    for (int camera : {kMain, kBack})
        if (userId(camera) < 0)
            startLogin(camera);
}

void CameraLogins::startLogin(int camera)
{
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Attempt& attempt = m_attempts[static_cast<size_t>(camera)];
        if (attempt.running)
            return;
        generation = attempt.generation;
    }
    // Only this thread starts attempts: the camera stays idle meanwhile.
    CameraLogin params = m_source(camera);
    std::lock_guard<std::mutex> lock(m_mutex);
    Attempt& attempt = m_attempts[static_cast<size_t>(camera)];
    if (m_pSystem == nullptr || m_bClosing)
        return;
    // Keys read before a relogin may be the old ones: the next pass reads them again.
    if (attempt.generation != generation)
        return;
    if (attempt.refused && *attempt.refused == params &&
        m_now() - attempt.refusedAt < kRefusedRetry)
        return;
    joinEndedAbandoned();
    // A finished thread has left login() already; joining it is immediate.
    if (attempt.thread.joinable())
        attempt.thread.join();
    attempt.running = true;
    attempt.thread = std::thread(&CameraLogins::login, this, camera, std::move(params),
                                 m_iTeardowns, generation);
}

void CameraLogins::joinEndedAbandoned()
{
    for (auto it = m_abandoned.begin(); it != m_abandoned.end();) {
        if (!it->ended) {
            ++it;
            continue;
        }
        // It has marked itself ended and needs the lock no more.
        it->thread.join();
        it = m_abandoned.erase(it);
    }
}

void CameraLogins::login(int camera, CameraLogin params, uint64_t teardowns, uint64_t generation)
{
    crash::guardThisThread();
    ::pthread_setname_np(::pthread_self(), "cam-login");
    // Unlocked: a login may take the whole connect wait, and neither the GUI
    // thread's swap nor the other camera may wait for it.
    const int32_t id = m_pSystem->Login(params.address, params.port, params.user, params.password);
    uint32_t error = NET_DVR_NOERROR;
    if (id < 0)
        error = m_pExtension != nullptr ? m_pExtension->GetLastError() : kLoginErrorUnknown;
    Attempt& attempt = m_attempts[static_cast<size_t>(camera)];
    uint32_t previous = 0;
    bool counts = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Torn down or closing meanwhile: the library was cleaned up under
        // this login, so the next pass logs in afresh. Relogged meanwhile:
        // the keys have changed, so a login made with the old ones is undone
        // (its id is only ours while no teardown came between).
        const bool current = generation == attempt.generation;
        const bool sameLibrary = !m_bClosing && teardowns == m_iTeardowns;
        counts = sameLibrary && current;
        if (sameLibrary && !current && id >= 0 && m_pExtension != nullptr)
            m_pExtension->Logout(id);
        if (counts) {
            previous = attempt.lastError;
            attempt.lastError = error;
            attempt.refused.reset();
            if (error == NET_DVR_PASSWORD_ERROR) {
                attempt.refused = std::move(params);
                attempt.refusedAt = m_now();
            }
            userIdRef(camera) = id;
            if (id >= 0)
                play(camera);
        }
    }
    if (counts) {
        logOutcome(camera, error, previous);
        m_report(camera, error);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (generation == attempt.generation) {
        attempt.running = false;
        return;
    }
    const auto self = std::this_thread::get_id();
    for (Abandoned& abandoned : m_abandoned)
        if (abandoned.thread.get_id() == self)
            abandoned.ended = true;
}

void CameraLogins::logOutcome(int camera, uint32_t error, uint32_t previous)
{
    // One line per change, not one per second of a camera that stays down.
    if (error == previous)
        return;
    if (error == NET_DVR_NOERROR) {
        MORAVEL_LOG(L"[Moravel] camera [%d] logged in", camera);
        return;
    }
    const std::wstring reason = loginFailureText(error).toStdWString();
    if (error == NET_DVR_PASSWORD_ERROR)
        MORAVEL_LOG(L"[Moravel] camera [%d] login failed [%u] %s, next try with the same "
                    L"settings in [%d] s",
                    camera, error, reason.c_str(), static_cast<int>(kRefusedRetry.count()));
    else
        MORAVEL_LOG(L"[Moravel] camera [%d] login failed [%u] %s", camera, error, reason.c_str());
}

void CameraLogins::play(int camera)
{
    const int32_t id = userId(camera);
    int32_t& handle = m_userHandle[static_cast<size_t>(camera)];
    const bool processed = (camera == kBack) == m_bSwap.load();
    if (processed)
        handle = m_pSystem->RealPlayCallback(id, nullptr, kChannel, kLinkMode, kStreamType);
    else
        handle = m_pSystem->RealPlayWindow(id, kLinkMode, kChannel, ToWindowHandle(m_pWindowView));
}

void CameraLogins::stopPlays()
{
    m_pSystem->StopPlay(&m_userHandle[kMain]);
    m_pSystem->StopPlay(&m_userHandle[kBack]);
}

void CameraLogins::GetChangeMainOrBackCame(bool bCheck)
{
    MORAVEL_ASSERT_GUI_THREAD();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSystem == nullptr)
        return;
    const int h0 = m_userHandle[kMain];
    const int h1 = m_userHandle[kBack];
    const int id0 = m_userID_0.load();
    const int id1 = m_userID_1.load();
    if (bCheck)
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle bCheck [%d] 0[%d] 1[%d] [%d] [%d]",
                    static_cast<int>(bCheck), h0, h1, id0, id1);
    else
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle 0[%d] 1[%d]", h0, h1);
    stopPlays();
    if (bCheck)
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle StopPlay 0[%d] 1[%d] [%d] [%d]", h0, h1,
                    id0, id1);
    else
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle StopPlay 0[%d] 1[%d]", h0, h1);
    // Set before the plays start, so the first frame of the newly processed
    // camera is already treated as such.
    m_bSwap = bCheck;
    const int processed = bCheck ? kBack : kMain;
    for (int camera : {processed, 1 - processed})
        if (userId(camera) >= 0)
            play(camera);
    if (bCheck)
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle Play 0[%d] 1[%d] [%d] [%d]",
                    m_userHandle[kMain], m_userHandle[kBack], id0, id1);
    else
        MORAVEL_LOG(L"GetChangeMainOrBackCame m_userHandle Play 0[%d] 1[%d]", m_userHandle[kMain],
                    m_userHandle[kBack]);
}

void CameraLogins::relogin(int camera)
{
    const auto index = static_cast<size_t>(camera);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSystem == nullptr || m_bClosing)
        return;
    Attempt& attempt = m_attempts[index];
    ++attempt.generation;
    if (attempt.running) {
        m_abandoned.push_back({std::move(attempt.thread), false});
        attempt.running = false;
    }
    attempt.lastError = NET_DVR_NOERROR;
    attempt.refused.reset();
    if (m_pExtension == nullptr) {
        // Without Logout the library ends logins only all together.
        cleanUp();
        MORAVEL_LOG(L"[Moravel] cameras logged out for camera [%d]'s new settings", camera);
        return;
    }
    m_pSystem->StopPlay(&m_userHandle[index]);
    m_userHandle[index] = -1;
    const int32_t id = userIdRef(camera).exchange(-1);
    if (id >= 0)
        m_pExtension->Logout(id);
    MORAVEL_LOG(L"[Moravel] camera [%d] logged out for its new settings", camera);
}

void CameraLogins::tearDown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    cleanUp();
}

void CameraLogins::cleanUp()
{
    m_userID_0 = -1;
    m_userID_1 = -1;
    ++m_iTeardowns;
    if (m_pSystem == nullptr || m_bClosing)
        return;
    stopPlays();
    m_pSystem->Cleanup();
    m_bNeedInit = true;
}

void CameraLogins::shutDown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pSystem == nullptr || m_bClosing)
            return;
        m_bClosing = true;
        stopPlays();
        m_pSystem->Cleanup();
    }
    // Unlocked: a login that ends takes the lock to drop its result.
    for (Attempt& attempt : m_attempts)
        if (attempt.thread.joinable())
            attempt.thread.join();
    std::list<Abandoned> abandoned;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        abandoned.swap(m_abandoned);
    }
    for (Abandoned& attempt : abandoned)
        attempt.thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_release();
    m_pSystem = nullptr;
    m_pExtension = nullptr;
    m_userID_0 = -1;
    m_userID_1 = -1;
}
