// The observations of a report as CSV for spreadsheets, and the columns
// that --import reads back by name.
#pragma once

#include "reportdata.h"

#include <QCoreApplication>
#include <QString>

class ObservationCsv {
    Q_DECLARE_TR_FUNCTIONS(ObservationCsv)
public:
    // Column names, shared by the export and the import.
    static QString section() { return tr("管段"); }
    static QString distance() { return tr("距离（m）"); }
    static QString code() { return tr("代码"); }
    static QString name() { return tr("名称"); }
    static QString grade() { return tr("等级"); }
    static QString score() { return tr("分值"); }
    static QString clock() { return tr("环向位置"); }
    static QString continuous() { return tr("连续缺陷"); }
    static QString start() { return tr("起点距离（m）"); }
    static QString end() { return tr("终点距离（m）"); }
    static QString length() { return tr("长度（m）"); }
    static QString remark() { return tr("备注"); }
    static QString picture() { return tr("图号"); }
    static QString file() { return tr("文件"); }
    static QString endFile() { return tr("终点文件"); }

    // Every section's observations; false with error when the file cannot be written.
    static bool write(const QVector<SectionReport>& sections, const QString& path, QString* error);
};

// One row per section: its lengths, figures, grades and advice.
class AssessmentCsv {
    Q_DECLARE_TR_FUNCTIONS(AssessmentCsv)
public:
    static bool write(const QVector<SectionReport>& sections, const QString& path, QString* error);
};
