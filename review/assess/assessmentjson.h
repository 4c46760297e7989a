// The assessment as JSON for scripts (moravel-review --assess): one object
// per section with its lengths, the structural and functional figures and
// grades, and its scored defects. Figures carry six decimals; unknown
// figures are null.
#pragma once

#include "assessedsection.h"

#include <QByteArray>
#include <QJsonObject>

QJsonObject assessmentJson(const AssessedSection& section);
// An indented array of the sections' objects.
QByteArray assessmentsJson(const QVector<AssessedSection>& sections);
