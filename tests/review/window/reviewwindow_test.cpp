// The review window offscreen, driven by the keyboard as an operator codes:
// every change is in the index file at once and still there after a
// restart; a grade or end no code or crawler has is refused and not
// stored; a continuous defect ended on a later snapshot; the section form;
// a report written while the window stays in use, and cancelled; removed
// and new snapshots show without asking; a damaged index is reported; a
// read-only folder says so and its coding goes to this computer.
#include "folderfixture.h"
#include "observationeditor.h"
#include "reportprogress.h"
#include "reviewwindow.h"
#include "sectionform.h"
#include "snapshottree.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <memory>

namespace {

using namespace reviewtest;

constexpr int kSeconds = 3;
constexpr int kWatchMs = 20000;
constexpr int kPollMs = 10;
constexpr int kReportMs = 120000;
constexpr int kLargePictures = 8;
const QSize kConsolePicture(1596, 1080);

// Rows of the index file read with a connection of our own: what another
// program, or this one after a crash, would find.
QStringList storedRows(const QString& db, const char* sql)
{
    QStringList rows;
    sqlite3* connection = nullptr;
    if (sqlite3_open_v2(db.toUtf8().constData(), &connection, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr);
        while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                row << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
            }
            rows << row.join('|');
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(connection);
    return rows;
}

QStringList storedObservations(const QString& db)
{
    return storedRows(db, "SELECT code, name, ifnull(grade, 0), ifnull(clock_from, 0), "
                          "ifnull(clock_to, 0), continuous, ifnull(end_m, ''), remark "
                          "FROM observation ORDER BY id");
}

class ReviewWindowTest : public FolderFixture {
protected:
    void SetUp() override
    {
        FolderFixture::SetUp();
        m_inspection = writeInspection(folderPath(), {2.0, 4.5, 7.0}, kSeconds);
        m_folder.reset(); // the window opens the folder itself
    }
    void start()
    {
        m_window = std::make_unique<ReviewWindow>(
            sql(), CodeTables::loadFolder(CodeTables::defaultFolder()));
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        ASSERT_TRUE(m_window->openFolder(folderPath()));
    }
    // Keys go where the keyboard focus is, as they would from the keyboard.
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
    // Latin text as key presses; Chinese as an input method commits it.
    void type(const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(QApplication::focusWidget(), QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(QApplication::focusWidget(), &commit);
            }
        }
    }
    QStringList labels() const
    {
        QStringList texts;
        for (QTreeWidgetItemIterator it(m_window->tree()); *it != nullptr; ++it) {
            if (!(*it)->data(0, SnapshotTree::kFileRole).toString().isEmpty()) {
                texts << (*it)->text(0);
            }
        }
        return texts;
    }

    Inspection m_inspection;
    std::unique_ptr<ReviewWindow> m_window;
};

TEST_F(ReviewWindowTest, SnapshotsAreCodedWithTheKeyboardAndEachChangeIsStoredAtOnce)
{
    start();
    ASSERT_EQ(m_window->tree()->currentFile(), m_inspection.snapshots[0]);
    ASSERT_EQ(QApplication::focusWidget(), m_window->tree());

    key(Qt::Key_Insert);
    type("pl");
    key(Qt::Key_Return);
    key(Qt::Key_3); // grade
    key(Qt::Key_Tab);
    type("2"); // clock from
    key(Qt::Key_Tab);
    type("4"); // clock to
    key(Qt::Key_Tab);
    key(Qt::Key_Down); // continuous
    key(Qt::Key_Tab);  // its end, not known yet
    key(Qt::Key_Tab);
    type("裂缝宽 2mm");
    const QString db = QDir(folderPath()).filePath("inspection.db");
    EXPECT_EQ(storedObservations(db), QStringList{"PL|破裂|3|2|4|continuous||裂缝宽 2mm"});
    key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), m_window->tree());
    EXPECT_TRUE(m_window->statusBar()->currentMessage().contains("1 个连续缺陷未标终点"));
    EXPECT_TRUE(m_window->editor()
                    ->findChild<QListWidget*>("observationList")
                    ->item(0)
                    ->text()
                    .contains("未标终点"));

    // The next snapshot: the crack ends there; and one without a defect.
    key(Qt::Key_PageDown);
    EXPECT_EQ(m_window->tree()->currentFile(), m_inspection.snapshots[1]);
    key(Qt::Key_F8);
    EXPECT_EQ(storedObservations(db), QStringList{"PL|破裂|3|2|4|continuous|4.5|裂缝宽 2mm"});
    EXPECT_FALSE(m_window->statusBar()->currentMessage().contains("未标终点"));
    key(Qt::Key_Return);
    type("检查井");
    key(Qt::Key_Return);
    key(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), m_window->tree());
    EXPECT_EQ(storedObservations(db),
              (QStringList{"PL|破裂|3|2|4|continuous|4.5|裂缝宽 2mm", "|检查井|0|0|0|||"}));

    const QStringList rows = labels();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].endsWith("PL3")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith("检查井")) << rows[1].toStdString();
    // PL 3级 over 2.0-4.5 m alone: F = 5.
    EXPECT_TRUE(m_window->statusBar()->currentMessage().contains("结构性 F = 5.00 III级"))
        << m_window->statusBar()->currentMessage().toStdString();

    // Back and remove the defect from the list with Delete.
    key(Qt::Key_PageUp);
    auto* list = m_window->editor()->findChild<QWidget*>("observationList");
    list->setFocus();
    key(Qt::Key_Delete);
    EXPECT_EQ(storedObservations(db), QStringList{"|检查井|0|0|0|||"});
}

TEST_F(ReviewWindowTest, GradeOrEndTheCodeCannotHaveIsRefusedInTheFormAndNotStored)
{
    start();
    key(Qt::Key_Insert);
    type("fs");
    key(Qt::Key_Return);
    const QString db = path("inspection.db");
    const QStringList coded = storedObservations(db);
    ASSERT_EQ(coded, QStringList{"FS|腐蚀|1|0|0|||"});
    auto* refusal = m_window->editor()->findChild<QLabel*>("refusal");
    EXPECT_FALSE(refusal->isVisible());

    key(Qt::Key_4); // 腐蚀 has grades 1 to 3
    EXPECT_TRUE(refusal->isVisible());
    EXPECT_TRUE(refusal->text().contains("没有 4级")) << refusal->text().toStdString();
    EXPECT_EQ(m_window->editor()->findChild<QComboBox*>("grade")->currentText(), "1级");
    EXPECT_EQ(storedObservations(db), coded);
    key(Qt::Key_3);
    EXPECT_FALSE(refusal->isVisible());
    EXPECT_EQ(storedObservations(db), QStringList{"FS|腐蚀|3|0|0|||"});

    // Continuous, with an end typed on to farther than any cable reaches.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Down);
    key(Qt::Key_Tab);
    type("60000");
    EXPECT_TRUE(refusal->isVisible());
    EXPECT_EQ(storedObservations(db), QStringList{"FS|腐蚀|3|0|0|continuous|600.0|"});
}

TEST_F(ReviewWindowTest, EditSurvivesARestart)
{
    start();
    m_window->tree()->selectFile(m_inspection.snapshots[2]);
    m_window->editor()->startNew();
    type("CJ 沉积");
    key(Qt::Key_Return);
    key(Qt::Key_2);
    m_window.reset();
    reloadTelquin();

    start();
    ASSERT_TRUE(m_window->tree()->selectFile(m_inspection.snapshots[2]));
    const QVector<Observation> observations = m_window->editor()->observations();
    ASSERT_EQ(observations.size(), 1);
    EXPECT_EQ(observations[0].code, "CJ");
    EXPECT_EQ(observations[0].grade, 2);
    EXPECT_EQ(m_window->editor()->findChild<QComboBox*>("code")->currentText(), "CJ 沉积");
}

TEST_F(ReviewWindowTest, SectionFormIsStoredAtOnceAndGradesTheSection)
{
    start();
    key(Qt::Key_Insert);
    type("pl");
    key(Qt::Key_Return);
    key(Qt::Key_3);
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    type("30");
    key(Qt::Key_Tab);
    key(Qt::Key_Down); // K = 10
    key(Qt::Key_Tab);
    key(Qt::Key_Down);
    key(Qt::Key_Down); // 粉砂层, T = 10
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab); // to 检测, past year and depths
    key(Qt::Key_Tab); // 校核
    type("王工");
    EXPECT_EQ(storedRows(path("inspection.db"),
                         "SELECT length_m, area_class, soil, checked_by FROM section"),
              QStringList{"30.0|10|silty-sand|王工"});
    // PL 3级: F = 5, RI = 0.7 * 5 + 0.1 * 10 + 0.05 * 3 (600 mm) + 0.15 * 10 = 6.15.
    const QString shown = m_window->sectionForm()->findChild<QLabel*>("assessment")->text();
    EXPECT_TRUE(shown.contains("RI = 6.15　修复 III级")) << shown.toStdString();
}

TEST_F(ReviewWindowTest, ReportIsWrittenWhileTheWindowStaysInUseAndCanBeCancelled)
{
    // Pictures of the console's size: a report that takes more than one slice of work.
    for (int i = 0; i < kLargePictures; ++i) {
        SnapshotRecord record{m_inspection.start.addSecs(i), 10.0 + i, 0, 0, QString(), 0};
        ASSERT_TRUE(
            writeJpeg(path(snapshotName(m_inspection.project, record.distanceM, record.time)),
                      kConsolePicture, {snapshotComment(m_inspection.project, record)}));
    }
    start();
    QTemporaryDir out;
    QSignalSpy done(m_window.get(), &ReviewWindow::reportDone);
    const QString pdf = out.filePath("report.pdf");
    ASSERT_TRUE(m_window->writeReport(pdf));
    ASSERT_NE(m_window->reportInProgress(), nullptr);
    QProgressDialog* progress = m_window->reportInProgress()->dialog();
    EXPECT_TRUE(progress->isVisible());
    // The event loop runs between the slices of work: the dialog is seen part way.
    QSet<int> seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (m_window->reportInProgress() != nullptr) {
            seen << m_window->reportInProgress()->dialog()->value();
        }
    });
    poll.start(1);
    ASSERT_TRUE(done.wait(kReportMs));
    EXPECT_TRUE(done.takeFirst().at(0).toBool());
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [](int v) { return v > 0 && v < ReportJob::kProgressSteps; }));

    const QString cancelled = out.filePath("cancelled.pdf");
    ASSERT_TRUE(m_window->writeReport(cancelled));
    QTest::mouseClick(m_window->reportInProgress()->dialog()->findChild<QPushButton*>(),
                      Qt::LeftButton);
    ASSERT_TRUE(done.count() == 1 || done.wait(kReportMs));
    EXPECT_FALSE(done.takeFirst().at(0).toBool());
    EXPECT_FALSE(QFile::exists(cancelled));
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files) == QStringList{"report.pdf"});
}

TEST_F(ReviewWindowTest, RemovedSnapshotLeavesTheListAndANewOneJoinsItWithoutAsking)
{
    start();
    ASSERT_EQ(m_window->tree()->snapshotCount(), 3);
    ASSERT_TRUE(QFile::remove(path(m_inspection.snapshots[1])));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->tree()->snapshotCount() == 2; }, kWatchMs));
    EXPECT_FALSE(m_window->tree()->selectFile(m_inspection.snapshots[1]));

    SnapshotRecord record{m_inspection.start.addSecs(2), 9.5, 0, 0, QString(), 0};
    const QString name = snapshotName(m_inspection.project, 9.5, record.time);
    ASSERT_TRUE(
        writeJpeg(path(name), QSize(64, 48), {snapshotComment(m_inspection.project, record)}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->tree()->snapshotCount() == 3; }, kWatchMs));
    EXPECT_TRUE(m_window->tree()->selectFile(name));
}

TEST_F(ReviewWindowTest, ChangeTheIndexRefusesIsReported)
{
    start();
    // Another program breaks the index under the open window.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path("inspection.db").toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "DROP TABLE observation", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    QString told;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            told = box->text();
            box->close();
        }
    });
    poll.start(kPollMs);
    key(Qt::Key_Insert);
    type("pl");
    key(Qt::Key_Return);
    EXPECT_TRUE(told.contains("没有保存")) << told.toStdString();
    EXPECT_TRUE(m_window->editor()->observations().isEmpty());
}

TEST_F(ReviewWindowTest, DamagedIndexIsRebuiltWithAMessage)
{
    QFile damaged(path("inspection.db"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    start();
    auto* notice = m_window->findChild<QMessageBox*>("notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains("inspection.db.corrupt-")) << notice->text().toStdString();
    EXPECT_EQ(m_window->tree()->snapshotCount(), 3);
}

TEST_F(ReviewWindowTest, ReadOnlyFolderSaysSoAndItsCodingGoesToThisComputer)
{
    ASSERT_TRUE(m_folder == nullptr);
    reloadTelquin();
    ASSERT_TRUE(open());
    ASSERT_GT(index().addObservation(note(m_inspection.snapshots[0], "检查井")), 0);
    m_folder.reset();
    const QByteArray index = read("inspection.db");
    // The folder seen through a read-only mount, as from a delivered disc.
    QTemporaryDir disc;
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    const auto ownCache = qScopeGuard([] { qunsetenv("XDG_CACHE_HOME"); });
    if (QProcess::execute("mount", {"--bind", folderPath(), disc.path()}) != 0) {
        GTEST_SKIP() << "a read-only bind mount needs root and mount rights";
    }
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disc.path()}); });
    ASSERT_EQ(QProcess::execute("mount", {"-o", "remount,ro,bind", disc.path()}), 0);

    m_window =
        std::make_unique<ReviewWindow>(sql(), CodeTables::loadFolder(CodeTables::defaultFolder()));
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    ASSERT_TRUE(m_window->openFolder(disc.path()));
    auto* readOnly = m_window->findChild<QLabel*>("readOnlyNote");
    EXPECT_TRUE(readOnly->isVisible());
    const QString cached = IndexDatabase::cachePath(disc.path());
    EXPECT_TRUE(readOnly->text().contains(cached)) << readOnly->text().toStdString();
    EXPECT_EQ(m_window->tree()->snapshotCount(), 3);

    key(Qt::Key_Insert);
    type("pl");
    key(Qt::Key_Return);
    EXPECT_EQ(storedObservations(cached), (QStringList{"|检查井|0|0|0|||", "PL|破裂|1|0|0|||"}));
    EXPECT_EQ(read("inspection.db"), index);
}

} // namespace
