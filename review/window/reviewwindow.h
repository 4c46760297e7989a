// The review window: the folder's snapshots by project and recording, the
// current picture large (or the recording playing, when a recording's row
// is chosen or F6 goes from a snapshot to its moment), its observations,
// and the pipe section's own data with its assessment. Keyboard first:
// PageDown and PageUp move between snapshots from anywhere, Insert or Enter
// starts an observation, Escape returns to the list, F7 and F8 start and end
// a continuous defect on the current snapshot. In the player F2 grabs the
// frame shown as a new snapshot and F7 and F8 grab it as a continuous
// defect's start and end. Every change is stored at once (for a folder the
// user cannot write, in the index kept on this computer, which the status
// bar says); the folder is scanned again when its files change (or with
// F5). Reports are written while the window stays in use.
#pragma once

#include "codetable.h"
#include "inspectionfolder.h"
#include "playerview.h"
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
class QStackedWidget;

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
    // A new observation on the current snapshot that is a continuous defect.
    void markContinuousStart();

    // The recording in the picture area, paused at atS (unknown: where it
    // was); a recording without its video says so there.
    void showRecording(const Recording& recording, double atS);
    // From the current snapshot to its moment in its recording (F6).
    void goToMoment();
    // The player's frame as a new snapshot, opened for coding as kind says.
    void grabFrame(PlayerView::GrabKind kind);
    bool playerShown() const;
    PlayerView* player() const { return m_player; }

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
    void grabbed(const QString& file, const QString& error, PlayerView::GrabKind kind);
    // The distance scale's marks: the player's recording's snapshots.
    void updateMarks();
    Recording recordingOf(qint64 projectId, const QString& name);
    // The unfinished continuous defects of here's project that start before
    // it, each with its line for a choice.
    QVector<Observation> openBefore(const Snapshot& here, QStringList* choices);

    InspectionFolder m_folder;
    CodeTables m_codes;
    SnapshotTree* m_tree;
    SnapshotView* m_view;
    PlayerView* m_player;
    QStackedWidget* m_pictures;
    // The snapshot last chosen: the player stays while it stays chosen, and
    // while a grabbed frame is chosen for coding.
    QString m_shownFile;
    bool m_keepPlayer = false;
    ObservationEditor* m_editor;
    SectionForm* m_section;
    QListWidget* m_problems;
    QFileSystemWatcher* m_watcher;
    QLabel* m_readOnlyNote; // for a folder the user cannot write
    QTimer m_rescanTimer;
    std::unique_ptr<ReportProgress> m_report;
};
