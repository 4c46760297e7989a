// The camera object logic shared by the rear-camera and the main-camera
// libraries: SDK set-up, logins, live plays, the chain stream callback ->
// player -> decode callback -> YV12 to BGR -> host (or, for a host that takes
// planes, player -> the decoder's planes as they are -> host), and recording.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "IVideoWindow.h"
#include "Mp4Recorder.h"
#include "netcam.h"

class CameraCore {
public:
    using FrameSink = std::function<int(cv::Mat)>;
    // A host that takes the decoder's pictures as they are (null: BGR frames).
    using PlanesSink = std::function<int(const VideoPlanes&)>;
    enum class FailedLogin {
        ReleaseSdk, // the next login needs a new Init
        KeepSdk     // the login can simply be tried again
    };

    // One core per library and process: the SDK callbacks carry no user
    // pointer and reach the core through a process-wide pointer.
    CameraCore(FrameSink sink, FailedLogin failedLogin, PlanesSink planes = nullptr);
    ~CameraCore();
    CameraCore(const CameraCore&) = delete;
    CameraCore& operator=(const CameraCore&) = delete;

    bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
              uint32_t reconnectEnabled);
    bool Cleanup();
    int32_t Login(const std::string& address, uint16_t port, const std::string& user,
                  const std::string& password);
    int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                             int32_t linkMode, int32_t streamType);
    int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                           VideoWindowHandle window);
    void StopPlay(const int32_t* handle);
    // Ends one login (its plays stopped by the caller); false for an unknown id.
    bool Logout(int32_t loginId);
    void SetSaveDir(std::string folder);
    void SaveFrame(const cv::Mat& frame);
    void StartOrStopRecord();

    // The SDK error code of the calling thread's last Login (0 after a success).
    uint32_t lastLoginError() const;
    bool isRecording() const;
    cv::Size lastFrameSize() const;

    // SDK callbacks, reached through the process-wide pointer.
    void OnStreamData(int32_t playHandle, uint32_t dataType, uint8_t* buffer, uint32_t size);
    void OnDecodedFrame(const char* buffer, int32_t size, const FRAME_INFO& info);

private:
    // What the player shows a host that takes planes: the decoder's
    // pictures as it left them, without the decode callback's YV12 copy.
    class PlanesWindow : public IVideoWindow {
    public:
        explicit PlanesWindow(CameraCore& core) : m_core(core) {}
        void ShowFrame(const cv::Mat& frame) override;
        void ShowPlanes(const VideoPlanes& picture) override;

    private:
        CameraCore& m_core;
    };

    struct PlaySlot {
        int32_t handle = -1;
        std::atomic<int32_t> port{-1}; // -1: no player port
    };
    static constexpr size_t kMaxPlays = 4;

    // Claims a slot and starts the play with start() while holding the
    // lock, so the first stream callback finds its handle.
    template <typename Start> int32_t startPlay(Start start);
    PlaySlot* findSlot(int32_t handle);
    void stopPlay(int32_t handle);
    void stopAll();
    void logoutAll();
    static void releasePort(PlaySlot& slot);
    // Hands one decoded picture to the host and prints its time.
    void deliver(const VideoPlanes& picture, std::clock_t start);
    // Time since the recording started, on a monotonic clock; record lock held.
    std::chrono::microseconds sinceRecordStart() const;

    FrameSink m_sink;
    PlanesSink m_planesSink;
    PlanesWindow m_planesWindow{*this};
    FailedLogin m_failedLogin;
    std::mutex m_mutex; // slots and login ids
    std::array<PlaySlot, kMaxPlays> m_slots;
    std::set<int32_t> m_loginIds;
    std::atomic<int32_t> m_frameWidth{0};
    std::atomic<int32_t> m_frameHeight{0};

    mutable std::mutex m_recordMutex;
    Mp4Recorder m_writer;
    bool m_recording = false;
    std::chrono::steady_clock::time_point m_recordStart;
    std::string m_recordDir;
};
