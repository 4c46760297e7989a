// The inspection files directly in a save folder (*.mp4, *.csv, *.jpg,
// *.jpeg, any case, hidden ones too), listed by the bytes of their names.
// A name that is not UTF-8 (a GBK name as a Windows machine copies it),
// which Qt's own listing leaves out, and anything that is no plain file (a
// link to a device, a pipe) are listed with their problem.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct ListedFile {
    // The name; for one that is not UTF-8 its bytes, those above 127 as \xHH.
    QString name;
    QString kind; // "video", "telemetry" or "snapshot"
    qint64 size = 0;
    qint64 mtimeMs = 0;
    QString problem; // why it cannot be read; empty when it can
};

class FolderListing {
    Q_DECLARE_TR_FUNCTIONS(FolderListing)
public:
    static const QString kVideo;
    static const QString kTelemetry;
    static const QString kSnapshot;

    // By name; false when the folder cannot be listed.
    static bool list(const QString& folder, QVector<ListedFile>* files);
};
