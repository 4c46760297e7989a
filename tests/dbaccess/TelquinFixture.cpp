#include "TelquinFixture.h"

#include <sqlite3.h>

#include <stdexcept>
#include <stdlib.h>

void Telquin::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "telquin-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
    db_ = CreateISQLiteSystem(&owner_);
    ASSERT_NE(db_, nullptr);
}

void Telquin::TearDown()
{
    // Every test leaves its connection closable: a leaked statement shows here.
    EXPECT_EQ(db_->CloseDB(), SQLITE_OK);
    DeleteISQLiteSystem();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string Telquin::dbPath(const std::string& name) const
{
    return (dir_ / name).string();
}

void Telquin::openNew(const std::string& name)
{
    ASSERT_EQ(db_->OpenOrCreateDB(dbPath(name).c_str()), 1);
}

Rows Telquin::query(const char* sql)
{
    Rows rows;
    EXPECT_EQ(db_->QuerySQL(sql, rows), 1) << sql;
    return rows;
}
