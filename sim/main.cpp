// crawler-sim: a stand-in crawler for the console and its tests.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "SimServer.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onStopSignal(int)
{
    g_stop = 1;
}

void installSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: poll must return so the loop sees the flag.
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    crawlersim::SimOptions options;
    std::string error;
    if (!crawlersim::parseOptions(std::vector<std::string>(argv + 1, argv + argc), options,
                                  error)) {
        std::fprintf(stderr, "crawler-sim: %s\n%s", error.c_str(), crawlersim::usageText());
        return 2;
    }
    installSignals();
    crawlersim::SimServer server(options, stdout);
    if (!server.listen()) {
        std::fprintf(stderr, "crawler-sim: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }
    server.run(g_stop);
    return 0;
}
