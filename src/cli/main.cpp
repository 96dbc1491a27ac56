// moldrin-report: checks a site's configuration and prints SPC selections from a shell.
#include "cli/report.h"
#include "cli/reportoptions.h"
#include "cli/runfolder.h"
#include "common/version.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace
{

// --png and --pdf draw with widgets, which need a QApplication; every other command runs without a display.
bool DrawingRequested(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : { "--png", "--pdf" })
            if (std::strcmp(argv[i], option) == 0 || (std::strncmp(argv[i], option, 5) == 0 && argv[i][5] == '='))
                return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    std::unique_ptr<QCoreApplication> application;
    if (DrawingRequested(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("moldrin-report"));
    QCoreApplication::setApplicationVersion(moldrin::VersionText());

    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    moldrin::cli::AddReportOptions(parser);
    if (!parser.parse(moldrin::cli::ReportArguments(QCoreApplication::arguments()))) {
        err << "moldrin-report: " << parser.errorText() << Qt::endl;
        return moldrin::cli::kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return moldrin::cli::kExitDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "moldrin-report " << moldrin::VersionText() << Qt::endl;
        return moldrin::cli::kExitDone;
    }
    const moldrin::cli::ParsedOptions parsed = moldrin::cli::ReadReportOptions(parser);
    if (!parsed.options) {
        err << "moldrin-report: " << parsed.error << Qt::endl;
        return moldrin::cli::kExitUsage;
    }
    moldrin::cli::PrepareRun();
    if (parsed.options->command == moldrin::cli::ReportCommand::Watch)
        moldrin::cli::CatchWatchStopSignals();
    moldrin::StderrPrompt prompt;
    return moldrin::cli::RunReport(*parsed.options, prompt, out, err);
}
