// The Pareto window on a generated demo database: the ranking and titles, Refresh, the bar width, the X
// title from the configuration folder, no data, readable bottom labels.
#include "distribution/windows/frmpareto.h"

#include "buttonctl/lumbutton.h"
#include "common/nodata.h"
#include "demosession.h"
#include "variables/view/chartview.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QScrollBar>
#include <QtTest>

using namespace moldrin;

namespace
{

using Session = moldrin::test::DemoSession<frmPareto>;

QList<ChartPoint> Points(const ChartModel& chart, int series)
{
    QList<ChartPoint> out;
    for (const ChartPoint& p : chart.series[series].points)
        out << p;
    return out;
}

bool SamePoints(const QList<ChartPoint>& a, const QList<ChartPoint>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].label != b[i].label)
            return false;
    return true;
}

} // namespace

class FrmParetoTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ranksEveryParameterWithTitlesAndCount()
    {
        Session s;
        QVERIFY(s.load());
        frmPareto& w = s.open();
        QCOMPARE(w.objectName(), QStringLiteral("frmPareto"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Pareto Chart"));
        QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxPareto"));
        QVERIFY(s.prompt.messages.isEmpty());
        const ChartModel& chart = w.chart();
        QCOMPARE(chart.series[kParetoSeriesData].count(), 8);
        QCOMPARE(chart.series[kParetoSeriesPercent].count(), 8);
        QCOMPARE(chart.series[kParetoSeriesPercent].points.back().y, 100.0);
        for (int i = 1; i < 8; ++i)
            QVERIFY(chart.series[kParetoSeriesData].points.y(i) <= chart.series[kParetoSeriesData].points.y(i - 1));
        QVERIFY(chart.series[kParetoSeriesData].points.label(0).startsWith("Efficiency\r("));
        QCOMPARE(chart.header, (QStringList { "Pareto Chart", "PSU-100, Range <All>" }));
        QCOMPARE(chart.subFooter, QStringList { "Test parameter" });
        QVERIFY(!chart.left.automatic);
        QCOMPARE(chart.left.maximum, 105.0);
        QCOMPARE(chart.left.increment, 10.0);
        QCOMPARE(w.ui.lblSPCParameter->text(), QStringLiteral("Total:"));
        QCOMPARE(w.ui.lblSPCParameter1->text(), QStringLiteral("300"));
        QCOMPARE(w.ui.lblAdjustBarWidth->text(), QStringLiteral("Adjust Bar Width"));
        // No read-out and no axis buttons on this window.
        QVERIFY(!w.lblXYValue->isVisibleTo(&w));
        QVERIFY(!w.imgChartLeft);
        // The ranking leaves the display names in list order.
        QCOMPARE(s.state.gParamName.first(), QStringLiteral("Output voltage 5V"));
    }

    void refreshTwiceShowsTheSameChart()
    {
        Session s;
        QVERIFY(s.load());
        frmPareto& w = s.open();
        const QList<ChartPoint> bars = Points(w.chart(), kParetoSeriesData);
        const QList<ChartPoint> line = Points(w.chart(), kParetoSeriesPercent);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.chartView()->pointAxis()->setRange(0, 3);
        for (int i = 0; i < 2; ++i) {
            w.cmdRefresh->Click();
            QVERIFY(SamePoints(Points(w.chart(), kParetoSeriesData), bars));
            QVERIFY(SamePoints(Points(w.chart(), kParetoSeriesPercent), line));
            QCOMPARE(w.chart().subFooter, QStringList { "Test parameter" });
            QCOMPARE(w.chartView()->pointAxis()->range().lower, -0.5);
            QCOMPARE(w.ui.lblSPCParameter1->text(), QStringLiteral("300"));
        }
        QVERIFY(s.prompt.messages.isEmpty());
    }

    void barWidthFollowsTheScrollBarAndIsKept()
    {
        Session s;
        QVERIFY(s.load());
        s.state.gParetoBarWidth = 40;
        frmPareto& w = s.open();
        QScrollBar* scroll = w.ui.sclChangeBarWidth;
        QCOMPARE(scroll->value(), 40);
        QCOMPARE(w.chart().series[kParetoSeriesData].barWidthPercent, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        scroll->setValue(90);
        QCOMPARE(w.chart().series[kParetoSeriesData].barWidthPercent, 90);
        QCOMPARE(s.state.gParetoBarWidth, 90);
        auto* drawn = qobject_cast<QCPBars*>(w.chartView()->plottable(0));
        QVERIFY(drawn);
        QCOMPARE(drawn->width(), 0.9);
        w.cmdRefresh->Click();
        QCOMPARE(scroll->value(), 90);
        QCOMPARE(w.chart().series[kParetoSeriesData].barWidthPercent, 90);
        scroll->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(s.state.gParetoBarWidth, 100);
        scroll->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(s.state.gParetoBarWidth, 1);
        s.close();

        // A stored width beyond the scroll bar's range draws the widest bars it allows.
        s.state.gParetoBarWidth = 250;
        frmPareto& wide = s.open();
        QCOMPARE(wide.ui.sclChangeBarWidth->value(), 100);
        QCOMPARE(wide.chart().series[kParetoSeriesData].barWidthPercent, 100);
    }

    void xTitleComesFromTheConfigurationFolder()
    {
        Session s;
        QVERIFY(s.load());
        QVERIFY(s.editProducts("ParetoTitleX=Test parameter\r\n\r\n[PSU-100 Spec]",
            "ParetoTitleX=Measured quantity\r\n\r\n[PSU-100 Spec]"));
        QCOMPARE(s.open().chart().subFooter, QStringList { "Measured quantity" });
        s.close();
        QVERIFY(s.editProducts("ParetoTitleX=Measured quantity", "; no title"));
        QCOMPARE(s.open().chart().subFooter, QStringList { QString() });
    }

    void noDataShowsTheMessageAndTheCount()
    {
        Session s;
        QVERIFY(s.load());
        s.selection.serialFilter = QStringLiteral("no such unit");
        frmPareto& w = s.open();
        QCOMPARE(s.prompt.texts(), QStringList { kNoDataCollection });
        QCOMPARE(w.chart().series[kParetoSeriesData].count(), 0);
        QCOMPARE(w.ui.lblSPCParameter1->text(), QStringLiteral("0"));
    }

    void neighbouringBottomLabelsStayApart()
    {
        Session s;
        QVERIFY(s.load());
        frmPareto& w = s.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const ChartSeries& bars = w.chart().series[kParetoSeriesData];
        auto check = [&](ChartView* view, bool smallerFont) {
            QCoreApplication::processEvents(); // a resize of the window reaches the view
            view->replot();
            QCPAxis* axis = view->pointAxis();
            const QVector<double> ticks = axis->tickVector();
            const QVector<QString> labels = axis->tickVectorLabels();
            QCOMPARE(ticks.size(), 8);
            const QFontMetricsF fm(axis->tickLabelFont());
            auto halfWidth = [&](const QString& label) {
                double widest = 0;
                for (const QString& line : label.split('\n'))
                    widest = std::max(widest, fm.horizontalAdvance(line));
                return widest / 2;
            };
            for (int i = 1; i < ticks.size(); ++i) {
                const double gap = axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]);
                QVERIFY2(gap - halfWidth(labels[i - 1]) - halfWidth(labels[i]) >= 4,
                    qPrintable(labels[i - 1] + " | " + labels[i]));
            }
            // A label is only broken at its blanks: every word of the name and the sum is kept.
            for (int i = 0; i < ticks.size(); ++i)
                QCOMPARE(QString(labels[i]).replace('\n', ' '), bars.points.label(i).replace('\r', ' '));
            QVERIFY(labels.join(' ').count('\n') > bars.count()); // some names did need two lines
            // Only where a word alone is wider than the room do the labels get a smaller font.
            QCOMPARE(axis->tickLabelFont().pointSizeF() < view->font().pointSizeF(), smallerFont);
        };
        check(w.chartView(), false);
        w.resize(880, 640);
        check(w.chartView(), false);
        // The same chart as narrow as a small report picture.
        ChartView narrow;
        narrow.resize(560, 400);
        narrow.render(w.chart());
        check(&narrow, true);
    }

    // 498 parameters: more labels than the axis has room for at any size. Every label drawn is its bar's, they
    // are evenly thinned out, and none overlaps its neighbour.
    void manyParametersThinTheLabelsToWhatFits()
    {
        ChartModel chart = BuildParetoChartTemplate();
        ChartSeries& bars = chart.series[kParetoSeriesData];
        for (int i = 0; i < 498; ++i)
            bars.add(100.0 / 498, QStringLiteral("Parameter %1\r(%2)").arg(i + 1).arg(498 - i));
        ChartView view;
        view.resize(1040, 640);
        view.render(chart);
        view.replot();
        QCPAxis* axis = view.pointAxis();
        const QVector<double> ticks = axis->tickVector();
        const QVector<QString> labels = axis->tickVectorLabels();
        QVERIFY(ticks.size() > 5);
        QVERIFY(ticks.size() < 100);
        const QFontMetricsF fm(axis->tickLabelFont());
        double right = -1e9;
        for (int i = 0; i < ticks.size(); ++i) {
            const int bar = int(ticks[i]);
            QCOMPARE(ticks[i], double(bar));
            QCOMPARE(QString(labels[i]).replace('\n', ' '), bars.points.label(bar).replace('\r', ' '));
            if (i > 0)
                QCOMPARE(bar - int(ticks[i - 1]), int(ticks[1] - ticks[0]));
            double width = 0;
            for (const QString& line : labels[i].split('\n'))
                width = std::max(width, fm.horizontalAdvance(line));
            const double centre = axis->coordToPixel(ticks[i]);
            QVERIFY2(centre - width / 2 > right, qPrintable(labels[i]));
            right = centre + width / 2;
        }
    }

    // A Spec section without its end marker keeps the parameters read before it; the Pareto chart ranks
    // those, and says nothing beyond the configuration's own message.
    void aSpecWithoutItsEndMarkerRanksTheParametersRead()
    {
        Session s;
        QVERIFY(s.load());
        QVERIFY(s.editProducts("9=<EOT>", "; no end"));
        data::LoadProductSpec(s.state, s.prompt, s.lists, QStringLiteral("PSU-100"));
        QCOMPARE(s.prompt.texts(), QStringList { "Can't reach to End Of Test <EOT> record!" });
        QVERIFY(s.state.gParamColumn.size() > 8); // the tables keep their empty slots
        frmPareto& w = s.open();
        QCOMPARE(s.prompt.messages.size(), 1);
        QCOMPARE(w.chart().series[kParetoSeriesData].count(), 8);
        QCOMPARE(w.chart().series[kParetoSeriesPercent].points.back().y, 100.0);
    }
};

QTEST_MAIN(FrmParetoTest)
#include "frmpareto_test.moc"
