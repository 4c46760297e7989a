#include "sectionassessment.h"

#include <algorithm>
#include <cmath>

namespace {

// Defects of one kind combined in distance order.
QVector<CombinedDefect> combine(QVector<AssessedDefect> defects)
{
    std::sort(defects.begin(), defects.end(), [](const AssessedDefect& a, const AssessedDefect& b) {
        return a.startM != b.startM ? a.startM < b.startM : a.endM < b.endM;
    });
    QVector<CombinedDefect> combined;
    for (const AssessedDefect& d : defects) {
        const double start = std::min(d.startM, d.endM);
        const double end = std::max(d.startM, d.endM);
        if (!combined.isEmpty() &&
            start - combined.back().endM <= cjj181::kCombineWithinM + cjj181::kEpsilon) {
            CombinedDefect& group = combined.back();
            group.endM = std::max(group.endM, end);
            group.score = std::min(cjj181::kMaxCombinedScore, group.score + d.score);
            group.lengthM = cjj181::countedLengthM(group.startM, group.endM);
            ++group.members;
            continue;
        }
        combined.push_back(
            {start, end, std::min(cjj181::kMaxCombinedScore, d.score), d.lengthM(), 1, false});
    }
    for (int i = 0; i < combined.size(); ++i) {
        const auto nearTo = [&](int other) {
            if (other < 0 || other >= combined.size()) {
                return false;
            }
            const CombinedDefect& first = combined[std::min(i, other)];
            const CombinedDefect& second = combined[std::max(i, other)];
            return second.startM - first.endM <= cjj181::kNearWithinM + cjj181::kEpsilon;
        };
        combined[i].near = nearTo(i - 1) || nearTo(i + 1);
    }
    return combined;
}

// S, Smax, F and SM (or Y, Ymax, G and YM) of one kind's defects.
ConditionAssessment condition(const QVector<AssessedDefect>& defects, double weight, double lengthM)
{
    ConditionAssessment c;
    c.combined = combine(defects);
    c.n = static_cast<int>(c.combined.size());
    if (c.n == 0) {
        return c;
    }
    double scores = 0;
    double scoreLengths = 0;
    for (const CombinedDefect& d : c.combined) {
        const double w = d.near ? weight : 1.0;
        scores += w * d.score;
        scoreLengths += w * d.score * d.lengthM;
        c.max = std::max(c.max, d.score);
        ++(d.near ? c.n2 : c.n1);
    }
    c.mean = scores / c.n;
    c.value = c.max >= c.mean ? c.max : c.mean;
    c.density = lengthM > 0 && c.mean > 0 ? scoreLengths / (c.mean * lengthM)
                                          : std::numeric_limits<double>::quiet_NaN();
    c.densityType = cjj181::densityType(c.density);
    return c;
}

QVector<AssessedDefect> ofKind(const QVector<AssessedDefect>& defects, const QString& kind)
{
    QVector<AssessedDefect> chosen;
    std::copy_if(defects.begin(), defects.end(), std::back_inserter(chosen),
                 [&](const AssessedDefect& d) { return d.kind == kind; });
    return chosen;
}

} // namespace

double AssessedDefect::lengthM() const
{
    return continuous ? cjj181::countedLengthM(startM, endM) : cjj181::kLocalLengthM;
}

SectionAssessment assessConditions(const QVector<AssessedDefect>& defects,
                                   const SectionFactors& factors)
{
    SectionAssessment a;
    ConditionAssessment& s = a.structural;
    s = condition(ofKind(defects, QStringLiteral("S")), cjj181::kAlpha, factors.lengthM);
    s.k = cjj181::areaFactor(factors.areaClass, s.value);
    s.e = cjj181::pipeFactor(factors.diameterMm, s.value);
    s.t = cjj181::soilFactor(factors.soil, s.value);
    s.index = cjj181::repairIndex(s.value, s.k, s.e, s.t);
    s.grade = cjj181::conditionGrade(s.value);
    s.indexGrade = cjj181::repairGrade(s.index);

    ConditionAssessment& f = a.functional;
    f = condition(ofKind(defects, QStringLiteral("F")), cjj181::kBeta, factors.lengthM);
    const double basis = cjj181::maintenanceFactorBasis(s.value, f.value);
    f.k = cjj181::areaFactor(factors.areaClass, basis);
    f.e = cjj181::pipeFactor(factors.diameterMm, basis);
    f.index = cjj181::maintenanceIndex(f.value, f.k, f.e);
    f.grade = cjj181::conditionGrade(f.value);
    f.indexGrade = cjj181::maintenanceGrade(f.index);
    return a;
}
