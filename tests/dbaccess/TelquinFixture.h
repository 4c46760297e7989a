// A fresh Telquin instance and a private folder for database files per test.
#pragma once

#include "ISQLiteSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using Rows = std::vector<std::vector<std::string>>;

class Telquin : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dbPath(const std::string& name) const;
    // Opens (creating) a database in the test folder.
    void openNew(const std::string& name = "test.db");
    // Rows of a query that must succeed.
    Rows query(const char* sql);

    int owner_ = 0;
    ISQLiteSystem* db_ = nullptr;
    std::filesystem::path dir_;
};
