// The command line of the desktop program.
#include "shell/startarguments.h"

#include <QDir>
#include <QFileInfo>

namespace moldrin
{

void AddStartOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("SPC charts of production test results."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
        QStringLiteral("Configuration folder (ATE.INI, PRODUCTS.INI), as with --config."), QStringLiteral("[folder]"));
    parser.addOptions({
        { QStringLiteral("config"), QStringLiteral("Configuration folder (ATE.INI, PRODUCTS.INI)."),
            QStringLiteral("DIR") },
        { QStringLiteral("ready-time"),
            QStringLiteral("Print the milliseconds from start to a shown window and quit.") },
        { QStringLiteral("screenshot"), QStringLiteral("Plot the first parameter, save the window as FILE and quit."),
            QStringLiteral("FILE") },
        { QStringLiteral("zones"), QStringLiteral("With --screenshot: plot with zones.") },
        { QStringLiteral("auto-refresh"),
            QStringLiteral("With --screenshot: turn Auto Refresh on after the plot and refresh after SECONDS."),
            QStringLiteral("SECONDS") },
        { QStringLiteral("saved-limits"),
            QStringLiteral("With --screenshot: plot against the limits saved for the selection.") },
    });
}

QString StartFolder(const QString& configOption, const QStringList& plainArguments)
{
    QString path = configOption;
    if (path.isEmpty() && !plainArguments.isEmpty()) {
        path = plainArguments.front();
        const QFileInfo info(path);
        if (info.exists() && !info.isDir())
            path = info.absolutePath();
    }
    return path.isEmpty() ? QString() : QDir(path).absolutePath();
}

StartArguments ReadStartArguments(const QCommandLineParser& parser, QString& error)
{
    StartArguments a;
    const QStringList plain = parser.positionalArguments();
    if (plain.size() > 1 || (!plain.isEmpty() && parser.isSet(QStringLiteral("config")))) {
        error = QStringLiteral("give one configuration folder, with --config or as the argument");
        return a;
    }
    a.configDir = StartFolder(parser.value(QStringLiteral("config")), plain);
    a.screenshot = parser.value(QStringLiteral("screenshot"));
    a.zones = parser.isSet(QStringLiteral("zones"));
    a.autoRefreshSeconds = parser.value(QStringLiteral("auto-refresh")).toInt();
    a.savedLimits = parser.isSet(QStringLiteral("saved-limits"));
    a.readyTime = parser.isSet(QStringLiteral("ready-time"));
    return a;
}

} // namespace moldrin
