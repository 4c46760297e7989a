#include "assessedsection.h"

#include <QHash>

#include <algorithm>

namespace {

// An index written before distances were checked may still hold one no
// crawler drives; it sets no length.
void widen(double value, double& low, double& high)
{
    if (!plausibleDistance(value)) {
        return;
    }
    low = known(low) ? std::min(low, value) : value;
    high = known(high) ? std::max(high, value) : value;
}

double inspectedLength(const SectionRecords& records)
{
    double low = kUnknown;
    double high = kUnknown;
    for (const Snapshot& s : records.snapshots) {
        widen(s.distanceM, low, high);
    }
    for (const Recording& r : records.recordings) {
        widen(r.minDistanceM, low, high);
        widen(r.maxDistanceM, low, high);
    }
    return known(low) ? high - low : kUnknown;
}

} // namespace

QString AssessedSection::title() const
{
    return tr("%1 %2").arg(project.fields.value("location"), wells()).trimmed();
}

QString AssessedSection::wells() const
{
    return tr("%1–%2").arg(project.fields.value("startwellno"), project.fields.value("endwellno"));
}

double observationStartM(const Observation& observation, double snapshotM)
{
    return known(observation.startM) ? observation.startM : snapshotM;
}

AssessedSection assessSection(const SectionRecords& records, const CodeTables& codes)
{
    AssessedSection a;
    a.project = records.project;
    a.data = records.data;
    a.inspectedLengthM = inspectedLength(records);
    a.lengthEntered = known(records.data.lengthM);
    a.lengthM = a.lengthEntered ? records.data.lengthM : a.inspectedLengthM;
    a.diameterMm = cjj181::diameterMm(records.project.fields.value("pipdiameter"));

    QHash<QString, double> distanceOf;
    for (const Snapshot& s : records.snapshots) {
        distanceOf.insert(s.file, s.distanceM);
    }
    for (const Observation& o : records.observations) {
        if (!o.isDefect() || !o.scored) {
            continue;
        }
        const QString what = AssessedSection::tr("%1 %2 %3级").arg(o.code, o.name).arg(o.grade);
        const DefectCode* code = codes.find(o.codeTable, o.code);
        const DefectGrade* grade = code != nullptr ? code->gradeEntry(o.grade) : nullptr;
        const double start = observationStartM(o, distanceOf.value(o.snapshot, kUnknown));
        if (grade == nullptr || !known(grade->score)) {
            a.problems << AssessedSection::tr("%1（%2）：代码表中没有分值，未计入评估")
                              .arg(what, o.snapshot);
            continue;
        }
        if (!known(start)) {
            a.problems
                << AssessedSection::tr("%1（%2）：距离未知，未计入评估").arg(what, o.snapshot);
            continue;
        }
        AssessedDefect d;
        d.observationId = o.id;
        d.code = o.code;
        d.name = o.name;
        d.kind = o.kind;
        d.grade = o.grade;
        d.score = grade->score;
        d.startM = start;
        d.continuous = o.isContinuous();
        d.unfinished = o.isUnfinished();
        d.endM = d.continuous && !d.unfinished ? o.endM : start;
        if (d.endM < d.startM) {
            std::swap(d.startM, d.endM);
        }
        a.unfinished += d.unfinished ? 1 : 0;
        a.defects.push_back(d);
    }
    std::stable_sort(
        a.defects.begin(), a.defects.end(),
        [](const AssessedDefect& x, const AssessedDefect& y) { return x.startM < y.startM; });
    a.assessment =
        assessConditions(a.defects, {a.lengthM, a.diameterMm, a.data.areaClass, a.data.soil});
    return a;
}
