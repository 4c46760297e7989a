// Simulated 1920 x 1080 camera through the rear-camera library: frames per
// second delivered to the host and CPU used, paced at 25 fps and unthrottled.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "IHikBackSystemHead.h"

namespace {

constexpr double kWarmUpSeconds = 2.0;
constexpr double kDefaultSeconds = 10.0;

class CountingHost : public IHikBackSystemHeadMsg {
public:
    int GetMatImageQueue(std::deque<cv::Mat>) override { return 0; }
    int GetMatImage(cv::Mat frame) override
    {
        if (frame.cols == 1920 && frame.rows == 1080) {
            ++frames;
        }
        return 0;
    }
    std::atomic<long> frames{0};
};

void Sleep(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool Measure(const char* label, const std::string& address, double seconds)
{
    CountingHost host;
    IHikBackSystemHead* camera = CreateIHikBackSystemHead(&host);
    if (camera == nullptr || !camera->Init(3000, 1, 1000, 1)) {
        return false;
    }
    const int32_t id = camera->Login(address, 0, "", "");
    if (id < 0 || camera->RealPlayCallback(id, nullptr, 1, 0, 0) <= 0) {
        DeleteIHikBackSystemHead();
        return false;
    }
    Sleep(kWarmUpSeconds);
    const long frames0 = host.frames.load();
    const double cpu0 = bench::ProcessCpuSeconds();
    const double wall0 = bench::WallSeconds();
    Sleep(seconds);
    const long frames = host.frames.load() - frames0;
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const double wall = bench::WallSeconds() - wall0;
    camera->Cleanup();
    DeleteIHikBackSystemHead();
    std::fprintf(stderr, "%-12s %s: %ld frames in %.2f s = %.1f fps, CPU %.1f%% of one core\n",
                 label, address.c_str(), frames, wall, static_cast<double>(frames) / wall,
                 100.0 * cpu / wall);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : kDefaultSeconds;
    bench::SilenceStdout();
    const bool paced = Measure("paced", "sim:bench?w=1920&h=1080&fps=25", seconds);
    const bool unthrottled = Measure("unthrottled", "sim:bench?w=1920&h=1080&fps=0", seconds);
    return paced && unthrottled ? 0 : 1;
}
