// Tests of ChartView: page range, labels, grid and the PNG written from a plotted chart.
#include "variables/view/chartview.h"

#include "common/prompt.h"
#include "variables/controllimits.h"
#include "variables/spcconstants.h"
#include "variables/variableschart.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace moldrin;

namespace {

// A plotted X-Bar-R chart of `subgroups` points with its limit lines.
ChartModel PlottedChart(int subgroups, bool zones = false)
{
    ChartModel chart = BuildVariablesChartTemplate();
    ResetVariablesChart(chart, kChartXBarR, QString(), QStringLiteral("Prod Par"));
    for (int i = 0; i < subgroups; ++i) {
        SubgroupPoint p;
        p.number = i + 1;
        p.mean = p.series0 = p.series5 = 10 + (i % 7) * 0.1;
        p.range = p.series4 = p.series6 = 1 + (i % 5) * 0.2;
        AddSubgroupPoints(chart, p);
    }
    LimitInputs in;
    in.chartType = kChartXBarR;
    in.sampleSize = 5;
    in.chartTitle = QStringLiteral("Prod Par");
    in.showZones = zones;
    in.stat.XDoubleBar = 10.3;
    in.stat.AverageVariation = 1.4;
    in.stat.IsSubgroupChart = true;
    in.stat.PointCount = subgroups;
    in.stat.EstSigma = 1.4 / 2.326;
    in.stat.Cp = in.stat.CpK = in.stat.CpU = in.stat.CpL = Figure::na();
    ScriptedPrompt prompt;
    DrawControlLimits(chart, in, prompt);
    return chart;
}

// Count of pixels that are not white in rows [top, bottom) of the image.
int InkedPixels(const QImage& image, int top, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ++count;
    return count;
}

} // namespace

class ChartViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pagesShowTheirPointRange()
    {
        ChartModel chart = PlottedChart(200);
        QCOMPARE(chart.pageCount(), 3);
        ChartView view;
        view.render(chart);
        QCOMPARE(view.shownPoints(), std::make_pair(0, 79));
        QCOMPARE(view.pointAxis()->range().lower, -0.5);
        QCOMPARE(view.pointAxis()->range().upper, 79.5);
        QCOMPARE(view.variationPointAxis()->range(), view.pointAxis()->range());

        chart.setPage(3);
        view.render(chart);
        QCOMPARE(view.shownPoints(), std::make_pair(160, 239));
        QCOMPARE(view.pointAxis()->range().lower, 159.5);

        chart.maxPointsPerPage = 0;
        view.render(chart);
        QCOMPARE(view.shownPoints(), std::make_pair(0, 199));
    }

    void limitLinesAndRuleMarksAreLabelled()
    {
        ChartModel chart = PlottedChart(20);
        chart.series[kSeriesUpArrow].addXY(3, 12, QStringLiteral("1"));
        chart.series[kSeriesUpArrow].marks.visible = true;
        ChartView view;
        view.render(chart);
        const QStringList texts = view.labelTexts();
        // Every labelled point of the limit lines (series 9 up) is drawn.
        int expected = 1;
        for (int i = kTemplateSeriesCount; i < chart.seriesCount(); ++i)
            for (const ChartPoint& p : chart.series[i].points)
                if (!p.label.isEmpty())
                    ++expected;
        QVERIFY(expected > 1);
        QCOMPARE(texts.size(), expected);
        const ChartPoint& ucl = chart.series[kTemplateSeriesCount].points.first();
        QVERIFY2(texts.contains(ucl.label), qPrintable(ucl.label));
        QVERIFY(texts.contains(QStringLiteral("1")));

        // Hidden marks (the blink's off phase) draw no labels.
        chart.series[kSeriesUpArrow].marks.visible = false;
        view.render(chart);
        QCOMPARE(view.labelTexts().size(), expected - 1);
    }

    void manyPointsDropPointLabelsButKeepLineLabels()
    {
        ChartModel chart = PlottedChart(600);
        chart.series[kSeriesRange].marks.visible = true; // labelled with the subgroup numbers
        chart.maxPointsPerPage = 0;
        ChartView view;
        view.render(chart);
        const QStringList texts = view.labelTexts();
        QVERIFY(!texts.isEmpty());
        QVERIFY(texts.size() < 100);
        chart.maxPointsPerPage = 80;
        view.render(chart);
        QVERIFY(view.labelTexts().size() >= 80);
    }

    void gridFollowsTheAxes()
    {
        ChartModel chart = PlottedChart(10);
        ChartView view;
        view.render(chart);
        QVERIFY(view.centreValueAxis()->grid()->visible());
        QVERIFY(view.variationValueAxis()->grid()->visible());
        chart.left.gridVisible = false;
        chart.custom0.gridVisible = false;
        view.render(chart);
        QVERIFY(!view.centreValueAxis()->grid()->visible());
        QVERIFY(!view.variationValueAxis()->grid()->visible());
    }

    void labelSizeReservesTheLeftMargin()
    {
        ChartModel chart = PlottedChart(10);
        ChartView view;
        view.resize(800, 600);
        chart.left.labelSize = chart.custom0.labelSize = 10;
        view.render(chart);
        view.replot();
        const int narrow = view.centreRect()->margins().left();
        chart.left.labelSize = chart.custom0.labelSize = 100;
        view.render(chart);
        view.replot();
        QVERIFY(view.centreRect()->margins().left() > narrow);
        QCOMPARE(view.variationRect()->margins().left(), view.centreRect()->margins().left());
    }

    void setRangesAndTitlesAreUsed()
    {
        ChartModel chart = PlottedChart(10);
        chart.left.setRange(5, 15);
        ChartView view;
        view.render(chart);
        QCOMPARE(view.centreValueAxis()->range().lower, 5.0);
        QCOMPARE(view.centreValueAxis()->range().upper, 15.0);
        QCOMPARE(view.centreValueAxis()->label(), QStringLiteral("X-Bar"));
        QCOMPARE(view.variationValueAxis()->label(), QStringLiteral("Range"));
        QCOMPARE(view.pointAxis()->label(), QStringLiteral("Sub-Group Number"));
        // Automatic scaling covers the points and the limit lines.
        QVERIFY(view.variationValueAxis()->range().contains(chart.axisMaximum(AxisId::Custom0)));
        QVERIFY(view.variationValueAxis()->range().contains(chart.axisMinimum(AxisId::Custom0)));
    }

    void pngHasTheSizeAndBothBands()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chart.png"));
        QVERIFY(SavePng(PlottedChart(200, true), file, 900, 600));
        QImage image(file);
        QCOMPARE(image.size(), QSize(900, 600));
        QVERIFY(InkedPixels(image, 60, 400) > 2000);
        QVERIFY(InkedPixels(image, 450, 590) > 1000);

        QVERIFY(!SavePng(PlottedChart(5), file, 0, 600));
        QVERIFY(!SavePng(PlottedChart(5), dir.filePath(QStringLiteral("no/such/folder/c.png")), 300, 200));
    }

    void emptyChartRenders()
    {
        ChartView view;
        view.render(BuildVariablesChartTemplate());
        QCOMPARE(view.shownPoints(), std::make_pair(0, 0));
        QVERIFY(view.labelTexts().isEmpty());
    }
};

QTEST_MAIN(ChartViewTest)
#include "chartview_test.moc"
