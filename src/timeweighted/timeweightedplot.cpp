// The EWMA and CUSUM charts' table, template and plot function: points read as the main chart reads them,
// judged, drawn and marked.
#include "timeweighted/timeweightedplot.h"

#include "attributes/attributechart.h"
#include "common/chartlook.h"
#include "common/nodata.h"
#include "data/access/connection.h"
#include "data/loader/plotfunction.h"
#include "rules/rulemarks.h"

#include <array>

namespace moldrin
{

namespace
{

constexpr long kYieldEvery = 4096; // readings between two KeepResponsive calls

const std::array<TimeWeightedKindTraits, 2>& Table()
{
    static const std::array<TimeWeightedKindTraits, 2> table { {
        { TimeWeightedKind::Ewma, QStringLiteral("EWMA"), QStringLiteral("EWMA Chart"), QStringLiteral("frmEWMA_Chart"),
            QStringLiteral("ocxEWMA_Chart"), QStringLiteral("EWMA of "), QStringLiteral("EWMA") },
        { TimeWeightedKind::Cusum, QStringLiteral("CUSUM"), QStringLiteral("CUSUM Chart"),
            QStringLiteral("frmCUSUM_Chart"), QStringLiteral("ocxCUSUM_Chart"), QStringLiteral("CUSUM of "),
            QStringLiteral("CUSUM") },
    } };
    return table;
}

// A reading as the main chart's loader takes it: a number, or nothing for a null.
std::optional<double> Reading(const data::Recordset& rs, int field, data::Status& error)
{
    const data::Recordset::RawField raw = rs.Raw(field);
    if (raw.kind == data::Recordset::RawField::Kind::Number)
        return raw.number;
    if (raw.kind == data::Recordset::RawField::Kind::Null)
        return std::nullopt;
    const data::Recordset::FieldResult f = rs.Field(field);
    error = f.error;
    return f.value.isNull() ? std::nullopt : std::optional(f.value.toDouble());
}

QString SigmaFrom(const QString& chartType)
{
    if (chartType == kChartIndividualMR)
        return QStringLiteral("MR-bar/d2");
    if (chartType == kChartXBarS || chartType == kChartMedianS)
        return QStringLiteral("s-bar/c4");
    return QStringLiteral("R-bar/d2");
}

QString AxisTitle(const AppState& state, const data::PlotSelection& s, TimeWeightedKind kind)
{
    const QString unit = state.gSpecField4.value(s.parameterIndex).trimmed();
    return Traits(kind).axisTitle + s.parameterItem.trimmed()
        + (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + QLatin1Char(')'));
}

} // namespace

const TimeWeightedKindTraits& Traits(TimeWeightedKind kind)
{
    return Table()[std::size_t(kind)];
}

std::optional<TimeWeightedKind> TimeWeightedKindFromText(const QString& reportKind)
{
    for (const TimeWeightedKindTraits& t : Table())
        if (t.reportKind == reportKind)
            return t.kind;
    return std::nullopt;
}

double StoredValue(const StoredSetting& setting, const QString& stored)
{
    bool ok = false;
    const double v = stored.trimmed().toDouble(&ok);
    return ok && v >= setting.minimum && v <= setting.maximum ? v : setting.fallback;
}

TimeWeightedSettings StoredSettings(const SettingsStore& store, TimeWeightedKind kind)
{
    const auto value = [&](const StoredSetting& setting) { return StoredValue(setting, store.read(setting.name)); };
    TimeWeightedSettings s;
    s.kind = kind;
    if (kind == TimeWeightedKind::Ewma) {
        s.lambda = value(kEwmaLambdaSetting);
        s.widthL = value(kEwmaWidthSetting);
    } else {
        s.k = value(kCusumKSetting);
        s.h = value(kCusumHSetting);
    }
    return s;
}

const TimeWeightedLayout& LayoutOf(TimeWeightedKind kind)
{
    static constexpr TimeWeightedLayout kEwma { 0, -1, 1, 2, 3, 4, 5 };
    static constexpr TimeWeightedLayout kCusum { 0, 1, 2, 3, 4, 5, 6 };
    return kind == TimeWeightedKind::Ewma ? kEwma : kCusum;
}

ChartModel BuildTimeWeightedChartTemplate(TimeWeightedKind kind)
{
    const bool ewma = kind == TimeWeightedKind::Ewma;
    ChartModel c;
    ChartSeries data = LabelledLine(ewma ? QStringLiteral("EWMA") : QStringLiteral("C+"), kClNavy, PenStyle::Solid, 0);
    data.pointer = PointerStyle::Diamond;
    data.marks.visible = false;
    c.series << data;
    if (!ewma) {
        ChartSeries lower = data;
        lower.title = QStringLiteral("C-");
        lower.colour = kClMaroon;
        c.series << lower;
    }
    ChartSeries centre = LabelledLine(QStringLiteral("Centre"), kClNavy, PenStyle::Dot, 0);
    centre.marks.fontColour = kClGray;
    centre.marks.bold = true;
    c.series << centre;
    // The EWMA's limit labels lie inside its limits; H and -H, which a long run of the sums can squeeze
    // onto the centre line, label their lines from outside.
    c.series << LabelledLine(
        ewma ? QStringLiteral("UCL") : QStringLiteral("H"), kClMaroon, PenStyle::Dot, ewma ? -16 : 3);
    c.series << LabelledLine(
        ewma ? QStringLiteral("LCL") : QStringLiteral("-H"), kClMaroon, PenStyle::Dot, ewma ? 3 : -16);
    c.series << RuleArrows(QStringLiteral("Up Arrow"), PointerStyle::DownTriangle, 8);
    c.series << RuleArrows(QStringLiteral("Down Arrow"), PointerStyle::Triangle, -23);

    c.header = QStringList { Traits(kind).caption };
    c.bottom.labelFormat = QStringLiteral("#,##0");
    c.left.labelFormat = kFineAxisLabelFormat;
    c.left.labelSize = 38;
    return c;
}

void ClearTimeWeightedChart(ChartModel& chart)
{
    chart.clearAllPoints();
    chart.left.automatic = true;
    for (ChartSeries& s : chart.series)
        if (s.marks.ruleMarks)
            s.marks.visible = true;
}

bool FillTimeWeightedChart(ChartModel& chart, TimeWeightedKind kind, const TimeWeightedResult& r)
{
    const TimeWeightedLayout& at = LayoutOf(kind);
    AppendLine(chart.series[at.data], r.statistic);
    if (at.lowerData >= 0)
        AppendLine(chart.series[at.lowerData], r.lowerStatistic);
    AppendLine(chart.series[at.centre], r.centre);
    AppendLine(chart.series[at.ucl], r.ucl);
    AppendLine(chart.series[at.lcl], r.lcl);
    ExpandAxisRange(chart, at.data, AxisId::Left);
    const double offset = (chart.left.maximum - chart.left.minimum) * 0.05;
    ChartSeries& up = chart.series[at.upArrow];
    ChartSeries& down = chart.series[at.downArrow];
    up.marks.ruleMarks = down.marks.ruleMarks = true;
    for (const ShiftMark& m : r.marks) {
        const std::vector<LinePoint>& line = !m.upper && at.lowerData >= 0 ? r.lowerStatistic : r.statistic;
        const LinePoint& p = line[m.point];
        (m.upper ? up : down).addXY(p.x, m.upper ? p.y + offset : p.y - offset, m.code);
    }
    return !r.marks.empty();
}

bool ReadSelectionPoints(AppState& state, const data::PlotSelection& s, data::PlotHost& host, SelectionPoints& out)
{
    Prompt& prompt = host.prompt();
    if (!state.gConnection) {
        prompt.warn(QStringLiteral("Operation is not allowed when the object is closed.!"));
        return false;
    }
    data::Recordset rs;
    const QString sql = data::SelectionSQL(state, s, state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID);
    if (const data::Status e = rs.Open(sql, *state.gConnection, data::Recordset::Count::Skip)) {
        data::WarnReadError(prompt, *e);
        return false;
    }
    const bool individual = s.chartType == kChartIndividualMR;
    out.groupSize = individual ? 1 : state.gSampleSize;
    out.sigmaFrom = SigmaFrom(s.chartType);
    SubgroupAccumulator subgroups(s.chartType, out.groupSize);
    IndividualAccumulator readings;
    const int field = rs.FieldIndex(QStringLiteral("ValueX"));
    while (!rs.Eof()) {
        data::Status error;
        const std::optional<double> x = Reading(rs, field, error);
        if (!error) {
            if (individual)
                out.points.push_back(readings.add(x.value_or(0.0)).value); // as read, a null as 0
            else if (const auto point = subgroups.add(x))
                out.points.push_back(point->mean);
            ++out.records;
            error = rs.MoveNext();
        }
        if (error) {
            prompt.warn(error->description + QStringLiteral("!"));
            return false;
        }
        if (out.records % kYieldEvery == 0)
            host.KeepResponsive(out.records);
    }
    const int i = s.parameterIndex;
    const double usl = state.gUSL.value(i, kNoUpperLimit), lsl = state.gLSL.value(i, kNoLowerLimit);
    out.stat = individual ? readings.finish(usl, lsl) : subgroups.finish(usl, lsl);
    if (!out.stat.failure.isEmpty())
        prompt.warn(out.stat.failure);
    return true;
}

std::optional<ProcessBasis> SelectionBasis(
    const AppState& state, const data::PlotSelection& s, const SelectionPoints& points)
{
    if (!points.stat.EstSigma.isNumber() || !points.stat.XDoubleBar.isNumber())
        return std::nullopt;
    ProcessBasis basis;
    basis.sigma = points.stat.EstSigma.value();
    basis.sigmaFrom = points.sigmaFrom;
    if (const std::optional<double> nominal = state.gNominal.value(s.parameterIndex)) {
        basis.target = *nominal;
        basis.targetFrom = QStringLiteral("nominal");
    } else {
        basis.target = points.stat.XDoubleBar.value();
        basis.targetFrom = QStringLiteral("mean");
    }
    return basis;
}

TimeWeightedOutcome PlotTimeWeightedChart(AppState& state, ChartModel& chart, const data::PlotSelection& s,
    const TimeWeightedSettings& settings, data::PlotHost& host, const std::optional<ProcessBasis>& given)
{
    const TimeWeightedKindTraits& t = Traits(settings.kind);
    Prompt& prompt = host.prompt();
    TimeWeightedOutcome out;
    chart.header = QStringList { chart.header.value(0, t.caption), data::ChartTitleLine(state, s) };
    chart.left.title = AxisTitle(state, s, settings.kind);

    SelectionPoints read;
    const bool ok = ReadSelectionPoints(state, s, host, read);
    out.records = read.records;
    if (!ok)
        return out;
    chart.bottom.title = read.groupSize == 1 ? QStringLiteral("Reading Number") : QStringLiteral("Sub-Group Number");
    if (read.points.empty()) {
        prompt.warn(kNoDataCollection);
        return out;
    }
    const std::optional<ProcessBasis> basis = given ? given : SelectionBasis(state, s, read);
    if (!basis) {
        prompt.warn(kNoSpread);
        return out;
    }
    out.basis = *basis;
    out.result = ComputeTimeWeighted(settings, read.points, read.groupSize, out.basis);
    if (!out.result.failure.isEmpty()) {
        prompt.warn(out.result.failure);
        return out;
    }
    out.marksPlaced = FillTimeWeightedChart(chart, settings.kind, out.result);
    out.plotted = true;
    out.timerEnabled = RuleBlinkTimerEnabled(state.gRulesBlinkEnable, out.marksPlaced);
    return out;
}

} // namespace moldrin
