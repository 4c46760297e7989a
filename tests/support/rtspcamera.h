// A real network camera for tests and benchmarks: GStreamer's RTSP server
// (rtsp_camera.py beside this file) on 127.0.0.1, run as a child process.
// Kill it for an outage, freeze it for a stalled network, restart it on the
// same port, change its frame rate or picture size while it runs.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

class RtspCamera {
public:
    struct Options {
        std::string codec = "h264"; // or "h265"
        std::string fps = "25";     // "12.5" works too
        int gop = 25;               // frames from one key frame to the next
        int width = 320;
        int height = 240;
        std::string user;     // digest authentication when not empty
        std::string password; // may hold any character
        std::string mount = "/Streaming/Channels/101";
        double late = 0;       // seconds of each stream nobody gets: it starts between key frames
        bool silent = false;   // answers and plays, but sends no video
        bool udpOnly = false;  // refuses RTSP over TCP: video over UDP only
        bool timecode = false; // pictures carry the wall-clock milliseconds (rtsp_camera.py)
    };

    static constexpr std::chrono::seconds kStartTimeout{30};
    static constexpr int kPollMs = 20;

    explicit RtspCamera(Options options) : m_options(std::move(options)) {}
    ~RtspCamera() { kill(); }
    RtspCamera(const RtspCamera&) = delete;
    RtspCamera& operator=(const RtspCamera&) = delete;

    // Starts the server (on its former port after a kill) and waits until it
    // listens. False when it does not come up.
    bool start()
    {
        kill();
        // A write to a server that just died must not end the test.
        signal(SIGPIPE, SIG_IGN);
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) {
            return false;
        }
        std::vector<std::string> args = {"/usr/bin/python3",
                                         MORAVEL_RTSP_CAMERA_SCRIPT,
                                         "--port",
                                         std::to_string(m_port),
                                         "--codec",
                                         m_options.codec,
                                         "--fps",
                                         m_options.fps,
                                         "--gop",
                                         std::to_string(m_options.gop),
                                         "--width",
                                         std::to_string(m_options.width),
                                         "--height",
                                         std::to_string(m_options.height),
                                         "--mount",
                                         m_options.mount,
                                         "--user",
                                         m_options.user,
                                         "--password",
                                         m_options.password};
        if (m_options.late > 0) {
            args.insert(args.end(), {"--late", std::to_string(m_options.late)});
        }
        if (m_options.silent) {
            args.emplace_back("--silent");
        }
        if (m_options.udpOnly) {
            args.emplace_back("--udp-only");
        }
        if (m_options.timecode) {
            args.emplace_back("--timecode");
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1]}) {
                close(fd);
            }
            std::vector<char*> argv;
            for (auto& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_input = in[1];
        m_output = out[0];
        fcntl(m_output, F_SETFL, O_NONBLOCK);
        const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            read();
            if (m_listening) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        return false;
    }

    uint16_t port() const { return m_port; }
    // The URL its one stream plays at (without user information).
    std::string url() const
    {
        return "rtsp://127.0.0.1:" + std::to_string(m_port) + m_options.mount;
    }

    // The connections the server took so far: one per login attempt or play.
    int clients()
    {
        read();
        return m_clients;
    }

    // Ends the server at once; its connections drop.
    void kill()
    {
        if (m_pid <= 0) {
            return;
        }
        thaw();
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        read();
        close(m_input);
        close(m_output);
        m_input = -1;
        m_output = -1;
        m_listening = false;
    }

    // Stops the server process: connections stay open and carry nothing.
    void freeze()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGSTOP);
        }
    }
    void thaw()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGCONT);
        }
    }

    // From now on at most fps frames per second.
    void setRate(int fps) { command("rate " + std::to_string(fps)); }
    // From now on pictures of width x height.
    void setSize(int width, int height)
    {
        command("size " + std::to_string(width) + " " + std::to_string(height));
    }

private:
    void command(const std::string& text)
    {
        const std::string line = text + "\n";
        if (m_pid > 0 && write(m_input, line.data(), line.size()) < 0) {
            m_listening = false;
        }
    }

    void read()
    {
        char buffer[256];
        ssize_t n = 0;
        while (m_output >= 0 && (n = ::read(m_output, buffer, sizeof buffer)) > 0) {
            m_pending.append(buffer, static_cast<size_t>(n));
        }
        size_t end = 0;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            const std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (line.rfind("port ", 0) == 0) {
                m_port = static_cast<uint16_t>(std::atoi(line.c_str() + 5));
                m_listening = true;
            } else if (line == "client") {
                ++m_clients;
            }
        }
    }

    Options m_options;
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    uint16_t m_port = 0;
    bool m_listening = false;
    int m_clients = 0;
    std::string m_pending;
};
