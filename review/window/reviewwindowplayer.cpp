// The review window's player: a recording shown from its row or from a
// snapshot's moment, frames grabbed as snapshots and opened for coding,
// continuous defects marked on frames, and the snapshots along the
// recording on the distance scale.
#include "reviewwindow.h"

#include "observationeditor.h"
#include "snapshottree.h"

#include <QMessageBox>
#include <QStackedWidget>
#include <QStatusBar>

bool ReviewWindow::playerShown() const
{
    return m_pictures->currentWidget() == m_player;
}

Recording ReviewWindow::recordingOf(qint64 projectId, const QString& name)
{
    for (const Recording& r : m_folder.index().recordings(projectId)) {
        if (r.name == name) {
            return r;
        }
    }
    return {};
}

void ReviewWindow::showRecording(const Recording& recording, double atS)
{
    m_player->showRecording(recording, m_folder.folder(), atS);
    m_pictures->setCurrentWidget(m_player);
    updateMarks();
}

void ReviewWindow::goToMoment()
{
    const Snapshot here = m_tree->snapshot(m_tree->currentFile());
    const Recording recording = recordingOf(here.projectId, here.recording);
    const double at = snapshotOffsetS(here, recording);
    QString problem;
    if (here.file.isEmpty()) {
        problem = tr("先在列表中选择一张抓图");
    } else if (recording.name.isEmpty()) {
        problem = tr("这张抓图不是在录像中拍的");
    } else if (recording.videoFile.isEmpty()) {
        problem = tr("录像 %1 没有视频文件").arg(recording.name);
    } else if (!known(at)) {
        problem = tr("不知道这张抓图在录像中的时刻");
    }
    if (!problem.isEmpty()) {
        statusBar()->showMessage(problem, kStatusMessageMs);
        return;
    }
    showRecording(recording, at);
    m_player->setFocus(Qt::ShortcutFocusReason);
}

void ReviewWindow::grabFrame(PlayerView::GrabKind kind)
{
    const Recording& recording = m_player->recording();
    if (!m_folder.isOpen() || !playerShown() || recording.videoFile.isEmpty() ||
        !m_player->problemText().isEmpty()) {
        statusBar()->showMessage(tr("截取画面：先在列表中选择一段能播放的录像"), kStatusMessageMs);
        return;
    }
    if (kind == PlayerView::kContinuousEnd) {
        // Asked first, so that no picture is left over when there is nothing to end.
        Snapshot here;
        here.projectId = recording.projectId;
        here.distanceM = m_player->frame().hasRow ? m_player->frame().row.distanceM : kUnknown;
        QStringList choices;
        if (!known(here.distanceM)) {
            statusBar()->showMessage(tr("这一帧没有距离（录像没有遥测）：无法标记终点"),
                                     kStatusMessageMs);
            return;
        }
        if (openBefore(here, &choices).isEmpty()) {
            statusBar()->showMessage(tr("此处之前没有未标终点的连续缺陷"), kStatusMessageMs);
            return;
        }
    }
    m_player->grab(FrameGrab::moment(m_folder.index(), m_folder.folder(), recording, kUnknown, {}),
                   kind);
}

void ReviewWindow::grabbed(const QString& file, const QString& error, PlayerView::GrabKind kind)
{
    if (file.isEmpty()) {
        QMessageBox::warning(this, tr("截取画面"), error);
        return;
    }
    // Indexed at once and chosen for coding; the picture area stays on the frame.
    m_keepPlayer = true;
    rescan();
    const bool listed = m_tree->selectFile(file);
    m_keepPlayer = false;
    if (!listed) {
        statusBar()->showMessage(tr("截图 %1 已保存，但无法读入索引").arg(file), kStatusMessageMs);
        return;
    }
    switch (kind) {
    case PlayerView::kSnapshot:
        m_editor->startNew();
        break;
    case PlayerView::kContinuousStart:
        m_editor->startNewContinuous();
        break;
    case PlayerView::kContinuousEnd:
        markContinuousEnd();
        break;
    }
    updateMarks();
    if (kind != PlayerView::kContinuousEnd) {
        statusBar()->showMessage(tr("已截取画面：%1").arg(file), kStatusMessageMs);
    }
}

void ReviewWindow::updateMarks()
{
    const Recording& recording = m_player->recording();
    if (recording.name.isEmpty() || !m_folder.isOpen()) {
        return;
    }
    QVector<ScaleMark> marks;
    for (const Snapshot& s : m_folder.index().snapshots(recording.projectId)) {
        ScaleMark mark;
        mark.offsetS = snapshotOffsetS(s, recording);
        if (!known(mark.offsetS)) {
            continue;
        }
        QStringList codes;
        for (const Observation& o : m_folder.index().observations(s.file)) {
            codes << ReportTexts::summary(o);
            mark.state = o.isDefect() || mark.state == ScaleMark::Defect ? ScaleMark::Defect
                                                                         : ScaleMark::Note;
        }
        mark.text =
            tr("%1 m　%2　%3")
                .arg(ReportTexts::metres(s.distanceM), ReportTexts::minutesSeconds(mark.offsetS),
                     codes.isEmpty() ? tr("未编码") : codes.join(tr("、")));
        marks << mark;
    }
    m_player->setMarks(marks);
}
