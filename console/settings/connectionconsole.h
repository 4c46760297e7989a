// What the connection dialog reads from and changes in the console: the
// live state of the link, the cameras and the recording, the save folder,
// and new connection settings taking effect. The console implements it; the
// dialog holds a non-owning pointer set by its opener. GUI thread.
#pragma once

#include <QString>

#include <array>

class ConnectionConsole {
public:
    static constexpr int kCameras = 2; // 0: main camera, 1: back camera

    struct CameraState {
        bool connected = false; // logged in
        QString reason;         // why not, or what is wrong with its picture; may be empty
    };
    struct RecordingRate {
        double bitsPerSecond = 0; // 0: unknown
        bool measured = false;    // of the running (or last) recording, not estimated
    };
    // Which settings a save changed in config.ini.
    struct Changes {
        std::array<bool, kCameras> cameras{};
        bool link = false;
    };

    virtual ~ConnectionConsole() = default;

    virtual bool linkConnected() const = 0;
    // Why the link is not open ("连接被拒绝", ...); empty while it is.
    virtual QString linkProblem() const = 0;
    virtual CameraState cameraState(int camera) const = 0;
    virtual RecordingRate recordingRate() const = 0;

    virtual QString saveVideoPath() const = 0;
    // A non-empty path becomes the save folder and is stored in config.ini.
    virtual void setSaveVideoPath(const QString& path) = 0;
    // After the changed keys are written: a changed camera is logged out and
    // in again with its new keys, a changed link is opened at its new
    // address; what did not change keeps running.
    virtual void applyConnectionChanges(const Changes& changes) = 0;

protected:
    ConnectionConsole() = default;
    ConnectionConsole(const ConnectionConsole&) = default;
    ConnectionConsole& operator=(const ConnectionConsole&) = default;
};
