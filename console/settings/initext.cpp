#include "initext.h"

#include <QList>
#include <QTextCodec>

#include <utility>

namespace {

// A superset of GB2312 with the same bytes for every GB2312 character, so
// older files read unchanged, and every other character survives.
constexpr char kCodecName[] = "GB18030";
// Where an entry without a section lives (as Qt's settings put it).
const char* const kGeneralSection = "General";
constexpr QChar kQuote('"');
constexpr QChar kEscape('\\');

QTextCodec* codec()
{
    static QTextCodec* const gb18030 = QTextCodec::codecForName(kCodecName);
    return gb18030;
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

// One line of the file without its line feed. GB18030 never uses the bytes
// of a line feed or "=" inside a character, so lines split on bytes.
Line parseLine(const QByteArray& bytes)
{
    QString text = codec()->toUnicode(bytes);
    if (text.endsWith('\r'))
        text.chop(1);
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
        return {};
    if (trimmed.startsWith('[') && trimmed.endsWith(']'))
        return {Kind::Section, trimmed.mid(1, trimmed.size() - 2).trimmed(), {}};
    const int equals = text.indexOf('=');
    if (equals < 0)
        return {};
    return {Kind::Entry, text.left(equals).trimmed(), text.mid(equals + 1)};
}

bool isQuoted(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.size() >= 2 && trimmed.startsWith(kQuote) && trimmed.endsWith(kQuote);
}

QString unquoted(const QString& text)
{
    if (!isQuoted(text))
        return text;
    const QString inner = text.trimmed().mid(1, text.trimmed().size() - 2);
    QString value;
    value.reserve(inner.size());
    for (int i = 0; i < inner.size(); ++i) {
        const QChar c = inner[i];
        if (c != kEscape || i + 1 == inner.size()) {
            value += c;
            continue;
        }
        const QChar next = inner[++i];
        switch (next.unicode()) {
        case '\\':
        case '"':
            value += next;
            break;
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        case 't':
            value += '\t';
            break;
        default: // not an escape: both stay
            value += c;
            value += next;
        }
    }
    return value;
}

// The plain form unless it would read back differently, or lose its
// outer spaces to an editor that trims lines.
QString storedText(const QString& value)
{
    const bool outerSpace = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    if (!outerSpace && !isQuoted(value) && !value.contains('\n') && !value.contains('\r'))
        return value;
    QString text(kQuote);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
        case '"':
            text += kEscape;
            text += c;
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\r':
            text += QStringLiteral("\\r");
            break;
        default:
            text += c;
        }
    }
    return text + kQuote;
}

} // namespace

IniText::IniText(QByteArray bytes) : m_bytes(std::move(bytes))
{
}

int IniText::find(const QString& section, const QString& name, int* lastSectionLine) const
{
    const QList<QByteArray> lines = m_bytes.split('\n');
    // Entries before any section header belong to the general section.
    bool inSection = section == QLatin1String(kGeneralSection);
    int found = -1;
    int last = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const Line line = parseLine(lines[i]);
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
    return unquoted(parseLine(m_bytes.split('\n').at(at)).value);
}

void IniText::setValue(const QString& key, const QString& value)
{
    const KeyParts parts = splitKey(key);
    int last = -1;
    const int at = find(parts.section, parts.name, &last);
    QList<QByteArray> lines = m_bytes.split('\n');
    // New lines end as the file's lines do.
    const QByteArray cr = m_bytes.contains("\r\n") ? QByteArray("\r") : QByteArray();
    const QByteArray stored = codec()->fromUnicode(storedText(value));
    if (at >= 0) {
        // The key as it was written stays, up to and including "=".
        QByteArray& line = lines[at];
        const bool hadCr = line.endsWith('\r');
        line = line.left(line.indexOf('=') + 1) + stored;
        if (hadCr)
            line += '\r';
    } else {
        const QByteArray entry = codec()->fromUnicode(parts.name) + '=' + stored + cr;
        if (last >= 0) {
            lines.insert(last + 1, entry);
        } else {
            // A file that ends with a line feed splits into a last empty piece.
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(cr);
            lines.append('[' + codec()->fromUnicode(parts.section) + ']' + cr);
            lines.append(entry);
            lines.append(QByteArray());
        }
    }
    m_bytes = lines.join('\n');
}
