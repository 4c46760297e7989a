#include "reportprogress.h"

#include <QProgressDialog>

ReportProgress::ReportProgress(std::unique_ptr<ReportJob> job, QWidget* parent)
    : QObject(parent), m_job(std::move(job)), m_dialog(new QProgressDialog(parent))
{
    m_dialog->setObjectName(QStringLiteral("reportProgress"));
    m_dialog->setWindowTitle(tr("生成报告"));
    m_dialog->setLabelText(tr("正在生成报告…"));
    m_dialog->setCancelButtonText(tr("取消"));
    m_dialog->setRange(0, ReportJob::kProgressSteps);
    m_dialog->setModal(false);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    connect(m_dialog, &QProgressDialog::canceled, this, &ReportProgress::cancel);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ReportProgress::step);
}

ReportProgress::~ReportProgress()
{
    delete m_dialog;
}

bool ReportProgress::start()
{
    if (!m_job->start()) {
        m_error = m_job->error();
        m_job.reset();
        return false;
    }
    m_running = true;
    m_dialog->setValue(0);
    m_dialog->show();
    m_timer.start();
    return true;
}

void ReportProgress::cancel()
{
    if (m_running) {
        end(false, true);
    }
}

void ReportProgress::step()
{
    const bool more = m_job->work(kSliceMs);
    m_dialog->setValue(m_job->progress());
    if (!more) {
        m_error = m_job->error();
        end(!m_job->failed(), false);
    }
}

void ReportProgress::end(bool ok, bool cancelled)
{
    m_running = false;
    m_timer.stop();
    m_dialog->hide();
    m_job.reset(); // a cancelled job's unfinished file is dropped with it
    emit finished(ok, cancelled);
}
