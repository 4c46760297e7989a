// One open save folder: its index opened (or rebuilt) and brought up to date
// with the files. The window and the headless report both start here.
#pragma once

#include "folderscanner.h"
#include "indexdatabase.h"
#include "inspectionindex.h"

#include <QCoreApplication>
#include <QString>

class InspectionFolder {
    Q_DECLARE_TR_FUNCTIONS(InspectionFolder)
public:
    // sql: Telquin's instance; not owned.
    explicit InspectionFolder(ISQLiteSystem* sql) : m_database(sql), m_index(m_database) {}

    // Opens the folder's index and scans the folder. notice tells of an
    // index that was rebuilt; false with error when nothing can be shown.
    bool open(const QString& folder, QString* notice, QString* error);
    // Scans again: new, changed and removed files.
    bool rescan(QString* error);
    void close();

    bool isOpen() const { return m_database.isOpen(); }
    // The opening rebuilt a damaged index without all of its coding.
    bool codingLost() const { return m_database.codingLost(); }
    // For a folder the user cannot write: that its coding is kept on this
    // computer, and where; empty for other folders.
    QString readOnlyNote() const;
    const QString& folder() const { return m_folder; }
    InspectionIndex& index() { return m_index; }
    const ScanResult& lastScan() const { return m_lastScan; }

private:
    IndexDatabase m_database;
    InspectionIndex m_index;
    QString m_folder;
    ScanResult m_lastScan;
};
