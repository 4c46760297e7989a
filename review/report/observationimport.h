// Observations coded elsewhere (a field tablet, a spreadsheet) brought into
// the index from a CSV in the columns of the program's own export, matched
// by header name; unknown columns are ignored. All rows or none: a file
// with any row that cannot be taken changes nothing. A row the snapshot
// already carries as it is, is not added twice.
#pragma once

#include "codetable.h"
#include "inspectionindex.h"

#include <QCoreApplication>
#include <QStringList>

class ObservationImport {
    Q_DECLARE_TR_FUNCTIONS(ObservationImport)
public:
    struct Result {
        int added = 0;
        int present = 0;      // rows the index already held
        QStringList problems; // "第 3 行：…", or what kept the file from being read
    };

    static Result run(InspectionIndex& index, const CodeTables& codes, const QString& path);
};
