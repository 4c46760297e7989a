#include "observationimport.h"

#include "csvfile.h"
#include "observationcsv.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace {

// Distances read back from two decimals are the same within this.
constexpr double kSameDistanceM = 0.005;
constexpr int kClockHours = 12;

// "3–5点", "3-5", "3点", "3" -> from, to; false when it is none of these.
bool parseClock(const QString& text, int* from, int* to)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2})\\s*(?:[-–~]\\s*(\\d{1,2}))?\\s*点?\\s*$"));
    *from = 0;
    *to = 0;
    if (text.trimmed().isEmpty()) {
        return true;
    }
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    *from = match.captured(1).toInt();
    *to = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
    const auto hour = [](int h) { return h >= 1 && h <= kClockHours; };
    return hour(*from) && (*to == 0 || hour(*to));
}

// An empty text is unknown; false for text that is no distance a crawler drives.
bool parseMetres(const QString& text, double* value)
{
    *value = kUnknown;
    if (text.trimmed().isEmpty()) {
        return true;
    }
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && plausibleDistance(*value);
}

bool sameDistance(double a, double b)
{
    return known(a) == known(b) && (!known(a) || std::abs(a - b) < kSameDistanceM);
}

bool sameCoding(const Observation& a, const Observation& b)
{
    return a.code == b.code && a.name == b.name && a.grade == b.grade &&
           a.clockFrom == b.clockFrom && a.clockTo == b.clockTo && a.continuous == b.continuous &&
           sameDistance(a.startM, b.startM) && sameDistance(a.endM, b.endM) &&
           a.endSnapshot == b.endSnapshot && a.remark == b.remark;
}

} // namespace

ObservationImport::Result ObservationImport::run(InspectionIndex& index, const CodeTables& codes,
                                                 const QString& path)
{
    Result result;
    QVector<QStringList> records;
    QString error;
    if (!CsvFile::read(path, &records, &error)) {
        result.problems << error;
        return result;
    }
    QHash<QString, int> column;
    const QStringList header = records.value(0);
    for (int i = 0; i < header.size(); ++i) {
        column.insert(header[i].trimmed(), i);
    }
    for (const QString& needed :
         {ObservationCsv::file(), ObservationCsv::code(), ObservationCsv::grade()}) {
        if (!column.contains(needed)) {
            result.problems << tr("%1：缺少列 %2").arg(path, needed);
        }
    }
    if (!result.problems.isEmpty()) {
        return result;
    }
    QHash<QString, Snapshot> snapshots;
    for (const Project& p : index.projects()) {
        for (const Snapshot& s : index.snapshots(p.id)) {
            snapshots.insert(s.file, s);
        }
    }

    QVector<Observation> taken;
    for (int line = 2; line <= records.size(); ++line) {
        const QStringList& fields = records[line - 1];
        if (fields.join(QString()).trimmed().isEmpty()) {
            continue;
        }
        const auto field = [&](const QString& name) {
            return fields.value(column.value(name, -1)).trimmed();
        };
        QStringList wrong;
        Observation o;
        o.snapshot = field(ObservationCsv::file());
        const auto snapshot = snapshots.constFind(o.snapshot);
        if (snapshot == snapshots.constEnd()) {
            wrong << tr("文件夹中没有抓图“%1”").arg(o.snapshot);
        }
        const QString code = field(ObservationCsv::code());
        const QString grade = field(ObservationCsv::grade());
        if (code.isEmpty()) {
            o.name = field(ObservationCsv::name());
            if (o.name.isEmpty() || !grade.isEmpty()) {
                wrong << tr("没有代码的观察需要名称，且没有等级");
            }
        } else if (const DefectCode* entry = codes.find(code)) {
            o.codeTable = entry->table;
            o.code = entry->code;
            o.name = entry->name;
            o.kind = entry->kind;
            o.scored = entry->scored;
            o.grade = grade.toInt();
            if (entry->gradeEntry(o.grade) == nullptr) {
                wrong << tr("%1 没有等级“%2”").arg(entry->code, grade);
            }
        } else {
            wrong << tr("代码表中没有代码“%1”").arg(code);
        }
        if (!parseClock(field(ObservationCsv::clock()), &o.clockFrom, &o.clockTo)) {
            wrong << tr("无法读取环向位置“%1”").arg(field(ObservationCsv::clock()));
        }
        double start = kUnknown;
        if (!parseMetres(field(ObservationCsv::start()), &start) ||
            !parseMetres(field(ObservationCsv::end()), &o.endM)) {
            wrong << tr("起点或终点距离不是 0–%1 m 之间的数字").arg(kMaxDistanceM);
        }
        if (snapshot != snapshots.constEnd() && !sameDistance(start, snapshot->distanceM)) {
            o.startM = start;
        }
        o.endSnapshot = field(ObservationCsv::endFile());
        if (!o.endSnapshot.isEmpty() && !snapshots.contains(o.endSnapshot)) {
            wrong << tr("文件夹中没有抓图“%1”").arg(o.endSnapshot);
        }
        const bool continuous = !field(ObservationCsv::continuous()).isEmpty() || known(o.endM) ||
                                !o.endSnapshot.isEmpty();
        o.continuous = continuous ? Observation::kContinuous : QString();
        if (continuous && !o.isDefect()) {
            wrong << tr("只有缺陷可以是连续缺陷");
        }
        o.remark = field(ObservationCsv::remark());
        for (const QString& what : wrong) {
            result.problems << tr("第 %1 行：%2").arg(line).arg(what);
        }
        taken.push_back(o);
    }
    if (!result.problems.isEmpty()) {
        return result;
    }

    IndexDatabase::Transaction transaction(index.database());
    QHash<QString, QVector<Observation>> held;
    for (const Observation& o : taken) {
        if (!held.contains(o.snapshot)) {
            held.insert(o.snapshot, index.observations(o.snapshot));
        }
        QVector<Observation>& there = held[o.snapshot];
        if (std::any_of(there.begin(), there.end(),
                        [&](const Observation& h) { return sameCoding(h, o); })) {
            ++result.present;
            continue;
        }
        if (index.addObservation(o) == 0) {
            result.problems << tr("无法保存到索引 %1").arg(index.database().path());
            result.added = 0;
            return result;
        }
        there.push_back(o);
        ++result.added;
    }
    if (!transaction.commit()) {
        result.problems << tr("无法保存到索引 %1").arg(index.database().path());
        result.added = 0;
    }
    return result;
}
