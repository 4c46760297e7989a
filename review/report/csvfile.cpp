#include "csvfile.h"

#include <QFile>
#include <QSaveFile>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const QLatin1Char kQuote('"');
const QLatin1Char kComma(',');

QString quoted(const QString& field)
{
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
    QString text = QString::fromUtf8(file.readAll());
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
            record << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            if (any || !field.isEmpty()) {
                records->push_back(record << field);
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
        records->push_back(record << field);
    }
    return true;
}
