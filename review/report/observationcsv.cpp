#include "observationcsv.h"

#include <QSaveFile>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

QString quoted(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r'))) {
        return field;
    }
    QString escaped = field;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray line(const QStringList& fields)
{
    QStringList cells;
    for (const QString& field : fields) {
        cells << quoted(field);
    }
    return cells.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

bool ObservationCsv::write(const ReportData& data, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    QByteArray text(kByteOrderMark);
    text += line({tr("距离（m）"), tr("代码"), tr("名称"), tr("等级"), tr("环向位置"),
                  tr("连续缺陷"), tr("备注"), tr("图号"), tr("文件")});
    for (const ReportRow& r : data.rows) {
        const Observation& o = r.observation;
        text += line({ReportTexts::metres(r.distanceM), o.code, o.name,
                      o.grade > 0 ? QString::number(o.grade) : QString(), ReportTexts::clock(o),
                      ReportTexts::continuous(o), o.remark, QString::number(r.pictureNumber),
                      o.snapshot});
    }
    if (file.write(text) != text.size() || !file.commit()) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}
