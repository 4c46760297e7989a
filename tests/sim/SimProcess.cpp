#include "SimProcess.h"

#include "childprocess.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace simtest {
namespace {

constexpr std::chrono::seconds kStartTimeout{20};
constexpr char kAnnouncement[] = "crawler-sim listening on 127.0.0.1:";

} // namespace

std::string crawlerSimPath()
{
    return CRAWLER_SIM_PATH;
}

double SimProcess::cpuSeconds() const
{
    return childprocess::cpuSeconds(pid_);
}

void SimProcess::pause()
{
    ::kill(pid_, SIGSTOP);
}

void SimProcess::resume()
{
    ::kill(pid_, SIGCONT);
}

SimProcess::~SimProcess()
{
    kill();
}

bool SimProcess::start(const std::vector<std::string>& options, int port)
{
    std::vector<std::string> args = {crawlerSimPath(), "--host", "127.0.0.1", "--port",
                                     std::to_string(port)};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        pid_ = -1;
        ::close(pipeFds[0]);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
        eof_ = false;
    }
    reader_ = std::thread(&SimProcess::readOutput, this, pipeFds[0]);

    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, kStartTimeout, [this] { return !lines_.empty() || eof_; });
    if (lines_.empty() || lines_.front().rfind(kAnnouncement, 0) != 0) {
        return false;
    }
    port_ = std::stoi(lines_.front().substr(sizeof(kAnnouncement) - 1));
    return port_ > 0;
}

void SimProcess::readOutput(int fd)
{
    std::string pending;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(pending.substr(0, newline));
            pending.erase(0, newline + 1);
            changed_.notify_all();
        }
    }
    ::close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    eof_ = true;
    changed_.notify_all();
}

int SimProcess::waitForLine(const std::string& text, std::chrono::milliseconds timeout, size_t from)
{
    int found = -1;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] {
        for (size_t i = from; i < lines_.size(); ++i) {
            if (lines_[i] == text) {
                found = static_cast<int>(i);
                return true;
            }
        }
        return eof_;
    });
    return found;
}

bool SimProcess::waitForPrefixCount(const std::string& prefix, size_t count,
                                    std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        size_t seen = 0;
        for (const std::string& line : lines_) {
            seen += line.rfind(prefix, 0) == 0 ? 1 : 0;
        }
        return seen >= count;
    });
}

std::vector<std::string> SimProcess::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::vector<std::string> SimProcess::linesStartingWith(const std::string& prefix) const
{
    std::vector<std::string> matching;
    for (const std::string& line : lines()) {
        if (line.rfind(prefix, 0) == 0) {
            matching.push_back(line);
        }
    }
    return matching;
}

void SimProcess::reap()
{
    if (reader_.joinable()) {
        reader_.join();
    }
}

int SimProcess::stop()
{
    if (pid_ < 0) {
        return -1;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    reap();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SimProcess::signal(int signalNumber) const
{
    if (pid_ >= 0) {
        ::kill(pid_, signalNumber);
    }
}

void SimProcess::kill()
{
    if (pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    reap();
}

} // namespace simtest
