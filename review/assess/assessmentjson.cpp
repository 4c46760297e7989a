#include "assessmentjson.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {

constexpr double kDecimals = 1e6;

QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(std::round(value * kDecimals) / kDecimals)
                                : QJsonValue();
}

QJsonObject condition(const ConditionAssessment& c, const char* mean, const char* max,
                      const char* value, const char* density, const char* index,
                      const char* indexGrade)
{
    return {{mean, number(c.mean)},       {max, number(c.max)},     {value, number(c.value)},
            {density, number(c.density)}, {index, number(c.index)}, {"grade", c.grade},
            {indexGrade, c.indexGrade}};
}

} // namespace

QJsonObject assessmentJson(const AssessedSection& section)
{
    QJsonArray defects;
    for (const AssessedDefect& d : section.defects) {
        QJsonObject defect{{"code", d.code},
                           {"grade", d.grade},
                           {"score", number(d.score)},
                           {"start_m", number(d.startM)},
                           {"end_m", d.unfinished ? QJsonValue() : number(d.endM)},
                           {"length_m", number(d.lengthM())}};
        if (d.unfinished) {
            defect.insert("unfinished", true);
        }
        defects.append(defect);
    }
    const SectionAssessment& a = section.assessment;
    return {
        {"project", section.project.id},
        {"location", section.project.fields.value("location")},
        {"section", section.wells()},
        {"length_m", number(section.lengthM)},
        {"length_entered", section.lengthEntered},
        {"inspected_length_m", number(section.inspectedLengthM)},
        {"structural", condition(a.structural, "S", "Smax", "F", "SM", "RI", "repair_grade")},
        {"functional", condition(a.functional, "Y", "Ymax", "G", "YM", "MI", "maintenance_grade")},
        {"defects", defects},
        {"problems", QJsonArray::fromStringList(section.problems)}};
}

QByteArray assessmentsJson(const QVector<AssessedSection>& sections)
{
    QJsonArray all;
    for (const AssessedSection& section : sections) {
        all.append(assessmentJson(section));
    }
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}
