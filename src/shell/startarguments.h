// The command line of the desktop program: its options and the configuration folder it starts on.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace moldrin
{

struct StartArguments {
    QString configDir; // empty: the saved INIPath
    QString screenshot; // plot the first parameter, save the window there and quit
    bool zones = false; // with screenshot: plot with zones
    int autoRefreshSeconds = 0; // with screenshot: Auto Refresh on, one refresh after these seconds
    bool savedLimits = false; // with screenshot: plot against the selection's saved limits
    bool readyTime = false; // print the milliseconds to a shown window and quit
};

// Declares the options, the plain folder argument, --help and --version.
void AddStartOptions(QCommandLineParser& parser);

// The folder named by --config, else by the one plain argument: a folder, or a file in it as a file
// manager's "Open With" passes it. Made absolute; empty when neither is given.
QString StartFolder(const QString& configOption, const QStringList& plainArguments);

// The parsed options; an error text for more than one plain argument.
StartArguments ReadStartArguments(const QCommandLineParser& parser, QString& error);

} // namespace moldrin
