#include "folderlisting.h"

#include <QFile>
#include <QTextCodec>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

const QString FolderListing::kVideo = QStringLiteral("video");
const QString FolderListing::kTelemetry = QStringLiteral("telemetry");
const QString FolderListing::kSnapshot = QStringLiteral("snapshot");

namespace {

constexpr qint64 kMsPerSecond = 1000;
constexpr long kNsPerMs = 1000000;
constexpr unsigned char kLastAscii = 0x7F;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The kind its extension gives; empty for other files.
QString kindOf(const QByteArray& name)
{
    const int dot = name.lastIndexOf('.');
    const QByteArray suffix = dot < 0 ? QByteArray() : name.mid(dot + 1).toLower();
    if (suffix == "mp4") {
        return FolderListing::kVideo;
    }
    if (suffix == "csv") {
        return FolderListing::kTelemetry;
    }
    if (suffix == "jpg" || suffix == "jpeg") {
        return FolderListing::kSnapshot;
    }
    return QString();
}

// Every byte above ASCII as \xHH: the same bytes always give the same text.
QString escaped(const QByteArray& bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte > kLastAscii ? QStringLiteral("\\x") + QString::number(byte, 16).toUpper()
                                  : QString(QLatin1Char(c));
    }
    return text;
}

// What a name that is not UTF-8 says read as GBK (GB 18030 holds it).
QString readAsGbk(const QByteArray& bytes)
{
    QTextCodec* gbk = QTextCodec::codecForName("GB18030");
    if (gbk == nullptr) {
        return QString();
    }
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QString text = gbk->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 ? text : QString();
}

// info: the file's stat, null when it failed with error.
ListedFile entry(const QByteArray& bytes, const QString& kind, const struct stat* info, int error)
{
    ListedFile file;
    file.kind = kind;
    const QString name = QFile::decodeName(bytes);
    file.name = QFile::encodeName(name) == bytes ? name : escaped(bytes);
    if (info == nullptr) {
        file.problem =
            FolderListing::tr("无法读取（%1）").arg(QString::fromLocal8Bit(strerror(error)));
        return file;
    }
    file.size = info->st_size;
    file.mtimeMs =
        static_cast<qint64>(info->st_mtim.tv_sec) * kMsPerSecond + info->st_mtim.tv_nsec / kNsPerMs;
    if (!S_ISREG(info->st_mode)) {
        file.problem = FolderListing::tr("不是普通文件（设备、管道或套接字），未读取");
    } else if (file.name != name) {
        const QString gbk = readAsGbk(bytes);
        file.problem =
            gbk.isEmpty() ? FolderListing::tr("文件名不是 UTF-8 编码，无法读取；请改名后刷新")
                          : FolderListing::tr("文件名不是 UTF-8 编码（按 GBK 读作“%1”），无法读取；"
                                              "请改为 UTF-8 名称后刷新")
                                .arg(gbk);
    }
    return file;
}

} // namespace

bool FolderListing::list(const QString& folder, QVector<ListedFile>* files)
{
    files->clear();
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(folder).constData()));
    if (dir == nullptr) {
        return false;
    }
    errno = 0;
    while (const dirent* item = readdir(dir.get())) {
        const QByteArray bytes(item->d_name);
        const QString kind = kindOf(bytes);
        if (!kind.isEmpty()) {
            struct stat info {};
            const bool found = fstatat(dirfd(dir.get()), item->d_name, &info, 0) == 0;
            const int error = errno;
            // Folders named like files are no files.
            if (!found || !S_ISDIR(info.st_mode)) {
                files->push_back(entry(bytes, kind, found ? &info : nullptr, error));
            }
        }
        errno = 0;
    }
    if (errno != 0) {
        return false;
    }
    std::sort(files->begin(), files->end(),
              [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    return true;
}
