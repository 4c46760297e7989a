// The network side of the SDK: initialisation, logins and live plays.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

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

    int32_t startPlay(int32_t loginId, REALDATACALLBACK callback, void* user, void* window)
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
        plays[handle] =
            std::make_unique<LivePlay>(handle, loginId, login->second.spec,
                                       std::move(login->second.openSource), settings, target);
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
    auto& sdk = Sdk::instance();
    std::unique_lock<std::mutex> lock(sdk.mutex);
    if (!sdk.initialised) {
        return FailId(NET_DVR_NOINIT);
    }
    if (pLoginInfo == nullptr) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    const auto settings = sdk.settings.connect;
    lock.unlock();

    const auto field = [](const char* text, size_t size) {
        return std::string(text, strnlen(text, size));
    };
    const auto spec = ResolveAddress(
        field(pLoginInfo->sDeviceAddress, sizeof pLoginInfo->sDeviceAddress), pLoginInfo->wPort,
        field(pLoginInfo->sUserName, sizeof pLoginInfo->sUserName),
        field(pLoginInfo->sPassword, sizeof pLoginInfo->sPassword));
    if (!spec) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    auto opened = OpenSource(*spec, settings, std::make_shared<std::atomic<bool>>(false));
    if (!opened.source) {
        return FailId(opened.error);
    }
    if (lpDeviceInfo != nullptr) {
        *lpDeviceInfo = NET_DVR_DEVICEINFO_V40{};
        auto& device = lpDeviceInfo->struDeviceV30;
        CopyField(reinterpret_cast<char*>(device.sSerialNumber), sizeof device.sSerialNumber,
                  kSerialNumber);
        device.byChanNum = 1;
        device.byStartChan = 1;
    }
    lock.lock();
    if (!sdk.initialised) {
        return FailId(NET_DVR_NOINIT);
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
    return Sdk::instance().startPlay(lUserID, fRealDataCallBack_V30, pUser,
                                     lpPreviewInfo->hPlayWnd);
}

NETCAM_API int32_t NET_DVR_RealPlay(int32_t lUserID, NET_DVR_CLIENTINFO* lpClientInfo)
{
    if (lpClientInfo == nullptr) {
        return FailId(NET_DVR_PARAMETER_ERROR);
    }
    return Sdk::instance().startPlay(lUserID, nullptr, nullptr, lpClientInfo->hPlayWnd);
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
