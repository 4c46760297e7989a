// The index's rows as its queries read and write them: the column lists
// and the records made from a row. Shared by the files of InspectionIndex.
#pragma once

#include "indexrecords.h"

namespace indexrows {

// Every project column in projectKeys() order, after the id.
extern const char* const kProjectColumns;
extern const char* const kRecordingColumns;
extern const char* const kSnapshotColumns;
// Of "observation o".
extern const char* const kObservationColumns;
// Observations of "observation o JOIN snapshot s" along the pipe.
extern const char* const kObservationOrder;
// Of "section s".
extern const char* const kSectionColumns;
// "section s" joined to the project it belongs to, "project p".
extern const char* const kSectionOfProject;

QString text(qint64 value);
QString flag(bool value);
// 0 (none) binds NULL.
QString optionalInt(int value);

Project projectFrom(const QStringList& row);
Recording recordingFrom(const QStringList& row);
Snapshot snapshotFrom(const QStringList& row);
Observation observationFrom(const QStringList& row);
SectionData sectionFrom(const QStringList& row);
QStringList observationValues(const Observation& observation);

} // namespace indexrows
