#include "indexdatabase.h"

#include "indexschema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

const char* const kCorruptSuffix = ".corrupt-";
const char* const kTimeFormat = "yyyyMMddHHmmss";

std::vector<std::string> toUtf8(const QStringList& params)
{
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(params.size()));
    for (const QString& param : params) {
        values.push_back(param.toStdString());
    }
    return values;
}

} // namespace

QString sqlNumber(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', std::numeric_limits<double>::digits10)
                                : QString();
}

double sqlDouble(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

bool IndexDatabase::open(const QString& folder, QString* notice, QString* error)
{
    close();
    m_path = QDir(folder).filePath(fileName());
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_sql->OpenOrCreateDB(QFile::encodeName(m_path).constData()) != 1) {
            *error = tr("无法打开索引 %1").arg(QDir::toNativeSeparators(m_path));
            return false;
        }
        m_open = true;
        // Another program reading the index makes SQLite wait, not fail.
        script(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs).toUtf8().constData());
        switch (check()) {
        case Check::Healthy:
            if (!migrate(error)) {
                close();
                return false;
            }
            return true;
        case Check::Newer:
            close();
            *error =
                tr("索引 %1 由较新版本的程序建立，未改动").arg(QDir::toNativeSeparators(m_path));
            return false;
        case Check::Damaged:
            close();
            if (attempt > 0 || !moveAside(notice, error)) {
                if (error->isEmpty()) {
                    *error = tr("无法重建索引 %1").arg(QDir::toNativeSeparators(m_path));
                }
                return false;
            }
            break;
        }
    }
    return false;
}

void IndexDatabase::close()
{
    if (m_open) {
        m_sql->CloseDB();
        m_open = false;
    }
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
            *error = tr("无法建立索引 %1").arg(QDir::toNativeSeparators(m_path));
            return false;
        }
    }
    return true;
}

bool IndexDatabase::moveAside(QString* notice, QString* error)
{
    const QString aside = m_path + QLatin1String(kCorruptSuffix) +
                          QDateTime::currentDateTime().toString(QLatin1String(kTimeFormat));
    if (!QFile::rename(m_path, aside)) {
        *error = tr("索引 %1 已损坏，且无法移开").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    *notice = tr("索引已损坏，已移至 %1 并按文件重建；原有的编码留在该文件中。")
                  .arg(QDir::toNativeSeparators(aside));
    return true;
}

bool IndexDatabase::exec(const char* sql, const QStringList& params)
{
    return m_open && m_sql->ExecParams(sql, toUtf8(params)) == 1;
}

SqlRows IndexDatabase::query(const char* sql, const QStringList& params, bool* ok)
{
    std::vector<std::vector<std::string>> rows;
    const bool done = m_open && m_sql->QueryParams(sql, toUtf8(params), rows) == 1;
    if (ok != nullptr) {
        *ok = done;
    }
    SqlRows result;
    result.reserve(static_cast<int>(rows.size()));
    for (const auto& row : rows) {
        QStringList columns;
        columns.reserve(static_cast<int>(row.size()));
        for (const std::string& value : row) {
            columns << QString::fromStdString(value);
        }
        result << columns;
    }
    return result;
}

bool IndexDatabase::script(const char* sql)
{
    return m_open && m_sql->ExecSQLQuiet(sql) == 1;
}

// Savepoints, so that work grouped by a caller may hold steps that group their own.
IndexDatabase::Transaction::Transaction(IndexDatabase& db) : m_db(db)
{
    m_open = m_db.script("SAVEPOINT step");
}

IndexDatabase::Transaction::~Transaction()
{
    if (m_open) {
        m_db.script("ROLLBACK TO step; RELEASE step");
    }
}

bool IndexDatabase::Transaction::commit()
{
    const bool done = m_open && m_db.script("RELEASE step");
    m_open = m_open && !done; // a failed commit is rolled back
    return done;
}
