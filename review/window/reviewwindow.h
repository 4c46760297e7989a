// The review window: the folder's snapshots by project and recording, the
// current picture large, and its observations. Keyboard first: PageDown
// and PageUp move between snapshots from anywhere, Insert or Enter starts
// an observation, Escape returns to the list. Every change is stored at
// once; the folder is scanned again when its files change (or with F5).
#pragma once

#include "codetable.h"
#include "inspectionfolder.h"
#include "reportdata.h"

#include <QMainWindow>
#include <QTimer>

class ObservationEditor;
class QListWidget;
class SnapshotTree;
class SnapshotView;
class QFileSystemWatcher;

class ReviewWindow : public QMainWindow {
    Q_OBJECT
public:
    // Quiet time after a change in the folder before it is scanned again.
    static constexpr int kRescanDelayMs = 1000;

    // sql: Telquin's instance, not owned; codes: the defect code tables.
    ReviewWindow(ISQLiteSystem* sql, CodeTables codes, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Opens the folder; false (and a message) when it cannot be indexed.
    bool openFolder(const QString& folder);
    void rescan();
    // Writes the current project's report or observation table.
    bool writeReport(const QString& path);
    bool writeCsv(const QString& path);

    SnapshotTree* tree() const { return m_tree; }
    ObservationEditor* editor() const { return m_editor; }
    SnapshotView* view() const { return m_view; }
    QListWidget* problemList() const { return m_problems; }
    InspectionFolder& folder() { return m_folder; }

    // The program without --report: Telquin, the code tables, the window on
    // the folder of the arguments (or one the operator picks).
    static int run(const QStringList& arguments);

private:
    void buildActions();
    void showSnapshot(const QString& file);
    void refresh();
    void updateStatus();
    void chooseFolder();
    void saveReport();
    void saveCsv();
    void showNotice(const QString& text);
    using ProjectWriter = bool (*)(const ReportData&, const QString&, QString*);
    // Writes the current project with write; done: the status text, %1 the path.
    bool exportProject(const QString& path, const QString& title, const QString& done,
                       ProjectWriter write);
    QString suggestedName(const QString& suffix);

    InspectionFolder m_folder;
    CodeTables m_codes;
    SnapshotTree* m_tree;
    SnapshotView* m_view;
    ObservationEditor* m_editor;
    QListWidget* m_problems;
    QFileSystemWatcher* m_watcher;
    QTimer m_rescanTimer;
};
