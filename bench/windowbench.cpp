// The main window's timings on a generated results table, offscreen: Start Plot to the drawn chart, and
// the stop latency of a running plot. Usage:
//   moldrin-window-bench plot FOLDER [CHART] [RUNS]   one plot unmeasured, then RUNS (default 5), median
//   moldrin-window-bench stop FOLDER                  Stop Plot clicked once the plot has read for a second
// FOLDER holds the demo's two INI files and a database written by moldrin-demo-data (bench/window.sh).
#include "data/config/configfiles.h"
#include "shell/frmmain.h"
#include "variables/statistics.h"
#include "variables/view/chartview.h"

#include "mainsession.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace moldrin;

namespace
{

using Session = test::MainSession<ScriptedPrompt>;

int PlotTimes(Session& s, const QString& chartType, int runs)
{
    frmMain& w = *s.window;
    w.show();
    w.cboSelectChart->setCurrentText(chartType);
    if (chartType != kChartIndividualMR)
        w.cboXBarSize->setCurrentText(QStringLiteral("5"));
    w.cboTestID->setCurrentText(data::kAllItem);
    w.chkShowZoneABC->setChecked(true);
    if (w.cboSelectChart->currentText() != chartType) {
        std::fprintf(stderr, "no chart type %s\n", qPrintable(chartType));
        return 2;
    }
    std::vector<qint64> times;
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        w.cmdPlotChart_Click();
        QApplication::processEvents();
        w.chartView()->repaint();
        const qint64 ms = clock.elapsed();
        if (!w.lastOutcome().plotted || !s.prompt.messages.isEmpty()) {
            std::fprintf(stderr, "the plot failed: %s\n", qPrintable(s.prompt.texts().join(QLatin1Char(' '))));
            return 1;
        }
        if (run > 0)
            times.push_back(ms);
        std::printf("%s, %ld readings, %ld points: Start Plot to the drawn chart %lld ms%s\n", qPrintable(chartType),
            w.lastOutcome().records, w.lastOutcome().pointCount, ms, run == 0 ? " (not counted)" : "");
    }
    std::sort(times.begin(), times.end());
    std::printf("median of %zu: %lld ms\n", times.size(), times[times.size() / 2]);
    return 0;
}

// The event loop's turns during the plot: the widest gap between two ticks of a 50 ms timer shows how long
// the window went without repainting.
int StopLatency(Session& s)
{
    frmMain& w = *s.window;
    w.show();
    QElapsedTimer plot;
    qint64 lastTick = -1, widestGap = 0, firstTick = -1, stopAt = -1;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &w, [&] {
        const qint64 now = plot.elapsed();
        if (firstTick < 0)
            firstTick = now;
        if (lastTick >= 0)
            widestGap = std::max(widestGap, now - lastTick);
        lastTick = now;
        ++ticks;
        if (stopAt < 0 && now - firstTick > 1000 && w.cmdPlotChart->Caption() == QLatin1String("Stop Plot")) {
            stopAt = now;
            s.prompt.answers.enqueue(PromptAnswer::Yes);
            w.cmdPlotChart_Click();
        }
    });
    ticker.start(50);
    plot.start();
    w.cmdPlotChart_Click();
    const qint64 total = plot.elapsed();
    ticker.stop();
    if (!w.lastOutcome().stopped) {
        std::fprintf(stderr, "the plot ended before it was stopped (%lld ms): use a larger table\n", total);
        return 1;
    }
    std::printf("%ld readings read: first turn of the event loop after %lld ms (statement opened), %d turns, "
                "widest gap after that %lld ms; Stop confirmed at %lld ms after %ld subgroups, loader returned "
                "%lld ms later; plot call ended at %lld ms\n",
        w.lastOutcome().records, firstTick, ticks, widestGap, stopAt, w.lastOutcome().pointCount, w.lastStopLatencyMs(),
        total);
    QElapsedTimer r;
    r.start();
    w.chartView()->render(w.chart());
    w.chartView()->replot();
    std::printf("one render of the stopped chart: %lld ms\n", r.elapsed());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const bool plot = args.size() >= 2 && args[0] == QLatin1String("plot");
    if (!(plot || (args.size() == 2 && args[0] == QLatin1String("stop")))) {
        std::fprintf(stderr, "usage: moldrin-window-bench plot FOLDER [CHART] [RUNS] | stop FOLDER\n");
        return 2;
    }
    // The user's settings stay untouched: a settings file and temporary files of this run only.
    QTemporaryDir scratch;
    qputenv("TEMP", scratch.path().toLocal8Bit());
    Session s(scratch.filePath(QStringLiteral("settings")));
    if (!s.start(args[1]) || s.window->cboProductName->count() < 2) {
        std::fprintf(stderr, "%s holds no configuration\n", qPrintable(args[1]));
        return 2;
    }
    if (!plot)
        return StopLatency(s);
    const int runs = args.size() > 3 ? args[3].toInt() : 5;
    return PlotTimes(s, args.size() > 2 ? args[2] : QStringLiteral("X-Bar-R"), std::max(runs, 1));
}
