// The screening window opened from the main window on generated demo databases, offscreen: the button and
// its checks, the table's sort, colours and tester marker, the double-click that plots, the CSV export, the
// progress, Stop and closing during a read.
#include "screening/windows/frmscreening.h"

#include "buttonctl/lumbutton.h"
#include "screening/screentable.h"
#include "screening/windows/screentablemodel.h"
#include "shell/frmmain.h"

#include "leakagetable.h"
#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QColor>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace moldrin;
using moldrin::test::ShownWindows;

namespace
{

using Session = moldrin::test::MainSession<>;

using moldrin::test::Click;

Qt::CursorShape OverridePointer()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

// Waits in the window's own loop until the read that starts once it shows has ended.
bool ReadDone(frmScreening& w)
{
    return QTest::qWaitFor([&w] { return !w.reading() && !w.ui.lblProgress->text().isEmpty(); }, 20000);
}

QString Text(const frmScreening& w, int row, int column)
{
    return w.model()->index(row, column).data().toString();
}

// The number a cell shows; nullopt for "N/A".
std::optional<double> Number(const frmScreening& w, int row, int column)
{
    const QString text = Text(w, row, column);
    if (text == QLatin1String("N/A"))
        return std::nullopt;
    bool ok = false;
    const double v = QString(text).remove(u',').toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

// The row whose parameter reads `column`.
int RowOf(const frmScreening& w, const QString& column)
{
    const QList<screening::ParameterScreen>& shown = w.model()->parameters();
    for (int r = 0; r < shown.size(); ++r)
        if (shown[r].column == column)
            return r;
    return -1;
}

void ClickHeading(frmScreening& w, int column)
{
    QHeaderView* header = w.ui.grdScreen->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// The column's values top to bottom are ordered as `order` asks, every "N/A" after the numbers.
bool SortedNumerically(const frmScreening& w, int column, Qt::SortOrder order)
{
    bool naSeen = false;
    std::optional<double> last;
    for (int r = 0; r < w.model()->rowCount(); ++r) {
        const std::optional<double> v = Number(w, r, column);
        if (!v) {
            naSeen = true;
            continue;
        }
        if (naSeen || (last && (order == Qt::AscendingOrder ? *v < *last : *v > *last)))
            return false;
        last = v;
    }
    return true;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class FrmScreeningTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void buttonBesideMoreChartsWithItsChecks();
    void tableSortColoursAndTesterMarker();
    void doubleClickPlotsTheParameter();
    void csvExportInTheOrderShown();
    void progressStopAndCloseDuringARead();
    void nothingToScreen();
    void skippedFieldsAreTold();

private:
    QTemporaryDir mTemp;
    QString mDemo; // 1000 units a product
    QString mLarge; // 20000 units: the read yields to the event loop
    QString mSettings;
    int mCount = 0;
};

void FrmScreeningTest::initTestCase()
{
    QVERIFY(mTemp.isValid());
    mDemo = mTemp.filePath("demo");
    mLarge = mTemp.filePath("large");
    for (const auto& [dir, units] : { std::pair { mDemo, 1000 }, std::pair { mLarge, 20000 } }) {
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(moldrin::test::CopyDemoConfiguration(dir));
        QVERIFY(moldrin::test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, dir, units));
    }
    qputenv("TEMP", mTemp.path().toLocal8Bit());
}

void FrmScreeningTest::init()
{
    mSettings = mTemp.filePath(QStringLiteral("settings-%1").arg(++mCount));
}

void FrmScreeningTest::buttonBesideMoreChartsWithItsChecks()
{
    {
        // No configuration: the file dialog is cancelled at start-up, only <Open INI> is listed.
        Session s(mSettings);
        QVERIFY(s.start(QString()));
        s.prompt.clear();
        ShownWindows<frmScreening> shown;
        Click(s.window->cmdScreening);
        QCOMPARE(s.prompt.texts(), QStringList { "INI file is not loaded!" });
        QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Exclamation);
        QCOMPARE(shown.count, 0);
    }

    Session s(mSettings);
    QVERIFY(s.start(mLarge));
    frmMain& w = *s.window;
    LumButton* more = w.cmdMoreCharts;
    LumButton* screening = w.findChild<LumButton*>("cmdScreening");
    QCOMPARE(screening, w.cmdScreening);
    QCOMPARE(screening->Caption(), QString("Screening"));
    // The look of More Charts, on its row, right beside it.
    QCOMPARE(screening->Font(), more->Font());
    QCOMPARE(screening->Font().pointSizeF(), 8.25);
    QCOMPARE(screening->BorderWidth(), more->BorderWidth());
    QCOMPARE(screening->ForeColor(), more->ForeColor());
    QCOMPARE(screening->Alignment(), more->Alignment());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(screening->geometry().top(), more->geometry().top());
    QCOMPARE(screening->height(), more->height());
    QVERIFY(screening->geometry().left() > more->geometry().right());
    QVERIFY(screening->geometry().left() - more->geometry().right() < 20);

    // Disabled while a plot runs, as More Charts.
    bool seen = false;
    QTimer::singleShot(0, &w, [&] {
        seen = w.plotting();
        QVERIFY(!screening->Enabled());
        QVERIFY(!more->Enabled());
    });
    Click(w.cmdPlotChart);
    QVERIFY(seen);
    QVERIFY(screening->Enabled());

    // The first entry of the product list (<Open INI>) selected: no product.
    {
        const QSignalBlocker quiet(w.cboProductName);
        w.cboProductName->setCurrentIndex(0);
    }
    s.prompt.clear();
    ShownWindows<frmScreening> shown;
    Click(screening);
    QCOMPARE(s.prompt.texts(), QStringList { "Please select product name!" });
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Exclamation);
    QCOMPARE(shown.count, 0);
}

void FrmScreeningTest::tableSortColoursAndTesterMarker()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    bool driven = false;
    ShownWindows<frmScreening> shown([&](frmScreening& w) {
        QVERIFY(ReadDone(w));
        driven = true;
        QCOMPARE(w.objectName(), QString("frmScreening"));
        QCOMPARE(w.windowTitle(), QString("Screening"));
        QVERIFY(w.isModal());
        QVERIFY(w.result().completed);
        QCOMPARE(w.ui.lblProgress->text(), QString("1,000 rows read"));
        QVERIFY(w.ui.lblSelection->text().startsWith("<b>PSU-100</b> &middot; Range <b>All</b>"));
        QVERIFY(
            w.ui.lblSelection->text().contains("rule hits on <b>X-Bar-R-Median-s</b> &middot; group size <b>5</b>"));
        QTableView* table = w.ui.grdScreen;
        QCOMPARE(table->model(), w.model());
        QCOMPARE(w.model()->rowCount(), 8);
        QCOMPARE(w.model()->columnCount(), 22);
        QCOMPARE(w.model()->headerData(screening::kColCpK, Qt::Horizontal).toString(), QString("CpK"));

        // Ranked by CpK at first: the incapable ripple on top, the board temperature (no limits) last.
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), int(screening::kColCpK));
        QVERIFY(SortedNumerically(w, screening::kColCpK, Qt::AscendingOrder));
        QCOMPARE(w.model()->parameters().first().column, QString("RIPPLE"));
        QCOMPARE(w.model()->parameters().last().column, QString("BOARD_TEMP"));

        // Each row's colour is its CpK's band: below 1.00, below 1.33, capable, N/A; the CpK cell stronger.
        QSet<QString> bands;
        for (int r = 0; r < 8; ++r) {
            const std::optional<double> cpk = Number(w, r, screening::kColCpK);
            const QString band = !cpk ? "na" : *cpk < 1.0 ? "poor" : *cpk < 1.33 ? "marginal" : "capable";
            bands << band;
            const QMap<QString, std::pair<QString, QString>> colours { { "poor", { "#fbe3e3", "#f2a5a5" } },
                { "marginal", { "#fdf3dc", "#f6d487" } }, { "capable", { "#eaf6ea", "#a9d8a9" } },
                { "na", { "#ffffff", "#e4e4e4" } } };
            for (int c = 0; c < 22; ++c) {
                const QColor colour = w.model()->index(r, c).data(Qt::BackgroundRole).value<QColor>();
                const QString expected = c == screening::kColCpK ? colours[band].second : colours[band].first;
                QVERIFY2(colour.name() == expected,
                    qPrintable(QString("row %1 column %2: %3, not %4").arg(r).arg(c).arg(colour.name(), expected)));
            }
        }
        QCOMPARE(bands, (QSet<QString> { "poor", "marginal", "capable", "na" }));

        // The tester marker: on the switching frequency only, in the marker's red, its tip the tester means.
        const int swFreq = RowOf(w, "SW_FREQ");
        for (int r = 0; r < 8; ++r) {
            const QModelIndex p = w.model()->index(r, screening::kColTesterP);
            QCOMPARE(p.data().toString().startsWith(QString::fromUtf8("\u2691 ")), r == swFreq);
            QCOMPARE(p.data(Qt::ForegroundRole).value<QColor>() == QColor("#bb0000"), r == swFreq);
        }
        QCOMPARE(Text(w, swFreq, screening::kColTesterP), QString::fromUtf8("\u2691 <0.0001"));
        const QStringList means
            = w.model()->index(swFreq, screening::kColTesterP).data(Qt::ToolTipRole).toString().split('\n');
        QCOMPARE(means.size(), 4);
        QVERIFY(means[1].startsWith("ATE-02: 101.") && means[1].endsWith(")"));
        QVERIFY(w.ui.lblLegend->text().contains(QString::fromUtf8("\u2691")));

        // A heading click sorts by value: 14,450.0 ppm after 550.0, though it would come first as text.
        ClickHeading(w, screening::kColPpm);
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), int(screening::kColPpm));
        QVERIFY(SortedNumerically(w, screening::kColPpm, Qt::AscendingOrder));
        QCOMPARE(w.model()->parameters().last().column, QString("RIPPLE"));
        ClickHeading(w, screening::kColPpm);
        QVERIFY(SortedNumerically(w, screening::kColPpm, Qt::DescendingOrder));
        QCOMPARE(w.model()->parameters().first().column, QString("RIPPLE"));
        // "N/A" stays last both ways: Cp lacks a limit for four parameters.
        ClickHeading(w, screening::kColCp);
        QVERIFY(SortedNumerically(w, screening::kColCp, Qt::AscendingOrder));
        QCOMPARE(Text(w, 7, screening::kColCp), QString("N/A"));
        QVERIFY(Number(w, 0, screening::kColCp));
        ClickHeading(w, screening::kColCp);
        QVERIFY(SortedNumerically(w, screening::kColCp, Qt::DescendingOrder));
        QVERIFY(Number(w, 0, screening::kColCp));
        QCOMPARE(Text(w, 7, screening::kColCp), QString("N/A"));
        // Texts alphabetically; the rows keep their colours and markers as they move.
        ClickHeading(w, screening::kColParameter);
        QCOMPARE(Text(w, 0, screening::kColParameter), QString("Board temperature"));
        QCOMPARE(Text(w, 7, screening::kColParameter), QString("T140: [Switching frequency]"));
        QVERIFY(Text(w, 7, screening::kColTesterP).startsWith(QString::fromUtf8("\u2691")));
        QCOMPARE(w.model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor("#ffffff"));
        // The selected row follows its parameter through a sort.
        table->selectRow(RowOf(w, "SW_FREQ"));
        ClickHeading(w, screening::kColMean);
        QVERIFY(SortedNumerically(w, screening::kColMean, Qt::AscendingOrder));
        QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), RowOf(w, "SW_FREQ"));
        // Rule hits sort as numbers too.
        ClickHeading(w, screening::kColR1 + 3);
        QVERIFY(SortedNumerically(w, screening::kColR1 + 3, Qt::AscendingOrder));
    });
    Click(s.window->cmdScreening);
    QVERIFY(driven);
    QCOMPARE(shown.count, 1);
    QCOMPARE(s.prompt.texts(), QStringList());
    // Closed without a choice: the main window plotted nothing.
    QCOMPARE(s.window->plotCount(), 0);
}

void FrmScreeningTest::doubleClickPlotsTheParameter()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    QCOMPARE(w.cboDataParameters->currentIndex(), 0);
    const int swFreq = w.cboDataParameters->findText("T140: [Switching frequency]");
    QCOMPARE(swFreq, 6);
    ShownWindows<frmScreening> shown([&](frmScreening& screening) {
        QVERIFY(ReadDone(screening));
        QTableView* table = screening.ui.grdScreen;
        const QModelIndex cell = screening.model()->index(RowOf(screening, "SW_FREQ"), screening::kColMean);
        QCOMPARE(cell.data(ScreenTableModel::kParameterIndexRole).toInt(), swFreq);
        // A user's double-click: a click, then the second press.
        const QPoint at = table->visualRect(cell).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(screening.isVisible());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!screening.isVisible());
        QCOMPARE(screening.chosenParameter(), swFreq);
    });
    Click(w.cmdScreening);
    QCOMPARE(shown.count, 1);
    // The main window selected the parameter and plotted it through Start Plot.
    QCOMPARE(w.cboDataParameters->currentIndex(), swFreq);
    QCOMPARE(w.plotCount(), 1);
    QVERIFY(w.lastOutcome().plotted);
    QCOMPARE(w.lastOutcome().limits.USL.value(), 105.0);
    QCOMPARE(w.lastOutcome().limits.LSL.value(), 95.0);
    QCOMPARE(s.state.gChartTitle, QString("PSU-100 T140: [Switching frequency]"));
    QVERIFY(w.chart().series.front().count() > 0);
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    QCOMPARE(s.prompt.texts(), QStringList());
}

void FrmScreeningTest::csvExportInTheOrderShown()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    const QString first = mTemp.filePath("screen.csv");
    const QString sorted = mTemp.filePath("sorted.csv");
    ShownWindows<frmScreening> shown([&](frmScreening& w) {
        QVERIFY(ReadDone(w));
        QVERIFY(w.ui.cmdExport->Enabled());
        // As ScreenCsv gives it: ranked by CpK, the order shown.
        s.prompt.files.enqueue(first);
        Click(w.ui.cmdExport);
        QCOMPARE(s.prompt.fileRequests.size(), 1);
        QCOMPARE(s.prompt.fileRequests[0].title, QString("Screening Export"));
        QCOMPARE(s.prompt.fileRequests[0].filter, QString("CSV file (*.csv)|.csv|"));
        QVERIFY(s.prompt.fileRequests[0].save);
        QCOMPARE(FileBytes(first), screening::ScreenCsv(w.result()));
        QVERIFY(FileBytes(first).startsWith("parameter,name,column,unit,LSL,USL,n,mean,"));
        QCOMPARE(FileBytes(first).count('\n'), 9);

        // Sorted by a heading: the rows in that order.
        ClickHeading(w, screening::kColParameter);
        s.prompt.files.enqueue(sorted);
        Click(w.ui.cmdExport);
        screening::ScreenResult expected = w.result();
        expected.parameters = w.model()->parameters();
        QCOMPARE(FileBytes(sorted), screening::ScreenCsv(expected));
        const QList<QByteArray> lines = FileBytes(sorted).split('\n');
        QVERIFY(lines[1].startsWith("Board temperature,"));
        QVERIFY(lines[8].startsWith("T140: [Switching frequency],"));

        // An existing file is kept when overwriting is declined; cancelling writes nothing.
        s.prompt.clear();
        s.prompt.files.enqueue(first);
        s.prompt.answers.enqueue(PromptAnswer::No);
        Click(w.ui.cmdExport);
        QCOMPARE(s.prompt.texts(), QStringList { "Overwrite the existing file?" });
        QCOMPARE(FileBytes(first), screening::ScreenCsv(w.result()));
        s.prompt.clear();
        Click(w.ui.cmdExport);
        QCOMPARE(s.prompt.texts(), QStringList());
        // A file that cannot be written is a message.
        const QString nowhere = mTemp.filePath("missing-folder/screen.csv");
        s.prompt.files.enqueue(nowhere);
        Click(w.ui.cmdExport);
        QCOMPARE(s.prompt.texts().size(), 1);
        QVERIFY2(s.prompt.texts()[0].startsWith("Cannot write " + nowhere + ": "), qPrintable(s.prompt.texts()[0]));
        QVERIFY(!QFile::exists(nowhere));
    });
    Click(s.window->cmdScreening);
    QCOMPARE(shown.count, 1);
}

void FrmScreeningTest::progressStopAndCloseDuringARead()
{
    Session s(mSettings);
    QVERIFY(s.start(mLarge));
    // What the window shows at each turn of the event loop while it reads.
    QStringList progress;
    QList<Qt::CursorShape> pointers;
    QList<bool> stopEnabled, refreshEnabled;
    QTimer watch;
    QPointer<frmScreening> window;
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (!window || !window->reading())
            return;
        const QString text = window->ui.lblProgress->text();
        if (progress.isEmpty() || progress.last() != text) {
            progress << text;
            pointers << OverridePointer();
            stopEnabled << window->ui.cmdStop->Enabled();
            refreshEnabled << window->ui.cmdRefresh->Enabled();
        }
    });
    watch.start(0);

    ShownWindows<frmScreening> shown([&](frmScreening& w) {
        window = &w;
        QVERIFY(ReadDone(w));
        QVERIFY(w.result().completed);
        QCOMPARE(w.result().records, 20000L);
        QCOMPARE(w.ui.lblProgress->text(), QString("20,000 rows read"));
        QVERIFY(!w.ui.cmdStop->Enabled());
        QVERIFY(w.ui.cmdRefresh->Enabled());
        QCOMPARE(OverridePointer(), Qt::ArrowCursor);
        // The statement (where the engine takes long enough to report it) under the hourglass, then the
        // rows counted up under the busy pointer; Stop clickable all along, Refresh not.
        if (progress.first() == QLatin1String("Querying the data source...")) {
            QCOMPARE(pointers.takeFirst(), Qt::WaitCursor);
            progress.removeFirst();
        }
        QCOMPARE(progress,
            (QStringList { "Rows read: 4,096", "Rows read: 8,192", "Rows read: 12,288", "Rows read: 16,384" }));
        QCOMPARE(pointers, QList<Qt::CursorShape>(4, Qt::BusyCursor));
        QVERIFY(!stopEnabled.contains(false));
        QVERIFY(!refreshEnabled.contains(true));

        // Stop at the first rows read: nothing is shown, nothing to export.
        const QByteArray before = screening::ScreenCsv(w.result());
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(w.reading());
            Click(w.ui.cmdStop);
        });
        Click(w.ui.cmdRefresh);
        QVERIFY(!w.reading());
        QVERIFY(w.result().stopped);
        QVERIFY(!w.result().completed);
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(w.ui.lblProgress->text(), QString("Stopped."));
        QVERIFY(!w.ui.cmdExport->Enabled());
        QVERIFY(w.ui.cmdRefresh->Enabled());
        QCOMPARE(OverridePointer(), Qt::ArrowCursor);
        QVERIFY(!before.isEmpty());

        // Close during a read: the read stops and the window closes when it has returned.
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(w.reading());
            Click(w.ui.cmdClose);
            QVERIFY(w.isVisible());
        });
        Click(w.ui.cmdRefresh);
        QVERIFY(w.result().stopped);
        QVERIFY(!w.isVisible());
    });
    Click(s.window->cmdScreening);
    watch.stop();
    QCOMPARE(shown.count, 1);
    QCOMPARE(s.window->plotCount(), 0);
    QCOMPARE(s.prompt.texts(), QStringList());
    QCOMPARE(OverridePointer(), Qt::ArrowCursor);
    // A stopped screen leaves the main window's plots running to their end.
    Click(s.window->cmdPlotChart);
    QVERIFY(!s.window->lastOutcome().stopped);
    QVERIFY(s.window->lastOutcome().plotted);
}

void FrmScreeningTest::nothingToScreen()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    // A serial filter no unit matches: no rows, the program's message for it, every figure "N/A".
    s.window->txtSerialNumberFilter->setText("NO-SUCH-UNIT");
    ShownWindows<frmScreening> shown([&](frmScreening& w) {
        QVERIFY(ReadDone(w));
        QCOMPARE(w.ui.lblProgress->text(), QString("0 rows read"));
        QCOMPARE(w.model()->rowCount(), 8);
        for (int r = 0; r < 8; ++r)
            QCOMPARE(Text(w, r, screening::kColCpK), QString("N/A"));
        QVERIFY(w.ui.lblSelection->text().contains("Serial <b>NO-SUCH-UNIT</b>"));
    });
    Click(s.window->cmdScreening);
    QCOMPARE(shown.count, 1);
    QCOMPARE(s.prompt.texts().size(), 1);
    QVERIFY(s.prompt.texts()[0].startsWith("There is no data collection for this selected range"));
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Information);

    // Without test parameters nothing is read.
    frmScreening empty(s.state, s.prompt, data::PlotSelection {}, {});
    empty.Screen();
    QCOMPARE(empty.ui.lblProgress->text(), QString("No test parameters to screen."));
    QCOMPARE(empty.model()->rowCount(), 0);
    QVERIFY(!empty.ui.cmdExport->Enabled());
}

// Fields that are no number are not screened: the progress line tells how many were skipped.
void FrmScreeningTest::skippedFieldsAreTold()
{
    QTemporaryDir dir;
    QCOMPARE(moldrin::test::WriteLeakageConfiguration(dir.path()), QString());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "skipped");
        db.setDatabaseName(dir.filePath("leak.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("UPDATE Results SET I_A = 'n/a' WHERE rowid IN (4, 40)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("skipped");
    Session s(mSettings);
    QVERIFY(s.start(dir.path()));
    ShownWindows<frmScreening> shown([&](frmScreening& w) {
        QVERIFY(ReadDone(w));
        QCOMPARE(w.ui.lblProgress->text(), QString("500 rows read; Skipped, not a number: 2"));
        QCOMPARE(w.result().skipped.notNumbers, 2L);
    });
    Click(s.window->cmdScreening);
    QCOMPARE(shown.count, 1);
    QCOMPARE(s.prompt.texts(), QStringList());
}

QTEST_MAIN(FrmScreeningTest)
#include "frmscreening_test.moc"
