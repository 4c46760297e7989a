#include "filenames.h"

#include <QFileInfo>

namespace filenames {

namespace {

const char* const kTimeFormat = "yyyyMMddHHmmss";
const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
constexpr ushort kDelete = 0x7f;

QString timeText(const QDateTime& now)
{
    return now.toString(QLatin1String(kTimeFormat));
}

} // namespace

QString cleanField(const QString& field)
{
    QString cleaned = field;
    for (QChar& c : cleaned) {
        if (c.unicode() < 0x20 || c.unicode() == kDelete || c.category() == QChar::Other_Control ||
            kForbidden.contains(c)) {
            c = QLatin1Char('_');
        }
    }
    return cleaned;
}

// One-pass arg(): a field holding "%2" stays literal text.
QString videoBaseName(const ProjectInfo& info, const QDateTime& now)
{
    return QStringLiteral("%1-%2-%3-%4")
        .arg(cleanField(info.m_strLocation), cleanField(info.m_strStartWellNo),
             cleanField(info.m_strEndWellNo), timeText(now));
}

QString snapshotName(const ProjectInfo& info, const QString& distanceText, const QDateTime& now)
{
    return QStringLiteral("%1-%2-%3-%4-%5")
               .arg(cleanField(info.m_strLocation), cleanField(info.m_strStartWellNo),
                    cleanField(info.m_strEndWellNo), cleanField(distanceText) + QLatin1Char('M'),
                    timeText(now)) +
           QStringLiteral(".jpg");
}

QString inFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

QString unusedPath(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return path;
    }
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const bool hasExtension = dot > slash + 1;
    const QString stem = hasExtension ? path.left(dot) : path;
    const QString extension = hasExtension ? path.mid(dot) : QString();
    QString candidate;
    for (int n = 2;; ++n) {
        candidate = QStringLiteral("%1-%2%3").arg(stem, QString::number(n), extension);
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
}

} // namespace filenames
