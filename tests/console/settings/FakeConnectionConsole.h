// The console side of the connection dialog for its tests: live state the
// tests set, and what the dialog changed, recorded.
#pragma once

#include "connectionconsole.h"

#include <vector>

class FakeConnectionConsole : public ConnectionConsole {
public:
    bool linkConnected() const override { return m_bLinkUp; }
    QString linkProblem() const override { return m_strLinkProblem; }
    CameraState cameraState(int camera) const override
    {
        return m_cameras[static_cast<size_t>(camera)];
    }
    RecordingRate recordingRate() const override { return m_rate; }
    QString saveVideoPath() const override { return m_strSaveFolder; }
    void setSaveVideoPath(const QString& path) override
    {
        m_strSaveFolder = path;
        m_folderChanges.push_back(path);
    }
    void applyConnectionChanges(const Changes& changes) override { m_applied.push_back(changes); }

    bool m_bLinkUp = false;
    QString m_strLinkProblem;
    std::array<CameraState, kCameras> m_cameras{};
    RecordingRate m_rate;
    QString m_strSaveFolder;
    std::vector<QString> m_folderChanges;
    std::vector<Changes> m_applied;
};
