// A page of a million readings with zones stays within memory: the window's Zoom In down to one page.
// A test executable of its own, so that the peak it reads is this case's.
#include "variables/view/chartview.h"

#include "markedcharts.h"
#include "sanitizer.h"

#include <QFile>
#include <QtTest>

using namespace moldrin;
using namespace moldrin::test;

namespace
{

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS"); -1 where there is none.
long StatusKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

class ChartViewMemoryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zoomingAMillionReadingsWithZonesOntoOnePage()
    {
        if (StatusKiB("VmHWM") < 0)
            QSKIP("no /proc/self/status");
        ChartModel chart = MarkedIndividualChart(ReadingsWithFindings(1000000));
        int marks = 0;
        for (const ChartSeries& s : chart.series)
            marks += s.marks.ruleMarks ? s.count() : 0;
        QVERIFY(marks > 50000);
        const long before = StatusKiB("VmHWM");

        // Eight clicks of Zoom In from 80 points a page, the last showing every point, then its blinking.
        ChartView view;
        view.resize(1200, 800);
        for (int points = 80; points >= 0; points -= 10) {
            chart.maxPointsPerPage = points;
            chart.setPage(1);
            view.render(chart);
            view.replot();
        }
        QCOMPARE(view.shownPoints(), std::make_pair(0, 999999));
        int labelled = 0;
        for (const ChartView::PlacedLabel& l : view.placedLabels())
            labelled += l.ruleMark ? l.marks : 0;
        QCOMPARE(labelled, marks);
        for (int tick = 0; tick < 4; ++tick) {
            ToggleRuleMarkLabels(chart);
            view.refreshLabels(chart);
            view.replot();
        }

        // The chart and its rule marks hold about 130 MB; the view of every point (its graphs keep 16 bytes a
        // point) and the labels stay under 200 MB more.
        const long peak = StatusKiB("VmHWM");
        qInfo("%d rule marks; peak %ld MiB, %ld MiB before the view", marks, peak / 1024, before / 1024);
        if (kAddressSanitizer)
            QSKIP("the address sanitizer's shadow memory and quarantine count in the peak: the bound holds for "
                  "the program as built for use");
        QVERIFY2(peak - before < 200 * 1024, qPrintable(QString::number((peak - before) / 1024)));
    }
};

QTEST_MAIN(ChartViewMemoryTest)
#include "chartview_memory_test.moc"
