#include "savefolder.h"

#include "consolelog.h"
#include "inisettings.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>

namespace {
const char* const kSaveFolderKey = "/savedir/path";
const char* const kSaveFolderName = "/savevideo/";
} // namespace

QString defaultSaveVideoPath(const QString& programDir)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:(/|$)"));
    if (drive.match(programDir).hasMatch())
        return programDir.section('/', 0, 0) + kSaveFolderName;
    return QDir::homePath() + kSaveFolderName;
}

QString withFinalSlash(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith('/'))
        return folder;
    return folder + '/';
}

void SaveFolder::getSaveVideoPath(const QString& programDir)
{
    QString path = GetQStringFromIni(kSaveFolderKey);
    if (!path.isEmpty() && QDir::isRelativePath(path)) {
        // It would follow the working folder: files would land anywhere.
        const std::wstring stored = path.toStdWString();
        MORAVEL_LOG(L"[Moravel] getSaveVideoPath [%s] is no absolute folder, the default is used",
                    stored.c_str());
        path.clear();
    }
    if (path.isEmpty())
        path = defaultSaveVideoPath(programDir);
    qDebug() << "getSaveVideoPath strSavePath" << path;
    QDir dir(path);
    if (!dir.exists())
        QDir().mkdir(path);
    m_strSavePath = path;
}

void SaveFolder::setSaveVideoPath(const QString& path)
{
    if (path.isEmpty() || QDir::isRelativePath(path))
        return;
    m_strSavePath = path;
    SetQStringFromIni(kSaveFolderKey, path);
}
