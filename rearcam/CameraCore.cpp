#include "CameraCore.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "VideoCodec.h"

namespace {

constexpr uint32_t kStreamBufferBytes = 10485760;
constexpr double kRecordFps = 25.0;
constexpr size_t kStampChars = 128;
constexpr const char* kStampPattern = "%Y%m%d%H%M%S";

std::atomic<CameraCore*> s_core{nullptr};
// Each login runs on its caller's thread; so does the question why it failed.
thread_local uint32_t t_loginError = NET_DVR_NOERROR;

void StreamCallback(int32_t playHandle, uint32_t dataType, uint8_t* buffer, uint32_t size, void*)
{
    if (CameraCore* core = s_core.load()) {
        core->OnStreamData(playHandle, dataType, buffer, size);
    }
}

void DecodeCallback(int32_t, char* buffer, int32_t size, FRAME_INFO* info, void*, int32_t)
{
    CameraCore* core = s_core.load();
    if (core != nullptr && info != nullptr) {
        core->OnDecodedFrame(buffer, size, *info);
    }
}

void IgnoreException(uint32_t, int32_t, int32_t, void*)
{
}

// Diagnostics go to standard error, one line per message.
void Debug(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

CameraCore::CameraCore(FrameSink sink, FailedLogin failedLogin, PlanesSink planes)
    : m_sink(std::move(sink)), m_planesSink(std::move(planes)), m_failedLogin(failedLogin)
{
    s_core.store(this);
}

// Also runs when the library is unloaded with the core still alive: no
// play, login or callback pointer into this library may outlive it.
CameraCore::~CameraCore()
{
    stopAll();
    logoutAll();
    // The callbacks the camera libraries install all do nothing, so
    // clearing whichever is installed changes nothing else.
    NET_DVR_SetExceptionCallBack_V30(0, nullptr, nullptr, nullptr);
    s_core.store(nullptr);
}

bool CameraCore::Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
                      uint32_t reconnectEnabled)
{
    if (NET_DVR_Init() == 0) {
        NET_DVR_GetLastError();
        return false;
    }
    if (NET_DVR_SetConnectTime(connectWaitMs, connectTries) == 0) {
        return false;
    }
    return NET_DVR_SetReconnect(reconnectIntervalMs, static_cast<int32_t>(reconnectEnabled)) != 0;
}

bool CameraCore::Cleanup()
{
    stopAll();
    logoutAll();
    NET_DVR_Cleanup();
    return true;
}

void CameraCore::logoutAll()
{
    std::set<int32_t> loginIds;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        loginIds.swap(m_loginIds);
    }
    for (int32_t id : loginIds) {
        NET_DVR_Logout(id);
    }
}

bool CameraCore::Logout(int32_t loginId)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_loginIds.erase(loginId) == 0) {
            return false;
        }
    }
    return NET_DVR_Logout(loginId) != 0;
}

int32_t CameraCore::Login(const std::string& address, uint16_t port, const std::string& user,
                          const std::string& password)
{
    NET_DVR_SetExceptionCallBack_V30(0, nullptr, IgnoreException, nullptr);
    NET_DVR_USER_LOGIN_INFO info{};
    std::strncpy(info.sDeviceAddress, address.c_str(), sizeof info.sDeviceAddress - 1);
    info.wPort = port;
    std::strncpy(info.sUserName, user.c_str(), sizeof info.sUserName - 1);
    std::strncpy(info.sPassword, password.c_str(), sizeof info.sPassword - 1);
    NET_DVR_DEVICEINFO_V40 device{};
    const int32_t id = NET_DVR_Login_V40(&info, &device);
    // The record holds the password: clear it before it leaves scope.
    std::memset(info.sPassword, 0, sizeof info.sPassword);
    if (id >= 0) {
        t_loginError = NET_DVR_NOERROR;
        Debug("摄像头连接！");
        std::lock_guard<std::mutex> lock(m_mutex);
        m_loginIds.insert(id);
        return id;
    }
    // The SDK's own code and text: errno would name some unrelated call.
    int32_t code = 0;
    const char* text = NET_DVR_GetErrorMsg(&code);
    t_loginError = static_cast<uint32_t>(code);
    Debug("摄像头连接失败！err [" + std::to_string(code) + "] " + text);
    std::fputs("摄像头连接失败！", stdout);
    std::fflush(stdout);
    if (m_failedLogin == FailedLogin::ReleaseSdk) {
        NET_DVR_Cleanup();
    }
    return -1;
}

template <typename Start> int32_t CameraCore::startPlay(Start start)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    PlaySlot* slot = findSlot(-1);
    if (slot == nullptr) {
        return -1;
    }
    const int32_t handle = start();
    if (handle != -1) {
        slot->handle = handle;
        // A new play begins without a player until its stream header arrives.
        slot->port.store(-1);
    }
    return handle;
}

int32_t CameraCore::RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                                     int32_t linkMode, int32_t streamType)
{
    const int32_t handle = startPlay([&] {
        NET_DVR_PREVIEWINFO info{};
        info.lChannel = channel;
        info.dwStreamType = static_cast<uint32_t>(streamType);
        info.dwLinkMode = static_cast<uint32_t>(linkMode);
        info.hPlayWnd = window;
        info.bBlocked = 0;
        return NET_DVR_RealPlay_V40(loginId, &info, StreamCallback, nullptr);
    });
    if (handle == -1) {
        std::fputs("摄像头初始化失败！", stdout);
        std::fflush(stdout);
        NET_DVR_GetLastError();
        return 0;
    }
    return handle;
}

int32_t CameraCore::RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                   VideoWindowHandle window)
{
    return startPlay([&] {
        NET_DVR_CLIENTINFO info{};
        info.lChannel = channel;
        info.lLinkMode = linkMode;
        info.hPlayWnd = window;
        info.sMultiCastIP = nullptr;
        info.byProtoType = 0;
        return NET_DVR_RealPlay(loginId, &info);
    });
}

void CameraCore::StopPlay(const int32_t* handle)
{
    if (handle == nullptr || *handle == -1) {
        return;
    }
    stopPlay(*handle);
}

void CameraCore::stopAll()
{
    std::vector<int32_t> handles;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& slot : m_slots) {
            if (slot.handle != -1) {
                handles.push_back(slot.handle);
            }
        }
    }
    for (int32_t handle : handles) {
        stopPlay(handle);
    }
}

CameraCore::PlaySlot* CameraCore::findSlot(int32_t handle)
{
    for (auto& slot : m_slots) {
        if (slot.handle == handle) {
            return &slot;
        }
    }
    return nullptr;
}

void CameraCore::stopPlay(int32_t handle)
{
    PlaySlot* slot = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        slot = findSlot(handle);
    }
    if (slot == nullptr) {
        return;
    }
    // Stop the network thread first so no header can claim a new port.
    // The slot stays claimed until then, so no other play can take it.
    NET_DVR_StopRealPlay(handle);
    releasePort(*slot);
    std::lock_guard<std::mutex> lock(m_mutex);
    slot->handle = -1;
}

void CameraCore::releasePort(PlaySlot& slot)
{
    const int32_t port = slot.port.exchange(-1);
    if (port >= 0) {
        PlayM4_Stop(port);
        PlayM4_CloseStream(port);
        PlayM4_FreePort(port);
    }
}

void CameraCore::OnStreamData(int32_t playHandle, uint32_t dataType, uint8_t* buffer, uint32_t size)
{
    PlaySlot* slot = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        slot = findSlot(playHandle);
    }
    if (slot == nullptr) {
        return;
    }
    if (dataType == NET_DVR_SYSHEAD) {
        // A reconnect sends a new header: the old player goes first.
        releasePort(*slot);
        int32_t port = -1;
        if (PlayM4_GetPort(&port) == 0) {
            return;
        }
        slot->port.store(port);
        // Each step runs only when the one before succeeded; a failure
        // leaves the play without frames. A host that takes planes gets the
        // player's window side instead of the decode callback.
        IVideoWindow* const planes = m_planesSink ? &m_planesWindow : nullptr;
        if (size == 0 || PlayM4_SetStreamOpenMode(port, STREAME_REALTIME) == 0 ||
            PlayM4_OpenStream(port, buffer, size, kStreamBufferBytes) == 0 ||
            PlayM4_Play(port, ToWindowHandle(planes)) == 0 || planes != nullptr) {
            return;
        }
        PlayM4_SetDecCallBack(port, DecodeCallback);
        return;
    }
    const int32_t port = slot->port.load();
    if (size == 0 || port == -1) {
        return;
    }
    if (PlayM4_InputData(port, buffer, size) == 0 && dataType == NET_DVR_STREAMDATA) {
        PlayM4_GetLastError(port);
    }
}

void CameraCore::OnDecodedFrame(const char* buffer, int32_t size, const FRAME_INFO& info)
{
    const std::clock_t start = std::clock();
    const int64_t needed = static_cast<int64_t>(info.nWidth) * (info.nHeight + info.nHeight / 2);
    // A buffer shorter than its frame is dropped rather than read past its end.
    const bool whole = info.nType == T_YV12 && buffer != nullptr && info.nWidth > 0 &&
                       info.nHeight > 0 && size >= needed;
    deliver(whole ? VideoPlanes::FromYv12(reinterpret_cast<const uint8_t*>(buffer), info.nWidth,
                                          info.nHeight)
                  : VideoPlanes(),
            start);
}

void CameraCore::PlanesWindow::ShowPlanes(const VideoPlanes& picture)
{
    m_core.deliver(picture, std::clock());
}

void CameraCore::PlanesWindow::ShowFrame(const cv::Mat& frame)
{
    if (!frame.empty() && m_core.m_sink) {
        m_core.m_sink(frame);
    }
}

void CameraCore::deliver(const VideoPlanes& picture, std::clock_t start)
{
    if (picture.valid()) {
        m_frameHeight.store(picture.height);
        m_frameWidth.store(picture.width);
        if (m_planesSink) {
            m_planesSink(picture);
        } else {
            m_sink(picture.toBgr());
        }
    }
    const long elapsedMs = static_cast<long>((std::clock() - start) * 1000 / CLOCKS_PER_SEC);
    std::printf("time=%ldms\n", elapsedMs);
}

void CameraCore::SetSaveDir(std::string folder)
{
    if (folder.empty()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_recordMutex);
    m_recordDir = std::move(folder);
}

void CameraCore::SaveFrame(const cv::Mat& frame)
{
    std::lock_guard<std::mutex> lock(m_recordMutex);
    if (!m_recording) {
        return;
    }
    // Stamped when given: the file plays in real time whatever the frames' rate.
    if (!m_writer.write(frame, sinceRecordStart()) && !m_writer.isOpened()) {
        Debug("record stopped: " + m_writer.lastError());
        m_recording = false;
    }
}

void CameraCore::StartOrStopRecord()
{
    std::lock_guard<std::mutex> lock(m_recordMutex);
    if (m_recording) {
        m_recording = false;
        m_writer.release(sinceRecordStart());
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[kStampChars] = {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(stamp, sizeof stamp, kStampPattern, &local) == 0) {
        Debug("record not started: no local time");
        return;
    }
    const std::string path = m_recordDir + stamp + ".mp4";
    const cv::Size size(m_frameWidth.load(), m_frameHeight.load());
    // A recording that cannot start is not reported as running.
    if (!m_writer.open(path, recorder::Fourcc('m', 'p', '4', 'v'), kRecordFps, size)) {
        Debug("record not started: " + m_writer.lastError());
        return;
    }
    m_recordStart = std::chrono::steady_clock::now();
    m_recording = true;
}

std::chrono::microseconds CameraCore::sinceRecordStart() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 m_recordStart);
}

uint32_t CameraCore::lastLoginError() const
{
    return t_loginError;
}

bool CameraCore::isRecording() const
{
    std::lock_guard<std::mutex> lock(m_recordMutex);
    return m_recording;
}

cv::Size CameraCore::lastFrameSize() const
{
    return {m_frameWidth.load(), m_frameHeight.load()};
}
