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
