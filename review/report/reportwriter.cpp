#include "reportwriter.h"

#include "profilechart.h"

#include <QAbstractTextDocumentLayout>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace {

constexpr double kMarginMm = 15.0;
constexpr double kBodyPointSize = 10.0;
constexpr double kFooterPointSize = 8.0;
constexpr double kFooterLines = 2.5;
constexpr double kCaptionLines = 3.2;
constexpr double kSlotGapLines = 1.0;
const QColor kPlaceholderColour(235, 235, 235);

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString row(const QStringList& cells, const char* tag = "td")
{
    QString html = QStringLiteral("<tr>");
    for (const QString& cell : cells) {
        html += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), escaped(cell));
    }
    return html + QStringLiteral("</tr>");
}

QString table(const QStringList& header, const QVector<QStringList>& rows)
{
    QString html = QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\"><thead>");
    html += row(header, "th") + QStringLiteral("</thead>");
    for (const QStringList& cells : rows) {
        html += row(cells);
    }
    return html + QStringLiteral("</table>");
}

QString section(const QString& title, bool newPage)
{
    return QStringLiteral("<h2%1>%2</h2>")
        .arg(newPage ? QStringLiteral(" style=\"page-break-before: always\"") : QString(),
             escaped(title));
}

QFont reportFont(double points)
{
    QFont font;
    font.setFamilies(ReportWriter::fontFamilies());
    font.setPointSizeF(points);
    return font;
}

QString sectionTitle(const ProjectFields& fields)
{
    return ReportWriter::tr("%1 %2–%3")
        .arg(fields.value("location"), fields.value("startwellno"), fields.value("endwellno"));
}

QString paragraph(const QString& text)
{
    return QStringLiteral("<p>%1</p>").arg(escaped(text));
}

QString heading(const QString& text)
{
    return QStringLiteral("<h3>%1</h3>").arg(escaped(text));
}

// The table, or a line saying there is nothing to list.
QString tableOr(const QString& empty, const QStringList& header, const QVector<QStringList>& rows)
{
    return rows.isEmpty() ? paragraph(empty) : table(header, rows);
}

QString coverHtml(const ReportData& data)
{
    const ProjectFields& f = data.project.fields;
    const QVector<QStringList> fields{
        {ReportWriter::tr("检测公司"), f.value("unitcompany")},
        {ReportWriter::tr("操作人员"), f.value("inspector")},
        {ReportWriter::tr("项目编号"), f.value("no")},
        {ReportWriter::tr("任务名称"), f.value("taskname")},
        {ReportWriter::tr("检测地点"), f.value("location")},
        {ReportWriter::tr("起始井号"), f.value("startwellno")},
        {ReportWriter::tr("终止井号"), f.value("endwellno")},
        {ReportWriter::tr("管道直径"), f.value("pipdiameter")},
        {ReportWriter::tr("检测方向"), f.value("direction")},
        {ReportWriter::tr("管道类型"), f.value("piptype")},
        {ReportWriter::tr("管道材质"), f.value("pipmeterial")},
        {ReportWriter::tr("工程描述"), f.value("description")},
        {ReportWriter::tr("检测日期"), data.inspectionDate},
    };
    return QStringLiteral("<h1 align=\"center\">%1</h1><h2 align=\"center\">%2</h2><br/>")
               .arg(escaped(ReportWriter::tr("排水管道检测报告")), escaped(sectionTitle(f))) +
           table({ReportWriter::tr("项目"), ReportWriter::tr("内容")}, fields);
}

QString summaryHtml(const ReportData& data)
{
    QString html = section(ReportWriter::tr("检测概要"), true);
    html += paragraph(ReportWriter::tr("检测长度：%1 m").arg(ReportTexts::metres(data.lengthM)));
    html += paragraph(
        ReportWriter::tr("结构性缺陷最高等级：%1").arg(ReportTexts::worst(data.worst.structural)));
    html += paragraph(
        ReportWriter::tr("功能性缺陷最高等级：%1").arg(ReportTexts::worst(data.worst.functional)));
    QVector<QStringList> recordings;
    for (const Recording& r : data.recordings) {
        recordings.push_back({r.videoFile.isEmpty() ? r.csvFile : r.videoFile, r.startText,
                              ReportTexts::duration(r.durationS)});
    }
    html += heading(ReportWriter::tr("录像"));
    html +=
        tableOr(ReportWriter::tr("无录像"),
                {ReportWriter::tr("文件"), ReportWriter::tr("开始时间"), ReportWriter::tr("时长")},
                recordings);
    QVector<QStringList> counts;
    for (const CodeCount& c : data.counts) {
        counts.push_back({c.code, c.name, QString::number(c.count)});
    }
    html += heading(ReportWriter::tr("各代码观察数量"));
    html += tableOr(ReportWriter::tr("无观察记录"),
                    {ReportWriter::tr("代码"), ReportWriter::tr("名称"), ReportWriter::tr("数量")},
                    counts);
    return html;
}

QString observationsHtml(const ReportData& data)
{
    QVector<QStringList> rows;
    for (const ReportRow& r : data.rows) {
        const Observation& o = r.observation;
        rows.push_back({ReportTexts::metres(r.distanceM), o.code, ReportTexts::name(o),
                        ReportTexts::grade(o.grade), ReportTexts::clock(o), o.remark,
                        QString::number(r.pictureNumber)});
    }
    return section(ReportWriter::tr("观察记录"), true) +
           tableOr(ReportWriter::tr("无观察记录"),
                   {ReportWriter::tr("距离（m）"), ReportWriter::tr("代码"),
                    ReportWriter::tr("名称"), ReportWriter::tr("等级"),
                    ReportWriter::tr("环向位置"), ReportWriter::tr("备注"),
                    ReportWriter::tr("图号")},
                   rows);
}

QString caption(const ReportPicture& picture)
{
    QStringList coded;
    for (const Observation& o : picture.observations) {
        QString text = ReportTexts::summary(o);
        const QString clock = ReportTexts::clock(o);
        if (!clock.isEmpty()) {
            text += QLatin1Char(' ') + clock;
        }
        if (!o.remark.isEmpty()) {
            text += ReportWriter::tr("（%1）").arg(o.remark);
        }
        coded << text;
    }
    const Snapshot& s = picture.snapshot;
    return ReportWriter::tr("图 %1　距离 %2 m　%3\n%4")
        .arg(picture.number)
        .arg(ReportTexts::metres(s.distanceM), s.timeText,
             coded.isEmpty() ? ReportWriter::tr("（未编码）") : coded.join(ReportWriter::tr("；")));
}

void drawPicture(QPainter& painter, const ReportPicture& picture, const QRectF& slot,
                 double captionHeight)
{
    const QRectF imageArea(slot.left(), slot.top(), slot.width(), slot.height() - captionHeight);
    QImageReader reader(picture.path);
    const QSize size = reader.size();
    if (size.isValid()) {
        const QSize fitted = size.scaled(imageArea.size().toSize(), Qt::KeepAspectRatio);
        if (fitted.width() < size.width()) {
            reader.setScaledSize(fitted);
        }
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        painter.fillRect(imageArea, kPlaceholderColour);
        painter.drawText(imageArea, Qt::AlignCenter, ReportWriter::tr("图片无法读取"));
    } else {
        QSizeF shown = QSizeF(image.size()).scaled(imageArea.size(), Qt::KeepAspectRatio);
        const QRectF target(imageArea.left() + (imageArea.width() - shown.width()) / 2,
                            imageArea.top(), shown.width(), shown.height());
        painter.drawImage(target, image);
    }
    painter.drawText(QRectF(slot.left(), imageArea.bottom(), slot.width(), captionHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption(picture));
}

} // namespace

QStringList ReportWriter::fontFamilies()
{
    return {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Noto Sans CJK SC")};
}

bool ReportWriter::write(const ReportData& data, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    QPdfWriter writer(&file);
    writer.setResolution(kResolutionDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    writer.setTitle(tr("排水管道检测报告 %1").arg(sectionTitle(data.project.fields)));
    writer.setCreator(QStringLiteral("moravel-review"));

    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = tr("无法写入 %1").arg(path);
        return false;
    }
    const QFont body = reportFont(kBodyPointSize);
    const QFont footerFont = reportFont(kFooterPointSize);
    painter.setFont(body);
    const QRectF page(QPointF(0, 0), QSizeF(writer.width(), writer.height()));
    const double footerHeight = QFontMetricsF(footerFont, &writer).height() * kFooterLines;
    const QRectF content(page.left(), page.top(), page.width(), page.height() - footerHeight);

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultFont(body);
    document.setHtml(coverHtml(data) + summaryHtml(data) + observationsHtml(data));
    document.setTextWidth(content.width());
    document.setPageSize(content.size());

    const int textPages = document.pageCount();
    const int picturePages =
        (static_cast<int>(data.pictures.size()) + kPicturesPerPage - 1) / kPicturesPerPage;
    const int pages = textPages + picturePages + 1;
    int pageNumber = 0;
    const auto nextPage = [&] {
        if (pageNumber > 0) {
            writer.newPage();
        }
        ++pageNumber;
        painter.save();
        painter.setFont(footerFont);
        const QRectF footer(page.left(), content.bottom(), page.width(), footerHeight);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom,
                         sectionTitle(data.project.fields));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                         tr("第 %1 页 / 共 %2 页").arg(pageNumber).arg(pages));
        painter.restore();
    };

    for (int i = 0; i < textPages; ++i) {
        nextPage();
        painter.save();
        painter.setClipRect(content);
        painter.translate(0, -i * content.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, i * content.height(), content.width(), content.height());
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }

    const double line = QFontMetricsF(body, &writer).height();
    const double slotHeight = (content.height() - line * kSlotGapLines) / kPicturesPerPage;
    for (int i = 0; i < data.pictures.size(); ++i) {
        const int slot = i % kPicturesPerPage;
        if (slot == 0) {
            nextPage();
        }
        const QRectF area(content.left(),
                          content.top() + slot * (slotHeight + line * kSlotGapLines),
                          content.width(), slotHeight);
        drawPicture(painter, data.pictures[i], area, line * kCaptionLines);
    }

    nextPage();
    const QFont heading = reportFont(kBodyPointSize * 1.5);
    painter.setFont(heading);
    const double headingHeight = QFontMetricsF(heading, &writer).height() * 2;
    painter.drawText(QRectF(content.left(), content.top(), content.width(), headingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, tr("俯仰角与横滚角随距离的变化"));
    painter.setFont(body);
    const QRectF chart(content.left(), content.top() + headingHeight, content.width(),
                       content.width() * 0.75);
    ProfileChart(data.profile).paint(painter, chart);

    if (!painter.end() || !file.commit()) {
        *error = tr("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}
