// Rules R1 to R7 on a chart's points, the set-up string, and the texts of the marks.
#include "rules/ruleengine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace moldrin
{

namespace
{

using Index = std::ptrdiff_t;

// A mean of up to 25 readings and a limit rounded to its decimals lie within a few units of the readings'
// last binary digit of their decimal values; within this many such units a point lies on a line.
constexpr double kOnLine = 32 * std::numeric_limits<double>::epsilon();

// One evaluation: the points, their lines and marks, and how many points an earlier evaluation saw.
struct Run {
    std::span<const double> y;
    const RuleLines& lines;
    std::vector<RuleMark>& marks;
    Index before;
    Index n;
    double scale;

    // A window of w points starting at i is examined when i + w - 1 < n - 1 (the last point never
    // belongs to one); the windows of the earlier evaluation are not examined again.
    Index firstWindow(Index w) const { return std::max<Index>(0, before - w); }
    Index endWindow(Index w) const { return n - w; }
    double at(Index i) const { return y[std::size_t(i)]; }
    void mark(Index i, RuleMark bit) { marks[std::size_t(i)] |= bit; }
    // Point k beyond a line, above it or below it: strictly, at the precision of the readings.
    bool beyond(Index k, double line, bool upper) const
    {
        const double slack = kOnLine * std::max(scale, std::fabs(line));
        return upper ? at(k) > line + slack : at(k) < line - slack;
    }
};

void Rule1(Run& r, const RuleLine& line, bool upper)
{
    for (Index i = r.before; i < r.n; ++i)
        if (r.beyond(i, line.at(std::size_t(i)), upper))
            r.mark(i, upper ? kR1Above : kR1Below);
}

// R2 and R3: at least `needed` of the w points of a window beyond their own line; those points marked.
void ZoneRule(Run& r, const RuleLine& line, bool upper, Index w, int needed, RuleMark bit)
{
    const auto beyond = [&](Index k) { return r.beyond(k, line.at(std::size_t(k)), upper); };
    for (Index i = r.firstWindow(w); i < r.endWindow(w); ++i) {
        int count = 0;
        for (Index k = i; k < i + w; ++k)
            count += beyond(k) ? 1 : 0;
        if (count < needed)
            continue;
        for (Index k = i; k < i + w; ++k)
            if (beyond(k))
                r.mark(k, bit);
    }
}

// R4: eight points in a row on one side of the centre line.
void Rule4(Run& r, bool upper)
{
    const Index w = 8;
    for (Index i = r.firstWindow(w); i < r.endWindow(w); ++i) {
        bool all = true;
        for (Index k = i; k < i + w && all; ++k)
            all = r.beyond(k, r.lines.centre.at(std::size_t(k)), upper);
        if (all)
            for (Index k = i; k < i + w; ++k)
                r.mark(k, upper ? kR4Above : kR4Below);
    }
}

// R5 and R6: every point of a 7-point window in the relation `step` to the one before it.
template <typename Step> void RunOf7(Run& r, RuleMark bit, Step step)
{
    const Index w = 7;
    for (Index i = r.firstWindow(w); i < r.endWindow(w); ++i) {
        bool all = true;
        for (Index k = i + 1; k < i + w && all; ++k)
            all = step(r.at(k - 1), r.at(k));
        if (all)
            for (Index k = i; k < i + w; ++k)
                r.mark(k, bit);
    }
}

// R7: fourteen points alternating down and up. The direction expected next is kept from one window to
// the next; a fall at the start.
void Rule7(Run& r, bool& expectFall)
{
    const Index w = Index(kLongestRuleWindow);
    for (Index i = r.firstWindow(w); i < r.endWindow(w); ++i) {
        double reference = r.at(i);
        int steps = 0;
        for (Index k = i + 1; k < i + w; ++k) {
            const double y = r.at(k);
            if (!(expectFall ? y < reference : y > reference))
                break;
            expectFall = !expectFall;
            reference = y;
            ++steps;
        }
        if (steps == w - 1)
            for (Index k = i; k < i + w; ++k)
                r.mark(k, kR7);
    }
}

struct ColumnTest {
    QLatin1String contained;
    int column;
};

QList<int> MatchingColumns(const QString& chartType, std::initializer_list<ColumnTest> tests)
{
    QList<int> columns;
    for (const ColumnTest& t : tests)
        if (chartType.contains(t.contained))
            columns << t.column;
    return columns;
}

// The texts of every combination of `codes`, indexed by their bits (code k is bit k).
std::vector<QString> MarkTexts(std::initializer_list<const char*> codes)
{
    std::vector<QString> texts(std::size_t(1) << codes.size());
    for (std::size_t bits = 1; bits < texts.size(); ++bits) {
        QStringList present;
        std::size_t k = 0;
        for (const char* code : codes)
            if (bits & (std::size_t(1) << k++))
                present << QLatin1String(code);
        texts[bits] = present.join(QLatin1Char(','));
    }
    return texts;
}

} // namespace

bool RuleEnabled(const QString& rulesSetup, RuleGroup group, int column)
{
    const int position = 6 * int(group) + column - 1;
    return column >= 1 && column <= 6 && position < rulesSetup.size() && rulesSetup[position] == QLatin1Char('1');
}

QList<int> CentreChartColumns(const QString& chartType)
{
    return MatchingColumns(chartType,
        { { QLatin1String("Individual"), kColumnIndividual }, { QLatin1String("X-Bar"), kColumnXBar },
            { QLatin1String("Median"), kColumnMedian } });
}

QList<int> VariationChartColumns(const QString& chartType)
{
    return MatchingColumns(chartType, { { QLatin1String("R"), kColumnRange }, { QLatin1String("-s"), kColumnS } });
}

RuleGroups EnabledRuleGroups(const QString& rulesSetup, const QList<int>& columns)
{
    RuleGroups groups = 0;
    for (int g = 0; g < kRuleGroupCount; ++g)
        for (int c : columns)
            if (RuleEnabled(rulesSetup, RuleGroup(g), c))
                groups |= RuleGroupBit(RuleGroup(g));
    return groups;
}

RuleMark RuleBits(int rule)
{
    static constexpr std::array<RuleMark, 7> kBits { kR1Above | kR1Below, kR2Above | kR2Below, kR3Above | kR3Below,
        kR4Above | kR4Below, kR5Rising | kR5Falling, kR6, kR7 };
    return rule >= 1 && rule <= 7 ? kBits[std::size_t(rule - 1)] : RuleMark(0);
}

const QString& RuleMarkText(RuleMark mark, MarkSide side)
{
    static const std::vector<QString> upper = MarkTexts({ "R1+", "R2+", "R3+", "R4+", "R5", "R6", "R7" });
    static const std::vector<QString> lower = MarkTexts({ "R1-", "R2-", "R3-", "R4-", "R5" });
    return side == MarkSide::Upper ? upper[mark & 0x7Fu] : lower[(mark >> 8) & 0x1Fu];
}

bool RuleMarks::anyMarked() const
{
    return std::any_of(mMarks.begin(), mMarks.end(), [](RuleMark m) { return m != 0; });
}

RuleMarks EvaluateRules(const RuleInput& input)
{
    RuleMarks marks;
    ExtendRules(marks, input);
    return marks;
}

RuleMarks EvaluateStagedRules(std::span<const RuleInput> stages)
{
    RuleMarks all;
    for (const RuleInput& stage : stages) {
        const RuleMarks marks = EvaluateRules(stage);
        all.mMarks.insert(all.mMarks.end(), marks.mMarks.begin(), marks.mMarks.end());
    }
    return all;
}

void ExtendRules(RuleMarks& marks, const RuleInput& input)
{
    const Index before = Index(marks.mMarks.size());
    marks.mMarks.resize(input.points.size(), RuleMark(0));
    Run r { input.points, input.lines, marks.mMarks, before, Index(input.points.size()), input.scale };
    const auto on = [&](RuleGroup g) { return (input.groups & RuleGroupBit(g)) != 0; };
    const RuleLines& l = input.lines;
    if (on(RuleGroup::R1Upper))
        Rule1(r, l.ucl, true);
    if (on(RuleGroup::R1Lower))
        Rule1(r, l.lcl, false);
    if (on(RuleGroup::R2Upper))
        ZoneRule(r, l.upperB, true, 3, 2, kR2Above);
    if (on(RuleGroup::R2Lower))
        ZoneRule(r, l.lowerB, false, 3, 2, kR2Below);
    if (on(RuleGroup::R3Upper))
        ZoneRule(r, l.upperC, true, 5, 4, kR3Above);
    if (on(RuleGroup::R3Lower))
        ZoneRule(r, l.lowerC, false, 5, 4, kR3Below);
    if (on(RuleGroup::R4Upper))
        Rule4(r, true);
    if (on(RuleGroup::R4Lower))
        Rule4(r, false);
    if (on(RuleGroup::R5)) {
        RunOf7(r, kR5Rising, [](double a, double b) { return b > a; });
        RunOf7(r, kR5Falling, [](double a, double b) { return b < a; });
    }
    if (on(RuleGroup::R6))
        RunOf7(r, kR6, [](double a, double b) { return b == a; });
    if (on(RuleGroup::R7))
        Rule7(r, marks.mExpectFall);
}

} // namespace moldrin
