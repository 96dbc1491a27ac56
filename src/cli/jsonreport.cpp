#include "cli/jsonreport.h"

#include <QJsonArray>

namespace moldrin::cli {

namespace {

QJsonValue FigureJson(const Figure& f)
{
    if (f.isNumber())
        return f.value();
    if (f.isText())
        return f.textValue();
    return QJsonValue::Null;
}

QJsonArray Lines(const QStringList& lines)
{
    QJsonArray a;
    for (const QString& l : lines)
        a.append(l);
    return a;
}

} // namespace

QJsonObject ReportJson(const AppState& state, const ChartModel& chart, const QString& chartType, int subgroupSize,
                       const data::PlotOutcome& outcome, const QStringList& panelCaptions)
{
    const ControlLimits& l = outcome.limits;
    QJsonObject figures{
        {"XDoubleBar", FigureJson(l.XDoubleBar)},
        {"AverageVariation", FigureJson(l.AverageVariation)},
        {"EstSigma", FigureJson(l.EstSigma)},
        {"StdDev", l.StdDev},
        {"Cp", FigureJson(l.Cp)},
        {"CpK", FigureJson(l.CpK)},
        {"CpU", FigureJson(l.CpU)},
        {"CpL", FigureJson(l.CpL)},
        {"CR", l.CRText},
        {"UCLCentre", FigureJson(l.UCLCentre)},
        {"LCLCentre", FigureJson(l.LCLCentre)},
        {"UCLVar", FigureJson(l.UCLVar)},
        {"LCLVar", FigureJson(l.LCLVar)},
        {"USL", FigureJson(l.USL)},
        {"LSL", FigureJson(l.LSL)},
    };
    QJsonArray series;
    for (int i = 0; i < chart.seriesCount(); ++i) {
        const ChartSeries& s = chart.series[i];
        QJsonArray points;
        for (const ChartPoint& p : s.points)
            points.append(QJsonArray{p.x, p.y, p.label});
        series.append(QJsonObject{{"index", i},
                                  {"title", s.title},
                                  {"axis", s.verticalAxis == VerticalAxis::Left ? "left" : "custom0"},
                                  {"points", points}});
    }
    // The mark arrays hold the variation chart's findings after an evaluation; the centre chart's are
    // read back from the labels of the arrow series 7 and 8.
    auto marksOf = [&](int upSeries, int downSeries, int pointCount, bool fromState) {
        QStringList upper(pointCount), lower(pointCount);
        if (fromState) {
            for (int i = 0; i < pointCount; ++i) {
                upper[i] = state.gUpperRuleMarks.value(i);
                lower[i] = state.gLowerRuleMarks.value(i);
            }
        } else {
            for (int s : {upSeries, downSeries}) {
                const ChartSeries* ser = chart.seriesAt(s);
                if (!ser)
                    continue;
                for (const ChartPoint& p : ser->points) {
                    const int i = int(p.x);
                    if (i >= 0 && i < pointCount)
                        (s == upSeries ? upper : lower)[i] = p.label;
                }
            }
        }
        return QJsonObject{{"upper", Lines(upper)}, {"lower", Lines(lower)}};
    };
    const ChartSeries* centre = chart.seriesAt(5);
    const ChartSeries* variation = chart.seriesAt(6);
    const bool evaluated = outcome.rules.completed;
    QJsonObject rules{
        {"centre", marksOf(7, 8, centre ? centre->count() : 0, false)},
        {"variation", evaluated ? marksOf(-1, -1, variation ? variation->count() : 0, true)
                                : marksOf(-1, -1, variation ? variation->count() : 0, false)},
    };
    return QJsonObject{
        {"chartType", chartType},
        {"subgroupSize", subgroupSize},
        {"records", double(outcome.records)},
        {"pointCount", double(outcome.pointCount)},
        {"figures", figures},
        {"panel", QJsonObject{{"captions", Lines(panelCaptions)}, {"values", Lines(l.panelValues)}}},
        {"series", series},
        {"rules", rules},
    };
}

} // namespace moldrin::cli
