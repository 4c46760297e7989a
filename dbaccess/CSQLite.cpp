#include "CSQLite.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

namespace {

constexpr char kNotExist[] = "database not exist.";
constexpr char kInsertFailure[] = "insert into blob value failure!";
constexpr char kNoDatabase[] = "no database open";
constexpr char kNoSql[] = "no SQL text";
constexpr char kNoPath[] = "no path";
constexpr char kNoStatement[] = "no SQL statement";
constexpr char kOutOfMemory[] = "out of memory";
// Whole zero-terminated text.
constexpr int kToTerminator = -1;
// Points a zero-length blob somewhere, since a null pointer would bind NULL.
constexpr unsigned char kEmptyBlob[1] = {0};

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
// Every statement is finalized before its operation returns, so no statement
// outlives an operation and closing never finds one open.
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct SqliteFree {
    void operator()(char* text) const { sqlite3_free(text); }
};
using SqliteText = std::unique_ptr<char, SqliteFree>;

// Row printer of ExecSQL: "name = value" per column, then an empty line.
int printRow(void*, int columns, char** values, char** names)
{
    for (int i = 0; i < columns; ++i) {
        std::printf("%s = %s\n", names[i], values[i] != nullptr ? values[i] : "NULL");
    }
    std::printf("\n");
    return SQLITE_OK;
}

// Caller-owned bytes stay valid until the statement is finalized.
int bindText(sqlite3_stmt* stmt, int index, const char* text)
{
    return sqlite3_bind_text(stmt, index, text, kToTerminator, SQLITE_STATIC);
}

} // namespace

void CSQLite::ConnectionCloser::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

CSQLite::CSQLite(void* owner) : m_pOwner(owner)
{
}

CSQLite::~CSQLite() = default;

int CSQLite::open(const char* path, bool readOnly)
{
    m_db.reset(); // a second open replaces the connection without leaking it
    if (path == nullptr) {
        std::fprintf(stderr, "Can't open database: %s\n", kNoPath);
        return 0;
    }
    sqlite3* raw = nullptr;
    const int rc = readOnly ? sqlite3_open_v2(path, &raw, SQLITE_OPEN_READONLY, nullptr)
                            : sqlite3_open(path, &raw);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "Can't open database: %s\n",
                     db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc));
        return 0;
    }
    m_db = std::move(db);
    return 1;
}

int CSQLite::OpenDB(const char* path)
{
    if (path == nullptr || !std::ifstream(path)) {
        std::printf("%s", kNotExist);
        return 0;
    }
    return open(path, false);
}

int CSQLite::OpenOrCreateDB(const char* path)
{
    return open(path, false);
}

int CSQLite::OpenReadOnlyDB(const char* path)
{
    if (path == nullptr || !std::ifstream(path)) {
        std::printf("%s", kNotExist);
        return 0;
    }
    return open(path, true);
}

int CSQLite::CloseDB()
{
    const int rc = sqlite3_close(m_db.get());
    if (rc == SQLITE_OK) {
        m_db.release(); // closed above
    }
    return rc;
}

int CSQLite::FinalizeAndClose()
{
    // No statement outlives an operation, so there is nothing to finalize.
    return CloseDB();
}

int CSQLite::execute(const char* sql, RowPrinter printer)
{
    if (!m_db || sql == nullptr) {
        std::fprintf(stderr, "SQL error: %s\n", m_db ? kNoSql : kNoDatabase);
        return 0;
    }
    char* rawError = nullptr;
    const int rc = sqlite3_exec(m_db.get(), sql, printer, nullptr, &rawError);
    const SqliteText error(rawError);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "SQL error: %s\n", error ? error.get() : sqlite3_errstr(rc));
        return 0;
    }
    return 1;
}

int CSQLite::ExecSQL(const char* sql)
{
    return execute(sql, &printRow);
}

int CSQLite::ExecSQLQuiet(const char* sql)
{
    return execute(sql, nullptr);
}

int CSQLite::ExecSQLQuiet2(const char* sql)
{
    return execute(sql, nullptr);
}

int CSQLite::insertRow(const char* sql, const RowBinder& bind)
{
    if (m_db && sql != nullptr) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare(m_db.get(), sql, kToTerminator, &raw, nullptr);
        const Statement stmt(raw);
        if (stmt && bind(stmt.get()) && sqlite3_step(stmt.get()) == SQLITE_DONE) {
            return 1;
        }
    }
    std::printf("%s", kInsertFailure);
    return 0;
}

int CSQLite::InsertText4(const char* sql, const char* first, const char* second, const char* third,
                         const char* fourth)
{
    return insertRow(sql, [&](sqlite3_stmt* stmt) {
        return bindText(stmt, 1, first) == SQLITE_OK && bindText(stmt, 2, second) == SQLITE_OK &&
               bindText(stmt, 3, third) == SQLITE_OK && bindText(stmt, 4, fourth) == SQLITE_OK;
    });
}

int CSQLite::InsertBlob(const char* sql, const char* text1, const void* data, const char* text3,
                        int length)
{
    if (length < 0 || (data == nullptr && length > 0)) {
        std::printf("%s", kInsertFailure);
        return 0;
    }
    const void* bytes = length > 0 ? data : kEmptyBlob;
    return insertRow(sql, [&](sqlite3_stmt* stmt) {
        return bindText(stmt, 1, text1) == SQLITE_OK &&
               sqlite3_bind_blob(stmt, 2, bytes, length, SQLITE_STATIC) == SQLITE_OK &&
               bindText(stmt, 3, text3) == SQLITE_OK;
    });
}

bool CSQLite::bindParams(sqlite3_stmt* stmt, const std::vector<std::string>& params)
{
    bool ok = stmt != nullptr;
    for (std::size_t i = 0; ok && i < params.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const std::string& value = params[i];
        ok = (value.empty()
                  ? sqlite3_bind_null(stmt, index)
                  : sqlite3_bind_text(stmt, index, value.data(), static_cast<int>(value.size()),
                                      SQLITE_STATIC)) == SQLITE_OK;
    }
    return ok;
}

int CSQLite::ExecParams(const char* sql, const std::vector<std::string>& params)
{
    if (!m_db || sql == nullptr) {
        std::fprintf(stderr, "sql error:%s\n", m_db ? kNoSql : kNoDatabase);
        return 0;
    }
    sqlite3_stmt* raw = nullptr;
    const int rc =
        sqlite3_prepare_v2(m_db.get(), sql, static_cast<int>(std::strlen(sql)), &raw, nullptr);
    const Statement stmt(raw);
    if (bindParams(stmt.get(), params) && sqlite3_step(stmt.get()) == SQLITE_DONE) {
        return 1;
    }
    std::fprintf(stderr, "sql error:%s\n",
                 rc == SQLITE_OK && !stmt ? kNoStatement : sqlite3_errmsg(m_db.get()));
    return 0;
}

int CSQLite::QuerySQL(const char* sql, std::vector<std::vector<std::string>>& rows)
{
    return QueryParams(sql, {}, rows);
}

int CSQLite::QueryParams(const char* sql, const std::vector<std::string>& params,
                         std::vector<std::vector<std::string>>& rows)
{
    if (!m_db || sql == nullptr) {
        std::fprintf(stderr, "SQL error: %s\n", m_db ? kNoSql : kNoDatabase);
        return 0;
    }
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare(m_db.get(), sql, kToTerminator, &raw, nullptr);
    const Statement stmt(raw);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "SQL error: %s\n", sqlite3_errmsg(m_db.get()));
        return 0;
    }
    if (!stmt) {
        return 1; // only whitespace or comments: no rows
    }
    if (!bindParams(stmt.get(), params)) {
        std::fprintf(stderr, "SQL error: %s\n", sqlite3_errmsg(m_db.get()));
        return 0;
    }
    // A failed query leaves the caller's rows as they were, not half-filled.
    const std::size_t keep = rows.size();
    try {
        const int columns = sqlite3_column_count(stmt.get());
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            std::vector<std::string>& row = rows.emplace_back();
            row.reserve(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                const auto* text =
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c));
                row.emplace_back(text != nullptr ? text : "",
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), c)));
            }
        }
        if (step == SQLITE_DONE) {
            return 1;
        }
        // A statement of the legacy prepare reports the specific error only
        // after a reset.
        sqlite3_reset(stmt.get());
        std::fprintf(stderr, "SQL error: %s\n", sqlite3_errmsg(m_db.get()));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "SQL error: %s\n", kOutOfMemory);
    }
    rows.resize(keep);
    return 0;
}
