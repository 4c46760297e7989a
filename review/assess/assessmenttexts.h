// The words of the assessment sheets: grade names, the standard's grade
// texts and advice, defect types, and figures to two decimals.
#pragma once

#include "assessmentrules.h"

#include <QCoreApplication>
#include <QString>

class AssessmentTexts {
    Q_DECLARE_TR_FUNCTIONS(AssessmentTexts)
public:
    // "III级" for 3.
    static QString grade(int grade);
    // What a structural or functional grade means.
    static QString structuralGrade(int grade);
    static QString functionalGrade(int grade);
    // What a repair or maintenance grade advises.
    static QString repairAdvice(int grade);
    static QString maintenanceAdvice(int grade);
    static QString densityType(cjj181::DensityType type);
    // "3.30"; "—" when unknown.
    static QString figure(double value);
};
