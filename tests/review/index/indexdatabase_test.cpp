// The index file itself: made and versioned, migrated from version 1, a
// damaged one moved aside and rebuilt, one of a newer program left alone.
#include "indexdatabase.h"
#include "scratchfolder.h"
#include "telquinlibrary.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class IndexDatabaseTest : public reviewtest::ScratchFolder {
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ASSERT_NE(m_telquin.system(), nullptr) << m_telquin.error().toStdString();
    }

    TelquinLibrary m_telquin;
    IndexDatabase m_db{m_telquin.system()};
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
        "INSERT INTO snapshot(file, project_id, has_record, distance_m) VALUES "
        "('a.jpg', 1, 1, 2.0), ('b.jpg', 1, 1, 5.0), ('c.jpg', 1, 1, 8.0), ('d.jpg', 1, 1, 9.0);"
        "INSERT INTO observation(snapshot, code, name, kind, continuous, remark) VALUES "
        "('c.jpg', 'CJ', '沉积', 'F', 'end', ''), ('a.jpg', 'CJ', '沉积', 'F', 'start', '厚'),"
        "('b.jpg', 'PL', '破裂', 'S', 'start', ''), ('b.jpg', 'TJ', '脱节', 'S', '', ''),"
        "('d.jpg', 'SL', '渗漏', 'S', 'end', '')"));
    m_db.close();

    ASSERT_TRUE(m_db.open(folderPath(), &m_notice, &m_error)) << m_error.toStdString();
    EXPECT_EQ(m_db.query("PRAGMA user_version"), (SqlRows{{"2"}}));
    EXPECT_EQ(
        m_db.query("SELECT snapshot, code, continuous, ifnull(end_m, '-'), end_snapshot, "
                   "remark FROM observation ORDER BY id"),
        (SqlRows{{"a.jpg", "CJ", "continuous", "8.0", "c.jpg", "厚"},
                 {"b.jpg", "PL", "continuous", "-", "", ""},
                 {"b.jpg", "TJ", "", "-", "", ""},
                 {"d.jpg", "SL", "continuous", "9.0", "d.jpg", "（连续缺陷终点，起点未标）"}}));
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

} // namespace
