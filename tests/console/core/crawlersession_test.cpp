// The crawler session's life without a window or a crawler: a fake link with
// drop and stall switches, fake cameras, and this thread as the GUI thread.
#include "cameraside.h"
#include "crawlersession.h"
#include "fakelink.h"

#include <QStringList>

#include "eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using State = CrawlerSession::State;

using testwait::eventually;

// Cameras that log in at their first attempt and note what happens to them.
class FakeCameras : public CameraSide {
public:
    void loginMissing() override { m_bLoggedIn = true; }
    bool allLoggedIn() const override { return m_bLoggedIn; }
    int32_t userId(int camera) const override { return m_bLoggedIn ? camera : -1; }
    void tearDown() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bLoggedIn = false;
        m_tearDownThreads.push_back(std::this_thread::get_id());
    }
    void shutDown() override
    {
        gateClosedAtShutDown = gate->isClosed();
        ++shutDowns;
    }

    std::vector<std::thread::id> tearDownThreads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_tearDownThreads;
    }

    const CallbackGate* gate = nullptr;
    std::atomic<bool> gateClosedAtShutDown{false};
    std::atomic<int> shutDowns{0};

private:
    std::atomic<bool> m_bLoggedIn{false};
    mutable std::mutex m_mutex;
    std::vector<std::thread::id> m_tearDownThreads;
};

// The link library's view of the session: the console forwards to it.
class Forward : public ISocketSystemHeadMsg {
public:
    CrawlerSession* session = nullptr;
    int OnLinkState(const char* state) override { return session->OnLinkState(state); }
    int OnStatusData(const LinkStatusRecord*) override { return 0; }
    int OnControlData(const LinkControlRecord*) override { return 0; }
};

class CrawlerSessionTest : public ::testing::Test {
protected:
    CrawlerSessionTest()
    {
        link.msg = &forward;
        CrawlerSession::Hooks hooks;
        hooks.linkAddress = [this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            return address;
        };
        hooks.onGuiThread = [this](std::function<void()> task) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_gui.push_back(std::move(task));
        };
        hooks.linkOpened = [this] { events << "opened"; };
        hooks.leavingLink = [this] { events << "leaving with " + link.calls().join(','); };
        session = std::make_unique<CrawlerSession>(link, cameras, gate, std::move(hooks));
        forward.session = session.get();
        cameras.gate = &gate;
    }
    // The session's thread hands tasks to m_gui: it ends before m_gui goes.
    ~CrawlerSessionTest() override { session.reset(); }

    // Runs what the session handed to the GUI thread.
    void runGuiTasks()
    {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            tasks.swap(m_gui);
        }
        for (auto& task : tasks)
            task();
    }
    bool running()
    {
        return eventually([&] { return session->state() == State::Running; });
    }
    int count(const QString& call) const { return link.calls().count(call); }

    FakeLink link;
    Forward forward;
    FakeCameras cameras;
    CallbackGate gate;
    CrawlerSession::LinkAddress address{"127.0.0.1", 20108};
    QStringList events;
    std::unique_ptr<CrawlerSession> session;

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_gui;
};

TEST_F(CrawlerSessionTest, OpensTheLinkResetsOnTheGuiThreadAndEndsItsThreadOnceAllIsUp)
{
    EXPECT_EQ(session->state(), State::Idle);
    session->start();
    ASSERT_TRUE(running());
    EXPECT_EQ(link.calls(), (QStringList{"Connect 127.0.0.1 20108", "IsConnected", "Start"}));
    EXPECT_TRUE(session->linkConnected());
    // The reset waits for the GUI thread, where the operator's commands run.
    EXPECT_TRUE(events.isEmpty());
    runGuiTasks();
    EXPECT_EQ(events, QStringList{"opened"});
}

TEST_F(CrawlerSessionTest, ARefusingCrawlerIsTriedOnceASecond)
{
    link.refuse = true;
    session->start();
    ASSERT_TRUE(eventually([&] { return count("Connect 127.0.0.1 20108") >= 2; }));
    EXPECT_EQ(session->state(), State::Starting);
    EXPECT_EQ(count("Start"), 0);
    link.refuse = false;
    ASSERT_TRUE(running());
    EXPECT_EQ(count("Start"), 1);
}

TEST_F(CrawlerSessionTest, ADropIsTornDownOnTheStartupThreadNeverOnTheLinks)
{
    session->start();
    ASSERT_TRUE(running());
    link.clearCalls();
    const std::thread::id reporter = link.drop();
    ASSERT_TRUE(eventually([&] { return count("Start") == 1; }));
    ASSERT_TRUE(running());
    EXPECT_EQ(link.calls(),
              (QStringList{"Disconnect", "Connect 127.0.0.1 20108", "IsConnected", "Start"}));
    const auto teardowns = cameras.tearDownThreads();
    ASSERT_EQ(teardowns.size(), 1u);
    EXPECT_NE(teardowns[0], reporter);
    EXPECT_EQ(teardowns[0], link.callThreads().front()) << "the disconnect's thread";
    runGuiTasks();
    EXPECT_EQ(events, (QStringList{"opened", "opened"}));
}

TEST_F(CrawlerSessionTest, ANewAddressResetsTheOldCrawlerBeforeLeavingIt)
{
    session->start();
    ASSERT_TRUE(running());
    runGuiTasks();
    link.clearCalls();
    address = {"127.0.0.1", 20109};
    session->reopenLink();
    ASSERT_TRUE(eventually([&] { return count("Start") == 1; }));
    // The reset goes out on the old link before anything closes it.
    EXPECT_EQ(events, (QStringList{"opened", "leaving with "}));
    EXPECT_EQ(link.calls(),
              (QStringList{"Disconnect", "Connect 127.0.0.1 20109", "IsConnected", "Start"}));
    EXPECT_TRUE(cameras.tearDownThreads().empty()) << "the cameras play on";
}

TEST_F(CrawlerSessionTest, ShutDownClosesCallbacksFirstThenCamerasThenTheLink)
{
    session->start();
    ASSERT_TRUE(running());
    link.clearCalls();
    session->shutDown();
    EXPECT_EQ(session->state(), State::Closed);
    EXPECT_TRUE(cameras.gateClosedAtShutDown);
    EXPECT_EQ(link.calls(), QStringList{"Disconnect"});
    // A report after the close reaches nothing: no teardown, no new pass.
    link.drop();
    link.report("1");
    EXPECT_FALSE(session->linkConnected());
    EXPECT_TRUE(cameras.tearDownThreads().empty());
    session->shutDown();
    EXPECT_EQ(cameras.shutDowns, 1);
    EXPECT_EQ(link.calls(), QStringList{"Disconnect"});
}

TEST_F(CrawlerSessionTest, ShutDownDuringAStalledConnectWaitsOnlyForThatAttempt)
{
    link.connectStallMs = 400;
    link.refuse = true;
    session->start();
    ASSERT_TRUE(eventually([&] { return count("Connect 127.0.0.1 20108") == 1; }));
    const auto before = std::chrono::steady_clock::now();
    session->shutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - before, CrawlerSession::kRetryInterval);
    EXPECT_EQ(session->state(), State::Closed);
    EXPECT_EQ(count("Connect 127.0.0.1 20108"), 1);
    EXPECT_EQ(count("Start"), 0);
}

} // namespace
