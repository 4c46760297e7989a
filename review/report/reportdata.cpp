#include "reportdata.h"

#include <QDateTime>
#include <QDir>
#include <QHash>

#include <algorithm>

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;

void widen(double value, double& low, double& high)
{
    if (!known(value)) {
        return;
    }
    low = known(low) ? std::min(low, value) : value;
    high = known(high) ? std::max(high, value) : value;
}

} // namespace

QString ReportTexts::clock(const Observation& o)
{
    if (o.clockFrom == 0) {
        return QString();
    }
    if (o.clockTo == 0 || o.clockTo == o.clockFrom) {
        return tr("%1点").arg(o.clockFrom);
    }
    return tr("%1–%2点").arg(o.clockFrom).arg(o.clockTo);
}

QString ReportTexts::continuous(const Observation& o)
{
    if (o.continuous == Observation::kStart) {
        return tr("连续起点");
    }
    return o.continuous == Observation::kEnd ? tr("连续终点") : QString();
}

QString ReportTexts::name(const Observation& o)
{
    const QString mark = continuous(o);
    return mark.isEmpty() ? o.name : tr("%1（%2）").arg(o.name, mark);
}

QString ReportTexts::metres(double value)
{
    return known(value) ? QString::number(value, 'f', 2) : QStringLiteral("—");
}

QString ReportTexts::grade(int grade)
{
    return grade > 0 ? tr("%1级").arg(grade) : QString();
}

QString ReportTexts::worst(int grade)
{
    return grade > 0 ? tr("%1级").arg(grade) : tr("无");
}

QString ReportTexts::summary(const Observation& o)
{
    if (!o.isDefect()) {
        return o.name;
    }
    return QStringLiteral("%1 %2 %3").arg(o.code, name(o), grade(o.grade)).trimmed();
}

QString ReportTexts::duration(double seconds)
{
    if (!known(seconds)) {
        return QStringLiteral("—");
    }
    const int whole = static_cast<int>(seconds + 0.5);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / kSecondsPerHour)
        .arg(whole % kSecondsPerHour / kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(whole % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

WorstGrades worstGrades(const QVector<Observation>& observations)
{
    WorstGrades worst;
    for (const Observation& o : observations) {
        if (!o.isDefect() || !o.scored) {
            continue;
        }
        int& slot = o.kind == QLatin1String("S") ? worst.structural : worst.functional;
        slot = std::max(slot, o.grade);
    }
    return worst;
}

ReportData gatherReport(InspectionIndex& index, qint64 projectId, const QString& folder)
{
    ReportData data;
    for (const Project& project : index.projects()) {
        if (project.id == projectId) {
            data.project = project;
        }
    }
    data.recordings = index.recordings(projectId);
    data.profile = index.profile(projectId);

    QHash<QString, QVector<Observation>> bySnapshot;
    const QVector<Observation> observations = index.projectObservations(projectId);
    for (const Observation& o : observations) {
        bySnapshot[o.snapshot].push_back(o);
    }
    qint64 first = 0;
    double low = kUnknown;
    double high = kUnknown;
    const QDir dir(folder);
    for (const Snapshot& s : index.snapshots(projectId)) {
        ReportPicture picture;
        picture.number = static_cast<int>(data.pictures.size()) + 1;
        picture.snapshot = s;
        picture.path = dir.filePath(s.file);
        picture.observations = bySnapshot.value(s.file);
        for (const Observation& o : picture.observations) {
            data.rows.push_back({o, s.distanceM, picture.number});
        }
        data.pictures.push_back(picture);
        widen(s.distanceM, low, high);
        if (s.timeMs != 0 && (first == 0 || s.timeMs < first)) {
            first = s.timeMs;
        }
    }
    for (const Recording& r : data.recordings) {
        widen(r.minDistanceM, low, high);
        widen(r.maxDistanceM, low, high);
        if (r.startMs != 0 && (first == 0 || r.startMs < first)) {
            first = r.startMs;
        }
    }
    data.lengthM = known(low) ? high - low : kUnknown;
    if (first != 0) {
        data.inspectionDate =
            QDateTime::fromMSecsSinceEpoch(first).toString(QStringLiteral("yyyy-MM-dd"));
    }
    for (const Observation& o : observations) {
        const auto same = [&](const CodeCount& c) {
            return o.isDefect() ? c.code == o.code : c.code.isEmpty() && c.name == o.name;
        };
        auto it = std::find_if(data.counts.begin(), data.counts.end(), same);
        if (it == data.counts.end()) {
            data.counts.push_back({o.code, o.name, 0});
            it = data.counts.end() - 1;
        }
        ++it->count;
    }
    std::sort(data.counts.begin(), data.counts.end(), [](const CodeCount& a, const CodeCount& b) {
        return a.code.isEmpty() != b.code.isEmpty() ? !a.code.isEmpty() : a.code < b.code;
    });
    data.worst = worstGrades(observations);
    return data;
}
