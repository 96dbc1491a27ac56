// The EWMA and CUSUM windows on a generated demo database, offscreen: their names, the settings kept between
// openings, a changed setting drawn at once, the marks and their blinking, and nothing to draw.
#include "timeweighted/windows/frmtimeweightedchart.h"

#include "common/nodata.h"
#include "demosession.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace moldrin;

namespace
{

template <TimeWeightedKind Kind> struct Window : frmTimeWeightedChart {
    Window(AppState& state, Prompt& prompt, data::PlotSelection selection)
        : frmTimeWeightedChart(state, prompt, std::move(selection), Kind)
    {
    }
};
using EwmaWindow = Window<TimeWeightedKind::Ewma>;
using CusumWindow = Window<TimeWeightedKind::Cusum>;

template <class W> bool Load(test::DemoSession<W>& s)
{
    const bool loaded = s.load();
    s.selection.parameterItem = s.lists.parameterList.value(0);
    s.selection.chartType = kChartXBarR;
    return loaded;
}

QString PanelValue(const TimeWeightedOutcome& out, const QString& caption)
{
    for (const PanelLine& l : out.result.panel)
        if (l.caption == caption)
            return l.value;
    return QStringLiteral("<none>");
}

} // namespace

class FrmTimeWeightedChartTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void namesAndTheDemosDriftMarked()
    {
        test::DemoSession<EwmaWindow> s;
        QVERIFY(Load(s));
        EwmaWindow& w = s.open();
        QCOMPARE(w.objectName(), QStringLiteral("frmEWMA_Chart"));
        QCOMPARE(w.windowTitle(), QStringLiteral("EWMA Chart"));
        QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxEWMA_Chart"));
        QCOMPARE(w.chart().left.labelFormat, QStringLiteral("#,##0.0###")); // readings of any magnitude
        QVERIFY(w.ui.fraCusum->isHidden());
        QVERIFY(!w.ui.fraEwma->isHidden());
        QVERIFY(w.lastOutcome().plotted);
        QCOMPARE(w.lastOutcome().basis.targetFrom, QStringLiteral("nominal")); // 5.00 in the demo's Spec line
        QCOMPARE(w.lastOutcome().basis.target, 5.0);
        // The demo's late mean shift of the first parameter is seen.
        QVERIFY(!w.lastOutcome().result.marks.empty());
        QVERIFY(w.lastOutcome().result.marks.front().upper);
        QVERIFY(w.ui.lblSPCParameter->text().startsWith("Points:\r\nSize:\r\nTarget:"));
        QVERIFY(w.ui.lblSPCParameter1->text().contains("nominal\r\nR-bar/d2"));
        QVERIFY(s.prompt.messages.isEmpty());
    }

    // The marks' labels blink as the rule marks do; with blinking switched off they stay.
    void marksBlink()
    {
        test::DemoSession<CusumWindow> s;
        QVERIFY(Load(s));
        CusumWindow& w = s.open();
        QVERIFY(w.lastOutcome().marksPlaced);
        QVERIFY(w.tmrRuleFlash->isActive());
        const TimeWeightedLayout& at = LayoutOf(TimeWeightedKind::Cusum);
        ChartSeries& up = w.chart().series[at.upArrow];
        QVERIFY(up.count() > 0);
        QVERIFY(up.marks.visible);
        w.tmrRuleFlash_Timer();
        QVERIFY(!up.marks.visible);
        QCOMPARE(w.chart().series[at.downArrow].marks.visible, false);
        // A redraw shows them again.
        w.cmdRefresh_Click();
        QVERIFY(w.chart().series[at.upArrow].marks.visible);
        s.close();

        s.state.gRulesBlinkEnable = false;
        CusumWindow& still = s.open();
        QVERIFY(still.lastOutcome().marksPlaced);
        QVERIFY(!still.tmrRuleFlash->isActive());
    }

    // Each window keeps its two settings under its own names; a changed setting is drawn at once; a stored
    // value that is no number or lies outside the box's range gives the default.
    void settingsKeptAndDrawnAtOnce()
    {
        test::DemoSession<EwmaWindow> s;
        QVERIFY(Load(s));
        {
            EwmaWindow& w = s.open();
            QCOMPARE(w.ui.txtLambda->value(), 0.2);
            QCOMPARE(w.ui.txtWidthL->value(), 3.0);
            QCOMPARE(PanelValue(w.lastOutcome(), "Lambda:"), QStringLiteral("0.2"));
            w.ui.txtLambda->setValue(0.1);
            QCOMPARE(PanelValue(w.lastOutcome(), "Lambda:"), QStringLiteral("0.1"));
            w.ui.txtWidthL->setValue(2.7);
            QCOMPARE(PanelValue(w.lastOutcome(), "L:"), QStringLiteral("2.7"));
            w.ui.chkShowGrid->setChecked(false);
            s.close();
        }
        QCOMPARE(s.state.registry.read("EWMA_Lambda"), QStringLiteral("0.1"));
        QCOMPARE(s.state.registry.read("EWMA_L"), QStringLiteral("2.7"));
        QCOMPARE(s.state.registry.read("ShowGridEWMA_Chart"), QStringLiteral("0"));
        {
            EwmaWindow& w = s.open();
            QCOMPARE(w.ui.txtLambda->value(), 0.1);
            QCOMPARE(w.CurrentSettings().widthL, 2.7);
            QCOMPARE(PanelValue(w.lastOutcome(), "Lambda:"), QStringLiteral("0.1"));
            QVERIFY(!w.chart().left.gridVisible);
            s.close();
        }
        s.state.registry.write("EWMA_Lambda", "abc");
        s.state.registry.write("EWMA_L", "7");
        {
            EwmaWindow& w = s.open();
            QCOMPARE(w.ui.txtLambda->value(), 0.2);
            QCOMPARE(w.ui.txtWidthL->value(), 3.0);
            s.close();
        }

        test::DemoSession<CusumWindow> c;
        QVERIFY(Load(c));
        c.state.registry.write("CUSUM_K", "1");
        CusumWindow& w = c.open();
        QVERIFY(w.ui.fraEwma->isHidden());
        QCOMPARE(w.ui.txtK->value(), 1.0);
        QCOMPARE(w.ui.txtH->value(), 5.0);
        QCOMPARE(PanelValue(w.lastOutcome(), "k:"), QStringLiteral("1"));
        w.ui.txtH->setValue(4);
        QCOMPARE(PanelValue(w.lastOutcome(), "h:"), QStringLiteral("4"));
        c.close();
        QCOMPARE(c.state.registry.read("CUSUM_H"), QStringLiteral("4"));
        QCOMPARE(c.state.registry.read("EWMA_L"), QString());
    }

    // A selection with nothing to draw says so, and leaves no figures of an earlier plot and no blinking.
    void nothingToDraw()
    {
        test::DemoSession<EwmaWindow> s;
        QVERIFY(Load(s));
        EwmaWindow& w = s.open();
        QVERIFY(w.tmrRuleFlash->isActive());
        s.prompt.messages.clear();
        s.state.gParamColumn[0] = QStringLiteral("NO_SUCH_COLUMN");
        w.cmdRefresh_Click();
        QCOMPARE(s.prompt.messages.size(), 1);
        QVERIFY(w.ui.lblSPCParameter1->text().isEmpty());
        QVERIFY(!w.tmrRuleFlash->isActive());
        QCOMPARE(w.chart().series[0].count(), 0);
        s.close();

        s.state.gParamColumn[0] = QStringLiteral("VOUT_5V");
        s.selection.tester = QStringLiteral("NO-SUCH-TESTER");
        s.prompt.messages.clear();
        s.open();
        QCOMPARE(s.prompt.texts(), QStringList { kNoDataCollection });
    }
};

QTEST_MAIN(FrmTimeWeightedChartTest)
#include "frmtimeweightedchart_test.moc"
