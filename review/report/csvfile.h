// CSV as spreadsheets take it: UTF-8 with a byte-order mark (so they read
// it as UTF-8), CRLF line ends and RFC 4180 quoting, and no cell that a
// spreadsheet would run as a formula (such a cell is written after an
// apostrophe); read back the same way (with or without the mark, any line
// end), each cell as it was before it was written.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class CsvFile {
    Q_DECLARE_TR_FUNCTIONS(CsvFile)
public:
    // A file read is refused beyond this.
    static constexpr qint64 kMaxReadBytes = 64 << 20;

    // Written in one go; false with error when the file cannot be written.
    static bool write(const QString& path, const QStringList& header,
                      const QVector<QStringList>& rows, QString* error);
    // The records of a file, the header first; false with error when it
    // cannot be read, is larger than kMaxReadBytes or a quote is never closed.
    static bool read(const QString& path, QVector<QStringList>* records, QString* error);
};
