// Pictures shipped as files in images/Others/ (not compiled in): looked up in
// the working folder first, then beside the program.
#pragma once

#include <QPixmap>
#include <QString>

namespace PictureLookup {

// Path of images/Others/<fileName>; the working-folder path when neither exists.
QString path(const QString& fileName);
// The picture, or a null pixmap when the file is missing or unreadable.
QPixmap pixmap(const QString& fileName);

} // namespace PictureLookup
