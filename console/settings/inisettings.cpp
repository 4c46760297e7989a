#include "inisettings.h"

#include "consolelog.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <string>

namespace {

constexpr char kIniCodec[] = "GB2312";

void prepareIni(QSettings& settings)
{
    settings.setIniCodec(kIniCodec);
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
    // Qt's settings cache would answer with what an earlier read saw.
    const QFileInfo file(path);
    if (file.exists() && !(file.isFile() && file.isReadable()))
        return QString();
    QSettings settings(path, QSettings::IniFormat);
    prepareIni(settings);
    return settings.value(key, QString()).toString();
}

void SetQStringFromIni(const QString& key, const QString& value)
{
    const QString path = configFilePath();
    const std::wstring widePath = path.toStdWString();
    MORAVEL_LOG(L"[Moravel] SetQStringFromIni fileName [%s]", widePath.c_str());
    // The configuration folder may not exist yet on a fresh account.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    prepareIni(settings);
    settings.setValue(key, value);
    settings.sync();
}
