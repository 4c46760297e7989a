// The review window's files: the report written in slices, the CSV
// exports and the CSV import.
#include "reviewwindow.h"

#include "observationcsv.h"
#include "observationimport.h"
#include "reportprogress.h"
#include "snapshottree.h"
#include "waitcursor.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStatusBar>

QString ReviewWindow::suggestedName(const QString& suffix, bool allSections)
{
    QStringList parts{tr("检测报告")};
    for (const Project& p : m_folder.index().projects()) {
        if (allSections) {
            parts << p.fields.value("taskname");
            break;
        }
        if (p.id == m_tree->currentProject()) {
            parts << p.fields.value("location") << p.fields.value("startwellno")
                  << p.fields.value("endwellno");
        }
    }
    parts.removeAll(QString());
    // Slashes in a field must not lead the name into another folder.
    const QString name = parts.join(QLatin1Char('-')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(name + suffix);
}

QVector<SectionReport> ReviewWindow::gather(bool allSections)
{
    QVector<SectionReport> sections;
    const WaitCursor wait;
    for (const Project& p : m_folder.index().projects()) {
        if (allSections || p.id == m_tree->currentProject()) {
            sections.push_back(gatherSection(m_folder.index(), p.id, m_folder.folder(), m_codes));
        }
    }
    return sections;
}

bool ReviewWindow::writeReport(const QString& path, bool allSections)
{
    if (m_report != nullptr || !m_folder.isOpen()) {
        return false;
    }
    const QVector<SectionReport> sections = gather(allSections);
    if (sections.isEmpty()) {
        return false;
    }
    m_report = std::make_unique<ReportProgress>(std::make_unique<ReportJob>(sections, path), this);
    connect(m_report.get(), &ReportProgress::finished, this, [this, path](bool ok, bool cancelled) {
        const QString error = m_report->error();
        // Deleted once its signal has returned; another report may start now.
        m_report.release()->deleteLater();
        if (cancelled) {
            statusBar()->showMessage(tr("报告已取消"), kStatusMessageMs);
        } else if (ok) {
            statusBar()->showMessage(tr("报告已保存：%1").arg(QDir::toNativeSeparators(path)),
                                     kStatusMessageMs);
        } else {
            QMessageBox::warning(this, tr("生成报告"), error);
        }
        emit reportDone(ok);
    });
    if (!m_report->start()) {
        QMessageBox::warning(this, tr("生成报告"), m_report->error());
        m_report.reset();
        return false;
    }
    return true;
}

QString ReviewWindow::assessmentCsvPath(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + tr("-评估.csv"));
}

bool ReviewWindow::writeCsv(const QString& path)
{
    if (!m_folder.isOpen()) {
        return false;
    }
    const QVector<SectionReport> sections = gather(true);
    QString error;
    if (!ObservationCsv::write(sections, path, &error) ||
        !AssessmentCsv::write(sections, assessmentCsvPath(path), &error)) {
        QMessageBox::warning(this, tr("导出 CSV"), error);
        return false;
    }
    statusBar()->showMessage(tr("观察记录已导出：%1").arg(QDir::toNativeSeparators(path)),
                             kStatusMessageMs);
    return true;
}

bool ReviewWindow::importCsv(const QString& path)
{
    if (!m_folder.isOpen()) {
        return false;
    }
    const ObservationImport::Result result =
        ObservationImport::run(m_folder.index(), m_codes, path);
    if (!result.problems.isEmpty()) {
        QMessageBox::warning(this, tr("导入 CSV"),
                             tr("没有导入任何观察：\n%1").arg(result.problems.join('\n')));
        return false;
    }
    refresh();
    statusBar()->showMessage(
        tr("已导入 %1 条观察，%2 条已在索引中").arg(result.added).arg(result.present),
        kStatusMessageMs);
    return true;
}

void ReviewWindow::saveReport(bool allSections)
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("生成报告"), suggestedName(".pdf", allSections), tr("PDF 文件 (*.pdf)"));
    if (!path.isEmpty()) {
        writeReport(path, allSections);
    }
}

void ReviewWindow::saveCsv()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("导出 CSV"), suggestedName(".csv", true), tr("CSV 文件 (*.csv)"));
    if (!path.isEmpty()) {
        writeCsv(path);
    }
}

void ReviewWindow::openCsv()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("导入 CSV"), m_folder.folder(),
                                                      tr("CSV 文件 (*.csv)"));
    if (!path.isEmpty()) {
        importCsv(path);
    }
}
