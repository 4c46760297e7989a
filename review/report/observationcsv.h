// The observation table as CSV for spreadsheets: UTF-8 with a byte-order
// mark (so spreadsheet programs take it as UTF-8), CRLF line ends and RFC
// 4180 quoting.
#pragma once

#include "reportdata.h"

#include <QCoreApplication>
#include <QString>

class ObservationCsv {
    Q_DECLARE_TR_FUNCTIONS(ObservationCsv)
public:
    // Written in one go; false with error when the file cannot be written.
    static bool write(const ReportData& data, const QString& path, QString* error);
};
