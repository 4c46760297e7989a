// A report being written while the window stays in use: the job works in
// short slices from the event loop, a progress dialog shows how far it is
// and cancels it. The window owns it for the job's lifetime.
#pragma once

#include "reportjob.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QProgressDialog;
class QWidget;

class ReportProgress : public QObject {
    Q_OBJECT
public:
    // Longest stretch of work between two looks at the event loop.
    static constexpr int kSliceMs = 40;

    // parent: the window the dialog belongs to.
    ReportProgress(std::unique_ptr<ReportJob> job, QWidget* parent);
    ~ReportProgress() override;

    // Starts the job; false (and finished is not emitted) when the file
    // cannot be opened, with error().
    bool start();
    const QString& error() const { return m_error; }
    QProgressDialog* dialog() const { return m_dialog; }
    void cancel();

signals:
    // The report was written (ok), failed (error()), or was cancelled.
    void finished(bool ok, bool cancelled);

private:
    void step();
    void end(bool ok, bool cancelled);

    std::unique_ptr<ReportJob> m_job; // null once it ended
    QString m_error;
    QProgressDialog* m_dialog;
    QTimer m_timer;
    bool m_running = false;
};
