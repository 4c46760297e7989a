// The review window: the folder's snapshots by project and recording, the
// current picture large, its observations, and the pipe section's own data
// with its assessment. Keyboard first: PageDown and PageUp move between
// snapshots from anywhere, Insert or Enter starts an observation, Escape
// returns to the list, F8 ends a continuous defect on the current snapshot.
// Every change is stored at once (for a folder the user cannot write, in
// the index kept on this computer, which the status bar says); the folder
// is scanned again when its files change (or with F5). Reports are
// written while the window stays in use.
#pragma once

#include "codetable.h"
#include "inspectionfolder.h"
#include "reportdata.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class ObservationEditor;
class QLabel;
class QListWidget;
class ReportProgress;
class SectionForm;
class SnapshotTree;
class SnapshotView;
class QFileSystemWatcher;

class ReviewWindow : public QMainWindow {
    Q_OBJECT
public:
    // Quiet time after a change in the folder before it is scanned again.
    static constexpr int kRescanDelayMs = 1000;
    static constexpr int kStatusMessageMs = 8000;

    // sql: Telquin's instance, not owned; codes: the defect code tables.
    ReviewWindow(ISQLiteSystem* sql, CodeTables codes, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Opens the folder; false (and a message) when it cannot be indexed.
    bool openFolder(const QString& folder);
    void rescan();
    // Starts the report of every section (or only the current one);
    // reportDone tells when it ends. False when it cannot start.
    bool writeReport(const QString& path, bool allSections = true);
    // Every section's observations to path and their assessment beside it
    // (assessmentCsvPath).
    bool writeCsv(const QString& path);
    static QString assessmentCsvPath(const QString& path);
    // Reads observations coded elsewhere; false (and a message) when the file is refused.
    bool importCsv(const QString& path);
    // Ends the unfinished continuous defect that started before the current
    // snapshot there (asking which, when there are several).
    void markContinuousEnd();

    SnapshotTree* tree() const { return m_tree; }
    ObservationEditor* editor() const { return m_editor; }
    SectionForm* sectionForm() const { return m_section; }
    ReportProgress* reportInProgress() const { return m_report.get(); }
    SnapshotView* view() const { return m_view; }
    QListWidget* problemList() const { return m_problems; }
    InspectionFolder& folder() { return m_folder; }

    // The program without --report: Telquin, the code tables, the window on
    // the folder of the arguments (or one the operator picks).
    static int run(const QStringList& arguments);

signals:
    void reportDone(bool ok);

private:
    void buildActions();
    void showSnapshot(const QString& file);
    void refresh();
    void updateStatus();
    void chooseFolder();
    void saveReport(bool allSections);
    void saveCsv();
    void openCsv();
    void showNotice(const QString& text);
    void storeFailed();
    // The sections a report or export takes.
    QVector<SectionReport> gather(bool allSections);
    QString suggestedName(const QString& suffix, bool allSections);

    InspectionFolder m_folder;
    CodeTables m_codes;
    SnapshotTree* m_tree;
    SnapshotView* m_view;
    ObservationEditor* m_editor;
    SectionForm* m_section;
    QListWidget* m_problems;
    QFileSystemWatcher* m_watcher;
    QLabel* m_readOnlyNote; // for a folder the user cannot write
    QTimer m_rescanTimer;
    std::unique_ptr<ReportProgress> m_report;
};
