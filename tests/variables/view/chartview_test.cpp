// Tests of ChartView: page range, labels and their placement, one-band charts, the PNG and PDF drawings.
#include "variables/view/chartview.h"

#include "common/appstate.h"
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "variables/controllimits.h"
#include "variables/spcconstants.h"
#include "variables/variableschart.h"
#include "variables/view/labellayout.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

using namespace moldrin;

namespace
{

// A plotted X-Bar-R chart of `subgroups` points with its limit lines.
ChartModel PlottedChart(int subgroups, bool zones = false)
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
ChartModel MarkedIndividualChart(const QList<double>& readings)
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
QList<double> ReadingsWithFindings(int n)
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

// Every label lies inside its band and overlaps no other; every rule mark on the page is labelled by a
// label at its point that shows all its codes. Returns the number of rule marks checked.
int CheckPlacedLabels(const ChartView& view, const ChartModel& chart)
{
    const QList<ChartView::PlacedLabel> placed = view.placedLabels();
    for (const ChartView::PlacedLabel& l : placed)
        if (!l.band.adjusted(-0.01, -0.01, 0.01, 0.01).contains(l.rect))
            qWarning() << "outside" << l.text << l.rect << l.band;
    for (int i = 0; i < placed.size(); ++i) {
        if (!placed[i].band.adjusted(-0.01, -0.01, 0.01, 0.01).contains(placed[i].rect))
            return -1;
        for (int j = i + 1; j < placed.size(); ++j)
            if (placed[i].rect.intersects(placed[j].rect)) {
                qWarning() << "overlap" << placed[i].text << placed[i].rect << placed[j].text << placed[j].rect;
                return -1;
            }
    }
    const auto [first, last] = view.shownPoints();
    int marks = 0;
    for (const ChartSeries& s : chart.series) {
        if (!s.marks.ruleMarks || !s.marks.visible)
            continue;
        const bool centre = s.verticalAxis == VerticalAxis::Left;
        QCPAxis* key = centre ? view.pointAxis() : view.variationPointAxis();
        QCPAxis* value = centre ? view.centreValueAxis() : view.variationValueAxis();
        for (const ChartPoint& p : s.points) {
            if (p.x < first || p.x > last)
                continue;
            const QPointF at(key->coordToPixel(p.x), value->coordToPixel(p.y));
            bool shown = false;
            for (const ChartView::PlacedLabel& l : placed) {
                bool here = false;
                for (const QPointF& m : l.marks)
                    here = here || QLineF(m, at).length() < 0.5;
                bool codes = here && l.ruleMark;
                for (const QString& code : p.label.split(u','))
                    codes = codes && l.text.split(u',').contains(code);
                shown = shown || codes;
            }
            if (!shown) {
                qWarning() << "mark without its label" << s.title << p.x << p.label;
                return -1;
            }
            ++marks;
        }
    }
    return marks;
}

int RuleLabels(const ChartView& view)
{
    int n = 0;
    for (const ChartView::PlacedLabel& l : view.placedLabels())
        n += l.ruleMark ? 1 : 0;
    return n;
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

class ChartViewTest : public QObject
{
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
        // Every labelled point of the limit lines (series 9 up) is drawn; blank labels show nothing.
        int expected = 1;
        for (int i = kTemplateSeriesCount; i < chart.seriesCount(); ++i)
            for (const ChartPoint& p : chart.series[i].points)
                if (!p.label.trimmed().isEmpty())
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

    void ruleMarksAtTheBandEdgesAreLabelledInsideAndApart()
    {
        ChartModel chart = MarkedIndividualChart(ReadingsWithFindings(400));
        ChartView view;
        view.resize(900, 600);
        int checked = 0, variationPages = 0;
        for (int page = 1; page <= chart.pageCount(); ++page) {
            chart.setPage(page);
            view.render(chart);
            view.replot();
            const int marks = CheckPlacedLabels(view, chart);
            QVERIFY2(marks >= 0, qPrintable(QStringLiteral("page %1").arg(page)));
            checked += marks;
            // The moving ranges of 0 carry "R3-" at the very bottom of the variation band.
            for (const ChartView::PlacedLabel& l : view.placedLabels())
                if (l.ruleMark && l.band == QRectF(view.variationRect()->rect()) && l.text.contains("R3-"))
                    ++variationPages;
        }
        QVERIFY(checked > 50);
        QVERIFY(variationPages >= 2);
    }

    void pagesOfMoreThan500PointsLabelEveryMark()
    {
        ChartModel chart = MarkedIndividualChart(ReadingsWithFindings(1500));
        chart.maxPointsPerPage = 0;
        ChartView view;
        view.resize(900, 600);
        view.render(chart);
        view.replot();
        QCOMPARE(view.shownPoints(), std::make_pair(0, 1499));
        const int marks = CheckPlacedLabels(view, chart);
        QVERIFY(marks > 200);
        // Crowded marks share labels; each label is still near its points.
        QVERIFY(RuleLabels(view) > 10);
        QVERIFY(RuleLabels(view) < marks);

        // The blink hides exactly the rule labels, and shows them again.
        const int others = view.placedLabels().size() - RuleLabels(view);
        ToggleRuleMarkLabels(chart);
        view.render(chart);
        view.replot();
        QCOMPARE(RuleLabels(view), 0);
        QCOMPARE(view.placedLabels().size(), others);
        ToggleRuleMarkLabels(chart);
        view.render(chart);
        view.replot();
        QCOMPARE(CheckPlacedLabels(view, chart), marks);
    }

    void labelsStayApartInPngAndPdf()
    {
        ChartModel chart = MarkedIndividualChart(ReadingsWithFindings(700));
        chart.maxPointsPerPage = 0;
        QTemporaryDir dir;
        ChartView view;
        view.render(chart);
        QVERIFY(view.savePng(dir.filePath("c.png"), 1200, 700));
        QVERIFY(CheckPlacedLabels(view, chart) > 100);
        QCOMPARE(view.placedLabels().front().band.width(), QRectF(view.centreRect()->rect()).width());
        QVERIFY(view.savePdf(dir.filePath("c.pdf"), 700, 500));
        QVERIFY(CheckPlacedLabels(view, chart) > 100);
        // A drawing too small for its margins still draws.
        QVERIFY(view.savePng(dir.filePath("tiny.png"), 30, 20));
    }

    void crowdedRuleLabelsShareOneWithAllCodes()
    {
        const QRectF band(0, 0, 300, 120);
        const auto measure = [](const QString& text) { return QSizeF(6.0 * text.size(), 12); };
        QList<LabelRequest> requests;
        for (int i = 0; i < 60; ++i) {
            const QString text = i % 2 ? "R2+,R3+" : "R1+";
            requests << LabelRequest { QPointF(100 + i, 5), measure(text), -3.0 * text.size(), 8, true, text };
        }
        requests << LabelRequest { QPointF(290, 60), QSizeF(40, 12), -20, 0, false, "UCL" };
        const QList<LabelPlacement> placed = PlaceLabels(requests, band, 5, measure);
        QList<int> labelled;
        for (int i = 0; i < placed.size(); ++i) {
            QVERIFY(band.contains(placed[i].rect));
            for (int j = i + 1; j < placed.size(); ++j)
                QVERIFY(!placed[i].rect.intersects(placed[j].rect));
            labelled += placed[i].members;
            for (int m : placed[i].members)
                for (const QString& code : requests[m].text.split(','))
                    QVERIFY(placed[i].text.split(',').contains(code));
        }
        std::sort(labelled.begin(), labelled.end());
        QCOMPARE(labelled.size(), requests.size());
        QCOMPARE(labelled.back(), requests.size() - 1);
        QVERIFY(placed.size() < 30);
        QCOMPARE(MergedRuleCodes("R3+,R7", "R1+,R3+"), QStringLiteral("R1+,R3+,R7"));
        QCOMPARE(MergedRuleCodes("R5", "R2-"), QStringLiteral("R2-,R5"));
    }

    void oneBandChartsDrawBarsPointsAndTextLabels()
    {
        ChartModel chart;
        chart.header = QStringList { "Pareto Chart", "PSU-100, Range <All>" };
        chart.subFooter = QStringList { "Test parameter" };
        chart.footer = QStringList { "Printed on: x" };
        chart.footerVisible = false;
        ChartSeries bars;
        bars.kind = SeriesKind::Bar;
        bars.horizontalAxis = HorizontalAxis::Bottom;
        bars.barWidthPercent = 50;
        bars.addXY(10, 60, "VOUT\r(5)");
        bars.addXY(12, 30, "Ripple\r(2.5)");
        bars.addXY(14, 10, "Temp");
        chart.series << bars;
        ChartSeries back;
        back.kind = SeriesKind::Line;
        back.marks.visible = true;
        back.addXY(11, 5);
        back.addXY(11, 50, "Mean=1\rA");
        back.addXY(10.5, 50);
        chart.series << back;
        ChartSeries scatter;
        scatter.kind = SeriesKind::Points;
        scatter.pointer = PointerStyle::Rectangle;
        scatter.marks.visible = true;
        scatter.marks.offset = 8;
        scatter.addXY(13, 20, "1");
        scatter.addXY(10.5, 25, "2");
        chart.series << scatter;
        chart.bottom.pointLabels = true;
        chart.left.setRange(0, 105);

        ChartView view;
        view.resize(700, 400);
        view.render(chart);
        view.replot();
        QVERIFY(!view.twoBands());
        QVERIFY(!view.variationRect() && !view.variationValueAxis());
        QCOMPARE(view.pointAxis(), view.centreRect()->axis(QCPAxis::atBottom));
        QCOMPARE(view.centreValueAxis()->range().upper, 105.0);
        // Room for the outer bars, each half the spacing of 2 wide.
        QVERIFY(view.pointAxis()->range().contains(9) && view.pointAxis()->range().contains(15));
        auto* plottedBars = qobject_cast<QCPBars*>(view.plottable(0));
        QVERIFY(plottedBars);
        QCOMPARE(plottedBars->width(), 1.0);
        // The vertical marker goes back along x: drawn as a curve in its order.
        QVERIFY(qobject_cast<QCPCurve*>(view.plottable(1)));
        auto ticker = view.pointAxis()->ticker().dynamicCast<QCPAxisTickerText>();
        QVERIFY(ticker);
        QCOMPARE(ticker->ticks().value(10), QStringLiteral("VOUT\n(5)"));
        QCOMPARE(ticker->ticks().value(14), QStringLiteral("Temp"));
        QCOMPARE(view.labelTexts(), (QStringList { "Mean=1\nA", "1", "2" }));
        QCOMPARE(CheckPlacedLabels(view, chart), 0);
        const QList<ChartView::PlacedLabel> placed = view.placedLabels();
        QCOMPARE(placed.size(), 3);
        QCOMPARE(placed[0].text, QStringLiteral("Mean=1\nA"));
        // A label above its point: its box ends 8 pixels over it.
        const QPointF p1(view.pointAxis()->coordToPixel(13), view.centreValueAxis()->coordToPixel(20));
        QCOMPARE(placed[1].rect.bottom(), p1.y() - 8);
        QCOMPARE(placed[1].rect.center().x(), p1.x());

        // The header lines (and a one-band sub-header) are the title; the sub-footer shows without the footer.
        QImage image = view.toPixmap(700, 400).toImage();
        QVERIFY(!image.isNull());
        chart.subHeader = QStringList { "by sum" };
        view.render(chart);
        auto* title = qobject_cast<QCPTextElement*>(view.plotLayout()->element(0, 0));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("Pareto Chart\nPSU-100, Range <All>\nby sum"));
        auto* footer = qobject_cast<QCPTextElement*>(view.plotLayout()->element(2, 0));
        QVERIFY(footer);
        QCOMPARE(footer->text(), QStringLiteral("Test parameter"));
        // A stamp goes below the sub-footer, which stays next to the axis it titles.
        chart.footerVisible = true;
        view.render(chart);
        footer = qobject_cast<QCPTextElement*>(view.plotLayout()->element(2, 0));
        QVERIFY(footer);
        QCOMPARE(footer->text(), QStringLiteral("Test parameter\nPrinted on: x"));
    }

    // A histogram's cell bars stand on their cells, from each lower edge to the next, as its curves do.
    void barsFromTheirXStandOnTheirInterval()
    {
        ChartModel chart;
        ChartSeries cells;
        cells.kind = SeriesKind::Bar;
        cells.horizontalAxis = HorizontalAxis::Bottom;
        cells.barWidthPercent = 100;
        cells.barFromX = true;
        for (double lower : { 4.8, 4.9, 5.0 })
            cells.addXY(lower, 10);
        chart.series << cells;
        ChartView view;
        view.resize(600, 400);
        view.render(chart);
        view.replot();
        auto* bars = qobject_cast<QCPBars*>(view.plottable(0));
        QVERIFY(bars);
        QVERIFY(qAbs(bars->data()->at(0)->key - 4.85) < 1e-9);
        QVERIFY(qAbs(bars->width() - 0.1) < 1e-9);
        // The last cell's upper edge is inside the axis.
        QVERIFY(view.pointAxis()->range().contains(5.1));
    }

    void horizontalZoomLastsUntilUndone()
    {
        ChartModel chart;
        ChartSeries line;
        for (int i = 1; i <= 50; ++i)
            line.addXY(i, i % 7);
        chart.series << line;
        ChartView view;
        view.setHorizontalZoom(true);
        view.render(chart);
        const QCPRange whole = view.pointAxis()->range();
        QVERIFY(!view.zoomed());
        view.pointAxis()->setRange(10, 20); // as a wheel turn or a drag does
        QVERIFY(view.zoomed());
        view.render(chart); // a blink's redraw
        QCOMPARE(view.pointAxis()->range(), QCPRange(10, 20));
        view.undoZoom();
        view.render(chart);
        QCOMPARE(view.pointAxis()->range(), whole);
        QVERIFY(!view.zoomed());
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
