// CSV as spreadsheets take it: UTF-8 with a byte-order mark (so they read
// it as UTF-8), CRLF line ends and RFC 4180 quoting; read back the same way
// (with or without the mark, any line end).
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class CsvFile {
    Q_DECLARE_TR_FUNCTIONS(CsvFile)
public:
    // Written in one go; false with error when the file cannot be written.
    static bool write(const QString& path, const QStringList& header,
                      const QVector<QStringList>& rows, QString* error);
    // The records of a file, the header first; false with error when it
    // cannot be read or a quote is never closed.
    static bool read(const QString& path, QVector<QStringList>* records, QString* error);
};
