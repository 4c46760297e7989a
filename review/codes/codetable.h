// Defect code tables: tab-separated files with a header line naming the
// columns code, name, kind (S structural, F functional), grade, description
// and optionally scored (0: recorded but not counted in the assessment) and
// score (the grade's 分值 P; empty when the grade has none).
// Lines starting with "#" are comments. Every table in the codes folder
// beside the program is offered, so a new table needs no new code.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>

struct DefectGrade {
    int grade = 0;
    QString description;
    double score = std::numeric_limits<double>::quiet_NaN();
};

struct DefectCode {
    QString table; // the file's base name
    QString code;
    QString name;
    QString kind; // "S" or "F"
    bool scored = true;
    QVector<DefectGrade> grades; // ascending

    // The grade's entry; null when the code has no such grade.
    const DefectGrade* gradeEntry(int grade) const;
};

class CodeTables {
    Q_DECLARE_TR_FUNCTIONS(CodeTables)
public:
    // Reads every *.tsv of folder in name order. Unreadable files and lines
    // are skipped and described in problems.
    static CodeTables loadFolder(const QString& folder, QStringList* problems = nullptr);
    // Adds one table file; false with a problem line when it holds no code.
    bool loadFile(const QString& path, QStringList* problems = nullptr);
    // The codes folder beside the running program.
    static QString defaultFolder();

    const QVector<DefectCode>& codes() const { return m_codes; }
    // The first table's entry for code, compared without case; null if none.
    const DefectCode* find(const QString& code) const;
    // The entry of that table; any table's when the table is not loaded.
    const DefectCode* find(const QString& table, const QString& code) const;
    bool isEmpty() const { return m_codes.isEmpty(); }

private:
    QVector<DefectCode> m_codes;
};
