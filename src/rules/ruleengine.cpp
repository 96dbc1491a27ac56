// Rules R1 to R7, the set-up string and the evaluation of the main chart and the attribute charts.
#include "rules/ruleengine.h"

#include "rules/rulemarks.h"
#include "variables/variableschart.h"

namespace moldrin
{

namespace
{

struct Failure {
    QString description;
};

const QString kNoSeries = QStringLiteral("Series index out of range");
const QString kNoPoint = QStringLiteral("Point index out of range");
const QString kNoMark = QStringLiteral("Subscript out of range");

const ChartSeries& SeriesOf(const ChartModel& chart, int index)
{
    const ChartSeries* s = chart.seriesAt(index);
    if (!s)
        throw Failure { kNoSeries };
    return *s;
}

double PointY(const ChartSeries& s, int i)
{
    if (i < 0 || i >= s.count())
        throw Failure { kNoPoint };
    return s.points.y(i);
}

void Record(QStringList& marks, int i, const QString& code)
{
    if (!RecordRule(marks, i, code))
        throw Failure { kNoMark };
}

// A window of w points starting at i; the last point of the series never belongs to one.
bool WindowFits(int i, int w, int n)
{
    return i + w - 1 < n - 1;
}

template <typename Body> bool Trap(Prompt& prompt, Body body)
{
    try {
        body();
        return true;
    } catch (const Failure& f) {
        prompt.warn(f.description);
        return false;
    }
}

// R2 and R3: at least `needed` of the w points of a window beyond the boundary.
bool CheckZoneRule(AppState& state, const ChartModel& chart, int dataSeries, int lineSeries, const QString& side,
    bool constantLimits, int w, int needed, const QString& rule, Prompt& prompt)
{
    return Trap(prompt, [&] {
        const ChartSeries& data = SeriesOf(chart, dataSeries);
        const ChartSeries& line = SeriesOf(chart, lineSeries);
        const bool upper = side == kSideUpper;
        QStringList& marks = upper ? state.gUpperRuleMarks : state.gLowerRuleMarks;
        const QString code = rule + (upper ? QStringLiteral("+") : QStringLiteral("-"));
        const int n = data.count();
        const double fixed = constantLimits ? PointY(line, 0) : 0.0;
        for (int i = 0; WindowFits(i, w, n); ++i) {
            const double b = constantLimits ? fixed : PointY(line, i);
            const auto beyond = [&](int k) { return upper ? data.points.y(k) > b : data.points.y(k) < b; };
            int count = 0;
            for (int k = i; k < i + w; ++k)
                count += beyond(k) ? 1 : 0;
            if (count < needed)
                continue;
            for (int k = i; k < i + w; ++k)
                if (beyond(k))
                    Record(marks, k, code);
        }
    });
}

// R5 and R6: every point of a 7-point window in the relation `step` to the one before it.
template <typename Step> void RunOf7(const ChartSeries& data, QStringList& marks, const QString& code, Step step)
{
    const int n = data.count();
    for (int i = 0; WindowFits(i, 7, n); ++i) {
        bool all = true;
        for (int k = i + 1; k < i + 7 && all; ++k)
            all = step(data.points.y(k - 1), data.points.y(k));
        if (all)
            for (int k = i; k < i + 7; ++k)
                Record(marks, k, code);
    }
}

} // namespace

bool RuleEnabled(const QString& rulesSetup, RuleGroup group, int column)
{
    const int position = 6 * int(group) + column - 1;
    return column >= 1 && column <= 6 && position < rulesSetup.size() && rulesSetup[position] == QLatin1Char('1');
}

namespace
{

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

} // namespace

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

bool RecordRule(QStringList& marks, int i, const QString& code)
{
    if (i < 0 || i >= marks.size())
        return false;
    QString& entry = marks[i];
    if (entry.isEmpty())
        entry = code;
    else if (!entry.contains(code))
        entry += QLatin1Char(',') + code;
    return true;
}

bool CheckRule1(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt)
{
    return Trap(prompt, [&] {
        const ChartSeries& data = SeriesOf(chart, dataSeries);
        const ChartSeries& line = SeriesOf(chart, lineSeries);
        const bool upper = side == kSideUpper;
        if (!upper && side != kSideLower)
            return;
        const double fixed = constantLimits ? PointY(line, 0) : 0.0;
        for (int i = 0; i < data.count(); ++i) {
            const double limit = constantLimits ? fixed : PointY(line, i);
            const double y = data.points.y(i);
            if (upper && y > limit)
                Record(state.gUpperRuleMarks, i, QStringLiteral("R1+"));
            else if (!upper && y < limit)
                Record(state.gLowerRuleMarks, i, QStringLiteral("R1-"));
        }
    });
}

bool CheckRule2(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt)
{
    return CheckZoneRule(
        state, chart, dataSeries, lineSeries, side, constantLimits, 3, 2, QStringLiteral("R2"), prompt);
}

bool CheckRule3(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt)
{
    return CheckZoneRule(
        state, chart, dataSeries, lineSeries, side, constantLimits, 5, 4, QStringLiteral("R3"), prompt);
}

bool CheckRule4(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, int centreSeries,
    const QString& side, Prompt& prompt)
{
    return Trap(prompt, [&] {
        const ChartSeries& data = SeriesOf(chart, dataSeries);
        const double centre = PointY(SeriesOf(chart, centreSeries), 0);
        const bool upper = side == kSideUpper;
        QStringList& marks = upper ? state.gUpperRuleMarks : state.gLowerRuleMarks;
        const QString code = upper ? QStringLiteral("R4+") : QStringLiteral("R4-");
        const int n = data.count();
        for (int i = 0; WindowFits(i, 8, n); ++i) {
            bool all = true;
            for (int k = i; k < i + 8 && all; ++k)
                all = upper ? data.points.y(k) > centre : data.points.y(k) < centre;
            if (all)
                for (int k = i; k < i + 8; ++k)
                    Record(marks, k, code);
        }
    });
}

bool CheckRule5(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, Prompt& prompt)
{
    return Trap(prompt, [&] {
        const ChartSeries& data = SeriesOf(chart, dataSeries);
        RunOf7(data, state.gUpperRuleMarks, QStringLiteral("R5"), [](double a, double b) { return b > a; });
        RunOf7(data, state.gLowerRuleMarks, QStringLiteral("R5"), [](double a, double b) { return b < a; });
    });
}

bool CheckRule6(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, Prompt& prompt)
{
    return Trap(prompt, [&] {
        RunOf7(SeriesOf(chart, dataSeries), state.gUpperRuleMarks, QStringLiteral("R6"),
            [](double a, double b) { return b == a; });
    });
}

bool CheckRule7(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis /*axis*/, Prompt& prompt)
{
    return Trap(prompt, [&] {
        const ChartSeries& data = SeriesOf(chart, dataSeries);
        const int n = data.count();
        // The direction expected next; kept from one window to the next, a fall at the start.
        bool expectFall = true;
        for (int i = 0; WindowFits(i, 14, n); ++i) {
            double reference = data.points.y(i);
            int steps = 0;
            for (int k = i + 1; k < i + 14; ++k) {
                const double y = data.points.y(k);
                if (!((expectFall && y < reference) || (!expectFall && y > reference)))
                    break;
                expectFall = !expectFall;
                reference = y;
                ++steps;
            }
            if (steps == 13)
                for (int k = i; k < i + 14; ++k)
                    Record(state.gUpperRuleMarks, k, QStringLiteral("R7"));
        }
    });
}

void RunRules(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, const RuleLines& lines,
    const QList<int>& columns, bool constantLimits, Prompt& prompt)
{
    const auto enabled = [&](RuleGroup g) {
        for (int c : columns)
            if (RuleEnabled(state.gRulesSetup, g, c))
                return true;
        return false;
    };
    using LimitRule = bool (*)(AppState&, const ChartModel&, int, VerticalAxis, int, const QString&, bool, Prompt&);
    struct LimitStep {
        RuleGroup group;
        LimitRule rule;
        int RuleLines::*line;
        bool upper;
    };
    static constexpr LimitStep kLimitSteps[] = {
        { RuleGroup::R1Upper, CheckRule1, &RuleLines::ucl, true },
        { RuleGroup::R1Lower, CheckRule1, &RuleLines::lcl, false },
        { RuleGroup::R2Upper, CheckRule2, &RuleLines::upperB, true },
        { RuleGroup::R2Lower, CheckRule2, &RuleLines::lowerB, false },
        { RuleGroup::R3Upper, CheckRule3, &RuleLines::upperC, true },
        { RuleGroup::R3Lower, CheckRule3, &RuleLines::lowerC, false },
    };
    for (const LimitStep& step : kLimitSteps)
        if (enabled(step.group))
            step.rule(state, chart, dataSeries, axis, lines.*step.line, step.upper ? kSideUpper : kSideLower,
                constantLimits, prompt);
    for (RuleGroup g : { RuleGroup::R4Upper, RuleGroup::R4Lower })
        if (enabled(g))
            CheckRule4(state, chart, dataSeries, axis, lines.centre, g == RuleGroup::R4Upper ? kSideUpper : kSideLower,
                prompt);

    using RunRule = bool (*)(AppState&, const ChartModel&, int, VerticalAxis, Prompt&);
    static constexpr std::pair<RuleGroup, RunRule> kRunSteps[]
        = { { RuleGroup::R5, CheckRule5 }, { RuleGroup::R6, CheckRule6 }, { RuleGroup::R7, CheckRule7 } };
    for (const auto& [group, rule] : kRunSteps)
        if (enabled(group))
            rule(state, chart, dataSeries, axis, prompt);
}

namespace
{

void ResetMarks(AppState& state, const ChartModel& chart, int series)
{
    // Emptied in place: a second chart's lists reuse the first's memory instead of standing beside it.
    const int n = SeriesOf(chart, series).count();
    state.gUpperRuleMarks.fill(QString(), n);
    state.gLowerRuleMarks.fill(QString(), n);
}

int CloneOnCustomAxis(ChartModel& chart, int templateIndex)
{
    const int index = chart.copySeries(templateIndex);
    if (index < 0)
        throw Failure { kNoSeries };
    chart.series[index].verticalAxis = VerticalAxis::Custom0;
    return index;
}

} // namespace

RuleEvaluation EvaluateVariablesRules(AppState& state, ChartModel& chart, const QString& chartType, Prompt& prompt)
{
    RuleEvaluation result;
    result.completed = Trap(prompt, [&] {
        ResetMarks(state, chart, kSeriesXBar);
        const int upClone = CloneOnCustomAxis(chart, kSeriesUpArrow);
        const int downClone = CloneOnCustomAxis(chart, kSeriesDownArrow);

        RunRules(state, chart, kSeriesXBar, VerticalAxis::Left, kCentreChartLines, CentreChartColumns(chartType), true,
            prompt);
        result.centreMarks
            = PlaceRuleMarks(state, chart, kSeriesXBar, AxisId::Left, kSeriesUpArrow, kSeriesDownArrow, 0, prompt);

        ResetMarks(state, chart, kSeriesRange);
        RunRules(state, chart, kSeriesRange, VerticalAxis::Custom0, kVariationChartLines,
            VariationChartColumns(chartType), true, prompt);
        result.variationMarks
            = PlaceRuleMarks(state, chart, kSeriesRange, AxisId::Custom0, upClone, downClone, 0, prompt);
    });
    result.timerEnabled = RuleBlinkTimerEnabled(state.gRulesBlinkEnable, result.centreMarks || result.variationMarks);
    return result;
}

RuleEvaluation EvaluateAttributeRules(AppState& state, ChartModel& chart, bool constantLimits, Prompt& prompt)
{
    RuleEvaluation result;
    result.completed = Trap(prompt, [&] {
        ResetMarks(state, chart, 0);
        RunRules(
            state, chart, 0, VerticalAxis::Left, kAttributeChartLines, { kColumnAttribute }, constantLimits, prompt);
        result.centreMarks = PlaceRuleMarks(state, chart, 0, AxisId::Left, 5, 6, 1, prompt);
    });
    result.timerEnabled = RuleBlinkTimerEnabled(state.gRulesBlinkEnable, result.centreMarks);
    return result;
}

} // namespace moldrin
