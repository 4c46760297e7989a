#include "initext.h"

#include "inivalue.h"

#include <QList>
#include <QTextCodec>

#include <utility>

namespace {

// A superset of GB2312 with the same bytes for every GB2312 character, so
// older files read unchanged, and every other character survives.
constexpr char kCodecName[] = "GB18030";
const QByteArray kUtf8Mark("\xEF\xBB\xBF");
// Where an entry without a section lives (as Qt's settings put it).
const char* const kGeneralSection = "General";

QTextCodec* codecOf(const QByteArray& bytes)
{
    static QTextCodec* const gb18030 = QTextCodec::codecForName(kCodecName);
    static QTextCodec* const utf8 = QTextCodec::codecForName("UTF-8");
    return bytes.startsWith(kUtf8Mark) ? utf8 : gb18030;
}

struct KeyParts {
    QString section;
    QString name;
};

KeyParts splitKey(const QString& key)
{
    QString path = key;
    while (path.startsWith('/'))
        path.remove(0, 1);
    const int slash = path.indexOf('/');
    if (slash < 0)
        return {QString::fromLatin1(kGeneralSection), path};
    return {path.left(slash), path.mid(slash + 1)};
}

enum class Kind { Other, Section, Entry };

struct Line {
    Kind kind = Kind::Other;
    QString name;  // of the section or entry
    QString value; // the entry's text after "=", as it stands
};

// Neither GB18030 nor UTF-8 uses the bytes of a line feed or "=" inside a
// character, so lines and entries split on bytes.
Line parseLine(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
        return {};
    if (trimmed.startsWith('[')) {
        // As Qt reads it: up to the first "]".
        const int close = trimmed.indexOf(']');
        return {Kind::Section, trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed(), {}};
    }
    const int equals = text.indexOf('=');
    if (equals < 0)
        return {};
    return {Kind::Entry, text.left(equals).trimmed(), text.mid(equals + 1)};
}

// Where an entry's value starts: after "=" and the blanks that follow it.
int valueStart(const QByteArray& line)
{
    int at = line.indexOf('=') + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    return at;
}

} // namespace

IniText::IniText(QByteArray bytes) : m_bytes(std::move(bytes)), m_codec(codecOf(m_bytes))
{
}

QString IniText::lineText(const QByteArray& line, int index) const
{
    const int from = index == 0 && line.startsWith(kUtf8Mark) ? kUtf8Mark.size() : 0;
    const int to = line.endsWith('\r') ? line.size() - 1 : line.size();
    return m_codec->toUnicode(line.constData() + from, to - from);
}

int IniText::find(const QString& section, const QString& name, int* lastSectionLine) const
{
    const QList<QByteArray> lines = m_bytes.split('\n');
    // Entries before any section header belong to the general section.
    bool inSection = section == QLatin1String(kGeneralSection);
    int found = -1;
    int last = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const Line line = parseLine(lineText(lines[i], i));
        if (line.kind == Kind::Section) {
            inSection = line.name == section;
            if (inSection)
                last = i;
        } else if (line.kind == Kind::Entry && inSection) {
            last = i;
            if (line.name == name)
                found = i;
        }
    }
    if (lastSectionLine != nullptr)
        *lastSectionLine = last;
    return found;
}

QString IniText::value(const QString& key) const
{
    const KeyParts parts = splitKey(key);
    const int at = find(parts.section, parts.name);
    if (at < 0)
        return QString();
    return iniValueFromText(parseLine(lineText(m_bytes.split('\n').at(at), at)).value);
}

void IniText::setValue(const QString& key, const QString& value)
{
    const KeyParts parts = splitKey(key);
    int last = -1;
    const int at = find(parts.section, parts.name, &last);
    QList<QByteArray> lines = m_bytes.split('\n');
    // New lines end as the file's lines do.
    const QByteArray cr = m_bytes.contains("\r\n") ? QByteArray("\r") : QByteArray();
    const QByteArray stored = iniTextFromValue(value, m_codec);
    if (at >= 0) {
        // The key as it was written stays, up to the value.
        QByteArray& line = lines[at];
        const bool hadCr = line.endsWith('\r');
        line = line.left(valueStart(line)) + stored;
        if (hadCr)
            line += '\r';
    } else {
        const QByteArray entry = m_codec->fromUnicode(parts.name) + '=' + stored + cr;
        if (last >= 0) {
            lines.insert(last + 1, entry);
        } else {
            // A file that ends with a line feed splits into a last empty piece.
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(cr);
            lines.append('[' + m_codec->fromUnicode(parts.section) + ']' + cr);
            lines.append(entry);
            lines.append(QByteArray());
        }
    }
    m_bytes = lines.join('\n');
}
