// The main window on a 1366x768 screen (the offscreen platform with window frames): it opens with every
// control on the screen, the page, zoom and Reset buttons included.
#include "buttonctl/lumbutton.h"
#include "shell/frmmain.h"
#include "variables/view/chartview.h"

#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace moldrin;

class FrmMainScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensWithEveryControlOnTheScreen();
};

void FrmMainScreenTest::opensWithEveryControlOnTheScreen()
{
    QTemporaryDir temp;
    const QString demo = temp.filePath("demo");
    QVERIFY(QDir().mkpath(demo));
    QVERIFY(test::CopyDemoConfiguration(demo));
    QVERIFY(test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, demo, 1000));
    qputenv("TEMP", temp.path().toLocal8Bit());
    test::MainSession<> s(temp.filePath("settings"));
    QVERIFY(s.start(demo));
    frmMain& w = *s.window;
    QCOMPARE(w.screen()->geometry().size(), QSize(1366, 768));

    w.ShowOnScreen();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    test::Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().plotted);
    const QRect room = w.screen()->availableGeometry();
    QVERIFY2(room.contains(w.frameGeometry()),
        qPrintable(QStringLiteral("window %1,%2 %3x%4")
                       .arg(w.frameGeometry().x())
                       .arg(w.frameGeometry().y())
                       .arg(w.frameGeometry().width())
                       .arg(w.frameGeometry().height())));
    const QList<QWidget*> controls { w.cmdPreviousPage, w.cmdNextPage, w.cmdZoomXIn, w.cmdZoomXOut, w.cmdReset,
        w.imgLeft, w.cmdExit, w.lblOpenProducts_INI, w.lblVersion, w.ocxXBarChart, w.lblSPCParameter1 };
    for (QWidget* c : controls) {
        const QRect onScreen(c->mapToGlobal(QPoint(0, 0)), c->size());
        QVERIFY2(
            c->isVisible() && room.contains(onScreen) && w.rect().contains(QRect(c->mapTo(&w, QPoint()), c->size())),
            qPrintable(c->objectName()));
    }
    // The buttons work where they are: a click on Next Page turns the page.
    test::Click(w.cmdNextPage);
    QCOMPARE(w.chart().currentPage(), 2);

    // Room to spare for a desktop's panel: the window's smallest size with its frame fits 768 less 48 pixels.
    const int frame = w.frameGeometry().height() - w.geometry().height();
    QVERIFY2(
        w.minimumSizeHint().height() + frame <= 768 - 48, qPrintable(QString::number(w.minimumSizeHint().height())));
}

int main(int argc, char* argv[])
{
    // A screen of 1366x768 pixels, the offscreen platform's windows with frames.
    QTemporaryDir config;
    QFile screens(config.filePath("screens.json"));
    if (!screens.open(QIODevice::WriteOnly))
        return 1;
    screens.write(R"({ "windowFrameMargins": true, "screens": [ { "name": "laptop", "x": 0, "y": 0, "width": 1366,
        "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1.0 } ] })");
    screens.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toLocal8Bit());
    QApplication app(argc, argv);
    FrmMainScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmmain_screen_test.moc"
