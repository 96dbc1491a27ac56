// The p, np, c and u chart windows on an SQLite table: loading, settings, zones and marks, buttons, failures.
#include "attributes/windows/frmattributechart.h"

#include "attributedb.h"
#include "buttonctl/lumbutton.h"
#include "common/numberformat.h"
#include "output/windows/imagebutton.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace moldrin;
using moldrin::test::AttributeDatabase;
using moldrin::test::Lot;

namespace
{

// Lots with a run above the centre and a bad lot, so zones bring rule marks.
QList<Lot> MarkedLots()
{
    QList<Lot> lots;
    for (int i = 0; i < 30; ++i) {
        Lot l;
        l.defectives = (i % 4) + (i >= 10 && i < 20 ? 3 : 0) + (i == 25 ? 12 : 0);
        l.inspected = i % 3 ? 50 : 60;
        l.rejects = std::min(50.0, l.defectives);
        l.defects = l.defectives;
        l.units = 1 + i % 4;
        l.scratches = l.defectives;
        lots << l;
    }
    return lots;
}

struct Session {
    AttributeDatabase db;
    ScriptedPrompt prompt;
    data::PlotSelection selection;
    std::unique_ptr<frmAttributeChart> window;

    explicit Session(const QList<Lot>& lots = MarkedLots())
    {
        if (!db.open(lots))
            qWarning("no database");
        selection.product = QStringLiteral("PSU-100");
        selection.range = QStringLiteral("All");
    }
    frmAttributeChart& open(AttributeKind kind)
    {
        window = std::make_unique<frmAttributeChart>(db.state, prompt, selection, kind);
        window->resize(1000, 620);
        window->Form_Load();
        return *window;
    }
    void close()
    {
        window->close();
        window.reset();
    }
};

template <class T> T* Child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

int Points(const ChartModel& chart, int series)
{
    const ChartSeries* s = chart.seriesAt(series);
    return s ? s->count() : -1;
}

} // namespace

class FrmAttributeChartTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheDefaultsAndItsControls()
    {
        Session s;
        frmAttributeChart& w = s.open(AttributeKind::P);
        QCOMPARE(w.objectName(), QStringLiteral("frmP_Chart"));
        QCOMPARE(w.windowTitle(), QStringLiteral("p Chart"));
        QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxP_Chart"));
        QCOMPARE(w.chart().left.labelFormat, QStringLiteral("#,##0.00"));
        QCOMPARE(w.chart().left.labelSize, 38);
        QVERIFY(w.ui.chkShowGrid->isChecked());
        QVERIFY(w.chart().left.gridVisible);
        QVERIFY(!w.ui.chkShowZoneABC->isChecked());
        QCOMPARE(w.ui.chkShowZoneABC->text(), QStringLiteral("Show Zones"));
        QCOMPARE(w.ui.chkShowGrid->text(), QStringLiteral("Show Grid Line"));
        QVERIFY(s.prompt.messages.isEmpty());
        QCOMPARE(w.chart().seriesCount(), kAttrTemplateSeriesCount);
        QCOMPARE(Points(w.chart(), kAttrData), 30);
        QCOMPARE(Points(w.chart(), kAttrUpArrow), 0);
        QCOMPARE(w.chart().header, (QStringList { "p Chart", "PSU-100, Range <All>" }));
        QCOMPARE(w.ui.lblSPCParameter->text(), QStringLiteral("p-Bar:\r\nTested:\r\nNonconf.:\r\nYield(%):"));
        QCOMPARE(w.ui.lblSPCParameter1->text(), w.lastOutcome().result.ValueText());
        for (const char* name : { "imgLeft", "imgRight" })
            QCOMPARE(Child<ImageButton>(w, name)->toolTip(), QStringLiteral("Adjust decimal places"));
        QVERIFY(Child<ImageButton>(w, "imgChartLeft"));
        QVERIFY(!Child<QTimer>(w, "tmrRuleFlash")->isActive());
    }

    void zonesQueryAgainAndBlinkTheirMarks()
    {
        Session s;
        frmAttributeChart& w = s.open(AttributeKind::P);
        QVERIFY(s.db.insert(Lot {}, 30)); // written after the window opened
        w.ui.chkShowZoneABC->setChecked(true);
        QCOMPARE(w.lastOutcome().records, 31);
        QCOMPARE(w.chart().seriesCount(), 11);
        for (int z = 7; z <= 10; ++z)
            QCOMPARE(Points(w.chart(), z), 32);
        QVERIFY(Points(w.chart(), kAttrUpArrow) > 0);
        QTimer* timer = Child<QTimer>(w, "tmrRuleFlash");
        QVERIFY(timer->isActive());
        w.tmrRuleFlash_Timer();
        QVERIFY(!w.chart().series[kAttrUpArrow].marks.visible);
        QVERIFY(!w.chart().series[kAttrDownArrow].marks.visible);
        QVERIFY(w.chart().series[kAttrUCL].marks.visible);
        w.tmrRuleFlash_Timer();
        QVERIFY(w.chart().series[kAttrUpArrow].marks.visible);

        // The marks' labels are drawn inside the chart, apart from each other.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.chartView()->replot();
        int ruleLabels = 0;
        const QList<ChartView::PlacedLabel> placed = w.chartView()->placedLabels();
        for (int i = 0; i < placed.size(); ++i) {
            ruleLabels += placed[i].ruleMark ? 1 : 0;
            QVERIFY(placed[i].band.adjusted(-0.01, -0.01, 0.01, 0.01).contains(placed[i].rect));
            for (int j = i + 1; j < placed.size(); ++j)
                QVERIFY(!placed[i].rect.intersects(placed[j].rect) || (!placed[i].ruleMark && !placed[j].ruleMark));
        }
        QVERIFY(ruleLabels > 0);

        w.ui.chkShowZoneABC->setChecked(false);
        QCOMPARE(w.chart().seriesCount(), kAttrTemplateSeriesCount);
        QCOMPARE(Points(w.chart(), kAttrUpArrow), 0);
        QCOMPARE(Points(w.chart(), kAttrDownArrow), 0);

        // With blinking off in the set-up, marks appear and stay steady.
        s.db.state.gRulesBlinkEnable = false;
        w.ui.chkShowZoneABC->setChecked(true);
        QVERIFY(Points(w.chart(), kAttrUpArrow) > 0);
        QVERIFY(!timer->isActive());
    }

    void settingsComeBackAfterClosing()
    {
        Session s;
        {
            frmAttributeChart& w = s.open(AttributeKind::U);
            w.ui.chkShowGrid->setChecked(false);
            QVERIFY(!w.chart().left.gridVisible);
            w.ui.chkShowZoneABC->setChecked(true);
            Child<LumButton>(w, "cmdClose")->Click();
            QVERIFY(!w.isVisible());
        }
        const SettingsStore& store = s.db.state.registry;
        QCOMPARE(store.read("ShowGridU_Chart"), QStringLiteral("0"));
        QCOMPARE(store.read("ShowABCZoneU_Chart"), QStringLiteral("1"));

        frmAttributeChart& again = s.open(AttributeKind::U);
        QVERIFY(!again.ui.chkShowGrid->isChecked());
        QVERIFY(!again.chart().left.gridVisible);
        QVERIFY(again.ui.chkShowZoneABC->isChecked());
        QCOMPARE(again.chart().seriesCount(), 11); // the first plot already has its zones
        QCOMPARE(again.lastOutcome().records, 30);
        s.close();

        // The other windows keep their own values; the c chart's axis title comes from the configuration.
        frmAttributeChart& c = s.open(AttributeKind::C);
        QVERIFY(c.ui.chkShowGrid->isChecked());
        QCOMPARE(c.chart().left.title, QStringLiteral("Y Title"));
        s.close();
        s.db.state.gCChartYAxisTitle = QStringLiteral("Scratches per panel");
        QCOMPARE(s.open(AttributeKind::C).chart().left.title, QStringLiteral("Scratches per panel"));
    }

    void refreshAfterAFailedNpCheck()
    {
        QList<Lot> lots = MarkedLots();
        lots[4].sampled = 40;
        Session s(lots);
        frmAttributeChart& w = s.open(AttributeKind::NP);
        QCOMPARE(s.prompt.texts(), QStringList { "Found sub-groups size in not same!. " });
        QCOMPARE(Points(w.chart(), kAttrData), 0);
        QCOMPARE(Points(w.chart(), kAttrUCL), 0);
        QVERIFY(w.ui.lblSPCParameter1->text().isEmpty());

        QVERIFY(s.db.exec("UPDATE Lots SET Sampled = 50"));
        w.cmdRefresh_Click();
        QCOMPARE(s.prompt.messages.size(), 1);
        QCOMPARE(Points(w.chart(), kAttrData), 30);
        QCOMPARE(Points(w.chart(), kAttrUCL), 2);
        QVERIFY(w.ui.lblSPCParameter1->text().endsWith("\r\n"));
        // Refresh draws the same chart again, not twice over.
        w.cmdRefresh_Click();
        QCOMPARE(Points(w.chart(), kAttrData), 30);

        // A check that fails after a plot leaves no figures of that plot beside the empty chart.
        QVERIFY(s.db.exec("UPDATE Lots SET Rejects = 51 WHERE rowid = 7"));
        w.cmdRefresh_Click();
        QCOMPARE(s.prompt.texts().last(), QStringLiteral("Found nonconformity number greater than sub-groups size!. "));
        QCOMPARE(Points(w.chart(), kAttrData), 0);
        QVERIFY(w.ui.lblSPCParameter->text().isEmpty());
        QVERIFY(w.ui.lblSPCParameter1->text().isEmpty());
    }

    void aRefusedPRowClearsThePanel()
    {
        Session s;
        frmAttributeChart& w = s.open(AttributeKind::P);
        QVERIFY(!w.ui.lblSPCParameter1->text().isEmpty());
        QVERIFY(s.db.exec("UPDATE Lots SET Defectives = 75 WHERE Inspected = 50"));
        w.cmdRefresh_Click();
        QCOMPARE(
            s.prompt.texts(), QStringList { "Sub-group 2 has more nonconforming units (75) than units tested (50)!" });
        QCOMPARE(Points(w.chart(), kAttrData), 0);
        QVERIFY(w.ui.lblSPCParameter1->text().isEmpty());
    }

    void textForACountIsSkippedAndTold()
    {
        Session s;
        frmAttributeChart& w = s.open(AttributeKind::U);
        QVERIFY(w.lblSkipped->isHidden());
        QVERIFY(s.db.exec("UPDATE Lots SET Units = 'n/a' WHERE rowid IN (3, 4)"));
        w.cmdRefresh_Click();
        QVERIFY(s.prompt.messages.isEmpty());
        QCOMPARE(Points(w.chart(), kAttrData), 28);
        QCOMPARE(w.lblSkipped->text(), QStringLiteral("Skipped, not a number: 2"));
        QVERIFY(!w.lblSkipped->isHidden());
    }

    // Laney's p' on lots of thousands that vary between themselves: the box draws the widened limits at
    // once, with fewer lots beyond them; it is kept, and offered on the p and u windows only.
    void laneyWidensTheLimitsAndIsKept()
    {
        QList<Lot> lots;
        for (int i = 0; i < 30; ++i) {
            Lot l;
            l.inspected = 20000;
            l.defectives = 300 + 40 * ((i * 7) % 10) + (i == 17 ? 900 : 0);
            l.units = 200;
            l.defects = l.defectives / 10;
            lots << l;
        }
        Session s(lots);
        {
            frmAttributeChart& w = s.open(AttributeKind::P);
            QVERIFY(w.ui.chkLaney->isVisibleTo(&w));
            QVERIFY(!w.ui.chkLaney->isChecked());
            w.ui.chkShowZoneABC->setChecked(true);
            const int plainMarks = Points(w.chart(), kAttrUpArrow) + Points(w.chart(), kAttrDownArrow);
            const double plainUcl = w.chart().series[kAttrUCL].points.y(0);
            w.ui.chkLaney->setChecked(true);
            QVERIFY(w.lastOutcome().result.laney);
            QCOMPARE(w.chart().header.value(0), QString::fromUtf8("Laney p\u2032 Chart"));
            QVERIFY(w.ui.lblSPCParameter->text().endsWith("\r\nSigma z:"));
            QVERIFY(w.chart().series[kAttrUCL].points.y(0) > plainUcl);
            const int laneyMarks = Points(w.chart(), kAttrUpArrow) + Points(w.chart(), kAttrDownArrow);
            QVERIFY2(laneyMarks > 0 && laneyMarks < plainMarks,
                qPrintable(QStringLiteral("%1 of %2").arg(laneyMarks).arg(plainMarks)));
            s.close();
        }
        QCOMPARE(s.db.state.registry.read("LaneyP_Chart"), QStringLiteral("1"));
        frmAttributeChart& again = s.open(AttributeKind::P);
        QVERIFY(again.ui.chkLaney->isChecked());
        QVERIFY(again.lastOutcome().result.laney);
        s.close();
        QVERIFY(s.open(AttributeKind::U).ui.chkLaney->isVisibleTo(s.window.get()));
        QVERIFY(!s.window->lastOutcome().result.laney); // the u window keeps its own choice
        s.close();
        for (AttributeKind kind : { AttributeKind::NP, AttributeKind::C }) {
            frmAttributeChart& w = s.open(kind);
            QVERIFY(!w.ui.chkLaney->isVisibleTo(&w));
            s.close();
        }
        QCOMPARE(s.db.state.registry.read("LaneyNP_Chart"), QString());
    }
};

QTEST_MAIN(FrmAttributeChartTest)
#include "frmattributechart_test.moc"
