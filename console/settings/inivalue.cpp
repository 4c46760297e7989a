#include "inivalue.h"

#include <QTextCodec>

namespace {

constexpr QChar kQuote('"');
constexpr QChar kBackslash('\\');
constexpr QChar kAt('@');
const QLatin1String kDoubleAt("@@");
const QLatin1String kStringOpen("@String(");
constexpr QChar kStringClose(')');
constexpr ushort kFirstNonControl = 0x20;
constexpr ushort kFirstNonAscii = 0x80;
constexpr int kHex = 16;
constexpr int kOctal = 8;

// Escape letters and what they stand for, as Qt's reader has them.
struct Escape {
    char letter;
    char character;
};
constexpr Escape kEscapes[] = {{'a', '\a'},  {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                               {'r', '\r'},  {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                               {'\\', '\\'}, {'?', '?'},  {'\'', '\''}};
// The ones Qt's writer uses: all but the last two.
constexpr int kWrittenEscapes = 9;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

int digitValue(QChar c, int base)
{
    const ushort u = c.unicode();
    int value = -1;
    if (u >= '0' && u <= '9')
        value = u - '0';
    else if (u >= 'a' && u <= 'f')
        value = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        value = u - 'A' + 10;
    return value < base ? value : -1;
}

QString withoutOuterBlanks(const QString& text)
{
    int from = 0;
    int to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

// True when text opens with a quote whose closing quote is its last character.
bool isWhollyQuoted(const QString& text)
{
    if (text.size() < 2 || text.front() != kQuote)
        return false;
    for (int i = 1; i < text.size(); ++i) {
        if (text[i] == kBackslash)
            ++i;
        else if (text[i] == kQuote)
            return i == text.size() - 1;
    }
    return false;
}

// The escapes replaced by their characters; a backslash that starts none stays.
QString unescaped(const QString& text)
{
    QString value;
    value.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != kBackslash || i + 1 == text.size()) {
            value += c;
            ++i;
            continue;
        }
        const QChar next = text[i + 1];
        const Escape* simple = nullptr;
        for (const Escape& escape : kEscapes)
            if (next == QLatin1Char(escape.letter))
                simple = &escape;
        if (simple != nullptr) {
            value += QLatin1Char(simple->character);
            i += 2;
            continue;
        }
        int base = 0;
        int from = i + 1;
        if (next == QLatin1Char('x') && i + 2 < text.size() && digitValue(text[i + 2], kHex) >= 0) {
            base = kHex;
            from = i + 2;
        } else if (digitValue(next, kOctal) >= 0) {
            base = kOctal;
        }
        if (base == 0) {
            value += c;
            value += next;
            i += 2;
            continue;
        }
        // As many digits as follow; the code is cut to 16 bits as Qt does.
        uint code = 0;
        for (i = from; i < text.size() && digitValue(text[i], base) >= 0; ++i)
            code = code * static_cast<uint>(base) + static_cast<uint>(digitValue(text[i], base));
        value += QChar(static_cast<ushort>(code));
    }
    return value;
}

QByteArray hexEscape(ushort code)
{
    return "\\x" + QByteArray::number(code, kHex);
}

// A byte Qt's reader treats as syntax wherever it stands.
bool holdsSyntaxByte(const QByteArray& bytes)
{
    for (const char byte : bytes)
        if (byte == '\\' || byte == '"' || byte == ',' || byte == ';' || byte == '=' ||
            byte == '\n' || byte == '\r')
            return true;
    return false;
}

} // namespace

QString iniValueFromText(const QString& text)
{
    const QString stored = withoutOuterBlanks(text);
    const QString value =
        unescaped(isWhollyQuoted(stored) ? stored.mid(1, stored.size() - 2) : stored);
    if (value.startsWith(kDoubleAt))
        return value.mid(1);
    if (value.startsWith(kStringOpen) && value.endsWith(kStringClose))
        return value.mid(kStringOpen.size(), value.size() - kStringOpen.size() - 1);
    return value;
}

QByteArray iniTextFromValue(const QString& value, QTextCodec* codec)
{
    // What Qt's settings make of a text before it is escaped.
    QString text = value;
    if (text.contains(QChar::Null))
        text = kStringOpen + text + kStringClose;
    else if (text.startsWith(kAt))
        text.prepend(kAt);

    QByteArray stored;
    bool needsQuotes = false;
    // After \xHEX or \0, a digit would read as part of the code.
    bool escapeNextIfDigit = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const ushort u = c.unicode();
        if (u == ';' || u == ',' || u == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && digitValue(c, kHex) >= 0) {
            stored += hexEscape(u);
            continue;
        }
        escapeNextIfDigit = false;
        const Escape* simple = nullptr;
        for (int e = 0; e < kWrittenEscapes; ++e)
            if (u == static_cast<ushort>(kEscapes[e].character))
                simple = &kEscapes[e];
        if (u == 0) {
            stored += "\\0";
            escapeNextIfDigit = true;
        } else if (simple != nullptr) {
            stored += '\\';
            stored += simple->letter;
        } else if (u < kFirstNonControl) {
            stored += hexEscape(u);
            escapeNextIfDigit = true;
        } else if (u < kFirstNonAscii) {
            stored += static_cast<char>(u);
        } else {
            const int length =
                c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2
                                                                                              : 1;
            const QByteArray bytes = codec->fromUnicode(text.constData() + i, length);
            if (length == 1 && holdsSyntaxByte(bytes)) {
                stored += hexEscape(u);
                escapeNextIfDigit = true;
            } else {
                stored += bytes;
            }
            i += length - 1;
        }
    }
    if (needsQuotes || stored.startsWith(' ') || stored.endsWith(' '))
        return '"' + stored + '"';
    return stored;
}
