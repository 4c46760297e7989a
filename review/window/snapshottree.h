// The folder's snapshots by project and recording, each group ordered by
// distance. Arrow keys move through every row; nextSnapshot() and
// previousSnapshot() skip the group rows.
#pragma once

#include "inspectionindex.h"

#include <QTreeWidget>

class SnapshotTree : public QTreeWidget {
    Q_OBJECT
public:
    enum Role { kFileRole = Qt::UserRole, kProjectRole, kRecordingRole };

    explicit SnapshotTree(QWidget* parent = nullptr);

    // Rebuilds from the index, keeping the current snapshot when it is still there.
    void load(InspectionIndex& index);
    // The current row's snapshot file, empty on a group row.
    QString currentFile() const;
    // The project of the current row, 0 when there is none.
    qint64 currentProject() const;
    // The recording of the current row when it is a recording's row, else empty.
    QString currentRecording() const;
    bool selectFile(const QString& file);
    // The listed snapshot of that file; an empty Snapshot when it is not listed.
    Snapshot snapshot(const QString& file) const { return m_snapshots.value(file); }
    void nextSnapshot();
    void previousSnapshot();
    // A snapshot row's label after its coding changed.
    void refreshLabel(const QString& file, const QVector<Observation>& observations);
    int snapshotCount() const { return static_cast<int>(m_snapshotItems.size()); }

signals:
    // file is empty for a group row.
    void currentSnapshotChanged(const QString& file, qint64 projectId);

private:
    void step(int direction);
    static QString label(const Snapshot& snapshot, const QVector<Observation>& observations);

    QVector<QTreeWidgetItem*> m_snapshotItems; // in display order
    QHash<QString, Snapshot> m_snapshots;
};
