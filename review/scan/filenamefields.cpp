#include "filenamefields.h"

#include <QDateTime>

namespace {

const QLatin1Char kSeparator('-');
const QLatin1Char kMetre('M');
const QString kTimeFormat = QStringLiteral("yyyyMMddHHmmss");
constexpr int kTimeDigits = 14;

bool allDigits(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        if (!c.isDigit()) {
            return false;
        }
    }
    return true;
}

// The fields after the project part: [<distance>M-]<time>[-<n>]. Fills
// distance and time; false when they do not have that form.
bool parseTail(QStringList fields, bool snapshot, NameFields& out)
{
    if (fields.size() >= 2 && allDigits(fields.last()) && fields.last().size() < kTimeDigits &&
        fields[fields.size() - 2].size() == kTimeDigits) {
        fields.removeLast(); // "-2": a second file within the same second
    }
    if (fields.size() != (snapshot ? 2 : 1) || fields.last().size() != kTimeDigits ||
        !allDigits(fields.last())) {
        return false;
    }
    const QDateTime time = QDateTime::fromString(fields.last(), kTimeFormat);
    if (!time.isValid()) {
        return false;
    }
    out.timeMs = time.toMSecsSinceEpoch();
    out.timeText = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (snapshot) {
        const QString& distance = fields.first();
        bool ok = false;
        const double metres = distance.chopped(distance.endsWith(kMetre) ? 1 : 0).toDouble(&ok);
        if (!distance.endsWith(kMetre) || !ok || !known(metres)) {
            return false;
        }
        out.distanceM = metres;
    }
    return true;
}

// Number of trailing fields after the project part, counter included.
int tailLength(const QStringList& fields, bool snapshot)
{
    const bool counter = fields.size() >= 2 && allDigits(fields.last()) &&
                         fields.last().size() < kTimeDigits &&
                         fields[fields.size() - 2].size() == kTimeDigits;
    return (snapshot ? 2 : 1) + (counter ? 1 : 0);
}

} // namespace

NameFields parseFileName(const QString& baseName, bool snapshot)
{
    NameFields out;
    const QStringList fields = baseName.split(kSeparator);
    const int tail = tailLength(fields, snapshot);
    const int head = fields.size() - tail;
    if (head < 1 || !parseTail(fields.mid(head), snapshot, out)) {
        return out;
    }
    for (const QString& key : projectKeys()) {
        out.project.insert(key, QString());
    }
    // More than three leading fields: some field held a "-"; only the
    // location can be told, as the first field.
    out.project["location"] = fields[0];
    if (head == 3) {
        out.project["startwellno"] = fields[1];
        out.project["endwellno"] = fields[2];
    }
    out.ok = true;
    return out;
}

int projectPrefixLength(const QString& baseName, bool snapshot, const ProjectFields& project)
{
    const QString prefix = QStringList{project.value("location"), project.value("startwellno"),
                                       project.value("endwellno"), QString()}
                               .join(kSeparator);
    if (!baseName.startsWith(prefix)) {
        return 0;
    }
    NameFields ignored;
    return parseTail(baseName.mid(prefix.size()).split(kSeparator), snapshot, ignored)
               ? static_cast<int>(prefix.size())
               : 0;
}
