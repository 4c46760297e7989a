#include "cameralogins.h"

#include "consolelog.h"
#include "inisettings.h"

#include <limits>
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
// The picture a view shows while its camera is not logged in.
constexpr int kNoVideoSide = 400;

cv::Mat blackSquare()
{
    return cv::Mat(kNoVideoSide, kNoVideoSide, CV_8UC3, cv::Scalar::all(0));
}

uint16_t portFrom(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    if (!ok || port < 0 || port > std::numeric_limits<uint16_t>::max())
        return 0;
    return static_cast<uint16_t>(port);
}

} // namespace

CameraLogin cameraLoginFromIni(int camera)
{
    const QString section =
        camera == CameraLogins::kMain ? QStringLiteral("/lognone/") : QStringLiteral("/logntwo/");
    CameraLogin login;
    login.address = GetQStringFromIni(section + "ip").toStdString();
    login.port = portFrom(GetQStringFromIni(section + "port"));
    login.user = GetQStringFromIni(section + "name").toStdString();
    login.password = GetQStringFromIni(section + "password").toStdString();
    return login;
}

CameraLogins::CameraLogins(IHikSystemHead* system, Release release, LoginSource source,
                           IVideoWindow* mainView, IVideoWindow* backView, cv::Mat placeholder)
    : m_pSystem(system), m_release(std::move(release)), m_source(std::move(source)),
      m_pMainView(mainView), m_pBackView(backView), m_placeholder(std::move(placeholder))
{
}

CameraLogins::~CameraLogins()
{
    shutDown();
}

void CameraLogins::showNoVideo()
{
    m_pBackView->ShowFrame(blackSquare());
    m_pMainView->ShowFrame(blackSquare());
    showLoginFailed(kMain);
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

bool CameraLogins::allLoggedIn() const
{
    return m_userID_0.load() >= 0 && m_userID_1.load() >= 0;
}

void CameraLogins::loginMissing()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pSystem == nullptr)
            return;
        if (m_bNeedInit) {
            m_pSystem->Init(kConnectWaitMs, kConnectTries, kReconnectIntervalMs, kReconnectEnabled);
            m_bNeedInit = false;
        }
    }
    for (int camera : {kMain, kBack})
        if (userId(camera) < 0)
            login(camera);
}

void CameraLogins::login(int camera)
{
    uint64_t teardowns = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        teardowns = m_iTeardowns;
    }
    CameraLogin params = m_source(camera);
    // Unlocked: a login may take the whole connect wait, and the GUI thread's
    // swap must not wait for it.
    const int32_t id =
        m_pSystem->Login(params.address, params.port, params.user, std::move(params.password));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Torn down meanwhile: the library was cleaned up under this login,
        // so the next pass logs in afresh.
        if (m_pSystem == nullptr || teardowns != m_iTeardowns)
            return;
        userIdRef(camera) = id;
        if (id >= 0) {
            play(camera);
            return;
        }
    }
    showLoginFailed(camera);
}

void CameraLogins::showLoginFailed(int camera)
{
    if (camera == kBack || m_placeholder.empty())
        (camera == kMain ? m_pMainView : m_pBackView)->ShowFrame(blackSquare());
    else
        m_pMainView->ShowFrame(m_placeholder);
}

void CameraLogins::play(int camera)
{
    const int32_t id = userId(camera);
    int32_t& handle = m_userHandle[static_cast<size_t>(camera)];
    const bool processed = (camera == kBack) == m_bSwap.load();
    if (processed)
        handle = m_pSystem->RealPlayCallback(id, nullptr, kChannel, kLinkMode, kStreamType);
    else
        handle = m_pSystem->RealPlayWindow(id, kLinkMode, kChannel, ToWindowHandle(m_pBackView));
}

void CameraLogins::stopPlays()
{
    m_pSystem->StopPlay(&m_userHandle[kMain]);
    m_pSystem->StopPlay(&m_userHandle[kBack]);
}

void CameraLogins::GetChangeMainOrBackCame(bool bCheck)
{
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

void CameraLogins::tearDown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_userID_0 = -1;
    m_userID_1 = -1;
    ++m_iTeardowns;
    if (m_pSystem == nullptr)
        return;
    stopPlays();
    m_pSystem->Cleanup();
    m_bNeedInit = true;
}

void CameraLogins::shutDown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSystem == nullptr)
        return;
    stopPlays();
    m_pSystem->Cleanup();
    m_release();
    m_pSystem = nullptr;
    m_userID_0 = -1;
    m_userID_1 = -1;
}
