// The player side of the SDK: a fixed table of ports, each a Player.
#include <array>
#include <memory>
#include <mutex>

#include "Player.h"
#include "netcam.h"

namespace {

using netcam::Player;

constexpr int32_t kPortCount = 64;

thread_local uint32_t t_portError = PLAYM4_NOERROR;

class PortTable {
public:
    // Never destroyed, like the SDK state: ports may be freed at process exit.
    static PortTable& instance()
    {
        static PortTable* table = new PortTable;
        return *table;
    }

    bool acquire(int32_t& port)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int32_t i = 0; i < kPortCount; ++i) {
            if (!m_players[static_cast<size_t>(i)]) {
                m_players[static_cast<size_t>(i)] = std::make_shared<Player>(i);
                port = i;
                return true;
            }
        }
        return false;
    }

    std::shared_ptr<Player> find(int32_t port)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (port < 0 || port >= kPortCount) {
            return nullptr;
        }
        return m_players[static_cast<size_t>(port)];
    }

    std::shared_ptr<Player> release(int32_t port)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (port < 0 || port >= kPortCount) {
            return nullptr;
        }
        return std::move(m_players[static_cast<size_t>(port)]);
    }

private:
    std::mutex m_mutex;
    std::array<std::shared_ptr<Player>, kPortCount> m_players;
};

// Runs call on the player of port; a missing port fails with a parameter error.
template <typename Call> int OnPort(int32_t port, Call call)
{
    const auto player = PortTable::instance().find(port);
    if (!player) {
        t_portError = PLAYM4_PARA_OVER;
        return 0;
    }
    return call(*player) ? 1 : 0;
}

} // namespace

NETCAM_API int PlayM4_GetPort(int32_t* nPort)
{
    if (nPort == nullptr || !PortTable::instance().acquire(*nPort)) {
        t_portError = PLAYM4_ALLOC_MEMORY_ERROR;
        return 0;
    }
    return 1;
}

NETCAM_API int PlayM4_SetStreamOpenMode(int32_t nPort, uint32_t nMode)
{
    return OnPort(nPort, [nMode](Player&) { return nMode == STREAME_REALTIME; });
}

NETCAM_API int PlayM4_OpenStream(int32_t nPort, uint8_t* pFileHeadBuf, uint32_t nSize,
                                 uint32_t nBufPoolSize)
{
    return OnPort(nPort, [&](Player& player) {
        return player.openStream(pFileHeadBuf, nSize, nBufPoolSize);
    });
}

NETCAM_API int PlayM4_Play(int32_t nPort, void* hWnd)
{
    return OnPort(nPort,
                  [hWnd](Player& player) { return player.play(static_cast<IVideoWindow*>(hWnd)); });
}

NETCAM_API int PlayM4_SetDecCallBack(int32_t nPort, DECCBFUN DecCBFun)
{
    return OnPort(nPort, [DecCBFun](Player& player) { return player.setDecodeCallback(DecCBFun); });
}

NETCAM_API int PlayM4_InputData(int32_t nPort, uint8_t* pBuf, uint32_t nSize)
{
    return OnPort(nPort, [&](Player& player) { return player.input(pBuf, nSize); });
}

NETCAM_API uint32_t PlayM4_GetLastError(int32_t nPort)
{
    const auto player = PortTable::instance().find(nPort);
    return player ? player->lastError() : t_portError;
}

NETCAM_API int PlayM4_Stop(int32_t nPort)
{
    return OnPort(nPort, [](Player& player) { return player.stop(); });
}

NETCAM_API int PlayM4_CloseStream(int32_t nPort)
{
    return OnPort(nPort, [](Player& player) { return player.closeStream(); });
}

NETCAM_API int PlayM4_FreePort(int32_t nPort)
{
    auto player = PortTable::instance().release(nPort);
    if (!player) {
        t_portError = PLAYM4_PARA_OVER;
        return 0;
    }
    player.reset(); // stops its decode thread unless a call still holds it
    return 1;
}
