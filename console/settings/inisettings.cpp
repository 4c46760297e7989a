#include "inisettings.h"

#include "consolelog.h"
#include "initext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <mutex>
#include <string>

namespace {

// Writes read, change and replace the whole file: one at a time, or two
// threads writing different keys could each lose the other's change.
std::mutex g_writeMutex;

// The file's bytes; false when it exists but cannot be read.
bool readFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

} // namespace

QString configFilePath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!dir.endsWith('/'))
        dir += '/';
    return dir + QStringLiteral("config.ini");
}

QString GetQStringFromIni(const QString& key)
{
    const QString path = configFilePath();
    const std::wstring widePath = path.toStdWString();
    MORAVEL_LOG(L"[Moravel] GetQStringFromIni fileName [%s]", widePath.c_str());
    QByteArray bytes;
    readFile(path, bytes);
    return IniText(bytes).value(key);
}

void SetQStringFromIni(const QString& key, const QString& value)
{
    const QString path = configFilePath();
    const std::wstring widePath = path.toStdWString();
    MORAVEL_LOG(L"[Moravel] SetQStringFromIni fileName [%s]", widePath.c_str());
    // The configuration folder may not exist yet on a fresh account.
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::lock_guard<std::mutex> lock(g_writeMutex);
    QByteArray before;
    // A file that cannot be read is not replaced by one holding only this key.
    if (!readFile(path, before))
        return;
    IniText text(before);
    text.setValue(key, value);
    if (text.bytes() == before)
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.bytes()) != text.bytes().size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
