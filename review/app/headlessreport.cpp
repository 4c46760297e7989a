#include "headlessreport.h"

#include "assessmentjson.h"
#include "inspectionfolder.h"
#include "observationcsv.h"
#include "observationimport.h"
#include "reportjob.h"
#include "telquinlibrary.h"

#include <QCommandLineParser>

#include <cstring>
#include <iostream>

namespace {

const char* const kModes[] = {"--report", "--assess", "--import"};

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

// The projects asked for: the one of --project, else all; empty (and said
// why) when there is none to take.
QVector<qint64> chosenProjects(InspectionIndex& index, const QCommandLineParser& parser,
                               const QCommandLineOption& project)
{
    const QVector<Project> projects = index.projects();
    QVector<qint64> chosen;
    if (!parser.isSet(project)) {
        for (const Project& p : projects) {
            chosen << p.id;
        }
        if (chosen.isEmpty()) {
            say(HeadlessReport::tr("文件夹中没有检测文件"));
        }
        return chosen;
    }
    const qint64 wanted = parser.value(project).toLongLong();
    for (const Project& p : projects) {
        if (p.id == wanted) {
            return {wanted};
        }
    }
    say(HeadlessReport::tr("没有项目 %1，文件夹中的项目：").arg(parser.value(project)));
    for (const Project& p : projects) {
        say(describe(p));
    }
    return {};
}

int report(InspectionFolder& folder, const CodeTables& codes, const QVector<qint64>& projects,
           const QCommandLineParser& parser)
{
    QVector<SectionReport> sections;
    for (const qint64 id : projects) {
        sections.push_back(gatherSection(folder.index(), id, folder.folder(), codes));
    }
    QString error;
    const bool done =
        (!parser.isSet("out") || ReportJob::write(sections, parser.value("out"), &error)) &&
        (!parser.isSet("csv") || ObservationCsv::write(sections, parser.value("csv"), &error)) &&
        (!parser.isSet("assessment-csv") ||
         AssessmentCsv::write(sections, parser.value("assessment-csv"), &error));
    if (!done) {
        say(error);
    }
    return done ? HeadlessReport::kDone : HeadlessReport::kFailed;
}

// One project's section, or every section read at once.
int assess(InspectionIndex& index, const CodeTables& codes, const QVector<qint64>& projects,
           bool all)
{
    const QVector<SectionRecords> records =
        all ? index.allSectionRecords()
            : QVector<SectionRecords>{index.sectionRecords(projects[0])};
    QVector<AssessedSection> sections;
    for (const SectionRecords& section : records) {
        sections.push_back(assessSection(section, codes));
    }
    std::cout << assessmentsJson(sections).toStdString() << std::flush;
    return HeadlessReport::kDone;
}

int import(InspectionFolder& folder, const CodeTables& codes, const QString& file)
{
    const ObservationImport::Result result = ObservationImport::run(folder.index(), codes, file);
    for (const QString& problem : result.problems) {
        say(problem);
    }
    if (!result.problems.isEmpty()) {
        say(HeadlessReport::tr("没有导入任何观察"));
        return HeadlessReport::kFailed;
    }
    say(HeadlessReport::tr("已导入 %1 条观察，%2 条已在索引中")
            .arg(result.added)
            .arg(result.present));
    return HeadlessReport::kDone;
}

} // namespace

bool HeadlessReport::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* mode : kModes) {
            if (std::strcmp(argv[i], mode) == 0) {
                return true;
            }
        }
    }
    return false;
}

int HeadlessReport::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("检测报告：按保存文件夹生成 PDF 报告和 CSV，输出评估结果，或导入观察记录"));
    parser.addHelpOption();
    const QCommandLineOption reportOption("report", tr("生成报告的保存文件夹"), tr("文件夹"));
    const QCommandLineOption assessOption("assess", tr("输出评估结果（JSON）的保存文件夹"),
                                          tr("文件夹"));
    const QCommandLineOption importOption("import", tr("导入观察记录的保存文件夹"), tr("文件夹"));
    const QCommandLineOption out("out", tr("PDF 报告文件"), tr("文件"));
    const QCommandLineOption csv("csv", tr("观察记录 CSV 文件"), tr("文件"));
    const QCommandLineOption assessmentCsv("assessment-csv", tr("管段评估 CSV 文件"), tr("文件"));
    const QCommandLineOption project("project", tr("项目编号（索引中的序号）"), tr("N"));
    parser.addOptions({reportOption, assessOption, importOption, out, csv, assessmentCsv, project});
    parser.addPositionalArgument(tr("观察记录.csv"), tr("--import 读取的 CSV 文件"));
    const bool parsed = parser.parse(arguments);
    const int modes = (parser.isSet(reportOption) ? 1 : 0) + (parser.isSet(assessOption) ? 1 : 0) +
                      (parser.isSet(importOption) ? 1 : 0);
    const int files = parser.isSet(importOption) ? 1 : 0;
    QString usage = parser.errorText();
    if (parsed && modes != 1) {
        usage = tr("需要 --report、--assess 或 --import 之一");
    } else if (parsed && parser.positionalArguments().size() != files) {
        usage = files == 1 ? tr("--import 需要一个 CSV 文件") : tr("多余的参数");
    } else if (parsed && parser.isSet(reportOption) && !parser.isSet(out) && !parser.isSet(csv) &&
               !parser.isSet(assessmentCsv)) {
        usage = tr("需要 --out、--csv 或 --assessment-csv");
    }
    if (!parsed || !usage.isEmpty()) {
        say(usage);
        say(parser.helpText());
        return kUsage;
    }

    TelquinLibrary telquin;
    if (telquin.system() == nullptr) {
        say(tr("无法加载 Telquin：%1").arg(telquin.error()));
        return kFailed;
    }
    QStringList problems;
    const CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder(), &problems);
    for (const QString& problem : problems) {
        say(problem);
    }
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    const QString path = parser.value(parser.isSet(reportOption)   ? reportOption
                                      : parser.isSet(assessOption) ? assessOption
                                                                   : importOption);
    const bool opened = folder.open(path, &notice, &error);
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
    int done = kFailed;
    if (parser.isSet(importOption)) {
        done = import(folder, codes, parser.positionalArguments().front());
    } else if (const QVector<qint64> projects = chosenProjects(folder.index(), parser, project);
               !projects.isEmpty()) {
        done = parser.isSet(reportOption)
                   ? report(folder, codes, projects, parser)
                   : assess(folder.index(), codes, projects, !parser.isSet(project));
    }
    // Said once the work is done: only a write moves the index to the cache.
    if (folder.index().database().inCache()) {
        say(folder.readOnlyNote());
    }
    if (done == kDone && folder.codingLost()) {
        say(tr("索引损坏，部分编码未能恢复：结果中缺少这些编码"));
        return kCodingLost;
    }
    return done;
}
