// Control limits, limit and zone lines and the statistics panel of the variables chart.
#include "variables/controllimits.h"

#include "common/numberformat.h"
#include "common/rounding.h"
#include "variables/spcconstants.h"
#include "variables/variableschart.h"

namespace moldrin
{

namespace
{

constexpr OleColour kCentreLineColour = 0xC00000;
const QString kValueFormat = QStringLiteral("#,##0.0###");

QString Spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}
QString Value(double v)
{
    return FormatNumber(v, kValueFormat);
}

struct Failure {
    QString description;
};

Figure Round4Figure(const Figure& f)
{
    return f.isNumber() ? Figure(Round4(f.value())) : f;
}

double Number(const Figure& f)
{
    if (!f.isNumber())
        throw Failure { QStringLiteral("Type mismatch") };
    return f.value();
}

// A line of two points across the chart: the first labelled with its name, the second with its value.
int AddLine(ChartModel& chart, const QString& chartName, double y, const QString& first, const QString& second)
{
    const int index = AddLimitLineSeries(chart, chartName);
    if (index < 0)
        throw Failure { QStringLiteral("Series index out of range") };
    const int count = chart.series[0].count();
    ChartSeries& s = chart.series[index];
    s.addXY(0, y, first);
    s.addXY(count - 1, y, second);
    return index;
}

void SetCentreColour(ChartModel& chart, int index)
{
    chart.series[index].colour = kCentreLineColour;
    chart.series[index].penColour = kCentreLineColour;
}

const QString kZoneA1 = QStringLiteral("  A"), kZoneA2 = QStringLiteral("A    ");
const QString kZoneB1 = QStringLiteral("  B"), kZoneB2 = QStringLiteral("B    ");
const QString kZoneC1 = QStringLiteral("  C"), kZoneC2 = QStringLiteral("C    ");
const QString kBlank = QStringLiteral(" ");

// A variation zone line, drawn at 0 with blank labels when it would fall at or below 0.
void AddLowerVariationLine(ChartModel& chart, double y, const QString& first, const QString& second)
{
    if (y > 0)
        AddLine(chart, QStringLiteral("Range"), y, first, second);
    else
        AddLine(chart, QStringLiteral("Range"), 0, kBlank, kBlank);
}

void SetIncrement(ChartModel& chart, ChartAxis& axis, int seriesIndex)
{
    const ChartSeries* s = chart.seriesAt(seriesIndex);
    if (!s || s->count() == 0)
        return;
    axis.increment = (*s->maxY() - *s->minY()) / s->count();
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

int AddLimitLineSeries(ChartModel& chart, const QString& chartName, int templateIndex)
{
    const int index = chart.copySeries(templateIndex);
    if (index >= 0 && chartName == QLatin1String("Range"))
        chart.series[index].verticalAxis = VerticalAxis::Custom0;
    return index;
}

ControlLimits DrawControlLimits(ChartModel& chart, const LimitInputs& in, Prompt& prompt)
{
    ControlLimits out;
    const ProcessStatistic& st = in.stat;
    const QString& type = in.chartType;
    try {
        if (chart.seriesCount() < kTemplateSeriesCount)
            throw Failure { QStringLiteral("Series index out of range") };
        // Limits from the unrounded centre and average variation.
        const double xdb = Number(st.XDoubleBar);
        const double av = Number(st.AverageVariation);
        double ucl = 0, lcl = 0, uclVar = 0, lclVar = 0;
        if (type == kChartIndividualMR) {
            const double sigma = Number(st.EstSigma);
            ucl = xdb + 3 * sigma;
            lcl = xdb - 3 * sigma;
            uclVar = SpcRow(2)->D4 * av;
            lclVar = 0;
            out.parameterCaption = QStringLiteral("Indv.-MR Para.");
        } else {
            const SpcConstantsRow* row = SpcRow(in.sampleSize);
            if (!row)
                throw Failure { QStringLiteral("Subscript out of range") };
            const bool sChart = type == kChartXBarS || type == kChartMedianS;
            double f = 0;
            if (type == kChartMedianR || type == kChartMedianS) {
                const MedianFactorsRow* m = MedianRow(in.sampleSize);
                if (!m)
                    throw Failure { QStringLiteral("Subscript out of range") };
                f = type == kChartMedianR ? m->A2Median : m->A3Median;
            } else {
                f = sChart ? row->A3 : row->A2;
            }
            ucl = xdb + f * av;
            lcl = xdb - f * av;
            uclVar = (sChart ? row->B4 : row->D4) * av;
            lclVar = (sChart ? row->B3 : row->D3) * av;
            if (type == kChartXBarRMedianS)
                out.parameterCaption = QStringLiteral("X-Bar-R Param.");
            else
                out.parameterCaption = type + QStringLiteral(" Param.");
        }
        ucl = Round4(ucl);
        lcl = Round4(lcl);
        uclVar = Round4(uclVar);
        lclVar = Round4(lclVar);
        out.UCLCentre = ucl;
        out.LCLCentre = lcl;
        out.UCLVar = uclVar;
        out.LCLVar = lclVar;

        // The figures as shown; the lines use these rounded values.
        const double centre = Round4(xdb);
        const double variation = Round4(av);
        out.XDoubleBar = centre;
        out.AverageVariation = variation;
        out.Cp = Round4Figure(st.Cp);
        out.CRText = CRText(out.Cp);
        out.CpK = Round4Figure(st.CpK);
        out.CpU = Round4Figure(st.CpU);
        out.CpL = Round4Figure(st.CpL);
        // The panel shows EstSigma unrounded through its format; the figure is the number shown.
        out.EstSigma = st.EstSigma.isNumber() ? Figure(RoundHalfAway(st.EstSigma.value(), 4)) : st.EstSigma;
        out.StdDev = st.StdDev;

        const auto shownLimit
            = [](const Figure& f) { return f.isNumber() && IsLimitSentinel(f.value()) ? Figure::na() : f; };
        out.USL = shownLimit(in.USL);
        out.LSL = shownLimit(in.LSL);
        const int count = chart.series[0].count();
        if (in.showSpec) {
            if (out.LSL.isNumber()) {
                ChartSeries& s = chart.series[kSeriesLSL];
                s.addXY(0, out.LSL.value(), QStringLiteral("  LSL"));
                s.addXY(count - 1, out.LSL.value(), QStringLiteral("LSL=") + Value(out.LSL.value()) + Spaces(15));
            }
            if (out.USL.isNumber()) {
                ChartSeries& s = chart.series[kSeriesUSL];
                s.addXY(0, out.USL.value(), QStringLiteral("  USL"));
                s.addXY(count - 1, out.USL.value(), QStringLiteral("USL=") + Value(out.USL.value()) + Spaces(15));
            }
        }

        const QString centreChart = QStringLiteral("X-Bar");
        const bool zones = in.showZones;
        SetCentreColour(chart,
            AddLine(chart, centreChart, centre, QStringLiteral("  CL"),
                QStringLiteral("CL=") + Value(centre) + QStringLiteral("; CpK=") + FormatFigure(out.CpK, kValueFormat)
                    + Spaces(34)));
        const double lowerZone = (centre - lcl) / 3;
        const int lclIndex = AddLine(chart, centreChart, lcl, zones ? kZoneA1 : QStringLiteral("  LCL"),
            zones ? kZoneA2 : QStringLiteral("LCL=") + Value(lcl) + Spaces(50));
        chart.series[lclIndex].marks.offset = lcl < centre - lowerZone ? 0 : -15;
        const int uclIndex = AddLine(chart, centreChart, ucl, zones ? kZoneA1 : QStringLiteral("  UCL"),
            zones ? kZoneA2 : QStringLiteral("UCL=") + Value(ucl) + Spaces(50));
        chart.series[uclIndex].marks.offset = ucl > centre + (ucl - centre) / 3 ? 0 : 15;
        if (zones) {
            const double zone = (ucl - centre) / 3;
            AddLine(chart, centreChart, centre + zone, kZoneC1, kZoneC2);
            AddLine(chart, centreChart, centre + 2 * zone, kZoneB1, kZoneB2);
            AddLine(chart, centreChart, centre - zone, kZoneC1, kZoneC2);
            AddLine(chart, centreChart, centre - 2 * zone, kZoneB1, kZoneB2);
        }

        const QString varChart = QStringLiteral("Range");
        if (lclVar > 0)
            AddLine(chart, varChart, lclVar, zones ? kZoneA1 : QStringLiteral("  LCL"),
                zones ? kZoneA2 : QStringLiteral("LCL=") + Value(lclVar) + Spaces(15));
        else
            AddLine(chart, varChart, 0, kBlank, kBlank);
        SetCentreColour(chart,
            AddLine(chart, varChart, variation, QStringLiteral("  CL"),
                QStringLiteral("CL=") + Value(variation) + Spaces(15)));
        AddLine(chart, varChart, uclVar, zones ? kZoneA1 : QStringLiteral("  UCL"),
            zones ? kZoneA2 : QStringLiteral("UCL=") + Value(uclVar) + Spaces(50));
        if (zones) {
            const double zone = (uclVar - variation) / 3;
            AddLine(chart, varChart, variation + zone, kZoneC1, kZoneC2);
            AddLine(chart, varChart, variation + 2 * zone, kZoneB1, kZoneB2);
            AddLowerVariationLine(chart, variation - zone, kZoneC1, kZoneC2);
            AddLowerVariationLine(chart, variation - 2 * zone, kZoneB1, kZoneB2);
        }

        SetIncrement(chart, chart.left, kSeriesXBar);
        SetIncrement(chart, chart.custom0, kSeriesRange);

        const QString whole = QStringLiteral("#,##0");
        out.panelValues = QStringList { FormatNumber(st.PointCount, whole), Value(out.StdDev),
            FormatFigure(out.EstSigma, kValueFormat), FormatNumber(st.IsSubgroupChart ? in.sampleSize : 1, whole),
            Value(ucl), Value(centre), Value(lcl), FormatFigure(out.USL, kValueFormat),
            FormatFigure(out.LSL, kValueFormat), FormatFigure(out.CpU, kValueFormat),
            FormatFigure(out.Cp, kValueFormat), FormatFigure(out.CpL, kValueFormat),
            FormatFigure(out.CpK, kValueFormat), out.CRText, QString(), Value(uclVar), Value(variation),
            Value(lclVar) };
        for (const QString& line : out.panelValues)
            out.panelValueText += line + QLatin1Char('\n');
        out.panelValueText += QLatin1Char('\n');
        out.completed = true;
        WritePageChangeCaption(chart, in.chartTitle);
    } catch (const Failure& f) {
        prompt.warn(f.description + QStringLiteral("!"));
    }
    return out;
}

} // namespace moldrin
