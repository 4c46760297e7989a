#include "reportdata.h"

#include <QDateTime>
#include <QDir>
#include <QHash>

#include <algorithm>

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
constexpr double kLongestShownS = 1e8;

qint64 firstTime(const SectionRecords& records)
{
    qint64 first = 0;
    const auto earlier = [&](qint64 ms) {
        if (ms != 0 && (first == 0 || ms < first)) {
            first = ms;
        }
    };
    for (const Snapshot& s : records.snapshots) {
        earlier(s.timeMs);
    }
    for (const Recording& r : records.recordings) {
        earlier(r.startMs);
    }
    return first;
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
    return o.isContinuous() ? tr("连续") : QString();
}

QString ReportTexts::extent(const ReportRow& row)
{
    if (!row.observation.isContinuous()) {
        return metres(row.startM);
    }
    return tr("%1–%2").arg(metres(row.startM),
                           row.observation.isUnfinished() ? tr("？") : metres(row.endM));
}

QString ReportTexts::metres(double value)
{
    return known(value) ? QString::number(value, 'f', 2) : QStringLiteral("—");
}

QString ReportTexts::grade(int grade)
{
    return grade > 0 ? tr("%1级").arg(grade) : QString();
}

QString ReportTexts::summary(const Observation& o)
{
    if (!o.isDefect()) {
        return o.name;
    }
    return QStringList{o.code, o.name, grade(o.grade), continuous(o)}
        .join(QLatin1Char(' '))
        .trimmed();
}

QString ReportTexts::description(const ReportRow& row)
{
    QStringList parts;
    if (row.observation.isUnfinished()) {
        parts << tr("连续缺陷，未标终点");
    } else if (row.atEnd) {
        parts << tr("连续缺陷终点（起点 %1 m）").arg(metres(row.startM));
    }
    parts << row.observation.remark;
    parts.removeAll(QString());
    return parts.join(tr("；"));
}

QString ReportTexts::pictures(const ReportRow& row)
{
    if (row.endPictureNumber == 0 || row.endPictureNumber == row.pictureNumber) {
        return QString::number(row.pictureNumber);
    }
    return tr("%1、%2").arg(row.pictureNumber).arg(row.endPictureNumber);
}

QString ReportTexts::counts(const QVector<CodeCount>& counts)
{
    QStringList parts;
    for (const CodeCount& c : counts) {
        parts << tr("%1 %2×%3").arg(c.code, grade(c.grade)).arg(c.count);
    }
    return parts.isEmpty() ? tr("无") : parts.join(tr("；"));
}

QString ReportTexts::duration(double seconds)
{
    // A damaged file's duration may be beyond any clock; it is not made a number of.
    if (!known(seconds) || seconds < 0 || seconds > kLongestShownS) {
        return QStringLiteral("—");
    }
    const int whole = static_cast<int>(seconds + 0.5);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / kSecondsPerHour)
        .arg(whole % kSecondsPerHour / kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(whole % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

QString ReportTexts::minutesSeconds(double seconds)
{
    if (!known(seconds)) {
        return QStringLiteral("—");
    }
    const qint64 whole = static_cast<qint64>(std::max(0.0, seconds));
    return QStringLiteral("%1:%2")
        .arg(whole / kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(whole % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

QString ReportTexts::moment(const ReportRow& row)
{
    if (row.recordingNumber == 0 || !known(row.offsetS)) {
        return QString();
    }
    return tr("%1：%2").arg(row.recordingNumber).arg(minutesSeconds(row.offsetS));
}

double snapshotOffsetS(const Snapshot& s, const Recording& r)
{
    if (r.name.isEmpty() || s.recording != r.name) {
        return kUnknown;
    }
    if (known(s.offsetS)) {
        return s.offsetS;
    }
    return s.timeMs != 0 && r.startMs != 0 ? (s.timeMs - r.startMs) / 1000.0 : kUnknown;
}

void countDefects(const QVector<ReportRow>& rows, QVector<CodeCount>& counts)
{
    for (const ReportRow& r : rows) {
        const Observation& o = r.observation;
        if (!o.isDefect() || r.atEnd) {
            continue;
        }
        auto it = std::find_if(counts.begin(), counts.end(), [&](const CodeCount& c) {
            return c.code == o.code && c.grade == o.grade;
        });
        if (it == counts.end()) {
            counts.push_back({o.code, o.name, o.grade, 0});
            it = counts.end() - 1;
        }
        ++it->count;
    }
    std::sort(counts.begin(), counts.end(), [](const CodeCount& a, const CodeCount& b) {
        return a.code != b.code ? a.code < b.code : a.grade < b.grade;
    });
}

SectionReport gatherSection(InspectionIndex& index, qint64 projectId, const QString& folder,
                            const CodeTables& codes)
{
    const SectionRecords records = index.sectionRecords(projectId);
    SectionReport report;
    report.section = assessSection(records, codes);
    report.recordings = records.recordings;
    report.profile = index.profile(projectId);
    if (const qint64 first = firstTime(records)) {
        report.inspectionDate =
            QDateTime::fromMSecsSinceEpoch(first).toString(QStringLiteral("yyyy-MM-dd"));
    }

    QHash<qint64, const AssessedDefect*> assessed;
    for (const AssessedDefect& d : report.section.defects) {
        assessed.insert(d.observationId, &d);
    }
    QHash<QString, int> pictureOf;
    const QDir dir(folder);
    for (const Snapshot& s : records.snapshots) {
        ReportPicture picture;
        picture.number = static_cast<int>(report.pictures.size()) + 1;
        picture.snapshot = s;
        picture.path = dir.filePath(s.file);
        pictureOf.insert(s.file, picture.number);
        report.pictures.push_back(picture);
    }
    for (const Observation& o : records.observations) {
        ReportRow row;
        row.observation = o;
        row.pictureNumber = pictureOf.value(o.snapshot);
        row.endPictureNumber = pictureOf.value(o.endSnapshot);
        const ReportPicture& at = report.pictures[row.pictureNumber - 1];
        row.startM = observationStartM(o, at.snapshot.distanceM);
        row.endM = o.isContinuous() ? o.endM : row.startM;
        for (int r = 0; r < report.recordings.size() && row.recordingNumber == 0; ++r) {
            row.offsetS = snapshotOffsetS(at.snapshot, report.recordings[r]);
            row.recordingNumber = known(row.offsetS) ? r + 1 : 0;
        }
        if (const AssessedDefect* d = assessed.value(o.id)) {
            row.score = d->score;
            row.lengthM = d->lengthM();
        }
        report.rows.push_back(row);
        report.pictures[row.pictureNumber - 1].rows.push_back(row);
        if (row.endPictureNumber != 0 && row.endPictureNumber != row.pictureNumber) {
            row.atEnd = true;
            report.pictures[row.endPictureNumber - 1].rows.push_back(row);
        }
    }
    countDefects(report.rows, report.counts);
    return report;
}
