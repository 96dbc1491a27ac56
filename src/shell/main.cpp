// moldrin: the desktop program; one instance per user, the main window on the chosen configuration.
#include "common/appstate.h"
#include "shell/frmmain.h"
#include "shell/qtprompt.h"
#include "shell/singleinstance.h"
#include "variables/view/chartview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moldrin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("SPC charts of production test results."));
    parser.addHelpOption();
    const QCommandLineOption config(QStringLiteral("config"),
        QStringLiteral("Configuration folder (ATE.INI, PRODUCTS.INI)."), QStringLiteral("DIR"));
    const QCommandLineOption ready(
        QStringLiteral("ready-time"), QStringLiteral("Print the milliseconds from start to a shown window and quit."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Plot the first parameter, save the window as FILE and quit."), QStringLiteral("FILE"));
    const QCommandLineOption zones(QStringLiteral("zones"), QStringLiteral("With --screenshot: plot with zones."));
    parser.addOptions({ config, ready, screenshot, zones });
    parser.process(app);

    moldrin::AppState state; // MOLDRIN_SETTINGS_FILE names the settings file when set
    moldrin::QtPrompt prompt;
    moldrin::frmMain window(state, prompt);
    prompt.setParent(&window);

    moldrin::SingleInstanceLock lock;
    moldrin::frmMain::StartOptions options;
    options.configDir = parser.value(config);
    options.anotherInstanceRunning = [&lock] { return !lock.acquire(); };
    if (!window.Form_Load(options))
        return 0;
    window.ShowOnScreen();

    if (parser.isSet(ready)) {
        QTimer::singleShot(0, &app, [&] {
            QTextStream(stdout) << "ready after " << sinceStart.elapsed() << " ms" << Qt::endl;
            window.DoShutdownProgram();
            QApplication::quit();
        });
    } else if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(200, &app, [&, file] {
            if (parser.isSet(zones))
                window.chkShowZoneABC->setChecked(true);
            window.cmdPlotChart_Click();
            QTimer::singleShot(300, &app, [&, file] {
                const bool saved = window.grab().save(file);
                window.DoShutdownProgram();
                QApplication::exit(saved ? 0 : 1);
            });
        });
    }
    return QApplication::exec();
}
