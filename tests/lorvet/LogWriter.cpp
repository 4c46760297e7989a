// Usage: lorvet_writer <log path | -> <threads> <lines per thread> <payload chars>
// Writes "writer T line N <payload>" lines with the console's settings and
// returns from main without flushing. "-" skips init.
#include "Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr int kQueueSize = 8192;
constexpr int kMaxFileBytes = 2000000;
constexpr int kMaxFiles = 10;
constexpr int kArgCount = 5;
} // namespace

int main(int argc, char** argv)
{
    if (argc != kArgCount) {
        std::fprintf(stderr, "usage: %s <path|-> <threads> <lines> <payload chars>\n", argv[0]);
        return EXIT_FAILURE;
    }
    if (std::strcmp(argv[1], "-") != 0 &&
        !Log::get_instance()->init(argv[1], kQueueSize, kMaxFileBytes, kMaxFiles)) {
        return EXIT_FAILURE;
    }
    const int threads = std::atoi(argv[2]);
    const int lines = std::atoi(argv[3]);
    const std::wstring payload(static_cast<std::size_t>(std::atoi(argv[4])), L'管');

    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t, lines, &payload] {
            for (int n = 0; n < lines; ++n) {
                Log::get_instance()->write_log(1, L"LogWriter.cpp", __LINE__,
                                               L"writer %d line %d %s", t, n, payload.c_str());
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    return EXIT_SUCCESS;
}
