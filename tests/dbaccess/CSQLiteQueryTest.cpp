#include "CapturedOutput.h"
#include "TelquinFixture.h"

TEST_F(Telquin, QuerySQLAppendsOneListPerRow)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a, b);"
                                "INSERT INTO t VALUES(1, 'one'), (2.5, NULL), ('三', x'41')"),
              1);
    Rows rows{{"earlier"}};
    ASSERT_EQ(db_->QuerySQL("SELECT a, b FROM t ORDER BY rowid", rows), 1);
    EXPECT_EQ(rows, (Rows{{"earlier"}, {"1", "one"}, {"2.5", ""}, {"三", "A"}}));
}

TEST_F(Telquin, QuerySQLWithoutResultRowsAppendsNothing)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a)"), 1);
    Rows rows{{"earlier"}};
    CapturedOutput output;
    EXPECT_EQ(db_->QuerySQL("SELECT a FROM t", rows), 1);
    EXPECT_EQ(db_->QuerySQL("INSERT INTO t VALUES(1)", rows), 1);
    EXPECT_EQ(db_->QuerySQL("   ", rows), 1);
    EXPECT_EQ(rows, (Rows{{"earlier"}}));
    EXPECT_EQ(output.err(), "");
    EXPECT_EQ(query("SELECT a FROM t"), (Rows{{"1"}}));
}

TEST_F(Telquin, QuerySQLFailuresLeaveRowsUntouched)
{
    openNew();
    // The third row overflows at run time, after two rows were delivered.
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a);"
                                "INSERT INTO t VALUES(1), (2), (-9223372036854775807 - 1)"),
              1);
    Rows rows{{"earlier"}};
    CapturedOutput output;
    EXPECT_EQ(db_->QuerySQL("SELECT a FROM nope", rows), 0);
    EXPECT_EQ(db_->QuerySQL("SELECT abs(a) FROM t ORDER BY rowid", rows), 0);
    EXPECT_EQ(rows, (Rows{{"earlier"}}));
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "SQL error: no such table: nope\n"
                            "SQL error: integer overflow\n");
}

TEST_F(Telquin, QueryParamsBindsTextAndNullAndAppendsRows)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a, b);"
                                "INSERT INTO t VALUES('管道', 1), ('x''y', 2), (NULL, 3)"),
              1);
    Rows rows{{"earlier"}};
    // A quote inside a value stays data; an empty value is NULL.
    EXPECT_EQ(db_->QueryParams("SELECT b FROM t WHERE a = ?1 OR a = ?2 ORDER BY b", {"管道", "x'y"},
                               rows),
              1);
    EXPECT_EQ(db_->QueryParams("SELECT b FROM t WHERE a IS ?", {""}, rows), 1);
    EXPECT_EQ(db_->QueryParams("SELECT count(*) FROM t", {}, rows), 1);
    EXPECT_EQ(rows, (Rows{{"earlier"}, {"1"}, {"2"}, {"3"}, {"3"}}));
}

TEST_F(Telquin, QueryParamsFailuresLeaveRowsUntouched)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a); INSERT INTO t VALUES(1), (2)"), 1);
    Rows rows{{"earlier"}};
    CapturedOutput output;
    EXPECT_EQ(db_->QueryParams("SELECT a FROM nope WHERE a = ?", {"1"}, rows), 0);
    EXPECT_EQ(db_->QueryParams("SELECT a FROM t WHERE a = ?", {"1", "2"}, rows), 0);
    // The second row overflows after the first was delivered.
    EXPECT_EQ(db_->QueryParams("SELECT abs(? - a) FROM t ORDER BY a DESC", {"-9223372036854775807"},
                               rows),
              0);
    EXPECT_EQ(rows, (Rows{{"earlier"}}));
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "SQL error: no such table: nope\n"
                            "SQL error: column index out of range\n"
                            "SQL error: integer overflow\n");
}
