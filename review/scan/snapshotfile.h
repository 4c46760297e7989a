// A snapshot JPEG: its structure checked up to the end-of-image marker and
// its record read from the comment segment, or else from its name.
#pragma once

#include "indexrecords.h"

#include <QCoreApplication>
#include <QString>

struct SnapshotRead {
    QString problem; // empty when read in full
    bool usable = false;
    bool hasRecord = false;
    ProjectFields project; // from the record; empty without one
    Snapshot snapshot;     // projectId left 0
};

class SnapshotFile {
    Q_DECLARE_TR_FUNCTIONS(SnapshotFile)
public:
    static constexpr char kFormatPrefix[] = "moravel-snapshot/";
    static SnapshotRead read(const QString& path);
};
