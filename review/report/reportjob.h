// Writes the PDF report of some sections in steps of a given length, so the
// review window stays responsive and can show progress and cancel: first
// the pages are laid out, then painted one by one while the pictures are
// read ahead on a worker thread.
//
// Text is laid out and painted here, on the thread that calls work(), which
// must be the GUI thread. Qt documents QPainter on QImage and QPrinter as
// usable in other threads and its font engine as thread-safe since Qt 5,
// but it does not name QPdfWriter, and this program keeps every font and
// text-layout call on the GUI thread. What moves off it is what needs no
// font: reading and scaling the pictures (PictureLoader).
//
// The file is written through QSaveFile: an existing report is replaced
// only by a complete one, and a cancelled job (destroyed before it is done)
// leaves nothing.
#pragma once

#include "reportdata.h"
#include "reportpages.h"

#include <QCoreApplication>
#include <QPainter>

#include <memory>

class PageBuilder;
class PictureLoader;
class QPdfWriter;
class QSaveFile;
class ReportLayout;

class ReportJob {
    Q_DECLARE_TR_FUNCTIONS(ReportJob)
public:
    static constexpr int kResolutionDpi = 300;
    static constexpr int kProgressSteps = 1000;

    ReportJob(QVector<SectionReport> sections, QString path);
    ~ReportJob();
    ReportJob(const ReportJob&) = delete;
    ReportJob& operator=(const ReportJob&) = delete;

    // Opens the file; false with error() when it cannot be written.
    bool start();
    // Works for about budgetMs; true while there is more to do. When it
    // returns false the report is written, or failed() says why not.
    bool work(int budgetMs);
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    // 0..kProgressSteps: layout is the first tenth, painting the rest.
    int progress() const;
    int pageCount() const { return static_cast<int>(m_pages.size()); }

    // Writes the whole report at once (scripts, tests); false with error.
    static bool write(QVector<SectionReport> sections, const QString& path, QString* error);

private:
    enum class Phase { Layout, Paint, Done };
    // Paints the next page; false when a picture on it is not read yet.
    bool paintPage(int waitMs);
    void paintItem(const PageItem& item, const QImage& picture);
    bool finish();
    void fail(const QString& what);

    const QVector<SectionReport> m_sections;
    const QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    std::unique_ptr<PageBuilder> m_builder;
    std::unique_ptr<ReportLayout> m_layout;
    std::unique_ptr<PictureLoader> m_loader;
    QVector<ReportPage> m_pages;
    QVector<QImage> m_pictures; // of the page being painted, by item
    int m_nextItem = 0;         // the first of its items whose picture is not taken yet
    QRectF m_page;
    QRectF m_content;
    double m_footerHeight = 0;
    int m_painted = 0;
    Phase m_phase = Phase::Layout;
    QString m_error;
};
