// The operator's coding (observations and section data) taken from a
// damaged index into the new one made for its folder: every row that can
// still be read from the damaged file's pages, and an account of what
// could not.
#pragma once

#include "indexdatabase.h"

#include <QCoreApplication>
#include <QString>

class IndexRecovery {
    Q_DECLARE_TR_FUNCTIONS(IndexRecovery)
public:
    int observations = 0;    // rows read and stored
    int sections = 0;        // sections' data read and stored
    qint64 lostRows = 0;     // rows of the coding tables that could not be read
    int unreadablePages = 0; // pages of the coding tables that could not be read at all
    bool tablesFound = true; // the damaged file's schema still named the coding tables
    bool newer = false;      // written by a newer program: its rows were not taken
    bool stored = true;      // the new index took every row read

    // Reads damaged and stores its coding in db, which must be new.
    static IndexRecovery run(IndexDatabase& db, const QString& damaged);

    // Some coding of the damaged file is not in the new index (or may not be).
    bool codingLost() const;
    // What was recovered and what was lost, for the operator.
    QString text() const;
};
