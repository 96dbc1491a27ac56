// Charts as the loader leaves them, for the view's tests: an X-Bar-R chart with its lines, an Individual-MR
// chart with zones and rule marks.
#pragma once

#include "common/appstate.h"
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "variables/controllimits.h"
#include "variables/spcconstants.h"
#include "variables/variableschart.h"

#include <QList>

#include <random>

namespace moldrin::test
{

// A plotted X-Bar-R chart of `subgroups` points with its limit lines.
inline ChartModel PlottedChart(int subgroups, bool zones = false)
{
    ChartModel chart = BuildVariablesChartTemplate();
    ResetVariablesChart(chart, kChartXBarR, QString(), QStringLiteral("Prod Par"));
    for (int i = 0; i < subgroups; ++i) {
        SubgroupPoint p;
        p.number = i + 1;
        p.mean = p.medianValue = p.centreValue = 10 + (i % 7) * 0.1;
        p.range = p.sValue = p.variationValue = 1 + (i % 5) * 0.2;
        AddSubgroupPoints(chart, p);
    }
    LimitInputs in;
    in.chartType = kChartXBarR;
    in.sampleSize = 5;
    in.showZones = zones;
    in.stat.XDoubleBar = 10.3;
    in.stat.AverageVariation = 1.4;
    in.stat.IsSubgroupChart = true;
    in.stat.PointCount = subgroups;
    in.stat.EstSigma = 1.4 / 2.326;
    in.stat.Cp = in.stat.CpK = in.stat.CpU = in.stat.CpL = Figure::na();
    FillControlLimits(chart, ComputeControlLimits(in));
    WritePageChangeCaption(chart, QStringLiteral("Prod Par"));
    return chart;
}

// An Individual-MR chart of the readings with zones, its centre axis widened and the rules evaluated, as
// the loader leaves it.
inline ChartModel MarkedIndividualChart(const QList<double>& readings)
{
    ChartModel chart = BuildVariablesChartTemplate();
    ResetVariablesChart(chart, kChartIndividualMR, QString(), QStringLiteral("Prod Par"));
    IndividualAccumulator acc;
    for (double r : readings)
        AddIndividualPoints(chart, acc.add(r));
    LimitInputs in;
    in.chartType = kChartIndividualMR;
    in.showZones = true;
    in.stat = acc.finish(kNoUpperLimit, kNoLowerLimit);
    const ControlLimits limits = ComputeControlLimits(in);
    FillControlLimits(chart, limits);
    WritePageChangeCaption(chart, QStringLiteral("Prod Par"));
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    EvaluateVariablesRules(chart, limits, kChartIndividualMR, kDefaultRulesSetup, true);
    return chart;
}

// Noisy readings with what the rules find: spikes at both ends of the centre band, runs on one side, and
// stretches of equal readings whose moving ranges of 0 lie at the bottom of the variation band.
inline QList<double> ReadingsWithFindings(int n)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.28, 0.012);
    QList<double> v;
    for (int i = 0; i < n; ++i) {
        double x = noise(rng);
        if (i % 97 == 40)
            x += 0.08;
        if (i % 131 == 70)
            x -= 0.08;
        if (i % 150 >= 100 && i % 150 < 110)
            x = 0.265 + (i % 2) * 0.0001;
        v << x;
    }
    return v;
}

} // namespace moldrin::test
