// The process's one SQLite connection behind ISQLiteSystem.
#pragma once

#include "ISQLiteSystem.h"

#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class CSQLite : public ISQLiteSystem {
public:
    explicit CSQLite(void* owner);
    ~CSQLite() override;
    CSQLite(const CSQLite&) = delete;
    CSQLite& operator=(const CSQLite&) = delete;

    int OpenDB(const char* path) override;
    int CloseDB() override;
    int OpenOrCreateDB(const char* path) override;
    int ExecSQL(const char* sql) override;
    int InsertText4(const char* sql, const char* first, const char* second, const char* third,
                    const char* fourth) override;
    int InsertBlob(const char* sql, const char* text1, const void* data, const char* text3,
                   int length) override;
    int ExecParams(const char* sql, const std::vector<std::string>& params) override;
    int QuerySQL(const char* sql, std::vector<std::vector<std::string>>& rows) override;
    int ExecSQLQuiet(const char* sql) override;
    int ExecSQLQuiet2(const char* sql) override;
    int FinalizeAndClose() override;
    int QueryParams(const char* sql, const std::vector<std::string>& params,
                    std::vector<std::vector<std::string>>& rows) override;
    int OpenReadOnlyDB(const char* path) override;

private:
    struct ConnectionCloser {
        void operator()(sqlite3* db) const;
    };
    using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
    // Binds the values of one row; false when a bind failed.
    using RowBinder = std::function<bool(sqlite3_stmt*)>;
    using RowPrinter = int (*)(void*, int, char**, char**);

    int open(const char* path, bool readOnly);
    int execute(const char* sql, RowPrinter printer);
    int insertRow(const char* sql, const RowBinder& bind);
    static bool bindParams(sqlite3_stmt* stmt, const std::vector<std::string>& params);

    [[maybe_unused]] void* m_pOwner; // the creator's token: kept, never called
    Connection m_db;
};
