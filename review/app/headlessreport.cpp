#include "headlessreport.h"

#include "inspectionfolder.h"
#include "observationcsv.h"
#include "reportwriter.h"
#include "telquinlibrary.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstring>
#include <iostream>

namespace {

const char* const kReportOption = "--report";

void say(const QString& line)
{
    std::cerr << line.toStdString() << std::endl;
}

QString describe(const Project& p)
{
    const ProjectFields& f = p.fields;
    return QStringLiteral("  %1: %2 %3 %4 %5–%6")
        .arg(p.id)
        .arg(f.value("no"), f.value("taskname"), f.value("location"), f.value("startwellno"),
             f.value("endwellno"));
}

} // namespace

bool HeadlessReport::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kReportOption) == 0) {
            return true;
        }
    }
    return false;
}

int HeadlessReport::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("检测报告：按保存文件夹生成 PDF 报告和观察记录 CSV"));
    parser.addHelpOption();
    const QCommandLineOption report("report", tr("保存文件夹"), tr("文件夹"));
    const QCommandLineOption out("out", tr("PDF 报告文件"), tr("文件"));
    const QCommandLineOption csv("csv", tr("观察记录 CSV 文件"), tr("文件"));
    const QCommandLineOption project("project", tr("项目编号（索引中的序号）"), tr("N"));
    parser.addOptions({report, out, csv, project});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty() ||
        (!parser.isSet(out) && !parser.isSet(csv))) {
        say(parser.errorText().isEmpty() ? tr("需要 --out 或 --csv") : parser.errorText());
        say(parser.helpText());
        return kUsage;
    }

    TelquinLibrary telquin;
    if (telquin.system() == nullptr) {
        say(tr("无法加载 Telquin：%1").arg(telquin.error()));
        return kFailed;
    }
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    const bool opened = folder.open(parser.value(report), &notice, &error);
    if (!notice.isEmpty()) {
        say(notice);
    }
    if (!opened) {
        say(error);
        return kFailed;
    }
    for (const FileEntry& file : folder.index().problems()) {
        say((file.usable ? tr("注意 %1：%2") : tr("已跳过 %1：%2")).arg(file.name, file.problem));
    }

    const QVector<Project> projects = folder.index().projects();
    qint64 chosen = 0;
    if (parser.isSet(project)) {
        chosen = parser.value(project).toLongLong();
        const bool exists = std::any_of(projects.begin(), projects.end(),
                                        [&](const Project& p) { return p.id == chosen; });
        if (!exists) {
            say(tr("没有项目 %1").arg(parser.value(project)));
            chosen = 0;
        }
    } else if (projects.size() == 1) {
        chosen = projects.front().id;
    } else if (projects.isEmpty()) {
        say(tr("文件夹中没有检测文件"));
        return kFailed;
    } else {
        say(tr("文件夹中有多个项目，请用 --project N 选择："));
    }
    if (chosen == 0) {
        for (const Project& p : projects) {
            say(describe(p));
        }
        return kFailed;
    }

    const ReportData data = gatherReport(folder.index(), chosen, folder.folder());
    if (parser.isSet(out) && !ReportWriter::write(data, parser.value(out), &error)) {
        say(error);
        return kFailed;
    }
    if (parser.isSet(csv) && !ObservationCsv::write(data, parser.value(csv), &error)) {
        say(error);
        return kFailed;
    }
    return kDone;
}
