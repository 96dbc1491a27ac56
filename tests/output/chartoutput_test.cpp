// Tests of the output core: stamps, filter lines, the window rows, the remembered printer and the pages of
// a print by mode.
#include "output/chartoutput.h"
#include "variables/variableschart.h"

#include "qtprinters.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

const QString kTitle = QStringLiteral("PSU-100 - Vout");

// A plotted main chart of `points` subgroups, 80 a page, with the rule-mark clones of the variation chart
// as its last two series; its marks caught by the blink in the hidden phase.
ChartModel PlottedChart(int points)
{
    ChartModel c = BuildVariablesChartTemplate();
    ResetVariablesChart(c, QStringLiteral("X-Bar-R"), QString(), kTitle);
    for (int i = 0; i < points; ++i)
        c.series[kSeriesMedian].add(i % 7);
    c.series[kSeriesUpArrow].addXY(3, 9, QStringLiteral("R1+"));
    for (int up : { kSeriesUpArrow, kSeriesDownArrow })
        c.series[c.copySeries(up)].verticalAxis = VerticalAxis::Custom0;
    for (int s : { kSeriesUpArrow, kSeriesDownArrow, c.seriesCount() - 1, c.seriesCount() - 2 })
        c.series[s].marks.visible = false;
    WritePageChangeCaption(c, kTitle);
    return c;
}

// Records what each page showed; fails the page numbered failAt (from 0).
class RecordingSink : public PageSink
{
public:
    struct Page {
        QStringList header, footer;
        bool footerVisible = false;
        std::pair<int, int> points;
        bool marksShownOnGround = true; // every rule-mark series shown and not transparent
    };
    QList<Page> pages;
    int failAt = -1;

    bool PrintPage(const ChartModel& chart) override
    {
        if (pages.size() == failAt)
            return false;
        Page page { chart.header, chart.footer, chart.footerVisible, chart.pageRange() };
        const int n = chart.seriesCount();
        for (int s : { kSeriesUpArrow, kSeriesDownArrow, n - 1, n - 2 })
            page.marksShownOnGround &= chart.series[s].marks.visible && !chart.series[s].marks.transparent;
        pages << page;
        return true;
    }
    bool Finish() override { return true; }
    QString error() const override { return QStringLiteral("Out of paper"); }
};

// Month names as the tests write them.
class CLocale : public ::testing::Environment
{
public:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
};
const auto* const kCLocale = ::testing::AddGlobalTestEnvironment(new CLocale);

const QDateTime kAfternoon(QDate(2026, 3, 5), QTime(14, 7));
const QString kPrinted = QStringLiteral("Printed on: Mar 05, 2026 02:07 pm");

} // namespace

TEST(OutputTexts, StampsInTheDescribedFormats)
{
    EXPECT_EQ(ExportedOnText(kAfternoon, kShortStampFormat), "Exported on: Mar 05, 26 02:07 pm");
    EXPECT_EQ(ExportedOnText(kAfternoon, kLongStampFormat), "Exported on: Mar 05, 2026 02:07 pm");
    EXPECT_EQ(PrintedOnText(kAfternoon), kPrinted);
    EXPECT_EQ(PrintedOnText(QDateTime(QDate(2025, 12, 31), QTime(0, 30))), "Printed on: Dec 31, 2025 12:30 am");
    EXPECT_EQ(PrintedOnText(QDateTime(QDate(2025, 1, 1), QTime(12, 0))), "Printed on: Jan 01, 2025 12:00 pm");
}

TEST(OutputTexts, FilterLines)
{
    const MainChartFilters none { QStringLiteral("<All>"), QString(), QStringLiteral("<All>") };
    EXPECT_EQ(ExportFilterLine(none), "Test ID: <All>; S/N Filter: None; Tester Filter: None");
    EXPECT_EQ(PrintFilterLine(none), "Test ID: <All>; S/N Filter: none; Source Filter: none");
    const MainChartFilters set { QStringLiteral("FT1"), QStringLiteral("SN12*"), QStringLiteral("ATE-02") };
    EXPECT_EQ(ExportFilterLine(set), "Test ID: FT1; S/N Filter: SN12*; Tester Filter: ATE-02");
    EXPECT_EQ(PrintFilterLine(set), "Test ID: FT1; S/N Filter: SN12*; Source Filter: ATE-02");
}

TEST(OutputRows, EveryWindowsRow)
{
    const ChartOutputRow main = MainChartOutputRow();
    EXPECT_EQ(main.exportStampFormat, kLongStampFormat);
    EXPECT_EQ(main.printCaption, "Print X-Bar Chart");
    EXPECT_TRUE(main.pageOptions);
    const QList<std::pair<QString, QString>> captions { { "Histogram", "Print Histogram Chart" },
        { "Pareto", "Print Pareto Chart" }, { "Scatter", "Print Scatter Chart" }, { "P Chart", "Print P Chart" },
        { "NP Chart", "Print NP Chart" }, { "C Chart", "Print C Chart" }, { "U Chart", "Print U Chart" } };
    for (const auto& [kind, caption] : captions) {
        const ChartOutputRow row = ChartOutputRowFor(kind);
        EXPECT_EQ(row.printCaption, caption);
        EXPECT_EQ(row.exportStampFormat, kShortStampFormat);
        EXPECT_FALSE(row.pageOptions);
        EXPECT_EQ(row.margins.left, 5);
        EXPECT_EQ(row.margins.top, 5);
        EXPECT_EQ(row.margins.right, 5);
        EXPECT_EQ(row.margins.bottom, kind == "Pareto" ? 10 : 5) << kind.toStdString();
    }
    EXPECT_EQ(PrintModeOf(0), PrintMode::Compress);
    EXPECT_EQ(PrintModeOf(1), PrintMode::CurrentPage);
    EXPECT_EQ(PrintModeOf(2), PrintMode::AllPages);
    EXPECT_EQ(PrintModeOf(7), PrintMode::Compress);
}

TEST(DefaultPrinter, StoredUnderTheProgramKey)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings"));
    EXPECT_EQ(GetDefaultPrinter(store, "office-laser"), "office-laser");
    EXPECT_EQ(GetDefaultPrinter(store, QString()), "");
    ASSERT_TRUE(SaveDefaultPrinter(store, "lab-inkjet"));
    EXPECT_EQ(store.ReadRegistry("HKLM\\SOFTWARE\\Tolvane\\Moldrin\\Default Printer"), "lab-inkjet");
    EXPECT_EQ(store.read("Default Printer"), ""); // not under SaveConfig
    EXPECT_EQ(GetDefaultPrinter(SettingsStore(dir.filePath("settings")), "office-laser"), "lab-inkjet");
}

TEST(PrintPages, ChartWindowPageStampedAndFooterHiddenAfter)
{
    ChartModel chart = PlottedChart(10);
    chart.footer = QStringList { "Exported on: Jan 01, 25 09:00 am" };
    chart.footerVisible = false;
    RecordingSink sink;
    EXPECT_TRUE(PrintChartPage(chart, sink, kAfternoon));
    ASSERT_EQ(sink.pages.size(), 1);
    EXPECT_EQ(sink.pages[0].footer, QStringList { kPrinted });
    EXPECT_TRUE(sink.pages[0].footerVisible);
    EXPECT_FALSE(chart.footerVisible);
    EXPECT_EQ(chart.footer, QStringList { kPrinted }); // the text stays in the hidden footer
}

TEST(PrintPages, AllPagesEachStampedThenPageOne)
{
    ChartModel chart = PlottedChart(200);
    chart.nextPage();
    RecordingSink sink;
    const QString filters = QStringLiteral("Test ID: <All>; S/N Filter: none; Source Filter: none");
    EXPECT_TRUE(PrintMainChartPages(chart, PrintMode::AllPages, filters, kTitle, true, sink, kAfternoon));
    ASSERT_EQ(sink.pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto& page = sink.pages[i];
        const QString caption = kTitle + QStringLiteral(" Control Chart Page %1 of 3").arg(i + 1);
        EXPECT_EQ(page.header, (QStringList { caption, filters }));
        EXPECT_EQ(page.footer, (QStringList { kPrinted }));
        EXPECT_EQ(page.points, std::make_pair(i * 80, i * 80 + 79));
        EXPECT_TRUE(page.marksShownOnGround);
    }
    EXPECT_EQ(chart.currentPage(), 1);
    EXPECT_EQ(chart.header, QStringList { kTitle + " Control Chart Page 1 of 3" });
    EXPECT_TRUE(chart.footer.isEmpty());
    // The marks are transparent again, and shown: the blinking has stopped.
    const int n = chart.seriesCount();
    for (int s : { kSeriesUpArrow, kSeriesDownArrow, n - 1, n - 2 }) {
        EXPECT_TRUE(chart.series[s].marks.transparent) << s;
        EXPECT_TRUE(chart.series[s].marks.visible) << s;
    }
}

TEST(PrintPages, CurrentPageThenTheNextShown)
{
    ChartModel chart = PlottedChart(200);
    chart.nextPage();
    WritePageChangeCaption(chart, kTitle);
    RecordingSink sink;
    EXPECT_TRUE(PrintMainChartPages(chart, PrintMode::CurrentPage, "F", kTitle, false, sink, kAfternoon));
    ASSERT_EQ(sink.pages.size(), 1);
    EXPECT_EQ(sink.pages[0].points, std::make_pair(80, 159));
    EXPECT_EQ(sink.pages[0].header, (QStringList { kTitle + " Control Chart Page 2 of 3", "F" }));
    EXPECT_EQ(chart.currentPage(), 3);
    EXPECT_EQ(chart.header, QStringList { kTitle + " Control Chart Page 3 of 3" });
    // Without zones the marks keep their phase.
    EXPECT_FALSE(sink.pages[0].marksShownOnGround);

    // On the last page the chart stays there.
    sink.pages.clear();
    EXPECT_TRUE(PrintMainChartPages(chart, PrintMode::CurrentPage, "F", kTitle, false, sink, kAfternoon));
    EXPECT_EQ(sink.pages[0].points, std::make_pair(160, 239));
    EXPECT_EQ(chart.currentPage(), 3);
}

TEST(PrintPages, CompressPrintsEveryPointOnOnePage)
{
    ChartModel chart = PlottedChart(200);
    chart.nextPage();
    chart.nextPage();
    RecordingSink sink;
    EXPECT_TRUE(PrintMainChartPages(chart, PrintMode::Compress, "F", kTitle, false, sink, kAfternoon));
    ASSERT_EQ(sink.pages.size(), 1);
    EXPECT_EQ(sink.pages[0].points, std::make_pair(0, 199));
    EXPECT_EQ(sink.pages[0].header, (QStringList { kTitle + "  Chart Page: 1 of 1", "F" }));
    EXPECT_EQ(chart.maxPointsPerPage, kDefaultPointsPerPage);
    EXPECT_EQ(chart.currentPage(), 1);
    EXPECT_EQ(chart.header, QStringList { kTitle + " Control Chart Page 1 of 3" });
}

TEST(PrintPages, AFailedPageStopsAndRestoresThePaging)
{
    ChartModel chart = PlottedChart(200);
    RecordingSink sink;
    sink.failAt = 1;
    EXPECT_FALSE(PrintMainChartPages(chart, PrintMode::AllPages, "F", kTitle, true, sink, kAfternoon));
    EXPECT_EQ(sink.pages.size(), 1);
    EXPECT_EQ(chart.currentPage(), 1);
    EXPECT_TRUE(chart.footer.isEmpty());
    EXPECT_TRUE(chart.series[kSeriesUpArrow].marks.transparent);

    sink.pages.clear();
    sink.failAt = 0;
    EXPECT_FALSE(PrintMainChartPages(chart, PrintMode::Compress, "F", kTitle, false, sink, kAfternoon));
    EXPECT_EQ(chart.maxPointsPerPage, kDefaultPointsPerPage);
    EXPECT_EQ(chart.pageCount(), 3);
}

TEST(PrintPages, ArrowSeriesLastOfAllRestoredOnce)
{
    ChartModel chart = BuildVariablesChartTemplate();
    ResetVariablesChart(chart, QStringLiteral("X-Bar-R"), QString(), kTitle);
    for (int i = 0; i < 10; ++i)
        chart.series[kSeriesMedian].add(i);
    RecordingSink sink;
    EXPECT_TRUE(PrintMainChartPages(chart, PrintMode::CurrentPage, "F", kTitle, true, sink, kAfternoon));
    EXPECT_TRUE(sink.pages[0].marksShownOnGround);
    EXPECT_TRUE(chart.series[kSeriesUpArrow].marks.transparent);
    EXPECT_TRUE(chart.series[kSeriesDownArrow].marks.transparent);
}
