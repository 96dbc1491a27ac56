// p, np, c and u chart statistics: the lines, their labels and the panel texts from the subgroup rows.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace moldrin
{

enum class AttributeKind { P, NP, C, U };

// One subgroup as the statement returns it: NonConformitiesX and (not for c) SubGroupX.
struct AttributeRow {
    double nonconforming = 0;
    double size = 0;
};

struct LinePoint {
    double x = 0;
    double y = 0;
    QString label;
};
using AttributeLine = std::vector<LinePoint>;

// A line of the statistics panel: caption, value text, and the figure's name in reports ("" for blanks).
struct PanelLine {
    QString caption;
    QString value;
    QString figure;
};

struct AttributeChartResult {
    QString failure; // the message of a failed check or computation; nothing else is set then
    bool checkFailed = false; // a row was refused: the message is shown as it stands
    AttributeLine data, centre, ucl, lcl; // an lcl below 0 is drawn at 0
    std::vector<double> lclComputed; // each subgroup's lower limit as computed, below 0 too
    std::vector<AttributeLine> zones; // when requested: B upper, B lower, C upper, C lower
    std::vector<PanelLine> panel;
    bool valueTextEndsWithBreak = false; // np: one more line break after the last value

    QString CaptionText() const;
    QString ValueText() const; // the values joined by CR LF
};

inline const QString kSizeMismatch = QStringLiteral("Found sub-groups size in not same!. ");
inline const QString kCountAboveSize = QStringLiteral("Found nonconformity number greater than sub-groups size!. ");
// p: a row with more nonconforming units than units tested (%1 the sub-group number, %2 the count, %3 the size).
inline const QString kCountAboveUnits
    = QStringLiteral("Sub-group %1 has more nonconforming units (%2) than units tested (%3)!");
// Every kind: a negative count (%1 the sub-group number, %2 the count).
inline const QString kNegativeCount = QStringLiteral("Sub-group %1 has a negative nonconforming count (%2)!");

// The chart of `rows` in their order (row i, from 1, is subgroup i and the x of its points), with the zone
// lines when `zones`. p: unweighted mean of the proportions, limits per subgroup, each count within its
// size; u: pooled ratio of the counts and the units as they are (fractions too), limits per subgroup; np:
// one subgroup size, each count within it; c: constant limits. No count may be negative; the first row
// that breaks a check is named in the failure. A lower limit below 0 is drawn at 0 (zone lines as
// computed); the c panel shows it so, the np panel as computed. Sums of p counts are 64-bit. An empty
// `rows` gives an empty result.
AttributeChartResult ComputeAttributeChart(AttributeKind kind, const std::vector<AttributeRow>& rows, bool zones);

} // namespace moldrin
