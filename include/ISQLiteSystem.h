// One SQLite connection behind an interface; results are 1 (true) or 0
// (false) unless stated. Diagnostics go to standard output and error.
#pragma once

#include <string>
#include <vector>

class ISQLiteSystem {
public:
    virtual ~ISQLiteSystem() = default;
    // Fails with "database not exist." when the file is missing.
    virtual int OpenDB(const char* path) = 0;
    // SQLite result code of closing.
    virtual int CloseDB() = 0;
    virtual int OpenOrCreateDB(const char* path) = 0;
    // Prints each result row as "name = value" lines and an empty line.
    virtual int ExecSQL(const char* sql) = 0;
    virtual int InsertText4(const char* sql, const char* first, const char* second,
                            const char* third, const char* fourth) = 0;
    // Binds text1, length bytes of data as a blob, text3. length >= 0.
    virtual int InsertBlob(const char* sql, const char* text1, const void* data, const char* text3,
                           int length) = 0;
    // Binds params to 1, 2, ...; an empty string binds SQL NULL.
    virtual int ExecParams(const char* sql, const std::vector<std::string>& params) = 0;
    // Appends one row per result row; an SQL NULL column reads as "".
    virtual int QuerySQL(const char* sql, std::vector<std::vector<std::string>>& rows) = 0;
    virtual int ExecSQLQuiet(const char* sql) = 0;
    virtual int ExecSQLQuiet2(const char* sql) = 0;
    // Finalizes the current statement, closes; SQLite result code.
    virtual int FinalizeAndClose() = 0;
    // QuerySQL with params bound as ExecParams binds them; the rows stay
    // untouched when a value has no placeholder.
    virtual int QueryParams(const char* sql, const std::vector<std::string>& params,
                            std::vector<std::vector<std::string>>& rows) = 0;
    // Opens an existing file for reading only: every write fails, nothing
    // is created, and a folder or file without write permission (a
    // delivered disc) opens all the same. Fails like OpenDB on a missing file.
    virtual int OpenReadOnlyDB(const char* path) = 0;
};

extern "C" {
// Null owner: null. Later calls return the first instance.
__attribute__((visibility("default"))) ISQLiteSystem* CreateISQLiteSystem(void* owner);
__attribute__((visibility("default"))) void DeleteISQLiteSystem();
}
