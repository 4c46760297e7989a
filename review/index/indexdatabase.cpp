#include "indexdatabase.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

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

bool IndexDatabase::exec(const char* sql, const QStringList& params)
{
    return m_open && detach() && m_sql->ExecParams(sql, toUtf8(params)) == 1;
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
    m_open = m_db.detach() && m_db.script("SAVEPOINT step");
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
