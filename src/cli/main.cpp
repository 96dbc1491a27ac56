// moldrin-report: checks a site's configuration and prints SPC selections from a shell.
#include "cli/report.h"
#include "cli/reportoptions.h"
#include "common/version.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moldrin-report"));
    QCoreApplication::setApplicationVersion(moldrin::VersionText());

    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    moldrin::cli::AddReportOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
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
    moldrin::StderrPrompt prompt;
    return moldrin::cli::RunReport(*parsed.options, prompt, out, err);
}
