// crawler-sim's share of one core with no console connected, and with a
// console connected while it stalls (--stall-after 0).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "FrameSocket.h"
#include "SimProcess.h"

namespace {

constexpr std::chrono::seconds kConnectWait{10};

double sharePercent(const simtest::SimProcess& sim, std::chrono::seconds span)
{
    const double before = sim.cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(span);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (sim.cpuSeconds() - before) / wall * 100.0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::chrono::seconds span(argc > 1 ? std::max(1, std::atoi(argv[1])) : 10);
    simtest::SimProcess sim;
    if (!sim.start({"--stall-after", "0", "-v"})) {
        std::printf("crawler-sim did not start\n");
        return 1;
    }
    const double idle = sharePercent(sim, span);
    const auto console = simtest::FrameSocket::connectTo(sim.port());
    if (!console || sim.waitForLine("client connected", kConnectWait) < 0) {
        std::printf("no connection to crawler-sim\n");
        return 1;
    }
    const double stalled = sharePercent(sim, span);
    std::printf("crawler-sim CPU over %lld s each: idle %.3f %%, stalled with a console "
                "connected %.3f %% of one core\n",
                static_cast<long long>(span.count()), idle, stalled);
    return 0;
}
