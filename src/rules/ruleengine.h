// The SPC rule engine: rules R1 to R7 on plain numbers (a chart's points and the lines they are judged
// against, a value per point) giving each point's rule codes as bits.
#pragma once

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace moldrin
{

// Groups of the 66-character set-up string, in evaluation order.
enum class RuleGroup { R1Upper, R1Lower, R2Upper, R2Lower, R3Upper, R3Lower, R4Upper, R4Lower, R5, R6, R7 };
inline constexpr int kRuleGroupCount = 11;
// Columns within a group.
inline constexpr int kColumnIndividual = 1, kColumnXBar = 2, kColumnMedian = 3, kColumnRange = 4, kColumnS = 5,
                     kColumnAttribute = 6;

// True when position 6·group + column of the set-up string holds "1".
bool RuleEnabled(const QString& rulesSetup, RuleGroup group, int column);
// The set-up columns that govern the centre chart and the variation chart of a chart type
// (case-sensitive containment of "Individual", "X-Bar", "Median"; "R", "-s").
QList<int> CentreChartColumns(const QString& chartType);
QList<int> VariationChartColumns(const QString& chartType);

// The groups a chart runs: bit g for RuleGroup g.
using RuleGroups = std::uint16_t;
inline constexpr RuleGroups RuleGroupBit(RuleGroup g)
{
    return RuleGroups(1u << unsigned(g));
}
// The groups that any of `columns` enables in the set-up string.
RuleGroups EnabledRuleGroups(const QString& rulesSetup, const QList<int>& columns);

// A point's findings, one bit per code. Above the centre line: R1+, R2+, R3+, R4+, R5 (a rising run), R6,
// R7; below it: R1-, R2-, R3-, R4-, R5 (a falling run).
using RuleMark = std::uint16_t;
enum RuleBit : RuleMark {
    kR1Above = 1u << 0,
    kR2Above = 1u << 1,
    kR3Above = 1u << 2,
    kR4Above = 1u << 3,
    kR5Rising = 1u << 4,
    kR6 = 1u << 5,
    kR7 = 1u << 6,
    kR1Below = 1u << 8,
    kR2Below = 1u << 9,
    kR3Below = 1u << 10,
    kR4Below = 1u << 11,
    kR5Falling = 1u << 12,
};
enum class MarkSide { Upper, Lower };
// The bits of rule r (1 to 7) on either side.
RuleMark RuleBits(int rule);

// The codes of one side of a mark as they are shown and written: comma-separated in rule order, no
// blanks ("R2+,R3+,R4+"), "" for none. The text is shared, so a label costs no allocation.
const QString& RuleMarkText(RuleMark mark, MarkSide side);

// A boundary the rules compare with: one value for every point, or a value per point (limits that vary
// by subgroup, held or staged limits).
class RuleLine
{
public:
    RuleLine(double constant = 0)
        : mConstant(constant)
    {
    }
    // At least one value per point the line is used with.
    explicit RuleLine(std::vector<double> perPoint)
        : mValues(std::move(perPoint))
    {
    }
    double at(std::size_t i) const { return mValues.empty() ? mConstant : mValues[i]; }

private:
    double mConstant = 0;
    std::vector<double> mValues;
};

// The lines of one chart: the control limits (R1), the 2-sigma lines (R2), the 1-sigma lines (R3) and the
// centre line (R4).
struct RuleLines {
    RuleLine ucl, lcl, upperB, lowerB, upperC, lowerC, centre;
};

struct RuleInput {
    std::span<const double> points;
    RuleLines lines;
    RuleGroups groups = 0;
    // The largest magnitude of the readings the points come from (0: the lines' own). A point and a line
    // are compared at the precision of the readings and limits: one that differs from a line by no more
    // than the binary rounding of sums of such readings lies on it, so a mean equal to a limit in decimal
    // arithmetic is never beyond it.
    double scale = 0;
};

// The marks of a chart's points. A run of limits is evaluated as its own input: a window never reaches
// over the end of its points (the last point of an input belongs to no window).
class RuleMarks
{
public:
    std::size_t size() const { return mMarks.size(); }
    // Points beyond the evaluated ones have no mark.
    RuleMark operator[](std::size_t i) const { return i < mMarks.size() ? mMarks[i] : RuleMark(0); }
    bool anyMarked() const;

private:
    friend void ExtendRules(RuleMarks& marks, const RuleInput& input);
    friend RuleMarks EvaluateStagedRules(std::span<const RuleInput> stages);
    std::vector<RuleMark> mMarks;
    bool mExpectFall = true; // R7's expected direction, carried from one window to the next
};

// The most points one window of a rule spans (R7's fourteen): a mark can involve a point only if it lies
// within this many points of it.
inline constexpr std::size_t kLongestRuleWindow = 14;

// Runs the groups of input.groups on its points, in the order R1+ ... R7.
RuleMarks EvaluateRules(const RuleInput& input);
// The marks of consecutive stages, each a run of its own limits: every stage is evaluated as its own input
// (no window spans two stages, R7's expected direction starts afresh), its marks following the earlier ones.
RuleMarks EvaluateStagedRules(std::span<const RuleInput> stages);
// The same after points were appended to those `marks` were evaluated on, with the same lines: marks the
// new points, and the earlier ones where a window reaches back to them; equal to a whole evaluation.
void ExtendRules(RuleMarks& marks, const RuleInput& input);

} // namespace moldrin
