#include "CapturedOutput.h"
#include "TelquinFixture.h"

#include <random>

namespace {
constexpr char kInsertFailure[] = "insert into blob value failure!";

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(byte(random));
    }
    return bytes;
}
} // namespace

TEST_F(Telquin, InsertText4BindsFourTextsInOrder)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a, b, c, d)"), 1);
    EXPECT_EQ(db_->InsertText4("INSERT INTO t VALUES(?, ?, ?, ?)", "1", "二", "three", ""), 1);
    EXPECT_EQ(db_->InsertText4("INSERT INTO t VALUES(?4, ?3, ?2, ?1)", "1", "2", "3", "4"), 1);
    EXPECT_EQ(
        query("SELECT a, b, c, d, typeof(a), typeof(d) FROM t ORDER BY rowid"),
        (Rows{{"1", "二", "three", "", "text", "text"}, {"4", "3", "2", "1", "text", "text"}}));
}

TEST_F(Telquin, InsertText4ReportsFailuresOnStandardOutput)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a UNIQUE, b, c, d)"), 1);
    ASSERT_EQ(db_->InsertText4("INSERT INTO t VALUES(?, ?, ?, ?)", "1", "2", "3", "4"), 1);
    CapturedOutput output;
    EXPECT_EQ(db_->InsertText4("INSERT INTO nope VALUES(?, ?, ?, ?)", "1", "2", "3", "4"), 0);
    EXPECT_EQ(db_->InsertText4("INSERT INTO t VALUES(?, ?, ?, ?)", "1", "2", "3", "4"), 0);
    // A value with no parameter to take it is not silently dropped.
    EXPECT_EQ(db_->InsertText4("INSERT INTO t VALUES(?, ?, ?, 0)", "9", "2", "3", "4"), 0);
    EXPECT_EQ(output.out(), std::string(kInsertFailure) + kInsertFailure + kInsertFailure);
    EXPECT_EQ(output.err(), "");
    EXPECT_EQ(query("SELECT count(*) FROM t"), (Rows{{"1"}}));
}

TEST_F(Telquin, InsertBlobReadsBackByteForByte)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE b(name, data, tail)"), 1);
    const std::vector<std::size_t> sizes = {0, 1, 1023, 1024, 1025, 1 << 20};
    for (std::size_t size : sizes) {
        const std::string bytes = randomBytes(size, static_cast<unsigned>(size));
        const std::string name = "blob" + std::to_string(size);
        ASSERT_EQ(db_->InsertBlob("INSERT INTO b VALUES(?, ?, ?)", name.c_str(), bytes.data(),
                                  "tail", static_cast<int>(size)),
                  1)
            << size;
        const Rows rows = query(("SELECT data, tail, typeof(data), length(data) FROM b "
                                 "WHERE name = '" +
                                 name + "'")
                                    .c_str());
        ASSERT_EQ(rows.size(), 1u) << size;
        EXPECT_TRUE(rows[0][0] == bytes) << size;
        EXPECT_EQ(rows[0][1], "tail");
        EXPECT_EQ(rows[0][2], "blob");
        EXPECT_EQ(rows[0][3], std::to_string(size));
    }
}

TEST_F(Telquin, InsertBlobRejectsNegativeLengthAndMissingBytes)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE b(name, data, tail)"), 1);
    const char bytes[] = "abc";
    CapturedOutput output;
    EXPECT_EQ(db_->InsertBlob("INSERT INTO b VALUES(?, ?, ?)", "neg", bytes, "t", -1), 0);
    EXPECT_EQ(db_->InsertBlob("INSERT INTO b VALUES(?, ?, ?)", "null", nullptr, "t", 3), 0);
    EXPECT_EQ(db_->InsertBlob("INSERT INTO nope VALUES(?, ?, ?)", "x", bytes, "t", 3), 0);
    EXPECT_EQ(db_->InsertBlob("INSERT INTO b VALUES(?, ?, ?)", "empty", nullptr, "t", 0), 1);
    EXPECT_EQ(output.out(), std::string(kInsertFailure) + kInsertFailure + kInsertFailure);
    EXPECT_EQ(query("SELECT name, typeof(data), length(data) FROM b"),
              (Rows{{"empty", "blob", "0"}}));
}

TEST_F(Telquin, ExecParamsBindsEmptyStringAsNull)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a, b)"), 1);
    CapturedOutput output;
    EXPECT_EQ(db_->ExecParams("INSERT INTO t VALUES(?, ?)", {"a", ""}), 1);
    EXPECT_EQ(db_->ExecParams("INSERT INTO t VALUES(?, ?)", {std::string("x\0y", 3), "管"}), 1);
    EXPECT_EQ(db_->ExecParams("DELETE FROM t WHERE a = 'none'", {}), 1);
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "");
    EXPECT_EQ(query("SELECT a, b, typeof(b), length(CAST(a AS BLOB)) FROM t ORDER BY rowid"),
              (Rows{{"a", "", "null", "1"}, {std::string("x\0y", 3), "管", "text", "3"}}));
}

TEST_F(Telquin, ExecParamsReportsFailuresWithSqliteMessages)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a UNIQUE)"), 1);
    ASSERT_EQ(db_->ExecParams("INSERT INTO t VALUES(?)", {"1"}), 1);
    CapturedOutput output;
    EXPECT_EQ(db_->ExecParams("INSERT INTO nope VALUES(?)", {"1"}), 0);
    EXPECT_EQ(db_->ExecParams("INSERT INTO t VALUES(?)", {"1"}), 0);
    EXPECT_EQ(db_->ExecParams("INSERT INTO t VALUES(?)", {"2", "3"}), 0);
    EXPECT_EQ(db_->ExecParams("SELECT a FROM t", {}), 0);
    EXPECT_EQ(db_->ExecParams("  -- only a comment", {}), 0);
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "sql error:no such table: nope\n"
                            "sql error:UNIQUE constraint failed: t.a\n"
                            "sql error:column index out of range\n"
                            "sql error:another row available\n"
                            "sql error:no SQL statement\n");
    EXPECT_EQ(query("SELECT a FROM t"), (Rows{{"1"}}));
}
