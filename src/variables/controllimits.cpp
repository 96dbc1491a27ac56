// Control limits, limit and zone lines and the statistics panel of the variables chart.
#include "variables/controllimits.h"

#include "common/numberformat.h"
#include "common/rounding.h"
#include "variables/spcconstants.h"

#include <cmath>
#include <optional>
#include <tuple>

namespace moldrin
{

namespace
{

const QString kValueFormat = QStringLiteral("#,##0.0###");
const QString kSubscript = QStringLiteral("Subscript out of range");
const QString kTypeMismatch = QStringLiteral("Type mismatch");
const QString kOverflow = QStringLiteral("Overflow");

QString Spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}
QString Value(double v)
{
    return FormatNumber(v, kValueFormat);
}

Figure Round4Figure(const Figure& f)
{
    return f.isNumber() ? Figure(Round4(f.value())) : f;
}

// The limits of both charts, rounded to 4 decimals, and the caption of the parameter panel.
struct Limits {
    double ucl = 0, lcl = 0, uclVar = 0, lclVar = 0;
    QString caption;
};

// The factor of the centre chart's limits by chart type and size; nullopt outside the constants tables.
std::optional<double> CentreFactor(const QString& type, int n)
{
    const SpcConstantsRow* row = SpcRow(n);
    if (!row)
        return std::nullopt;
    if (type == kChartMedianR || type == kChartMedianS) {
        const MedianFactorsRow* m = MedianRow(n);
        if (!m)
            return std::nullopt;
        return type == kChartMedianR ? m->A2Median : m->A3Median;
    }
    return type == kChartXBarS ? row->A3 : row->A2;
}

// A failure's description, or "" with the limits set.
QString ComputeLimits(const LimitInputs& in, double xdb, double av, Limits& l)
{
    const QString& type = in.chartType;
    if (type == kChartIndividualMR) {
        if (!in.stat.EstSigma.isNumber())
            return kTypeMismatch;
        const double sigma = in.stat.EstSigma.value();
        l = { xdb + 3 * sigma, xdb - 3 * sigma, SpcRow(2)->D4 * av, 0, QStringLiteral("Indv.-MR Para.") };
    } else {
        const std::optional<double> f = CentreFactor(type, in.sampleSize);
        if (!f)
            return kSubscript;
        const SpcConstantsRow* row = SpcRow(in.sampleSize);
        const bool sChart = type == kChartXBarS || type == kChartMedianS;
        l = { xdb + *f * av, xdb - *f * av, (sChart ? row->B4 : row->D4) * av, (sChart ? row->B3 : row->D3) * av,
            type == kChartXBarRMedianS ? QStringLiteral("X-Bar-R Param.") : type + QStringLiteral(" Param.") };
    }
    l.ucl = Round4(l.ucl);
    l.lcl = Round4(l.lcl);
    l.uclVar = Round4(l.uclVar);
    l.lclVar = Round4(l.lclVar);
    // Readings near the largest double: a centre or limit beyond it is no number to draw or show.
    for (double v : { xdb, av, l.ucl, l.lcl, l.uclVar, l.lclVar })
        if (!std::isfinite(v))
            return kOverflow;
    return {};
}

// The figures as the panel shows them; the lines use the rounded centre and variation.
void SetFigures(ControlLimits& out, const LimitInputs& in, double xdb, double av)
{
    const ProcessStatistic& st = in.stat;
    out.XDoubleBar = Round4(xdb);
    out.AverageVariation = Round4(av);
    out.Cp = Round4Figure(st.Cp);
    out.CRText = CRText(out.Cp);
    out.CpK = Round4Figure(st.CpK);
    out.CpU = Round4Figure(st.CpU);
    out.CpL = Round4Figure(st.CpL);
    // The panel shows EstSigma unrounded through its format; the figure is the number shown.
    out.EstSigma = st.EstSigma.isNumber() ? Figure(Round4Away(st.EstSigma.value())) : st.EstSigma;
    out.StdDev = st.StdDev;
    const auto shownLimit
        = [](const Figure& f) { return f.isNumber() && IsLimitSentinel(f.value()) ? Figure::na() : f; };
    out.USL = shownLimit(in.USL);
    out.LSL = shownLimit(in.LSL);
}

const QString kZoneA1 = QStringLiteral("  A"), kZoneA2 = QStringLiteral("A    ");
const QString kZoneB1 = QStringLiteral("  B"), kZoneB2 = QStringLiteral("B    ");
const QString kZoneC1 = QStringLiteral("  C"), kZoneC2 = QStringLiteral("C    ");
const QString kBlank = QStringLiteral(" ");

void AddLine(ControlLimits& out, LimitChart chart, LineRole role, double y, const QString& first, const QString& last,
    int markOffset = 0)
{
    out.lines.push_back({ chart, role, y, first, last, markOffset });
}

// The zone lines one and two zone widths either side of the centre.
void AddZoneLines(ControlLimits& out, LimitChart chart, const ZoneLines& z)
{
    const bool variation = chart == LimitChart::Variation;
    AddLine(out, chart, LineRole::UpperC, z.upperC, kZoneC1, kZoneC2);
    AddLine(out, chart, LineRole::UpperB, z.upperB, kZoneB1, kZoneB2);
    // A lower zone line of the variation chart that falls at or below 0 lies at 0, unlabelled.
    const bool cAbove = !variation || z.lowerC > 0, bAbove = !variation || z.lowerB > 0;
    AddLine(out, chart, LineRole::LowerC, z.lowerC, cAbove ? kZoneC1 : kBlank, cAbove ? kZoneC2 : kBlank);
    AddLine(out, chart, LineRole::LowerB, z.lowerB, bAbove ? kZoneB1 : kBlank, bAbove ? kZoneB2 : kBlank);
}

ZoneLines Zones(double centre, double lcl, double ucl, bool clampAtZero)
{
    const double zone = (ucl - centre) / 3;
    const auto atLeastZero = [&](double y) { return clampAtZero && !(y > 0) ? 0.0 : y; };
    return { centre, atLeastZero(lcl), ucl, centre + 2 * zone, atLeastZero(centre - 2 * zone), centre + zone,
        atLeastZero(centre - zone) };
}

void AddSpecLines(ControlLimits& out)
{
    for (const auto& [figure, role, name] : { std::tuple { &out.LSL, LineRole::LSL, QStringLiteral("LSL") },
             std::tuple { &out.USL, LineRole::USL, QStringLiteral("USL") } })
        if (figure->isNumber())
            AddLine(out, LimitChart::Centre, role, figure->value(), QStringLiteral("  ") + name,
                name + QLatin1Char('=') + Value(figure->value()) + Spaces(15));
}

void AddCentreLines(ControlLimits& out, const Limits& l, bool zones)
{
    const ZoneLines& z = out.centre;
    const LimitChart c = LimitChart::Centre;
    AddLine(out, c, LineRole::CL, z.centre, QStringLiteral("  CL"),
        QStringLiteral("CL=") + Value(z.centre) + QStringLiteral("; CpK=") + FormatFigure(out.CpK, kValueFormat)
            + Spaces(34));
    const double lowerZone = (z.centre - l.lcl) / 3;
    AddLine(out, c, LineRole::LCL, l.lcl, zones ? kZoneA1 : QStringLiteral("  LCL"),
        zones ? kZoneA2 : QStringLiteral("LCL=") + Value(l.lcl) + Spaces(50), l.lcl < z.centre - lowerZone ? 0 : -15);
    AddLine(out, c, LineRole::UCL, l.ucl, zones ? kZoneA1 : QStringLiteral("  UCL"),
        zones ? kZoneA2 : QStringLiteral("UCL=") + Value(l.ucl) + Spaces(50),
        l.ucl > z.centre + (l.ucl - z.centre) / 3 ? 0 : 15);
    if (zones)
        AddZoneLines(out, c, z);
}

void AddVariationLines(ControlLimits& out, const Limits& l, bool zones)
{
    const ZoneLines& z = out.variation;
    const LimitChart v = LimitChart::Variation;
    if (l.lclVar > 0)
        AddLine(out, v, LineRole::LCL, l.lclVar, zones ? kZoneA1 : QStringLiteral("  LCL"),
            zones ? kZoneA2 : QStringLiteral("LCL=") + Value(l.lclVar) + Spaces(15));
    else
        AddLine(out, v, LineRole::LCL, 0, kBlank, kBlank);
    AddLine(
        out, v, LineRole::CL, z.centre, QStringLiteral("  CL"), QStringLiteral("CL=") + Value(z.centre) + Spaces(15));
    AddLine(out, v, LineRole::UCL, l.uclVar, zones ? kZoneA1 : QStringLiteral("  UCL"),
        zones ? kZoneA2 : QStringLiteral("UCL=") + Value(l.uclVar) + Spaces(50));
    if (zones)
        AddZoneLines(out, v, z);
}

void SetPanel(ControlLimits& out, const LimitInputs& in, const Limits& l)
{
    const QString whole = QStringLiteral("#,##0");
    const ProcessStatistic& st = in.stat;
    out.panelValues = QStringList { FormatNumber(st.PointCount, whole), Value(out.StdDev),
        FormatFigure(out.EstSigma, kValueFormat), FormatNumber(st.IsSubgroupChart ? in.sampleSize : 1, whole),
        Value(l.ucl), Value(out.centre.centre), Value(l.lcl), FormatFigure(out.USL, kValueFormat),
        FormatFigure(out.LSL, kValueFormat), FormatFigure(out.CpU, kValueFormat), FormatFigure(out.Cp, kValueFormat),
        FormatFigure(out.CpL, kValueFormat), FormatFigure(out.CpK, kValueFormat), out.CRText, QString(),
        Value(l.uclVar), Value(out.variation.centre), Value(l.lclVar) };
    for (const QString& line : out.panelValues)
        out.panelValueText += line + QLatin1Char('\n');
    out.panelValueText += QLatin1Char('\n');
    // The notes (a baseline, a stage): last on a page's panel, which takes any width; in the window, where the figures'
    // column is narrow, under the parameter caption, which wraps.
    const QStringList notes = in.held ? in.held->notes + in.notes : in.notes;
    out.panelValues << notes;
    for (const QString& note : notes)
        out.parameterCaption += QLatin1Char('\n') + note;
}

// The inputs with the held sigma in place of the plotted points' own, and the capability it gives about
// their mean.
LimitInputs WithHeldSigma(const LimitInputs& in)
{
    LimitInputs held = in;
    ProcessStatistic& st = held.stat;
    st.EstSigma = in.held->sigma;
    const Capability c = CapabilityIndices(st.XDoubleBar.value(), in.held->sigma, in.USL, in.LSL);
    st.Cp = c.Cp;
    st.CpU = c.CpU;
    st.CpL = c.CpL;
    st.CpK = c.CpK;
    return held;
}

} // namespace

QStringList PanelCaptions()
{
    return { QStringLiteral("Total:"), QStringLiteral("Std Dev:"), QStringLiteral("Est Sigma:"),
        QStringLiteral("Size:"), QStringLiteral("UCL:"), QStringLiteral("CL:"), QStringLiteral("LCL:"),
        QStringLiteral("USL:"), QStringLiteral("LSL:"), QStringLiteral("CpU:"), QStringLiteral("Cp:"),
        QStringLiteral("CpL:"), QStringLiteral("CpK:"), QStringLiteral("CR:"), QString(), QStringLiteral("UCL:"),
        QStringLiteral("CL:"), QStringLiteral("LCL:") };
}

QString PanelCaptionText()
{
    return PanelCaptions().join(QLatin1Char('\n'));
}

ControlLimits ComputeControlLimits(const LimitInputs& plotted)
{
    ControlLimits out;
    Limits l;
    QString failure
        = !plotted.stat.XDoubleBar.isNumber() || !plotted.stat.AverageVariation.isNumber() ? kTypeMismatch : QString();
    if (failure.isEmpty())
        failure = ComputeLimits(plotted, plotted.stat.XDoubleBar.value(), plotted.stat.AverageVariation.value(), l);
    if (!failure.isEmpty()) {
        out.failure = failure + QLatin1Char('!');
        return out;
    }
    const LimitInputs in = plotted.held ? WithHeldSigma(plotted) : plotted;
    const ProcessStatistic& st = in.stat;
    double xdb = st.XDoubleBar.value(), av = st.AverageVariation.value();
    if (in.held) {
        const HeldLimits& h = *in.held;
        std::tie(l.ucl, l.lcl, l.uclVar, l.lclVar)
            = std::tuple(h.centre.ucl, h.centre.lcl, h.variation.ucl, h.variation.lcl);
        xdb = h.centre.centre;
        av = h.variation.centre;
    }
    out.UCLCentre = l.ucl;
    out.LCLCentre = l.lcl;
    out.UCLVar = l.uclVar;
    out.LCLVar = l.lclVar;
    out.parameterCaption = l.caption;
    SetFigures(out, in, xdb, av);
    out.centre = Zones(out.XDoubleBar.value(), l.lcl, l.ucl, false);
    out.variation = Zones(out.AverageVariation.value(), l.lclVar, l.uclVar, true);
    out.scale = st.ReadingScale;
    if (in.showSpec)
        AddSpecLines(out);
    AddCentreLines(out, l, in.showZones);
    AddVariationLines(out, l, in.showZones);
    SetPanel(out, in, l);
    out.completed = true;
    return out;
}

} // namespace moldrin
