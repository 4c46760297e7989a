#include "CapturedOutput.h"
#include "TelquinFixture.h"

TEST_F(Telquin, ExecSQLPrintsEachRowAsNameValueLines)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(name, note);"
                                "INSERT INTO t VALUES('a', NULL), ('管道', 2.5)"),
              1);
    CapturedOutput output;
    EXPECT_EQ(db_->ExecSQL("SELECT 7 AS answer"), 1);
    EXPECT_EQ(db_->ExecSQL("SELECT name, note FROM t ORDER BY rowid"), 1);
    EXPECT_EQ(db_->ExecSQL("SELECT name FROM t WHERE 0"), 1);
    EXPECT_EQ(output.out(), "answer = 7\n"
                            "\n"
                            "name = a\n"
                            "note = NULL\n"
                            "\n"
                            "name = 管道\n"
                            "note = 2.5\n"
                            "\n");
    EXPECT_EQ(output.err(), "");
}

TEST_F(Telquin, ExecVariantsReportSqlErrorsOnStandardError)
{
    openNew();
    CapturedOutput output;
    EXPECT_EQ(db_->ExecSQL("SELEC 1"), 0);
    EXPECT_EQ(db_->ExecSQLQuiet("SELECT * FROM nope"), 0);
    EXPECT_EQ(db_->ExecSQLQuiet2("CREATE TABLE t(a); CREATE TABLE t(a)"), 0);
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "SQL error: near \"SELEC\": syntax error\n"
                            "SQL error: no such table: nope\n"
                            "SQL error: table t already exists\n");
}

TEST_F(Telquin, QuietVariantsRunWholeScriptsWithoutPrinting)
{
    openNew();
    CapturedOutput output;
    EXPECT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a); INSERT INTO t VALUES(1); SELECT a FROM t"), 1);
    EXPECT_EQ(db_->ExecSQLQuiet2("INSERT INTO t VALUES(2); SELECT a FROM t"), 1);
    EXPECT_EQ(output.out(), "");
    EXPECT_EQ(output.err(), "");
    EXPECT_EQ(query("SELECT a FROM t ORDER BY a"), (Rows{{"1"}, {"2"}}));
}
