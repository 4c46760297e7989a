// The process's log in a private folder, so a test reads only the lines of
// its own process. The console sends the log beside the program when it is
// made: call useLog() after that.
#pragma once

#include "Log.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace coretest {

// Sends the log to the private file (again); its path.
inline QString useLog()
{
    constexpr int kQueue = 8192;
    constexpr int kFileBytes = 2000000;
    constexpr int kFiles = 10;
    static QTemporaryDir folder;
    static const QString file = folder.path() + "/Logs/Moravel.log";
    Log::get_instance()->init(file.toUtf8().constData(), kQueue, kFileBytes, kFiles);
    return file;
}

// Lines of the private log holding text.
inline int logLinesWith(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(QString::fromUtf8(file.readAll()).count(text));
}

} // namespace coretest
