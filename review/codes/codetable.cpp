#include "codetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

const QLatin1Char kTab('\t');
const QString kRequired[] = {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("kind"),
                             QStringLiteral("grade"), QStringLiteral("description")};
const QString kScored = QStringLiteral("scored");
const QString kScore = QStringLiteral("score");

// An empty or unreadable score is no score.
double scoreFrom(const QString& text)
{
    bool ok = false;
    const double score = text.toDouble(&ok);
    return ok && score >= 0 ? score : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

CodeTables CodeTables::loadFolder(const QString& folder, QStringList* problems)
{
    CodeTables tables;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
    if (files.isEmpty() && problems != nullptr) {
        *problems << tr("没有缺陷代码表：%1").arg(QDir::toNativeSeparators(folder));
    }
    for (const QFileInfo& file : files) {
        tables.loadFile(file.filePath(), problems);
    }
    return tables;
}

bool CodeTables::loadFile(const QString& path, QStringList* problems)
{
    const auto problem = [&](int line, const QString& what) {
        if (problems != nullptr) {
            *problems << (line > 0 ? QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(what)
                                   : QStringLiteral("%1: %2").arg(path, what));
        }
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        problem(0, file.errorString());
        return false;
    }
    const QString table = QFileInfo(path).completeBaseName();
    QHash<QString, int> column;
    QVector<DefectCode> codes;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList fields = line.split(kTab);
        if (column.isEmpty()) {
            for (int i = 0; i < fields.size(); ++i) {
                column.insert(fields[i].trimmed().toLower(), i);
            }
            const bool complete =
                std::all_of(std::begin(kRequired), std::end(kRequired),
                            [&](const QString& name) { return column.contains(name); });
            if (!complete) {
                problem(lineNumber, tr("表头缺少 code、name、kind、grade 或 description 列"));
                return false;
            }
            continue;
        }
        const auto field = [&](const QString& name) {
            const int at = column.value(name, -1);
            return at >= 0 && at < fields.size() ? fields[at].trimmed() : QString();
        };
        bool gradeOk = false;
        const int grade = field(QStringLiteral("grade")).toInt(&gradeOk);
        const QString kind = field(QStringLiteral("kind")).toUpper();
        const QString code = field(QStringLiteral("code")).toUpper();
        if (code.isEmpty() || !gradeOk || grade < 1 || (kind != "S" && kind != "F")) {
            problem(lineNumber, tr("无法读取的代码行，已跳过"));
            continue;
        }
        auto entry = std::find_if(codes.begin(), codes.end(),
                                  [&](const DefectCode& known) { return known.code == code; });
        if (entry == codes.end()) {
            DefectCode added;
            added.table = table;
            added.code = code;
            added.name = field(QStringLiteral("name"));
            added.kind = kind;
            added.scored = field(kScored) != QLatin1String("0");
            codes.push_back(added);
            entry = codes.end() - 1;
        }
        entry->grades.push_back(
            {grade, field(QStringLiteral("description")), scoreFrom(field(kScore))});
    }
    if (codes.isEmpty()) {
        problem(0, tr("表中没有缺陷代码"));
        return false;
    }
    for (DefectCode& code : codes) {
        std::sort(code.grades.begin(), code.grades.end(),
                  [](const DefectGrade& a, const DefectGrade& b) { return a.grade < b.grade; });
    }
    m_codes += codes;
    return true;
}

QString CodeTables::defaultFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/codes");
}

const DefectGrade* DefectCode::gradeEntry(int grade) const
{
    const auto it = std::find_if(grades.begin(), grades.end(),
                                 [&](const DefectGrade& known) { return known.grade == grade; });
    return it == grades.end() ? nullptr : &*it;
}

const DefectCode* CodeTables::find(const QString& table, const QString& code) const
{
    const QString wanted = code.trimmed().toUpper();
    const auto it = std::find_if(m_codes.begin(), m_codes.end(), [&](const DefectCode& known) {
        return known.table == table && known.code == wanted;
    });
    return it == m_codes.end() ? find(code) : &*it;
}

const DefectCode* CodeTables::find(const QString& code) const
{
    const QString wanted = code.trimmed().toUpper();
    const auto it = std::find_if(m_codes.begin(), m_codes.end(),
                                 [&](const DefectCode& known) { return known.code == wanted; });
    return it == m_codes.end() ? nullptr : &*it;
}
