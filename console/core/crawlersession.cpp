#include "crawlersession.h"

#include "cameraside.h"
#include "consolelog.h"
#include "threadcheck.h"

#include <arpa/inet.h>

#include <cerrno>
#include <utility>

namespace {

constexpr int kMainCamera = 0;
constexpr int kBackCamera = 1;
constexpr int kMaxPort = 65535;

// What a failed Connect left in errno.
CrawlerSession::LinkProblem problemFor(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return CrawlerSession::LinkProblem::Refused;
    case ETIMEDOUT:
        return CrawlerSession::LinkProblem::TimedOut;
    case EINVAL:
        return CrawlerSession::LinkProblem::InvalidAddress;
    default:
        return CrawlerSession::LinkProblem::Failed;
    }
}

} // namespace

CrawlerSession::CrawlerSession(ISocketSystemHead& link, CameraSide& cameras,
                               CallbackGate& callbacks, Hooks hooks)
    : m_link(link), m_cameras(cameras), m_hooks(std::move(hooks)), m_callbacks(callbacks),
      m_linkState([this] { linkDropped(); }), m_startup([this] { startupPasses(); })
{
}

CrawlerSession::~CrawlerSession()
{
    shutDown();
}

void CrawlerSession::start()
{
    MORAVEL_ASSERT_GUI_THREAD();
    setState(State::Starting);
    m_startup.start();
}

void CrawlerSession::reopenLink()
{
    MORAVEL_ASSERT_GUI_THREAD();
    if (m_callbacks.isClosed())
        return;
    // Whatever the reason, a crawler is never left with a command running.
    m_hooks.leavingLink();
    m_bReopenLink = true;
    setState(State::Starting);
    // Not after the pass's second of sleep: at once.
    m_startup.start(StartupThread::Serve::AtOnce);
}

void CrawlerSession::loginSoon()
{
    MORAVEL_ASSERT_GUI_THREAD();
    setState(State::Starting);
    m_startup.start(StartupThread::Serve::AtOnce);
}

void CrawlerSession::shutDown()
{
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (m_state == State::Closing || m_state == State::Closed)
            return;
        m_state = State::Closing;
    }
    // Callbacks first: none touches the console after this, and none is
    // left running when the cameras and the link go below.
    m_callbacks.close();
    // A pass under way may be logging in or connecting: it ends first.
    m_startup.stop();
    m_cameras.shutDown();
    // Not a drop: the report of this closing tears nothing down.
    m_linkState.clear();
    m_link.Disconnect();
    std::lock_guard<std::mutex> lock(m_stateMutex);
    m_state = State::Closed;
}

int CrawlerSession::OnLinkState(const char* state)
{
    MORAVEL_ASSERT_NOT_GUI_THREAD();
    const CallbackGate::Scope scope(m_callbacks);
    if (!scope)
        return 0;
    return m_linkState.OnLinkState(state);
}

CrawlerSession::State CrawlerSession::state() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_state;
}

void CrawlerSession::setState(State state)
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (m_state != State::Closing && m_state != State::Closed)
        m_state = state;
}

bool CrawlerSession::allUp() const
{
    return m_linkState.isConnected() && m_cameras.allLoggedIn() && !m_bReopenLink.load() &&
           !m_bTearDownPending.load();
}

void CrawlerSession::startupPasses()
{
    MORAVEL_ASSERT_NOT_GUI_THREAD();
    setState(State::Starting);
    for (;;) {
        if (m_startup.stopRequested())
            break;
        if (m_bTearDownPending.exchange(false))
            tearDownAfterDrop();
        if (m_bReopenLink.exchange(false))
            closeLinkForNewAddress();
        if (allUp())
            break;
        m_cameras.loginMissing();
        if (!m_linkState.isConnected())
            openLink();
        MORAVEL_LOG(L"[Moravel] startInitThread m_userID_0 [%d] m_userID_1 [%d] bCom [%d]",
                    m_cameras.userId(kMainCamera), m_cameras.userId(kBackCamera),
                    static_cast<int>(m_linkState.isConnected()));
        if (!m_startup.sleepFor(kRetryInterval))
            break;
    }
    // A drop or a new request meanwhile has already asked for another run.
    if (allUp())
        setState(State::Running);
    MORAVEL_LOG(L"[Moravel] startInitThread end");
}

void CrawlerSession::openLink()
{
    const int dropsBefore = m_linkState.drops();
    const LinkAddress address = m_hooks.linkAddress();
    in_addr ipv4{};
    if (::inet_pton(AF_INET, address.host.c_str(), &ipv4) != 1 || address.port < 1 ||
        address.port > kMaxPort) {
        m_linkProblem = LinkProblem::InvalidAddress;
        return;
    }
    errno = 0;
    m_link.Connect(address.host.c_str(), address.port);
    const int connectError = errno;
    if (!m_link.IsConnected()) {
        m_linkProblem = problemFor(connectError);
        return;
    }
    m_linkProblem = LinkProblem::None;
    m_link.Start();
    // The reset and what follows it run on the GUI thread with the other
    // commands, so no operator command can slip in between them.
    m_hooks.onGuiThread(m_hooks.linkOpened);
    // A drop reported meanwhile wins: the next pass opens the link again.
    m_linkState.confirmOpened(dropsBefore);
}

void CrawlerSession::closeLinkForNewAddress()
{
    MORAVEL_LOG(L"[Moravel] link address changed, reopening");
    // Not a drop: the cameras keep running.
    closeLink();
}

void CrawlerSession::tearDownAfterDrop()
{
    m_cameras.tearDown();
    // A pass may have opened a new link between the drop and now: it is
    // closed as well, and counts as closed, so this pass opens it again.
    closeLink();
}

void CrawlerSession::closeLink()
{
    // Cleared again once the link's callbacks are over, so a late report of
    // its opening cannot make it count as open.
    m_linkState.clear();
    m_link.Disconnect();
    m_linkState.clear();
}

void CrawlerSession::linkDropped()
{
    // On the link's callback thread, which must not wait for the cameras or
    // join its own link: the start-up thread does both. At once when it has
    // ended; a running one keeps its rhythm, so a crawler that accepts and
    // drops at once is still tried only once a second.
    m_bTearDownPending = true;
    m_linkProblem = LinkProblem::Dropped;
    setState(State::Starting);
    m_startup.start();
}
