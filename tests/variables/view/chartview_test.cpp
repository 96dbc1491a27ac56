// Tests of ChartView: page range, labels and their placement, one-band charts, the PNG and PDF drawings.
#include "variables/view/chartview.h"

#include "markedcharts.h"
#include "rules/rulemarks.h"
#include "variables/variableschart.h"
#include "variables/view/panelelement.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace moldrin;
using namespace moldrin::test;

namespace
{

// The pixel position of each drawn point of the band's data series (those with pointers) on the page.
QList<QPointF> DataPixels(const ChartView& view, const ChartModel& chart, bool centre)
{
    QList<QPointF> out;
    QCPAxis* key = centre ? view.pointAxis() : view.variationPointAxis();
    QCPAxis* value = centre ? view.centreValueAxis() : view.variationValueAxis();
    const auto [first, last] = view.shownPoints();
    for (const ChartSeries& s : chart.series)
        if (s.visible && s.pointer != PointerStyle::None && !s.marks.ruleMarks
            && (s.verticalAxis == VerticalAxis::Left) == centre)
            for (int i = 0; i < s.count(); ++i)
                if (s.points.x(i) >= first && s.points.x(i) <= last)
                    out << QPointF(key->coordToPixel(s.points.x(i)), value->coordToPixel(s.points.y(i)));
    return out;
}

// Every label lies inside its band and overlaps no other; no rule-mark label covers a data point; every
// rule mark on the page is labelled by the one label of its side whose span holds it, which shows all its
// codes. Returns the number of rule marks checked, -1 on a fault.
int CheckPlacedLabels(const ChartView& view, const ChartModel& chart)
{
    const QList<ChartView::PlacedLabel> placed = view.placedLabels();
    for (int i = 0; i < placed.size(); ++i) {
        if (!placed[i].band.adjusted(-0.01, -0.01, 0.01, 0.01).contains(placed[i].rect)) {
            qWarning() << "outside" << placed[i].text << placed[i].rect << placed[i].band;
            return -1;
        }
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
        const bool up = s.marks.offset >= 0;
        QCPAxis* key = centre ? view.pointAxis() : view.variationPointAxis();
        QCPAxis* value = centre ? view.centreValueAxis() : view.variationValueAxis();
        const QRectF band = value->axisRect()->rect();
        for (const QPointF& d : DataPixels(view, chart, centre))
            for (const ChartView::PlacedLabel& l : placed)
                if (l.ruleMark && l.band == band && l.rect.adjusted(1, 1, -1, -1).contains(d)) {
                    qWarning() << "on data" << l.text << l.rect << d;
                    return -1;
                }
        for (const ChartPoint& p : s.points) {
            if (p.x < first || p.x > last)
                continue;
            const double x = key->coordToPixel(p.x);
            int holders = 0;
            for (const ChartView::PlacedLabel& l : placed) {
                const bool side = (l.rect.center().y() < value->coordToPixel(p.y)) == up;
                if (!l.ruleMark || l.band != band || !side || x < l.firstX - 1e-6 || x > l.lastX + 1e-6)
                    continue;
                ++holders;
                for (const QString& code : p.label.split(u','))
                    if (!l.text.split(u',').contains(code)) {
                        qWarning() << "label without the mark's code" << l.text << p.label;
                        return -1;
                    }
            }
            if (holders != 1) {
                qWarning() << "mark labelled" << holders << "times" << s.title << p.x << p.label;
                return -1;
            }
            ++marks;
        }
    }
    return marks;
}

// An axis' ticks: at least two, a round step (1, 2 or 5 times a power of ten) apart, no finer than the
// format's decimals, each label reading its tick's value (decimals only where the axis has them), and
// the labels apart at the axis' length. Returns the step, 0 on a fault.
double CheckTicks(const QCPAxis* axis, const QString& format)
{
    const QVector<double> ticks = axis->tickVector();
    const QVector<QString> labels = axis->tickVectorLabels();
    if (ticks.size() < 2 || labels.size() != ticks.size()) {
        qWarning() << "ticks" << ticks << labels;
        return 0;
    }
    const double step = ticks[1] - ticks[0];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const int decimals = format.contains(u'.') ? int(format.size() - format.lastIndexOf(u'.') - 1) : 0;
    if (std::min({ std::abs(mantissa - 1), std::abs(mantissa - 2), std::abs(mantissa - 5) }) > 1e-6
        || step < std::pow(10.0, -decimals) * (1 - 1e-9)) {
        qWarning() << "step" << step << format;
        return 0;
    }
    const QFontMetricsF fm(axis->tickLabelFont());
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        bool read = false;
        const double value = QString(labels[i]).remove(u',').toDouble(&read);
        if (!read || std::abs(value - ticks[i]) > step * 1e-6 || (decimals == 0 && labels[i].contains(u'.'))
            || (i > 0 && std::abs(ticks[i] - ticks[i - 1] - step) > step * 1e-6)) {
            qWarning() << "label" << labels[i] << "at" << ticks[i] << format;
            return 0;
        }
        if (i == 0)
            continue;
        const double apart = std::abs(axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]));
        const double need = axis->orientation() == Qt::Vertical
            ? fm.height()
            : (fm.horizontalAdvance(labels[i]) + fm.horizontalAdvance(labels[i - 1])) / 2;
        if (apart < need) {
            qWarning() << "labels overlap" << labels[i - 1] << labels[i] << apart << need;
            return 0;
        }
    }
    return step;
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
        view.resize(900, 600);
        view.replot();
        QCOMPARE(view.shownPoints(), std::make_pair(0, 79));
        // The page with room beside it for the lines' labels; point numbers only on the page.
        QVERIFY(view.pointAxis()->range().lower < -0.5 && view.pointAxis()->range().upper > 79.5);
        QCOMPARE(view.variationPointAxis()->range(), view.pointAxis()->range());
        for (QCPAxis* axis : { view.pointAxis(), view.variationPointAxis() })
            for (double tick : axis->tickVector())
                QVERIFY2(tick >= -0.5 && tick <= 79.5, qPrintable(QString::number(tick)));

        chart.setPage(3);
        view.render(chart);
        view.replot();
        QCOMPARE(view.shownPoints(), std::make_pair(160, 239));
        QVERIFY(view.pointAxis()->range().lower < 159.5 && view.pointAxis()->range().lower > 150);
        // Only the page's points are drawn.
        auto* data = qobject_cast<QCPGraph*>(view.plottable(kSeriesXBar));
        QVERIFY(data);
        QCOMPARE(data->data()->size(), 40);
        QCOMPARE(data->data()->at(0)->key, 160.0);

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
        QVERIFY2(texts.contains(ucl.label.trimmed()), qPrintable(ucl.label));
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

    // Every page, the first, a middle and the last, names each line of both bands at both sides: a band's
    // labels of the lines' starts (ends) in the order of the lines, in the room left (right) of the page's
    // points, beside the lines' ends, clear of the axis, of the data and of their own lines.
    void everyPageLabelsItsLines()
    {
        ChartModel chart = PlottedChart(200, true);
        ChartView view;
        view.resize(1000, 700);
        for (int page = 1; page <= chart.pageCount(); ++page) {
            chart.setPage(page);
            view.render(chart);
            view.replot();
            const auto [first, last] = view.shownPoints();
            QVERIFY(CheckPlacedLabels(view, chart) >= 0);
            for (const bool centre : { true, false }) {
                QCPAxis* key = centre ? view.pointAxis() : view.variationPointAxis();
                QCPAxis* value = centre ? view.centreValueAxis() : view.variationValueAxis();
                const QRectF band = value->axisRect()->rect();
                // The lines run from point 0 to point 199: on the last page they end before the page does.
                const double from = key->coordToPixel(first - 0.5);
                const double to = key->coordToPixel(last < 199 ? last + 0.5 : 199);
                for (const bool start : { true, false }) {
                    QList<std::pair<double, QString>> lines;
                    for (int i = kTemplateSeriesCount; i < chart.seriesCount(); ++i) {
                        const ChartSeries& s = chart.series[i];
                        const QString label = (start ? s.points.first() : s.points.last()).label.trimmed();
                        if ((s.verticalAxis == VerticalAxis::Left) == centre && !label.isEmpty())
                            lines << std::pair { value->coordToPixel(s.points.y(0)), label };
                    }
                    QList<std::pair<double, QString>> shown;
                    for (const ChartView::PlacedLabel& l : view.placedLabels()) {
                        if (!l.lineEnd || l.band != band || (start ? l.rect.right() > from : l.rect.left() < to))
                            continue;
                        shown << std::pair { l.rect.top(), l.text };
                        QVERIFY(l.rect.left() >= band.left() + 2 && l.rect.right() <= band.right() - 2);
                        QVERIFY(std::abs(l.point.x() - (start ? from : to)) < 0.5);
                    }
                    QVERIFY(lines.size() >= 4);
                    std::sort(lines.begin(), lines.end());
                    std::sort(shown.begin(), shown.end());
                    QCOMPARE(shown.size(), lines.size());
                    for (int i = 0; i < lines.size(); ++i)
                        QCOMPARE(shown[i].second, lines[i].second);
                }
            }
        }
    }

    // A one-band chart's lines (an attribute chart's) carry their labels beside their ends: "CL=..." after
    // the centre line's end, never on it, and the chart leaves the room for it.
    void lineLabelsStandBesideTheirLines()
    {
        ChartModel chart;
        ChartSeries data;
        data.pointer = PointerStyle::Diamond;
        for (int i = 1; i <= 40; ++i)
            data.addXY(i, 0.04 + (i % 5) * 0.01);
        chart.series << data;
        ChartSeries mean;
        mean.marks.visible = true;
        mean.marks.transparent = true;
        mean.addXY(1, 0.0437, QStringLiteral(" "));
        mean.addXY(40, 0.0437, QStringLiteral("CL=0.0437") + QString(30, u' '));
        chart.series << mean;
        ChartSeries zone = mean;
        zone.clear();
        zone.addXY(1, 0.07, QStringLiteral(" C"));
        zone.addXY(40, 0.07, QStringLiteral("C "));
        chart.series << zone;
        ChartView view;
        view.resize(700, 400);
        view.render(chart);
        view.replot();
        const double end = view.pointAxis()->coordToPixel(40), start = view.pointAxis()->coordToPixel(1);
        QStringList texts;
        for (const ChartView::PlacedLabel& l : view.placedLabels()) {
            texts << l.text;
            QVERIFY(l.lineEnd);
            const double y
                = view.centreValueAxis()->coordToPixel(l.text.startsWith(u'C') && l.text != "C" ? 0.0437 : 0.07);
            QVERIFY2(l.rect.left() >= end || l.rect.right() <= start, qPrintable(l.text));
            QVERIFY(l.rect.top() < y && l.rect.bottom() > y);
            QVERIFY(view.centreRect()->rect().contains(l.rect.toRect()));
        }
        std::sort(texts.begin(), texts.end());
        QCOMPARE(texts, (QStringList { "C", "C", "CL=0.0437" }));
    }

    // Every axis of the variables chart at several ranges, formats (the decimal buttons' range) and sizes,
    // a short selection among them, and a histogram's count axis.
    void axesTakeRoundStepsAtTheirValues()
    {
        struct Case {
            int subgroups;
            double lower, upper; // a set range of the left axis; automatic where equal
            double increment; // the left axis' set increment, (UCL - LCL) / k as the chart sets it
            QString format;
            QSize size;
        } cases[] {
            { 200, 4.99, 26.97, 0.999, "#,##0.00", { 900, 600 } },
            { 200, 4.99, 26.97, 0.999, "#,##0.", { 900, 600 } },
            { 200, 4.99, 26.97, 0, "#,##0.0000", { 400, 300 } },
            { 28, 0, 0, 0.0137, "#,##0.00", { 700, 450 } },
            { 28, 0, 0, 0, "#,##0.000", { 1400, 900 } },
            { 500, -0.003, 0.002, 0, "#,##0.0000", { 900, 600 } },
            { 80, 0, 1e6, 0, "#,##0.", { 500, 350 } },
        };
        for (const Case& c : cases) {
            ChartModel chart = PlottedChart(c.subgroups, true);
            if (c.upper > c.lower)
                chart.left.setRange(c.lower, c.upper);
            chart.left.increment = c.increment;
            chart.left.labelFormat = chart.custom0.labelFormat = c.format;
            ChartView view;
            view.resize(c.size);
            view.render(chart);
            view.replot();
            const QString what = QStringLiteral("%1 subgroups, %2, %3x%4")
                                     .arg(c.subgroups)
                                     .arg(c.format)
                                     .arg(c.size.width())
                                     .arg(c.size.height());
            QVERIFY2(CheckTicks(view.centreValueAxis(), c.format) > 0, qPrintable(what));
            QVERIFY2(CheckTicks(view.variationValueAxis(), c.format) > 0, qPrintable(what));
            QVERIFY2(CheckTicks(view.pointAxis(), "#,##0") >= 1, qPrintable(what));
            QVERIFY2(CheckTicks(view.variationPointAxis(), "#,##0") >= 5, qPrintable(what));
        }

        // Counts: whole steps, no decimals whatever the format.
        ChartModel histogram;
        ChartSeries bars;
        bars.kind = SeriesKind::Bar;
        bars.barFromX = true;
        for (int i = 0; i < 20; ++i)
            bars.addXY(4.8 + 0.02 * i, (i * 37) % 23);
        histogram.series << bars;
        histogram.left.setRange(0, 24);
        histogram.left.labelFormat = histogram.bottom.labelFormat = QStringLiteral("#,##0.00");
        histogram.left.wholeNumbers = true;
        ChartView view;
        view.resize(600, 400);
        view.render(histogram);
        view.replot();
        QVERIFY(CheckTicks(view.centreValueAxis(), "#,##0") >= 1);
        QVERIFY(CheckTicks(view.pointAxis(), "#,##0.00") > 0);
        QCOMPARE(view.centreValueAxis()->tickVectorLabels().front(), QStringLiteral("0"));
    }

    // A view drawing for a file or a printer shows the chart's panel at the chart's right; the window's
    // own view does not (the window shows its panel beside it).
    void outputPagesCarryThePanel()
    {
        ChartModel chart = PlottedChart(200, true);
        chart.panelCaptions = PanelCaptions();
        chart.panelValues = QStringList { "1,000", "0.6021", "0.6019", "5", "11.1536" };
        ChartView window;
        window.resize(1000, 700);
        window.render(chart);
        window.replot();
        QCOMPARE(window.plotLayout()->columnCount(), 1);

        ChartView page;
        page.setPanelShown(true);
        page.resize(1000, 700);
        page.render(chart);
        page.replot();
        auto* panel = dynamic_cast<const PanelElement*>(page.plotLayout()->element(1, 1));
        QVERIFY(panel);
        QCOMPARE(panel->values(), chart.panelValues);
        const QRect box = panel->outerRect();
        QVERIFY(box.left() >= page.centreRect()->outerRect().right());
        QVERIFY(box.right() < page.width() && box.height() >= panel->minimumOuterSizeHint().height());
        // The bands give the panel its width and no more.
        QVERIFY(std::abs(page.centreRect()->width() + box.width() - window.centreRect()->width())
            <= page.plotLayout()->columnSpacing() + 2);
        // Its text is drawn: the panel's columns hold ink.
        const QImage image = page.toPixmap(page.width(), page.height()).toImage();
        int inked = 0;
        for (int y = box.top(); y < box.top() + panel->minimumOuterSizeHint().height(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                inked += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        QVERIFY(inked > 200);

        // Without figures there is no panel.
        chart.panelValues.clear();
        page.render(chart);
        QCOMPARE(page.plotLayout()->columnCount(), 1);
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

        // The blink hides exactly the rule labels and shows them again where they were, drawing the labels
        // alone: the chart's plottables stay as they are.
        const QList<ChartView::PlacedLabel> shown = view.placedLabels();
        const int others = shown.size() - RuleLabels(view);
        QCPAbstractPlottable* first = view.plottable(0);
        ToggleRuleMarkLabels(chart);
        view.refreshLabels(chart);
        QCOMPARE(RuleLabels(view), 0);
        QCOMPARE(view.placedLabels().size(), others);
        ToggleRuleMarkLabels(chart);
        view.refreshLabels(chart);
        QCOMPARE(view.plottable(0), first);
        QCOMPARE(view.placedLabels().size(), shown.size());
        for (int i = 0; i < shown.size(); ++i)
            QCOMPARE(view.placedLabels()[i].rect, shown[i].rect);
        QCOMPARE(CheckPlacedLabels(view, chart), marks);

        // Anything else changed, it renders the chart again.
        chart.series[kTemplateSeriesCount].marks.visible = false;
        view.refreshLabels(chart);
        QVERIFY(view.plottable(0) != first);
        view.replot();
        QVERIFY(std::none_of(view.placedLabels().cbegin(), view.placedLabels().cend(),
            [](const ChartView::PlacedLabel& l) { return l.text.contains(QStringLiteral("CpK")); }));
        QVERIFY(std::any_of(shown.cbegin(), shown.cend(),
            [](const ChartView::PlacedLabel& l) { return l.text.contains(QStringLiteral("CpK")); }));
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
