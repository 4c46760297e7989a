// Usage: telquin_bench [rows] [runs]
// Inserts rows in one transaction with ExecParams and reads them back with
// QuerySQL, next to the same work done directly with the SQLite C
// interface (one prepared statement per insert, as ExecParams does; rows
// read into the same lists of strings). Prints the best run of each and
// Telquin's overhead.
#include "ISQLiteSystem.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultRows = 100000;
constexpr int kDefaultRuns = 7;
// Reading is short, so each run reads several times to steady the figure.
constexpr int kQueryRepeats = 5;
constexpr int kNullEvery = 10; // every tenth note is SQL NULL
constexpr char kCreate[] = "CREATE TABLE t(id, name, note)";
constexpr char kInsert[] = "INSERT INTO t VALUES(?, ?, ?)";
constexpr char kSelect[] = "SELECT id, name, note FROM t";

using Params = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

struct Figures {
    std::vector<double> insertMs;
    std::vector<double> queryMs;
};

double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Other load only ever adds time, so the fastest run is the steadiest figure.
double best(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "telquin_bench: %s\n", what);
    std::exit(EXIT_FAILURE);
}

void runTelquin(ISQLiteSystem& db, const std::string& path, const std::vector<Params>& input,
                Figures& figures)
{
    std::filesystem::remove(path);
    if (db.OpenOrCreateDB(path.c_str()) != 1 || db.ExecSQLQuiet(kCreate) != 1) {
        fail("Telquin cannot create the table");
    }
    figures.insertMs.push_back(millisecondsOf([&] {
        db.ExecSQLQuiet("BEGIN");
        for (const Params& params : input) {
            if (db.ExecParams(kInsert, params) != 1) {
                fail("Telquin insert failed");
            }
        }
        db.ExecSQLQuiet("COMMIT");
    }));
    for (int repeat = 0; repeat < kQueryRepeats; ++repeat) {
        Rows rows;
        figures.queryMs.push_back(millisecondsOf([&] {
            if (db.QuerySQL(kSelect, rows) != 1) {
                fail("Telquin query failed");
            }
        }));
        if (rows.size() != input.size()) {
            fail("Telquin read back a wrong row count");
        }
    }
    db.CloseDB();
}

void insertDirect(sqlite3* db, const Params& params)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kInsert, static_cast<int>(std::strlen(kInsert)), &stmt, nullptr);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        if (params[i].empty()) {
            sqlite3_bind_null(stmt, index);
        } else {
            sqlite3_bind_text(stmt, index, params[i].data(), static_cast<int>(params[i].size()),
                              SQLITE_STATIC);
        }
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        fail("direct insert failed");
    }
}

void queryDirect(sqlite3* db, Rows& rows)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare(db, kSelect, -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row.emplace_back(text != nullptr ? text : "",
                             static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
        }
    }
    sqlite3_finalize(stmt);
}

void runDirect(const std::string& path, const std::vector<Params>& input, Figures& figures)
{
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail("direct open failed");
    }
    figures.insertMs.push_back(millisecondsOf([&] {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const Params& params : input) {
            insertDirect(db, params);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }));
    for (int repeat = 0; repeat < kQueryRepeats; ++repeat) {
        Rows rows;
        figures.queryMs.push_back(millisecondsOf([&] { queryDirect(db, rows); }));
        if (rows.size() != input.size()) {
            fail("direct query read back a wrong row count");
        }
    }
    sqlite3_close(db);
}

void printLine(const char* what, double telquin, double direct)
{
    std::printf("%-7s Telquin %9.1f ms   SQLite C %9.1f ms   overhead %+6.1f %%\n", what, telquin,
                direct, (telquin - direct) / direct * 100.0);
}

} // namespace

int main(int argc, char** argv)
{
    const int rowCount = argc > 1 ? std::atoi(argv[1]) : kDefaultRows;
    const int runs = argc > 2 ? std::atoi(argv[2]) : kDefaultRuns;
    if (rowCount < 1 || runs < 1) {
        fail("usage: telquin_bench [rows] [runs]");
    }

    std::vector<Params> input;
    input.reserve(static_cast<std::size_t>(rowCount));
    for (int i = 0; i < rowCount; ++i) {
        input.push_back({std::to_string(i), "name-" + std::to_string(i),
                         i % kNullEvery == 0 ? std::string() : "note " + std::to_string(i * 7)});
    }

    std::string folder = (std::filesystem::temp_directory_path() / "telquin-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        fail("cannot create a temporary folder");
    }
    const std::string path = folder + "/bench.db";
    int owner = 0;
    ISQLiteSystem* db = CreateISQLiteSystem(&owner);
    Figures telquin;
    Figures direct;
    // Alternating runs share whatever the machine is doing at the time.
    for (int run = 0; run < runs; ++run) {
        runTelquin(*db, path, input, telquin);
        runDirect(path, input, direct);
    }
    DeleteISQLiteSystem();
    std::filesystem::remove_all(folder);

    std::printf("%d rows, best of %d runs (%d reads per run)\n", rowCount, runs, kQueryRepeats);
    printLine("insert", best(telquin.insertMs), best(direct.insertMs));
    printLine("query", best(telquin.queryMs), best(direct.queryMs));
    return EXIT_SUCCESS;
}
