// A link system for tests without a crawler: it records each call as
// "<Operation>[ <value>...]", the way crawler-sim prints the commands it
// receives, and has switches for what a real link does wrong: a crawler that
// refuses the connection, a connect that stalls, and a drop reported from a
// thread of the link's own, as a link library reports it.
#pragma once

#include "ISocketSystemHead.h"

#include <QStringList>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

class FakeLink final : public ISocketSystemHead {
public:
    // Who the link reports to; set before the first report.
    ISocketSystemHeadMsg* msg = nullptr;
    // IsConnected answers 0 while set.
    std::atomic<bool> refuse{false};
    // Connect takes this long before it returns.
    std::atomic<int> connectStallMs{0};

    // A list of its own: one that shared the recorded list's storage would
    // be read here while a link thread appends to it.
    QStringList calls() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return QStringList(m_calls.begin(), m_calls.end());
    }
    void clearCalls()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.clear();
    }
    // The thread each call came on, in the order of calls().
    std::vector<std::thread::id> callThreads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

    // The link reports its state from a thread of its own, as a library's
    // receive thread does; returns that thread's id once the report is done.
    std::thread::id report(const char* state)
    {
        std::thread::id reporter;
        std::thread callback([this, state, &reporter] {
            reporter = std::this_thread::get_id();
            msg->OnLinkState(state);
        });
        callback.join();
        return reporter;
    }
    std::thread::id drop() { return report("0"); }

    int GetProtocolVersion() override { return record("GetProtocolVersion"); }
    int Connect(const char* address, int port) override
    {
        record(QStringLiteral("Connect %1 %2").arg(QString::fromUtf8(address)).arg(port));
        std::this_thread::sleep_for(std::chrono::milliseconds(connectStallMs.load()));
        return refuse ? -1 : 0;
    }
    int Disconnect() override { return record("Disconnect"); }
    int Start() override { return record("Start"); }
    int IsConnected() override
    {
        record("IsConnected");
        return refuse ? 0 : 1;
    }
    int GetRxFrameCount() override { return record("GetRxFrameCount"); }
    int GetRxErrorCount() override { return record("GetRxErrorCount"); }
    int ResetControl() override { return record("ResetControl"); }
    int SetKeySafe(uint8_t value) override { return record("SetKeySafe", value); }
    int SetCarDirect(uint8_t value) override { return record("SetCarDirect", value); }
    int SetCarPwm0(uint16_t value) override { return record("SetCarPwm0", value); }
    int SetCarPwm1(uint16_t value) override { return record("SetCarPwm1", value); }
    int SetCarPwm(uint16_t first, uint16_t second) override
    {
        return record(QStringLiteral("SetCarPwm %1 %2").arg(first).arg(second));
    }
    int SetArmPwm(uint16_t value) override { return record("SetArmPwm", value); }
    int SetBackLed(uint8_t value) override { return record("SetBackLed", value); }
    int SetPhoPwm1(uint16_t value) override { return record("SetPhoPwm1", value); }
    int SetPhoPwm0(uint16_t value) override { return record("SetPhoPwm0", value); }
    int SetPhoCenter(int value) override { return record("SetPhoCenter", value); }
    int SetPhoBorS(uint8_t value) override { return record("SetPhoBorS", value); }
    int SetPhoForN(uint8_t value) override { return record("SetPhoForN", value); }
    int SetPhoReset(uint8_t value) override { return record("SetPhoReset", value); }
    int SetLampPwm(uint16_t value) override { return record("SetLampPwm", value); }
    int SetPhoDisHum(uint8_t value) override { return record("SetPhoDisHum", value); }
    int SetAutoWir(uint8_t value) override { return record("SetAutoWir", value); }
    int SetDisMeasure(uint8_t value) override { return record("SetDisMeasure", value); }

private:
    int record(const QString& call)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls << call;
        m_threads.push_back(std::this_thread::get_id());
        return 0;
    }
    int record(const char* operation) { return record(QString::fromLatin1(operation)); }
    int record(const char* operation, long long value)
    {
        return record(QStringLiteral("%1 %2").arg(QString::fromLatin1(operation)).arg(value));
    }

    mutable std::mutex m_mutex;
    QStringList m_calls;
    std::vector<std::thread::id> m_threads;
};
