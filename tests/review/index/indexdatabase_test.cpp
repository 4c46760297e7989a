// The index file itself: made and versioned, migrated from version 1, a
// damaged one moved aside and rebuilt with every row of coding that can
// still be read, one of a newer program left alone.
#include "indexdatabase.h"
#include "scratchfolder.h"
#include "telquinlibrary.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

class IndexDatabaseTest : public reviewtest::ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ASSERT_NE(m_telquin.system(), nullptr) << m_telquin.error().toStdString();
    }

    // Coding, and more rows of other tables after it than fit a page.
    void code(int observations)
    {
        ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
        IndexDatabase::Transaction transaction(m_db);
        for (int i = 1; i <= observations; ++i) {
            ASSERT_TRUE(m_db.exec(
                "INSERT INTO observation(snapshot, code, name, kind, scored, grade, clock_from, "
                "continuous, end_m, remark) VALUES (?1, 'PL', '破裂', 'S', 1, ?2, ?3, ifnull(?4, "
                "''), "
                "?5, ifnull(?6, ''))",
                {QStringLiteral("A-1-2-%1.00M-20261207101530.jpg").arg(i),
                 QString::number(i % 4 + 1), QString::number(i % 12 + 1), i % 2 ? "continuous" : "",
                 i % 2 ? "12.5" : "", QStringLiteral("第 %1 处，").arg(i).repeated(i % 3 * 20)}));
        }
        ASSERT_TRUE(
            m_db.exec("INSERT INTO section(no, taskname, location, startwellno, endwellno, "
                      "length_m, soil) VALUES ('1', '', '滨江路', 'Y12', 'Y13', 30, 'mud')"));
        for (int i = 0; i < kFiller; ++i) {
            ASSERT_TRUE(m_db.exec("INSERT INTO file(name, kind, size, mtime_ms, usable) "
                                  "VALUES (?1, 'snapshot', 1, 1, 1)",
                                  {QStringLiteral("filler-%1.jpg").arg(i, 6, 10, QChar('0'))}));
        }
        ASSERT_TRUE(transaction.commit());
        m_stored = m_db.query(kObservations);
        m_db.close();
    }
    // Pages of the index as its own SQLite connection sees them.
    QStringList pages(const char* sql) const
    {
        QStringList found;
        sqlite3* db = nullptr;
        sqlite3_open_v2(path(IndexDatabase::fileName()).toUtf8().constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            found << QString::number(sqlite3_column_int(statement, 0));
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return found;
    }
    // Random bytes over pages from (counting from 1) for count pages.
    void overwrite(int from, int count)
    {
        ScratchFolder::overwrite(IndexDatabase::fileName(), qint64(from - 1) * kPageSize,
                                 qint64(count) * kPageSize);
    }
    void reopen()
    {
        ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
        EXPECT_TRUE(m_notice.contains("corrupt-")) << m_notice.toStdString();
    }

    static constexpr int kFiller = 400;
    static constexpr int kPageSize = 4096;
    static constexpr const char* kObservations =
        "SELECT id, snapshot, code, name, kind, scored, grade, clock_from, continuous, end_m, "
        "end_snapshot, remark FROM observation ORDER BY id";
    TelquinLibrary m_telquin;
    IndexDatabase m_db{m_telquin.system()};
    SqlRows m_stored;
    QString m_notice;
    QString m_error;
};

TEST_F(IndexDatabaseTest, NewIndexGetsTheSchemaAndItsVersionAndKeepsRowsAcrossOpenings)
{
    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
    EXPECT_TRUE(m_notice.isEmpty());
    EXPECT_EQ(m_db.query("PRAGMA user_version"), (SqlRows{{"2"}}));
    EXPECT_EQ(m_db.query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (SqlRows{{"file"},
                       {"observation"},
                       {"profile"},
                       {"project"},
                       {"recording"},
                       {"section"},
                       {"snapshot"}}));
    ASSERT_TRUE(
        m_db.exec("INSERT INTO observation(snapshot, remark) VALUES (?1, ?2)", {"a.jpg", "它's"}));
    m_db.close();

    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error));
    EXPECT_EQ(m_db.query("SELECT snapshot, remark FROM observation"), (SqlRows{{"a.jpg", "它's"}}));
    EXPECT_EQ(QDir(folderPath()).entryList(QDir::Files), QStringList{IndexDatabase::fileName()});
}

TEST_F(IndexDatabaseTest, DamagedIndexIsMovedAsideAndANewOneIsMade)
{
    const QByteArray garbage("this is no database, just bytes that happen to be here");
    write(IndexDatabase::fileName(), garbage);

    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
    const QStringList aside =
        QDir(folderPath()).entryList({IndexDatabase::fileName() + ".corrupt-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1) << aside.join(' ').toStdString();
    EXPECT_TRUE(
        QRegularExpression(R"(^inspection\.db\.corrupt-\d{14}$)").match(aside[0]).hasMatch());
    EXPECT_EQ(read(aside[0]), garbage);
    EXPECT_TRUE(m_notice.contains(aside[0])) << m_notice.toStdString();
    EXPECT_EQ(m_db.query("PRAGMA user_version"), (SqlRows{{"2"}}));
    EXPECT_EQ(m_db.query("PRAGMA quick_check"), (SqlRows{{"ok"}}));
}

TEST_F(IndexDatabaseTest, VersionOneContinuousMarksBecomeOneObservationWithItsEnd)
{
    // Migrated, and recovered from a damaged version 1 file the same way.
    for (const bool damaged : {false, true}) {
        QFile::remove(path(IndexDatabase::fileName()));
        // A version 1 index: today's made and taken back.
        ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error));
        ASSERT_TRUE(m_db.script("DROP TABLE section; DROP INDEX snapshot_by_project; "
                                "DROP INDEX recording_by_project; "
                                "ALTER TABLE observation DROP COLUMN start_m; "
                                "ALTER TABLE observation DROP COLUMN end_m; "
                                "ALTER TABLE observation DROP COLUMN end_snapshot; "
                                "PRAGMA user_version = 1"));
        ASSERT_TRUE(m_db.script(
            "PRAGMA foreign_keys = OFF;"
            "INSERT INTO project(id, no, taskname, location, startwellno, endwellno) "
            "VALUES (1, '', '', '滨江路', 'Y12', 'Y13');"
            "INSERT INTO snapshot(file, project_id, has_record, distance_m) VALUES ('a.jpg', 1, "
            "1, 2.0), ('b.jpg', 1, 1, 5.0), ('c.jpg', 1, 1, 8.0), ('d.jpg', 1, 1, 9.0);"
            "INSERT INTO observation(snapshot, code, name, kind, continuous, remark) VALUES "
            "('c.jpg', 'CJ', '沉积', 'F', 'end', ''), ('a.jpg', 'CJ', '沉积', 'F', 'start', '厚'),"
            "('b.jpg', 'PL', '破裂', 'S', 'start', ''), ('b.jpg', 'TJ', '脱节', 'S', '', ''),"
            "('d.jpg', 'SL', '渗漏', 'S', 'end', '')"));
        const int files =
            m_db.query("SELECT rootpage FROM sqlite_master WHERE name = 'file'")[0][0].toInt();
        m_db.close();
        if (damaged) {
            overwrite(files, 1);
        }

        ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
        EXPECT_EQ(m_notice.contains("恢复了 5 条观察"), damaged) << m_notice.toStdString();
        EXPECT_EQ(m_db.query("PRAGMA user_version"), (SqlRows{{"2"}}));
        EXPECT_EQ(
            m_db.query("SELECT snapshot, code, continuous, ifnull(end_m, '-'), end_snapshot, "
                       "remark FROM observation ORDER BY id"),
            (SqlRows{{"a.jpg", "CJ", "continuous", "8.0", "c.jpg", "厚"},
                     {"b.jpg", "PL", "continuous", "-", "", ""},
                     {"b.jpg", "TJ", "", "-", "", ""},
                     {"d.jpg", "SL", "continuous", "9.0", "d.jpg", "（连续缺陷终点，起点未标）"}}));
        m_db.close();
    }
}

TEST_F(IndexDatabaseTest, IndexOfANewerProgramIsRefusedAndLeftAsItIs)
{
    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error));
    ASSERT_TRUE(m_db.script("PRAGMA user_version = 99"));
    m_db.close();
    const QByteArray before = read(IndexDatabase::fileName());

    EXPECT_FALSE(m_db.open(folderPath(), &m_notice, &m_error));
    EXPECT_FALSE(m_error.isEmpty());
    EXPECT_FALSE(m_db.isOpen());
    EXPECT_EQ(read(IndexDatabase::fileName()), before);
    EXPECT_EQ(QDir(folderPath()).entryList(QDir::Files), QStringList{IndexDatabase::fileName()});
}

TEST_F(IndexDatabaseTest, FailedWorkInATransactionLeavesNothingBehind)
{
    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error));
    {
        IndexDatabase::Transaction transaction(m_db);
        ASSERT_TRUE(m_db.exec("INSERT INTO observation(snapshot) VALUES (?1)", {"a.jpg"}));
        EXPECT_FALSE(m_db.exec("INSERT INTO nope VALUES (?1)", {"x"}));
    }
    EXPECT_EQ(m_db.query("SELECT count(*) FROM observation"), (SqlRows{{"0"}}));
}

TEST_F(IndexDatabaseTest, DamagedIndexGivesBackEveryObservationStillReadable)
{
    // Random bytes over everything after the tables' first pages (the
    // coding's among them), the file cut off in the middle of the page after
    // them, or random bytes over the first page, which holds the schema.
    enum Damage { kTail, kCut, kSchema };
    for (const Damage damage : {kTail, kCut, kSchema}) {
        QFile::remove(path(IndexDatabase::fileName()));
        code(7);
        const int roots = pages("SELECT max(rootpage) FROM sqlite_master").value(0).toInt();
        const qint64 whole = QFileInfo(path(IndexDatabase::fileName())).size() / kPageSize;
        ASSERT_GT(whole, roots + 2);
        if (damage == kCut) {
            ASSERT_TRUE(
                QFile::resize(path(IndexDatabase::fileName()), roots * kPageSize + kPageSize / 2));
        } else {
            overwrite(damage == kTail ? roots + 1 : 1,
                      damage == kTail ? static_cast<int>(whole) - roots : 1);
        }
        reopen();
        EXPECT_TRUE(m_notice.contains("恢复了 7 条观察和 1 个管段的信息"))
            << m_notice.toStdString();
        // Without the schema nobody can tell whether a page held more.
        EXPECT_EQ(m_db.codingLost(), damage == kSchema);
        EXPECT_EQ(m_notice.contains("没有丢失"), damage != kSchema);
        EXPECT_EQ(m_db.query(kObservations), m_stored);
        EXPECT_EQ(m_db.query("SELECT location, length_m, soil FROM section"),
                  (SqlRows{{"滨江路", "30.0", "mud"}}));
        m_db.close();
    }
}

TEST_F(IndexDatabaseTest, DamagedPageOfObservationsIsCountedAsLost)
{
    code(300);
    const QStringList leaves =
        pages("SELECT pageno FROM dbstat WHERE name = 'observation' AND pagetype = 'leaf' "
              "ORDER BY pageno");
    ASSERT_GT(leaves.size(), 2);
    const int onLeaf = pages(QStringLiteral("SELECT ncell FROM dbstat WHERE pageno = %1")
                                 .arg(leaves[1])
                                 .toUtf8()
                                 .constData())
                           .value(0)
                           .toInt();
    overwrite(leaves[1].toInt(), 1);
    reopen();
    EXPECT_TRUE(m_db.codingLost());
    EXPECT_TRUE(m_notice.contains(QStringLiteral("恢复了 %1 条观察").arg(300 - onLeaf)))
        << m_notice.toStdString();
    EXPECT_TRUE(m_notice.contains("另有 1 页无法读取")) << m_notice.toStdString();
    EXPECT_EQ(m_db.query("SELECT count(*) FROM observation"),
              (SqlRows{{QString::number(300 - onLeaf)}}));
}

} // namespace
