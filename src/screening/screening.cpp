// Screening: every parameter of a product in one read, with capability, rule hits and a tester comparison.
#include "screening/screening.h"

#include "common/rounding.h"
#include "data/access/connection.h"
#include "data/config/querybuilder.h"
#include "data/loader/engineprogress.h"
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "variables/controllimits.h"
#include "variables/spcconstants.h"

#include <gsl/gsl_cdf.h>
#include <gsl/gsl_errno.h>

#include <algorithm>
#include <cmath>

namespace moldrin::screening
{

namespace
{

constexpr long kProgressEvery = 4096; // rows between two Progress calls

Figure Rounded(const Figure& f)
{
    return f.isNumber() ? Figure(Round4(f.value())) : f;
}

Figure LimitFigure(double limit)
{
    return IsLimitSentinel(limit) ? Figure::na() : Figure(limit);
}

// The query builder's pieces follow a WHERE clause ("AND ... "); inside CASE WHEN they stand alone.
QString Standalone(const QString& conditions)
{
    return conditions.mid(4).trimmed();
}

// The p-value of a one-way analysis of variance of the readings by tester: F = (SSB / (k - 1)) /
// (SSW / (N - k)) on the F distribution with k - 1 and N - k degrees of freedom. "N/A" with fewer than
// two testers, no degree of freedom within them, or no spread at all.
Figure TesterP(const std::vector<RunningStdDev>& testers, const RunningStdDev& all)
{
    std::int64_t k = 0;
    double within = 0, between = 0;
    // Both sums in the unit of all the readings (1 but near 1e308), where their squares cannot overflow.
    const double unit = all.unit();
    for (const RunningStdDev& t : testers) {
        if (t.count() == 0)
            continue;
        ++k;
        within += t.sumSquares(unit);
        const double d = t.mean() / unit - all.mean() / unit;
        between += double(t.count()) * d * d;
    }
    const std::int64_t n = all.count();
    if (k < 2 || n - k < 1)
        return Figure::na();
    if (within == 0)
        return between > 0 ? Figure(0.0) : Figure::na();
    const double df1 = double(k - 1), df2 = double(n - k);
    const double f = (between / df1) / (within / df2);
    // GSL's default error handler aborts the process; a failure shows as a non-finite result instead.
    static gsl_error_handler_t* const kPrevious = gsl_set_error_handler_off();
    Q_UNUSED(kPrevious);
    const double p = gsl_cdf_fdist_Q(f, df1, df2);
    return std::isfinite(p) ? Figure(p) : Figure::na();
}

// Subgroup means averaged into at most kTrendPoints consecutive buckets.
QList<double> Trend(const std::vector<double>& means)
{
    QList<double> trend;
    const std::size_t k = means.size();
    const std::size_t buckets = std::min<std::size_t>(k, kTrendPoints);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t from = b * k / buckets, to = (b + 1) * k / buckets;
        double sum = 0;
        for (std::size_t i = from; i < to; ++i)
            sum += means[i];
        trend << Round4(sum / double(to - from));
    }
    return trend;
}

// The X-Bar chart's limits as the main window computes them with "Show Zones", and the rules run on the
// means with the stored set-up, counted per rule.
void XBarChartRules(ParameterScreen& p, const SubgroupAccumulator& subgroups, const std::vector<double>& means,
    const QString& chartType, int sampleSize, const QString& rulesSetup, Prompt& prompt)
{
    LimitInputs in;
    in.USL = p.usl.isNumber() ? p.usl : Figure(kNoUpperLimit);
    in.LSL = p.lsl.isNumber() ? p.lsl : Figure(kNoLowerLimit);
    in.stat = subgroups.finish(in.USL, in.LSL);
    if (!in.stat.failure.isEmpty())
        prompt.warn(in.stat.failure);
    in.chartType = chartType;
    in.sampleSize = sampleSize;
    in.showZones = true;
    const ControlLimits limits = ComputeControlLimits(in);
    if (!limits.completed) {
        prompt.warn(limits.failure);
        return;
    }
    p.ucl = limits.UCLCentre;
    p.centre = limits.XDoubleBar;
    p.lcl = limits.LCLCentre;

    const RuleMarks marks = EvaluateRules({ means, ZoneRuleLines(limits.centre),
        EnabledRuleGroups(rulesSetup, CentreChartColumns(chartType)), limits.scale });
    for (std::size_t i = 0; i < marks.size(); ++i)
        for (int r = 0; r < kRuleHitCount; ++r)
            if (marks[i] & RuleBits(r + 1))
                ++p.ruleHits[std::size_t(r)];
}

// The tester whose text equals `text` without regard to letter case (as the engines compare texts),
// added when new; `last` remembers the previous row's, as rows of one tester often follow each other.
int TesterIndex(QStringList& testers, const QString& text, int& last)
{
    if (last >= 0 && testers[last].compare(text, Qt::CaseInsensitive) == 0)
        return last;
    for (int i = 0; i < testers.size(); ++i) {
        if (testers[i].compare(text, Qt::CaseInsensitive) == 0)
            return last = i;
    }
    testers << text;
    return last = int(testers.size()) - 1;
}

// The sample standard deviation; "N/A" below two readings.
Figure StdDevFigure(const RunningStdDev& r)
{
    return r.count() < 2 ? Figure::na() : Figure(r.sampleStdDev());
}

} // namespace

bool ParameterScreen::anyRuleHit() const
{
    return std::any_of(ruleHits.begin(), ruleHits.end(), [](std::int64_t h) { return h > 0; });
}

ParameterAccumulator::ParameterAccumulator(double lsl, double usl, const QString& chartType, int sampleSize)
    : mLsl(lsl)
    , mUsl(usl)
    , mChartType(chartType)
    , mSubgroups(chartType == kChartXBarRMedianS ? kChartXBarR : chartType, sampleSize)
    , mSampleSize(sampleSize)
{
    // A reversed pair is exchanged, as the chart does.
    if (!IsLimitSentinel(mLsl) && !IsLimitSentinel(mUsl) && mUsl < mLsl)
        std::swap(mLsl, mUsl);
}

void ParameterAccumulator::add(double reading, int tester)
{
    // The moving ranges in the unit of all the readings, as the chart's MR-bar.
    const double unit = mAll.unit();
    mAll.add(reading);
    if (mAll.count() > 1)
        AddRangeInUnit(mSumMR, unit, mAll.unit(), reading, mLast);
    mLast = reading;
    if (tester >= 0) {
        if (std::size_t(tester) >= mTesters.size())
            mTesters.resize(std::size_t(tester) + 1);
        mTesters[std::size_t(tester)].add(reading);
    }
    if ((!IsLimitSentinel(mUsl) && reading > mUsl) || (!IsLimitSentinel(mLsl) && reading < mLsl))
        ++mOutOfSpec;
    if (const auto point = mSubgroups.add(reading))
        mMeans.push_back(point->mean);
}

ParameterScreen ParameterAccumulator::finish(
    const QStringList& testerNames, const QString& rulesSetup, Prompt& prompt) const
{
    ParameterScreen p;
    p.lsl = LimitFigure(mLsl);
    p.usl = LimitFigure(mUsl);
    p.n = mAll.count();
    const Figure na = Figure::na();
    p.mean = p.stdDev = p.estSigma = p.cp = p.cpk = p.pp = p.ppk = p.ppm = na;
    p.ucl = p.centre = p.lcl = p.testerP = na;
    p.outOfSpec = mOutOfSpec;
    if (p.n == 0)
        return p;

    const double mean = mAll.mean();
    const Figure overall = StdDevFigure(mAll);
    p.mean = Round4(mean);
    p.ppm = Round4(double(mOutOfSpec) * 1e6 / double(p.n));
    if (p.n >= 2) {
        const double within = mSumMR / double(p.n - 1) / SpcRow(2)->d2 * mAll.unit();
        p.estSigma = Round4(within);
        p.stdDev = Round4(overall.value());
        const Capability c = CapabilityIndices(mean, within, p.usl, p.lsl);
        p.cp = Rounded(c.Cp);
        p.cpk = Rounded(c.CpK);
        const Capability pc = CapabilityIndices(mean, overall.value(), p.usl, p.lsl);
        p.pp = Rounded(pc.Cp);
        p.ppk = Rounded(pc.CpK);

        p.testerP = TesterP(mTesters, mAll);
        double lowest = 0, highest = 0;
        bool first = true;
        for (const RunningStdDev& t : mTesters) {
            if (t.count() == 0)
                continue;
            lowest = first ? t.mean() : std::min(lowest, t.mean());
            highest = first ? t.mean() : std::max(highest, t.mean());
            first = false;
        }
        p.testerDiffers = p.testerP.isNumber() && p.testerP.value() < kTesterP && highest - lowest > within;
    }
    for (std::size_t i = 0; i < mTesters.size(); ++i) {
        const RunningStdDev& t = mTesters[i];
        if (t.count() == 0)
            continue;
        p.testers << TesterFigures { testerNames.value(qsizetype(i)), t.count(), Round4(t.mean()),
            Rounded(StdDevFigure(t)) };
    }

    std::sort(p.testers.begin(), p.testers.end(), [](const TesterFigures& a, const TesterFigures& b) {
        return a.tester.compare(b.tester, Qt::CaseInsensitive) < 0;
    });

    p.subgroups = std::int64_t(mMeans.size());
    if (!mMeans.empty())
        XBarChartRules(p, mSubgroups, mMeans, mChartType, mSampleSize, rulesSetup, prompt);
    p.trend = Trend(mMeans);
    return p;
}

QString ScreenChartType(const QString& chartType)
{
    return chartType.contains(QLatin1String("X-Bar")) ? chartType : kChartXBarR;
}

QString ScreenStatement(const AppState& state, const data::PlotSelection& s, qsizetype parameterCount)
{
    QString title;
    const QString interval = data::GetTestedRange(state, s.range.trimmed(), title, s.query.today);
    const QString where = data::SelectionWhere(state, interval, s.tester, s.serialFilter.toUpper(), s.query.testIdText,
        data::PassCondition(state, s.passOnly));
    QString columns = state.gColATEID + QStringLiteral(" AS ATEX");
    for (qsizetype i = 0; i < std::min(parameterCount, state.gParamColumn.size()); ++i) {
        const QString& col = state.gParamColumn[i];
        const QString kept = data::ValidCondition(col) + data::ZeroCondition(s.query, col);
        QString value = QStringLiteral("CASE WHEN ") + Standalone(kept) + QStringLiteral(" THEN [") + col
            + QStringLiteral("] END");
        if (s.lastDataOnly)
            value = QStringLiteral("MAX(") + value + QLatin1Char(')');
        columns += QStringLiteral(", ") + value + QStringLiteral(" AS Value") + QString::number(i + 1);
    }
    const QString order
        = QStringLiteral("ORDER BY ") + state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID;
    if (!s.lastDataOnly)
        return QStringLiteral("SELECT ") + columns + where + order + QLatin1Char(';');
    return QStringLiteral("SELECT ") + columns + where + data::LastDataGroupBy(state) + QLatin1Char(' ') + order
        + QLatin1Char(';');
}

void SortByCpK(QList<ParameterScreen>& parameters)
{
    std::stable_sort(parameters.begin(), parameters.end(), [](const ParameterScreen& a, const ParameterScreen& b) {
        if (a.cpk.isNumber() != b.cpk.isNumber())
            return a.cpk.isNumber();
        return a.cpk.isNumber() && a.cpk.value() < b.cpk.value();
    });
}

ScreenResult ScreenParameters(
    AppState& state, const data::PlotSelection& selection, const QStringList& parameterItems, ScreenHost& host)
{
    using namespace moldrin::data;
    ScreenResult out;
    out.chartType = ScreenChartType(selection.chartType);
    out.subgroupSize = state.gSampleSize;
    state.gStopPlot = false;
    Prompt& prompt = host.prompt();
    auto fail = [&](const DataError& e) {
        out.stopped = e.number == kErrInterrupted;
        if (!out.stopped)
            WarnReadError(prompt, e);
        out.error = e;
        return out;
    };
    if (!state.gConnection)
        return fail({ kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") });

    const qsizetype count = std::min(state.gParamColumn.size(), parameterItems.size());
    std::vector<ParameterAccumulator> parameters;
    parameters.reserve(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        parameters.emplace_back(
            state.gLSL.value(i, kNoLowerLimit), state.gUSL.value(i, kNoUpperLimit), out.chartType, state.gSampleSize);

    Recordset rs;
    Status error;
    {
        EngineProgress progress(state, [&host] { host.Progress(0); });
        error = rs.Open(ScreenStatement(state, selection, count), *state.gConnection, Recordset::Count::TimesWhileRead);
    }
    if (error)
        return fail(*error);
    int lastTester = -1;
    for (; !rs.Eof(); ++out.records) {
        const Recordset::FieldResult tester = rs.Field(0);
        if (tester.error)
            return fail(*tester.error);
        const int t = TesterIndex(out.testers, tester.value.toString().trimmed(), lastTester);
        for (qsizetype i = 0; i < count; ++i) {
            const Recordset::FieldResult value = rs.Field(int(i) + 1);
            if (value.error)
                return fail(*value.error);
            const FieldReading reading = ReadingOf(value.value);
            if (reading.isNumber())
                parameters[std::size_t(i)].add(reading.value, t);
            else if (reading.kind == FieldReading::Kind::NotANumber)
                ++out.skipped.notNumbers;
        }
        if ((error = rs.MoveNext()))
            return fail(*error);
        if (out.records % kProgressEvery == kProgressEvery - 1) {
            host.Progress(out.records + 1);
            if (state.gStopPlot) {
                out.stopped = true;
                out.skipped.unreadableTimes = rs.UnreadableTimes(); // of the rows read
                return out;
            }
        }
    }
    out.skipped.unreadableTimes = rs.UnreadableTimes();
    rs.Close();

    for (qsizetype i = 0; i < count; ++i) {
        ParameterScreen p = parameters[std::size_t(i)].finish(out.testers, state.gRulesSetup, prompt);
        p.index = int(i);
        p.item = parameterItems.value(i);
        p.name = state.gParamName.value(i);
        p.column = state.gParamColumn[i];
        p.unit = state.gSpecField4.value(i);
        out.parameters << p;
    }
    SortByCpK(out.parameters);
    std::sort(out.testers.begin(), out.testers.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    out.completed = true;
    return out;
}

} // namespace moldrin::screening
