// The scatter window on a generated demo database: template and titles, the sample-number link, Refresh,
// the settings and the image buttons, failures.
#include "distribution/windows/frmscatter.h"

#include "buttonctl/lumbutton.h"
#include "common/nodata.h"
#include "demosession.h"
#include "output/windows/imagebutton.h"
#include "variables/view/chartview.h"

#include <QEnterEvent>
#include <QLabel>
#include <QtTest>

using namespace moldrin;

namespace
{

using Session = moldrin::test::DemoSession<frmScatter>;

// The demo's two output voltages, X and Y.
void Voltages(frmScatter& w)
{
    w.mlngXParameter = 0;
    w.mlngYParameter = 1;
}

int Points(const ChartModel& chart, int series)
{
    return chart.series[series].count();
}

ImageButton* Button(QWidget& w, const char* name)
{
    return w.findChild<ImageButton*>(QString::fromLatin1(name));
}

} // namespace

class FrmScatterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void drawsTheTwoParametersWithTitlesAndPanel()
    {
        Session s;
        QVERIFY(s.load());
        frmScatter& w = s.open(Voltages);
        QCOMPARE(w.objectName(), QStringLiteral("frmScatter"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Regression Chart"));
        QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxScatter"));
        QVERIFY(s.prompt.messages.isEmpty());
        QCOMPARE(Points(w.chart(), kScatterSeriesData), 300);
        QCOMPARE(w.chart().series[kScatterSeriesData].points.label(299), QStringLiteral("300"));
        QCOMPARE(Points(w.chart(), kScatterSeriesSlope), 2);
        QCOMPARE(w.chart().header, (QStringList { "Regression Chart", "PSU-100, Range <All>" }));
        QCOMPARE(w.chart().bottom.title, QStringLiteral("Output voltage 5V (V)"));
        QCOMPARE(w.chart().left.title, QStringLiteral("Output voltage 3.3V (V)"));
        QCOMPARE(w.chart().left.labelFormat, QStringLiteral("#,##0.00"));
        QCOMPARE(w.chart().bottom.labelFormat, QStringLiteral("#,##0.00"));
        QCOMPARE(w.chart().left.labelSize, 38);
        const QStringList captions = w.ui.lblSPCParameter->text().split("\r\n");
        QCOMPARE(captions.size(), 15);
        QCOMPARE(captions.first(), QStringLiteral("Total:"));
        QCOMPARE(captions.last(), QStringLiteral("Y Range:"));
        const QStringList values = w.ui.lblSPCParameter1->text().split("\r\n");
        QCOMPARE(values.size(), 15);
        QCOMPARE(values.first(), QStringLiteral("300"));
        QCOMPARE(values[5], QString());
        QCOMPARE(values, w.lastOutcome().result.panelValues);

        for (const char* name : { "imgLeftY", "imgRightY" })
            QCOMPARE(Button(w, name)->toolTip(), QStringLiteral("Adjust decimal places Y-Axis"));
        for (const char* name : { "imgLeftX", "imgRightX" })
            QCOMPARE(Button(w, name)->toolTip(), QStringLiteral("Adjust decimal places X-Axis"));

        // The read-out gives both axes' values under the pointer.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.chartView()->replot();
        w.chartView_MouseMove(w.chartView()->centreRect()->rect().center());
        QVERIFY(QRegularExpression("^X:[45]\\.\\d+ Y:3\\.\\d+$").match(w.lblXYValue->text()).hasMatch());
    }

    void sampleNumberLinkTogglesCaptionMarksAndFlag()
    {
        Session s;
        QVERIFY(s.load());
        s.state.gShowScatterSampleNumber = true;
        frmScatter& w = s.open(Voltages);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QLabel* link = w.ui.lblShowHideSampleNumber;
        const ChartSeries& data = w.chart().series[kScatterSeriesData];
        QCOMPARE(link->text(), QStringLiteral("Hide Sample Number"));
        QVERIFY(data.marks.visible);
        QCOMPARE(w.chartView()->labelTexts().size(), 300);

        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->text(), QStringLiteral("Show Sample Number"));
        QVERIFY(!data.marks.visible);
        QVERIFY(!s.state.gShowScatterSampleNumber);
        QVERIFY(w.chartView()->labelTexts().isEmpty());
        QTest::mouseClick(link, Qt::RightButton); // only the left button toggles
        QCOMPARE(link->text(), QStringLiteral("Show Sample Number"));

        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->text(), QStringLiteral("Hide Sample Number"));
        QVERIFY(data.marks.visible);
        QVERIFY(s.state.gShowScatterSampleNumber);
        QCOMPARE(w.chartView()->labelTexts().size(), 300);
        QCOMPARE(w.chartView()->labelTexts().first(), QStringLiteral("1"));

        // The pointer over the link underlines it; leaving it removes the underline.
        QVERIFY(!link->font().underline());
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(link, &enter);
        QVERIFY(link->font().underline());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link, &leave);
        QVERIFY(!link->font().underline());
        s.close();

        // The flag outlives the window: the next one starts with the numbers hidden.
        s.state.gShowScatterSampleNumber = false;
        frmScatter& again = s.open(Voltages);
        QCOMPARE(again.ui.lblShowHideSampleNumber->text(), QStringLiteral("Show Sample Number"));
        QVERIFY(!again.chart().series[kScatterSeriesData].marks.visible);
    }

    void theLinkSaysWhenThereAreTooManyPointsToNumber()
    {
        Session s;
        QVERIFY(s.load(800));
        s.state.gShowScatterSampleNumber = true;
        frmScatter& w = s.open(Voltages);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(Points(w.chart(), kScatterSeriesData) > ChartView::kMaxLabelledPoints);
        QLabel* link = w.ui.lblShowHideSampleNumber;
        QCOMPARE(link->text(), QStringLiteral("Hide Sample Number (none drawn above 500 points)"));
        QVERIFY(w.chartView()->labelTexts().isEmpty()); // what the link says
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(link->text(), QStringLiteral("Show Sample Number (none drawn above 500 points)"));
        QVERIFY(!s.state.gShowScatterSampleNumber);

        // One tester's fewer points: the plain caption, and the numbers are drawn.
        QTest::mouseClick(link, Qt::LeftButton);
        s.selection.tester = QStringLiteral("ATE-01");
        s.window.reset();
        frmScatter& fewer = s.open(Voltages);
        fewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fewer));
        QVERIFY(Points(fewer.chart(), kScatterSeriesData) <= ChartView::kMaxLabelledPoints);
        QCOMPARE(fewer.ui.lblShowHideSampleNumber->text(), QStringLiteral("Hide Sample Number"));
        QCOMPARE(fewer.chartView()->labelTexts().size(), Points(fewer.chart(), kScatterSeriesData));
    }

    void refreshDrawsTheSameChartAgain()
    {
        Session s;
        QVERIFY(s.load());
        frmScatter& w = s.open(Voltages);
        const QStringList header = w.chart().header;
        const QString panel = w.ui.lblSPCParameter1->text();
        const ChartSeries line = w.chart().series[kScatterSeriesSlope];
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.chartView()->pointAxis()->setRange(4.9, 5.0); // as a drag or the wheel does
        QVERIFY(w.chartView()->zoomed());
        for (int i = 0; i < 2; ++i) {
            w.cmdRefresh->Click();
            QCOMPARE(Points(w.chart(), kScatterSeriesData), 300);
            QCOMPARE(Points(w.chart(), kScatterSeriesSlope), 2);
            QCOMPARE(w.chart().header, header);
            QCOMPARE(w.chart().left.title, QStringLiteral("Output voltage 3.3V (V)"));
            QCOMPARE(w.ui.lblSPCParameter1->text(), panel);
            QCOMPARE(w.chart().series[kScatterSeriesSlope].points[1].y, line.points[1].y);
            QVERIFY(!w.chartView()->zoomed());
        }
        QVERIFY(s.prompt.messages.isEmpty());
    }

    void axisTitlesNameSourceAndUnit()
    {
        Session s;
        QVERIFY(s.load());
        s.state.gSpecField4[1] = QString(); // no unit for the Y parameter
        frmScatter& w = s.open([](frmScatter& f) {
            Voltages(f);
            f.mstrSourceX = QStringLiteral("ATE-01");
            f.mstrSourceY = QStringLiteral("ATE-02");
        });
        QCOMPARE(w.chart().bottom.title, QStringLiteral("Output voltage 5V ATE-01 (V)"));
        QCOMPARE(w.chart().left.title, QStringLiteral("Output voltage 3.3V ATE-02"));
        // Paired k-th with k-th up to the shorter of the two testers' results.
        QVERIFY(Points(w.chart(), kScatterSeriesData) > 50);
        QVERIFY(Points(w.chart(), kScatterSeriesData) < 100);
    }

    void failuresLeaveTheWindowUsable()
    {
        Session s;
        QVERIFY(s.load());
        s.selection.serialFilter = QStringLiteral("NO SUCH UNIT");
        frmScatter& w = s.open(Voltages);
        QCOMPARE(s.prompt.texts(), QStringList { kNoDataCollection });
        QCOMPARE(s.prompt.messages.first().icon, PromptIcon::Exclamation);
        QCOMPARE(Points(w.chart(), kScatterSeriesData), 0);
        QVERIFY(w.ui.lblSPCParameter1->text().isEmpty());
        s.close();

        // One unit: a single pair has no spread to divide by.
        s.prompt.clear();
        s.selection.serialFilter = QStringLiteral("PSU1000000007");
        frmScatter& one = s.open(Voltages);
        QCOMPARE(
            s.prompt.texts(), QStringList { "Only one pair of readings: a regression needs readings that differ!" });
        QCOMPARE(Points(one.chart(), kScatterSeriesData), 1);
        QCOMPARE(Points(one.chart(), kScatterSeriesSlope), 0);
        QVERIFY(one.ui.lblSPCParameter1->text().isEmpty());
    }
};

QTEST_MAIN(FrmScatterTest)
#include "frmscatter_test.moc"
