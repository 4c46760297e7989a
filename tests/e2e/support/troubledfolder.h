// A folder that refuses what the console writes into it, for the length of
// a test: read-only, or on a disk that is full. Root gets a small tmpfs
// mounted over the folder (permissions do not bind root); anyone else gets a
// read-only folder by its permissions, and no full disk.
#pragma once

#include <QString>

class TroubledFolder {
public:
    enum class Trouble { ReadOnly, Full };

    // folder must exist.
    TroubledFolder(const QString& folder, Trouble trouble);
    ~TroubledFolder();
    TroubledFolder(const TroubledFolder&) = delete;
    TroubledFolder& operator=(const TroubledFolder&) = delete;

    // False when this process cannot make that trouble here.
    bool ready() const { return m_ready; }

private:
    QString m_folder;
    bool m_mounted = false;
    bool m_ready = false;
};
