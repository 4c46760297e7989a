// The inspection report as an A4 PDF made with Qt's own PDF writer: a cover
// with the project, a summary, the observation table, the pictures two to a
// page with captions, and the pitch and roll profile. Every page has a
// footer with its number.
#pragma once

#include "reportdata.h"

#include <QCoreApplication>
#include <QString>

class ReportWriter {
    Q_DECLARE_TR_FUNCTIONS(ReportWriter)
public:
    static constexpr int kResolutionDpi = 300;
    static constexpr int kPicturesPerPage = 2;

    // Written in one go: an existing file is replaced only by a complete
    // report. False with error when the file cannot be written.
    static bool write(const ReportData& data, const QString& path, QString* error);
    // The report's fonts, Chinese first.
    static QStringList fontFamilies();
};
