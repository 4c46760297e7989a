#include "snapshottree.h"

#include "reportdata.h"

#include <QHeaderView>

SnapshotTree::SnapshotTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("snapshotTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) {
            emit currentSnapshotChanged(item->data(0, kFileRole).toString(),
                                        item->data(0, kProjectRole).toLongLong());
        }
    });
}

QString SnapshotTree::label(const Snapshot& s, const QVector<Observation>& observations)
{
    QStringList codes;
    for (const Observation& o : observations) {
        codes << (o.isDefect() ? o.code + QString::number(o.grade) : o.name);
    }
    const QString head = tr("%1 m  %2").arg(ReportTexts::metres(s.distanceM), s.timeText);
    return codes.isEmpty() ? head : head + QStringLiteral("  ") + codes.join(QLatin1Char(' '));
}

void SnapshotTree::load(InspectionIndex& index)
{
    const QString keep = currentFile();
    QSignalBlocker quiet(this);
    clear();
    m_snapshotItems.clear();
    m_snapshots.clear();
    for (const Project& project : index.projects()) {
        const ProjectFields& f = project.fields;
        auto* top = new QTreeWidgetItem(
            this, {tr("项目 %1  %2 %3  %4 %5–%6")
                       .arg(project.id)
                       .arg(f.value("no"), f.value("taskname"), f.value("location"),
                            f.value("startwellno"), f.value("endwellno"))
                       .simplified()});
        top->setData(0, kProjectRole, project.id);
        QHash<QString, QTreeWidgetItem*> groups;
        const auto group = [&](const QString& recording) {
            QTreeWidgetItem*& item = groups[recording];
            if (item == nullptr) {
                item = new QTreeWidgetItem(
                    top, {recording.isEmpty() ? tr("录像外的抓图") : tr("录像 %1").arg(recording)});
                item->setData(0, kProjectRole, project.id);
                item->setData(0, kRecordingRole, recording);
            }
            return item;
        };
        for (const Recording& r : index.recordings(project.id)) {
            group(r.name)->setText(
                0, tr("录像 %1  %2").arg(r.startText, ReportTexts::duration(r.durationS)));
        }
        for (const Snapshot& s : index.snapshots(project.id)) {
            auto* item =
                new QTreeWidgetItem(group(s.recording), {label(s, index.observations(s.file))});
            item->setData(0, kFileRole, s.file);
            item->setData(0, kProjectRole, project.id);
            item->setToolTip(0, s.file);
            m_snapshots.insert(s.file, s);
        }
    }
    expandAll();
    // Display order, group by group.
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
        if (!(*it)->data(0, kFileRole).toString().isEmpty()) {
            m_snapshotItems.push_back(*it);
        }
    }
    if (!selectFile(keep) && topLevelItemCount() > 0) {
        setCurrentItem(m_snapshotItems.isEmpty() ? topLevelItem(0) : m_snapshotItems.front());
    }
    quiet.unblock();
    QTreeWidgetItem* item = currentItem();
    emit currentSnapshotChanged(item != nullptr ? item->data(0, kFileRole).toString() : QString(),
                                item != nullptr ? item->data(0, kProjectRole).toLongLong() : 0);
}

QString SnapshotTree::currentFile() const
{
    const QTreeWidgetItem* item = currentItem();
    return item != nullptr ? item->data(0, kFileRole).toString() : QString();
}

qint64 SnapshotTree::currentProject() const
{
    const QTreeWidgetItem* item = currentItem();
    return item != nullptr ? item->data(0, kProjectRole).toLongLong() : 0;
}

QString SnapshotTree::currentRecording() const
{
    const QTreeWidgetItem* item = currentItem();
    return item != nullptr && item->data(0, kFileRole).toString().isEmpty()
               ? item->data(0, kRecordingRole).toString()
               : QString();
}

bool SnapshotTree::selectFile(const QString& file)
{
    if (file.isEmpty()) {
        return false;
    }
    for (QTreeWidgetItem* item : m_snapshotItems) {
        if (item->data(0, kFileRole).toString() == file) {
            setCurrentItem(item);
            return true;
        }
    }
    return false;
}

void SnapshotTree::nextSnapshot()
{
    step(1);
}

void SnapshotTree::previousSnapshot()
{
    step(-1);
}

void SnapshotTree::step(int direction)
{
    // Rows in display order; group rows are passed over.
    QVector<QTreeWidgetItem*> rows;
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
        rows.push_back(*it);
    }
    const int here = static_cast<int>(rows.indexOf(currentItem()));
    for (int i = here + direction; i >= 0 && i < rows.size(); i += direction) {
        if (!rows[i]->data(0, kFileRole).toString().isEmpty()) {
            setCurrentItem(rows[i]);
            return;
        }
    }
}

void SnapshotTree::refreshLabel(const QString& file, const QVector<Observation>& observations)
{
    for (QTreeWidgetItem* item : m_snapshotItems) {
        if (item->data(0, kFileRole).toString() == file) {
            item->setText(0, label(m_snapshots.value(file), observations));
        }
    }
}
