// moldrin: the desktop program; one instance per user, the main window on the chosen configuration.
#include "common/appstate.h"
#include "common/version.h"
#include "shell/autorefresh.h"
#include "shell/frmmain.h"
#include "shell/qtprompt.h"
#include "shell/savedlimitscontrols.h"
#include "shell/singleinstance.h"
#include "shell/startarguments.h"
#include "variables/view/chartview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <cstring>

namespace
{

// --help and --version print text only: without a display they run on the offscreen platform, so that
// they work in a terminal and when the manual pages are written at build time.
void TextOnlyWithoutDisplay(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i)
        for (const char* option : { "-h", "--help", "--help-all", "-v", "--version" })
            if (std::strcmp(argv[i], option) == 0) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
                return;
            }
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    TextOnlyWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moldrin"));
    QApplication::setApplicationVersion(moldrin::VersionText());

    QCommandLineParser parser;
    moldrin::AddStartOptions(parser);
    parser.process(app);
    QString error;
    const moldrin::StartArguments arguments = moldrin::ReadStartArguments(parser, error);
    if (!error.isEmpty()) {
        QTextStream(stderr) << "moldrin: " << error << Qt::endl;
        return 2;
    }

    moldrin::AppState state; // MOLDRIN_SETTINGS_FILE names the settings file when set
    moldrin::QtPrompt prompt;
    moldrin::frmMain window(state, prompt);
    prompt.setParent(&window);

    moldrin::SingleInstanceLock lock;
    moldrin::frmMain::StartOptions options;
    options.configDir = arguments.configDir;
    options.anotherInstanceRunning = [&lock] { return !lock.acquire(); };
    if (!window.Form_Load(options))
        return 0;
    window.ShowOnScreen();

    if (arguments.readyTime) {
        QTimer::singleShot(0, &app, [&] {
            QTextStream(stdout) << "ready after " << sinceStart.elapsed() << " ms" << Qt::endl;
            window.DoShutdownProgram();
            QApplication::quit();
        });
    } else if (!arguments.screenshot.isEmpty()) {
        const QString file = arguments.screenshot;
        // The chart replots from the event loop: the window is saved a moment after the last plot or refresh.
        const auto save = [&, file] {
            QTimer::singleShot(300, &app, [&, file] {
                // A screenshot of a plot that did not draw is a failure too.
                const bool saved = window.grab().save(file);
                const bool plotted = window.lastOutcome().plotted;
                window.DoShutdownProgram();
                QApplication::exit(saved && plotted ? 0 : 1);
            });
        };
        QTimer::singleShot(200, &app, [&, save] {
            if (arguments.zones)
                window.chkShowZoneABC->setChecked(true);
            if (arguments.savedLimits)
                window.savedLimits->chkUseSavedLimits->setChecked(true);
            window.cmdPlotChart_Click();
            if (arguments.autoRefreshSeconds <= 0)
                return save();
            // The last page is followed as the rows come.
            window.chart().setPage(window.chart().pageCount());
            window.mAutoRefresh->chkAutoRefresh->setChecked(true);
            window.mAutoRefresh->Refresh();
            QTimer::singleShot(arguments.autoRefreshSeconds * 1000, &app, [&, save] {
                window.mAutoRefresh->Refresh();
                save();
            });
        });
    }
    return QApplication::exec();
}
