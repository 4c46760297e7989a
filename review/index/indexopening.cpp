// How IndexDatabase finds and opens the index of a folder: the folder's
// own file, read-only or in the user's cache, and a damaged one rebuilt.
#include "indexdatabase.h"

#include "indexrecovery.h"
#include "indexschema.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const char* const kCorruptSuffix = ".corrupt-";
const char* const kTimeFormat = "yyyyMMddHHmmss";
const char* const kPartSuffix = ".part";
constexpr int kIdentityDigits = 16;

// For this user, not as the file's permissions alone say (root writes
// anywhere but on read-only media).
bool writable(const QString& path)
{
    return access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString IndexDatabase::cachePath(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    const QString identity = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha1)
                                .toHex()
                                .left(kIdentityDigits);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(
            QStringLiteral("indexes/%1-%2.db").arg(info.fileName(), QString::fromLatin1(hash)));
}

bool IndexDatabase::open(const QString& folder, QString* notice, QString* error)
{
    close();
    m_codingLost = false;
    m_cachePath.clear();
    const QString own = QDir(folder).filePath(fileName());
    if (writable(folder) && (!QFileInfo::exists(own) || writable(own))) {
        return openWritable(own, QString(), notice, error);
    }
    m_cachePath = cachePath(folder);
    if (QFileInfo::exists(m_cachePath) || !QFileInfo::exists(own)) {
        return openWritable(m_cachePath, QString(), notice, error);
    }
    m_path = own;
    if (connect(own, true)) {
        // Read as it is; a migration writes, and so moves to the cache.
        m_borrowed = true;
        switch (prepare(error)) {
        case Prepared::Ready:
            return true;
        case Prepared::Refused:
            return false;
        case Prepared::Damaged:
            break;
        }
    }
    *notice = tr("索引 %1 已损坏（文件夹只读，未改动），已在本机 %2 按文件重建。")
                  .arg(native(own), native(m_cachePath));
    return openWritable(m_cachePath, own, notice, error);
}

bool IndexDatabase::openWritable(const QString& path, QString recoverFrom, QString* notice,
                                 QString* error)
{
    m_path = path;
    m_borrowed = false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connect(path, false)) {
            *error = tr("无法打开索引 %1").arg(native(path));
            return false;
        }
        switch (prepare(error)) {
        case Prepared::Ready:
            if (!recoverFrom.isEmpty()) {
                recover(recoverFrom, notice);
            }
            return true;
        case Prepared::Refused:
            return false;
        case Prepared::Damaged:
            if (attempt > 0 || !moveAside(&recoverFrom, notice, error)) {
                if (error->isEmpty()) {
                    *error = tr("无法重建索引 %1").arg(native(path));
                }
                return false;
            }
            break;
        }
    }
    return false;
}

bool IndexDatabase::connect(const QString& path, bool readOnly)
{
    const QByteArray file = QFile::encodeName(path);
    if ((readOnly ? m_sql->OpenReadOnlyDB(file.constData())
                  : m_sql->OpenOrCreateDB(file.constData())) != 1) {
        return false;
    }
    m_open = true;
    // Another program reading the index makes SQLite wait, not fail.
    script(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs).toUtf8().constData());
    return true;
}

void IndexDatabase::close()
{
    if (m_open) {
        m_sql->CloseDB();
        m_open = false;
    }
}

IndexDatabase::Prepared IndexDatabase::prepare(QString* error)
{
    switch (check()) {
    case Check::Healthy:
        if (migrate(error)) {
            return Prepared::Ready;
        }
        break;
    case Check::Newer:
        *error = tr("索引 %1 由较新版本的程序建立，未改动").arg(native(m_path));
        break;
    case Check::Damaged:
        close();
        return Prepared::Damaged;
    }
    close();
    return Prepared::Refused;
}

IndexDatabase::Check IndexDatabase::check()
{
    // quick_check reads every page, so a damaged file shows here rather than
    // half way through a scan.
    bool ok = false;
    const SqlRows health = query("PRAGMA quick_check", {}, &ok);
    if (!ok || health.size() != 1 || health.front().value(0) != QLatin1String("ok")) {
        return Check::Damaged;
    }
    const SqlRows version = query("PRAGMA user_version", {}, &ok);
    if (!ok || version.isEmpty()) {
        return Check::Damaged;
    }
    if (version.front().value(0).toInt() > kSchemaVersion) {
        return Check::Newer;
    }
    return script("PRAGMA foreign_keys = ON") ? Check::Healthy : Check::Damaged;
}

bool IndexDatabase::migrate(QString* error)
{
    const int from = query("PRAGMA user_version").value(0).value(0).toInt();
    for (int version = from; version < kSchemaVersion; ++version) {
        Transaction step(*this);
        const QByteArray bump =
            QStringLiteral("PRAGMA user_version = %1").arg(version + 1).toUtf8();
        if (!script(indexschema::migrations().at(version).c_str()) || !script(bump.constData()) ||
            !step.commit()) {
            *error = tr("无法建立索引 %1").arg(native(m_path));
            return false;
        }
    }
    return true;
}

bool IndexDatabase::moveAside(QString* aside, QString* notice, QString* error)
{
    const QString stamped = m_path + QLatin1String(kCorruptSuffix) +
                            QDateTime::currentDateTime().toString(QLatin1String(kTimeFormat));
    // A second damaged file within the same second does not replace the first.
    *aside = stamped;
    for (int n = 2; QFileInfo::exists(*aside); ++n) {
        *aside = stamped + QStringLiteral("-%1").arg(n);
    }
    if (!QFile::rename(m_path, *aside)) {
        *error = tr("索引 %1 已损坏，且无法移开").arg(native(m_path));
        return false;
    }
    *notice = tr("索引已损坏，已移至 %1 并按文件重建。").arg(native(*aside));
    return true;
}

void IndexDatabase::recover(const QString& damaged, QString* notice)
{
    const IndexRecovery recovery = IndexRecovery::run(*this, damaged);
    m_codingLost = recovery.codingLost();
    *notice += recovery.text();
}

bool IndexDatabase::detach()
{
    if (!m_borrowed) {
        return true;
    }
    // A consistent copy made by SQLite under another name, then renamed: no
    // half copy is ever taken for the index.
    const QString part = m_cachePath + QLatin1String(kPartSuffix);
    QFile::remove(part);
    QDir().mkpath(QFileInfo(m_cachePath).absolutePath());
    if (!(m_open && m_sql->ExecParams("VACUUM INTO ?1", {part.toStdString()}) == 1 &&
          QFile::rename(part, m_cachePath))) {
        QFile::remove(part);
        return false; // still read from the folder; the write fails
    }
    close();
    m_borrowed = false;
    m_path = m_cachePath;
    return connect(m_path, false) && script("PRAGMA foreign_keys = ON");
}
