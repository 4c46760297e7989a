// Brings the index of a save folder up to date with its files: new and
// changed files are read, removed ones forgotten, unchanged ones (same size
// and modification time) not opened at all. Only the index is written, and
// an index that is up to date not at all.
#pragma once

#include "inspectionindex.h"

#include <QCoreApplication>
#include <QString>

struct ScanResult {
    bool ok = false;
    int read = 0; // new or changed files read
    int removed = 0;
    int unchanged = 0;
};

class FolderScanner {
    Q_DECLARE_TR_FUNCTIONS(FolderScanner)
public:
    // A snapshot without a record belongs to a recording that ended at most
    // this long before it (names have whole seconds).
    static constexpr qint64 kRecordingSlackMs = 2000;

    explicit FolderScanner(InspectionIndex& index) : m_index(index) {}
    ScanResult scan(const QString& folder);

private:
    bool readFile(const QString& path, const FileEntry& entry);
    // Projects of the files that carry no record, from their names.
    bool assignProjectsByName();

    InspectionIndex& m_index;
};
