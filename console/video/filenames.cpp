#include "filenames.h"

#include <QFileInfo>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace filenames {

namespace {

const char* const kTimeFormat = "yyyyMMddHHmmss";
const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
constexpr uint kFirstPrintable = 0x20;
constexpr uint kDelete = 0x7f;
const QChar kReplacement = QLatin1Char('_');
const QChar kSeparator = QLatin1Char('-');
// Room left for what follows naming: unusedPath's "-2" to "-999", and the
// extension a recording's base name gets.
constexpr int kNumberBytes = 4;
constexpr int kVideoExtensionBytes = 4;

QString timeText(const QDateTime& now)
{
    return now.toString(QLatin1String(kTimeFormat));
}

int utf8Bytes(const QStringRef& text)
{
    return text.toUtf8().size();
}

bool unsafe(uint code)
{
    if (code < kFirstPrintable || code == kDelete) {
        return true;
    }
    switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate: // a lone half of a pair
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return code < kDelete && kForbidden.contains(QChar(code));
    }
}

// A field's possible cuts: character (grapheme) boundaries with the UTF-8
// size of the text before them, from the empty start to the whole field.
struct Cut {
    int position;
    int bytes;
};

std::vector<Cut> cutsOf(const QString& field)
{
    std::vector<Cut> cuts{{0, 0}};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, field);
    int previous = 0;
    int bytes = 0;
    for (int next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        bytes += utf8Bytes(field.midRef(previous, next - previous));
        cuts.push_back({next, bytes});
        previous = next;
    }
    return cuts;
}

// The longest cut of at most limit bytes.
const Cut& longestWithin(const std::vector<Cut>& cuts, int limit)
{
    const auto after =
        std::upper_bound(cuts.begin(), cuts.end(), limit,
                         [](int bytes, const Cut& cut) { return bytes < cut.bytes; });
    return *(after - 1);
}

// Shortens the longest fields first until all of them together take at most
// budget bytes: each field is cut to the largest common limit that fits.
QStringList fitFields(const QStringList& fields, int budget)
{
    std::vector<std::vector<Cut>> cuts;
    int total = 0;
    int longest = 0;
    for (const QString& field : fields) {
        cuts.push_back(cutsOf(field));
        total += cuts.back().back().bytes;
        longest = std::max(longest, cuts.back().back().bytes);
    }
    if (total <= budget) {
        return fields;
    }
    const auto bytesWithin = [&cuts](int limit) {
        int sum = 0;
        for (const auto& field : cuts) {
            sum += longestWithin(field, limit).bytes;
        }
        return sum;
    };
    int low = 0;
    int high = longest;
    while (low < high) {
        const int limit = (low + high + 1) / 2;
        if (bytesWithin(limit) <= budget) {
            low = limit;
        } else {
            high = limit - 1;
        }
    }
    QStringList fitted;
    for (size_t i = 0; i < cuts.size(); ++i) {
        fitted << fields[static_cast<int>(i)].left(longestWithin(cuts[i], low).position);
    }
    return fitted;
}

// location-startwell-endwell + tail, within kMaxNameBytes less reserve.
QString projectName(const ProjectInfo& info, const QString& tail, int reserve)
{
    const QStringList fields = {cleanField(info.m_strLocation), cleanField(info.m_strStartWellNo),
                                cleanField(info.m_strEndWellNo)};
    const int separators = static_cast<int>(fields.size()) - 1;
    const int budget = kMaxNameBytes - reserve - separators - utf8Bytes(QStringRef(&tail));
    return fitFields(fields, std::max(0, budget)).join(kSeparator) + tail;
}

} // namespace

QString cleanField(const QString& field)
{
    QString cleaned;
    cleaned.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        const bool pair =
            c.isHighSurrogate() && i + 1 < field.size() && field.at(i + 1).isLowSurrogate();
        const uint code = pair ? QChar::surrogateToUcs4(c, field.at(i + 1)) : c.unicode();
        if (unsafe(code)) {
            cleaned += kReplacement;
        } else {
            cleaned += field.midRef(i, pair ? 2 : 1);
        }
        i += pair ? 1 : 0;
    }
    if (cleaned.startsWith(QLatin1Char('.'))) {
        cleaned[0] = kReplacement;
    }
    return cleaned;
}

QString videoBaseName(const ProjectInfo& info, const QDateTime& now)
{
    return projectName(info, kSeparator + timeText(now), kNumberBytes + kVideoExtensionBytes);
}

QString snapshotName(const ProjectInfo& info, const QString& distanceText, const QDateTime& now)
{
    const QString tail = kSeparator + cleanField(distanceText) + QLatin1Char('M') + kSeparator +
                         timeText(now) + QStringLiteral(".jpg");
    return projectName(info, tail, kNumberBytes);
}

QString inFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

QString unusedPath(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return path;
    }
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const bool hasExtension = dot > slash + 1;
    const QString stem = hasExtension ? path.left(dot) : path;
    const QString extension = hasExtension ? path.mid(dot) : QString();
    QString candidate;
    for (int n = 2;; ++n) {
        candidate = QStringLiteral("%1-%2%3").arg(stem, QString::number(n), extension);
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
}

QString failureMessage(const QString& what, const QString& reason, const QString& path)
{
    return QStringLiteral("%1：%2\n%3").arg(what, reason, QFileInfo(path).fileName());
}

} // namespace filenames
