// Where recordings and snapshots go: "/savedir/path" of config.ini, or a
// default derived from the program folder.
#pragma once

#include <QString>

// "D:/savevideo/" for a program below D:/; home + "/savevideo/" for a
// program folder without a drive letter.
QString defaultSaveVideoPath(const QString& programDir);

// A chosen folder as the save folder keeps it: with a final "/"; empty
// stays empty.
QString withFinalSlash(const QString& folder);

class SaveFolder {
public:
    // Settles the folder at start: the stored one, else (none, or a relative
    // one, which is logged) the default, not written back. Creates the folder
    // (one level) when missing.
    void getSaveVideoPath(const QString& programDir);
    // An absolute path becomes the folder and is stored; an empty or a
    // relative one changes nothing.
    void setSaveVideoPath(const QString& path);
    const QString& path() const { return m_strSavePath; }

private:
    QString m_strSavePath;
};
