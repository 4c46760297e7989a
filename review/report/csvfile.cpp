#include "csvfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const QLatin1Char kQuote('"');
const QLatin1Char kComma(',');
const QLatin1Char kApostrophe('\'');

// What a spreadsheet takes for the start of a formula.
bool startsFormula(const QString& text, int at)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return at < text.size() && kFormulaStarts.contains(text[at]);
}

// Apostrophes a cell starts with, then whether a formula starts after them.
bool formulaAfterApostrophes(const QString& field)
{
    int at = 0;
    while (at < field.size() && field[at] == kApostrophe) {
        ++at;
    }
    return startsFormula(field, at);
}

// A cell that would start a formula is written after an apostrophe, so that
// a spreadsheet shows it as text and runs nothing. A plain number such as
// "-1.50" is no formula and stays a number. A text that already starts with
// apostrophes before such a character gets one more, so that reading takes
// exactly one off and every text comes back as it was.
QString shownAsText(const QString& field)
{
    static const QRegularExpression number(QStringLiteral("^-\\d+(\\.\\d+)?$"));
    if (!formulaAfterApostrophes(field) || number.match(field).hasMatch()) {
        return field;
    }
    return kApostrophe + field;
}

// The cell as it was before shownAsText().
QString asWritten(const QString& cell)
{
    return cell.startsWith(kApostrophe) && formulaAfterApostrophes(cell) ? cell.mid(1) : cell;
}

QString quoted(const QString& text)
{
    const QString field = shownAsText(text);
    if (!field.contains(kComma) && !field.contains(kQuote) && !field.contains(QLatin1Char('\n')) &&
        !field.contains(QLatin1Char('\r'))) {
        return field;
    }
    QString escaped = field;
    escaped.replace(kQuote, QStringLiteral("\"\""));
    return kQuote + escaped + kQuote;
}

QByteArray line(const QStringList& fields)
{
    QStringList cells;
    for (const QString& field : fields) {
        cells << quoted(field);
    }
    return cells.join(kComma).toUtf8() + "\r\n";
}

} // namespace

bool CsvFile::write(const QString& path, const QStringList& header,
                    const QVector<QStringList>& rows, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    QByteArray text(kByteOrderMark);
    text += line(header);
    for (const QStringList& row : rows) {
        text += line(row);
    }
    if (file.write(text) != text.size() || !file.commit()) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool CsvFile::read(const QString& path, QVector<QStringList>* records, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("无法读取 %1：%2").arg(path, file.errorString());
        return false;
    }
    // Read up to the bound, not to the end: the path may name an endless stream.
    const QByteArray bytes = file.read(kMaxReadBytes + 1);
    if (bytes.size() > kMaxReadBytes) {
        *error = tr("%1：文件超过 %2 MiB，不是观察记录").arg(path).arg(kMaxReadBytes >> 20);
        return false;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    records->clear();
    QStringList record;
    QString field;
    bool inQuotes = false;
    bool any = false; // the record has begun
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c != kQuote) {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
                field += kQuote;
                ++i;
            } else {
                inQuotes = false;
            }
        } else if (c == kQuote) {
            inQuotes = true;
            any = true;
        } else if (c == kComma) {
            record << asWritten(field);
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            if (any || !field.isEmpty()) {
                records->push_back(record << asWritten(field));
            }
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (inQuotes) {
        *error = tr("%1：引号没有结束").arg(path);
        return false;
    }
    if (any || !field.isEmpty()) {
        records->push_back(record << asWritten(field));
    }
    return true;
}
