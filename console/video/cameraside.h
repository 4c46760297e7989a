// What the crawler session needs of the camera logins: it logs the cameras in
// from its start-up thread, tears them down after a link drop and shuts them
// down last at close. CameraLogins is the real one; tests use fakes.
#pragma once

#include <cstdint>

class CameraSide {
public:
    virtual ~CameraSide() = default;

    // Start-up thread, once a pass; never waits for a login.
    virtual void loginMissing() = 0;
    virtual bool allLoggedIn() const = 0;
    // -1 while the camera is not logged in.
    virtual int32_t userId(int camera) const = 0;
    // Start-up thread, after a link drop: logged out, plays stopped.
    virtual void tearDown() = 0;
    // Closing console: no frame arrives and no login thread runs after it.
    virtual void shutDown() = 0;
};
