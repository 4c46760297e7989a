// The network side of the SDK: initialisation, logins and live plays.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

extern "C" {
#include <libavutil/log.h>
}

#include "LivePlay.h"
#include "SourceAddress.h"
#include "netcam.h"

namespace {

using namespace netcam;

constexpr uint32_t kDefaultWaitMs = 3000;
constexpr uint32_t kMinWaitMs = 100;
constexpr uint32_t kDefaultTries = 3;
constexpr uint32_t kDefaultReconnectMs = 30000;
constexpr uint32_t kMinReconnectMs = 50;
constexpr size_t kLogLineBytes = 1024;
constexpr const char* kSerialNumber = "NETCAM";

thread_local uint32_t t_lastError = NET_DVR_NOERROR;

int Fail(uint32_t error)
{
    t_lastError = error;
    return 0;
}

int32_t FailId(uint32_t error)
{
    t_lastError = error;
    return -1;
}

int Succeed()
{
    t_lastError = NET_DVR_NOERROR;
    return 1;
}

const char* ErrorText(uint32_t error)
{
    switch (error) {
    case NET_DVR_NOERROR:
        return "no error";
    case NET_DVR_PASSWORD_ERROR:
        return "user name or password refused";
    case NET_DVR_NOINIT:
        return "SDK not initialised";
    case NET_DVR_CHANNEL_ERROR:
        return "no stream at this channel or path";
    case NET_DVR_NETWORK_FAIL_CONNECT:
        return "connection refused";
    case NET_DVR_NETWORK_RECV_ERROR:
        return "network error";
    case NET_DVR_NETWORK_RECV_TIMEOUT:
        return "no answer within the connect wait";
    case NET_DVR_NETWORK_ERRORDATA:
        return "no video stream in the answer";
    case NET_DVR_PARAMETER_ERROR:
        return "invalid parameter or address";
    case NET_DVR_ALLOC_RESOURCE_ERROR:
        return "out of resources";
    case NET_DVR_USERNOTEXIST:
        return "unknown login";
    case NET_DVR_RTSP_SETUPERROR:
        return "the camera takes neither RTSP over TCP nor over UDP";
    case NET_DVR_RTSP_PLAYRECVTIMEOUT:
        return "no video within the connect wait";
    default:
        return "unknown error";
    }
}

// FFmpeg's own messages may quote a URL with its password.
void RedactingLog(void* avcl, int level, const char* format, va_list args)
{
    if (level > av_log_get_level()) {
        return;
    }
    char line[kLogLineBytes];
    int prefix = 1;
    av_log_format_line(avcl, level, format, args, line, sizeof line, &prefix);
    std::fputs(("[netcam] " + RedactCredentials(line)).c_str(), stderr);
}

struct LoginEntry {
    SourceSpec spec;
    std::unique_ptr<MediaSource> openSource; // taken by the first play
};

class Sdk {
public:
    // Never destroyed: plays may still be stopped from other libraries'
    // static destructors at process exit.
    static Sdk& instance()
    {
        static Sdk* sdk = new Sdk;
        return *sdk;
    }

    std::mutex mutex;
    bool initialised = false;
    LiveSettings settings{{std::chrono::milliseconds(kDefaultWaitMs), kDefaultTries},
                          std::chrono::milliseconds(kDefaultReconnectMs),
                          true};
    EXCEPTIONCALLBACK exceptionCallback = nullptr;
    void* exceptionUser = nullptr;
    std::map<int32_t, LoginEntry> logins;
    // Stop flags of the logins under way: a cleanup ends their waits.
    std::set<std::shared_ptr<std::atomic<bool>>> pendingLogins;
    std::map<int32_t, std::unique_ptr<LivePlay>> plays;
    int32_t nextLogin = 0;
    int32_t nextPlay = 1;

    void notify(uint32_t type, int32_t loginId, int32_t handle)
    {
        std::unique_lock<std::mutex> lock(mutex);
        const auto callback = exceptionCallback;
        void* user = exceptionUser;
        lock.unlock();
        if (callback != nullptr) {
            callback(type, loginId, handle, user);
        }
    }

    // Plays are stopped outside the lock: their threads may be waiting for it.
    std::vector<std::unique_ptr<LivePlay>> takePlays(int32_t loginId)
    {
        std::vector<std::unique_ptr<LivePlay>> taken;
        for (auto it = plays.begin(); it != plays.end();) {
            if (loginId < 0 || it->second->loginId() == loginId) {
                taken.push_back(std::move(it->second));
                it = plays.erase(it);
            } else {
                ++it;
            }
        }
        return taken;
    }

    int32_t startPlay(int32_t loginId, int32_t channel, uint32_t streamType,
                      REALDATACALLBACK callback, void* user, void* window)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!initialised) {
            return FailId(NET_DVR_NOINIT);
        }
        const auto login = logins.find(loginId);
        if (login == logins.end()) {
            return FailId(NET_DVR_USERNOTEXIST);
        }
        const int32_t handle = nextPlay++;
        LiveTarget target;
        target.callback = callback;
        target.user = user;
        target.window = static_cast<IVideoWindow*>(window);
        target.notify = [this, loginId, handle](uint32_t type) { notify(type, loginId, handle); };
        auto spec = ForChannel(login->second.spec, channel, streamType);
        // The login's open source serves only a play of the stream it opened.
        auto source = std::move(login->second.openSource);
        if (spec.url != login->second.spec.url) {
            source.reset();
        }
        plays[handle] = std::make_unique<LivePlay>(handle, loginId, std::move(spec),
                                                   std::move(source), settings, target);
        Succeed();
        return handle;
    }
};

void CopyField(char* field, size_t size, const char* text)
{
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

} // namespace

NETCAM_API int NET_DVR_Init()
{
    static std::once_flag logOnce;
    std::call_once(logOnce, [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(RedactingLog);
    });
    auto& sdk = Sdk::instance();
    std::lock_guard<std::mutex> lock(sdk.mutex);
    sdk.initialised = true;
    return Succeed();
}

NETCAM_API int NET_DVR_Cleanup()
{
    auto& sdk = Sdk::instance();
    std::unique_lock<std::mutex> lock(sdk.mutex);
    if (!sdk.initialised) {
        return Fail(NET_DVR_NOINIT);
    }
    sdk.initialised = false;
    for (const auto& stop : sdk.pendingLogins) {
        stop->store(true);
    }
    auto plays = sdk.takePlays(-1);
    auto logins = std::move(sdk.logins);
    sdk.logins.clear();
    lock.unlock();
    plays.clear();
    return Succeed();
}

NETCAM_API int NET_DVR_SetConnectTime(uint32_t dwWaitTime, uint32_t dwTryTimes)
{
    auto& sdk = Sdk::instance();
    std::lock_guard<std::mutex> lock(sdk.mutex);
    if (!sdk.initialised) {
        return Fail(NET_DVR_NOINIT);
    }
    sdk.settings.connect.wait = std::chrono::milliseconds(std::max(dwWaitTime, kMinWaitMs));
    sdk.settings.connect.tries = std::max<uint32_t>(dwTryTimes, 1);
    return Succeed();
}

NETCAM_API int NET_DVR_SetReconnect(uint32_t dwInterval, int32_t bEnableRecon)
{
    auto& sdk = Sdk::instance();
    std::lock_guard<std::mutex> lock(sdk.mutex);
    if (!sdk.initialised) {
        return Fail(NET_DVR_NOINIT);
    }
    sdk.settings.reconnectInterval =
        std::chrono::milliseconds(std::max(dwInterval, kMinReconnectMs));
    sdk.settings.reconnect = bEnableRecon != 0;
    return Succeed();
}

NETCAM_API int NET_DVR_SetExceptionCallBack_V30(uint32_t, void*,
                                                EXCEPTIONCALLBACK fExceptionCallBack, void* pUser)
{
    auto& sdk = Sdk::instance();
    std::lock_guard<std::mutex> lock(sdk.mutex);
    sdk.exceptionCallback = fExceptionCallBack;
    sdk.exceptionUser = pUser;
    return Succeed();
}

NETCAM_API int32_t NET_DVR_Login_V40(NET_DVR_USER_LOGIN_INFO* pLoginInfo,
                                     NET_DVR_DEVICEINFO_V40* lpDeviceInfo)
{
    if (pLoginInfo == nullptr) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    const auto field = [](const char* text, size_t size) {
        return std::string(text, strnlen(text, size));
    };
    const auto spec = ResolveAddress(
        field(pLoginInfo->sDeviceAddress, sizeof pLoginInfo->sDeviceAddress), pLoginInfo->wPort,
        field(pLoginInfo->sUserName, sizeof pLoginInfo->sUserName),
        field(pLoginInfo->sPassword, sizeof pLoginInfo->sPassword));
    auto& sdk = Sdk::instance();
    std::unique_lock<std::mutex> lock(sdk.mutex);
    if (!sdk.initialised) {
        return FailId(NET_DVR_NOINIT);
    }
    if (!spec) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    const auto settings = sdk.settings.connect;
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    sdk.pendingLogins.insert(stop);
    lock.unlock();

    auto opened = OpenSource(*spec, settings, stop);

    lock.lock();
    sdk.pendingLogins.erase(stop);
    // Cleaned up meanwhile: whatever the open found, the login is void.
    const bool cleanedUp = !sdk.initialised || stop->load();
    if (cleanedUp || !opened.source) {
        lock.unlock(); // an open source is closed outside the lock
        return FailId(cleanedUp ? NET_DVR_NOINIT : opened.error);
    }
    if (lpDeviceInfo != nullptr) {
        *lpDeviceInfo = NET_DVR_DEVICEINFO_V40{};
        auto& device = lpDeviceInfo->struDeviceV30;
        CopyField(reinterpret_cast<char*>(device.sSerialNumber), sizeof device.sSerialNumber,
                  kSerialNumber);
        device.byChanNum = 1;
        device.byStartChan = 1;
    }
    const int32_t id = sdk.nextLogin++;
    sdk.logins[id] = LoginEntry{*spec, std::move(opened.source)};
    Succeed();
    return id;
}

NETCAM_API int NET_DVR_Logout(int32_t lUserID)
{
    auto& sdk = Sdk::instance();
    std::unique_lock<std::mutex> lock(sdk.mutex);
    const auto login = sdk.logins.find(lUserID);
    if (login == sdk.logins.end()) {
        return Fail(sdk.initialised ? NET_DVR_USERNOTEXIST : NET_DVR_NOINIT);
    }
    auto entry = std::move(login->second);
    sdk.logins.erase(login);
    auto plays = sdk.takePlays(lUserID);
    lock.unlock();
    plays.clear();
    return Succeed();
}

NETCAM_API int32_t NET_DVR_RealPlay_V40(int32_t lUserID, NET_DVR_PREVIEWINFO* lpPreviewInfo,
                                        REALDATACALLBACK fRealDataCallBack_V30, void* pUser)
{
    if (lpPreviewInfo == nullptr) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    return Sdk::instance().startPlay(lUserID, lpPreviewInfo->lChannel, lpPreviewInfo->dwStreamType,
                                     fRealDataCallBack_V30, pUser, lpPreviewInfo->hPlayWnd);
}

NETCAM_API int32_t NET_DVR_RealPlay(int32_t lUserID, NET_DVR_CLIENTINFO* lpClientInfo)
{
    if (lpClientInfo == nullptr) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    constexpr uint32_t kMainStream = 0;
    return Sdk::instance().startPlay(lUserID, lpClientInfo->lChannel, kMainStream, nullptr, nullptr,
                                     lpClientInfo->hPlayWnd);
}

NETCAM_API int NET_DVR_StopRealPlay(int32_t lRealHandle)
{
    auto& sdk = Sdk::instance();
    std::unique_lock<std::mutex> lock(sdk.mutex);
    const auto play = sdk.plays.find(lRealHandle);
    if (play == sdk.plays.end()) {
        return Fail(sdk.initialised ? NET_DVR_PARAMETER_ERROR : NET_DVR_NOINIT);
    }
    if (play->second->isOwnThread()) {
        return Fail(NET_DVR_PARAMETER_ERROR);
    }
    auto taken = std::move(play->second);
    sdk.plays.erase(play);
    lock.unlock();
    taken.reset();
    return Succeed();
}

NETCAM_API uint32_t NET_DVR_GetLastError()
{
    return t_lastError;
}

NETCAM_API const char* NET_DVR_GetErrorMsg(int32_t* pErrorNo)
{
    if (pErrorNo != nullptr) {
        *pErrorNo = static_cast<int32_t>(t_lastError);
    }
    return ErrorText(t_lastError);
}
