#include "PictureLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const QString kFolder = QStringLiteral("images/Others/");
}

namespace PictureLookup {

QString path(const QString& fileName)
{
    const QString local = QStringLiteral("./") + kFolder + fileName;
    if (QFileInfo::exists(local))
        return local;
    const QString besideProgram =
        QDir(QCoreApplication::applicationDirPath()).filePath(kFolder + fileName);
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    return local;
}

QPixmap pixmap(const QString& fileName)
{
    return QPixmap(path(fileName));
}

} // namespace PictureLookup
