// The program's shared state: one object owned by the program and passed by reference.
#pragma once

#include "chartlook.h"
#include "settingsstore.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

namespace moldrin
{

namespace data
{
class Connection;
}

inline const QString kDefaultRulesSetup
    = QStringLiteral("111111111000111111111111111111111111111001111001111001111001111001");

struct AppState {
    explicit AppState(QString settingsPath = SettingsStore::defaultPath())
        : registry(std::move(settingsPath))
    {
    }

    SettingsStore registry;

    // Data source (connection, kind for the date literals, results table as written into SQL).
    std::shared_ptr<data::Connection> gConnection;
    QString gDataSourceKind;
    QString gTableName;

    // Configuration folder and the product's column names (bracketed) and pass literal.
    QString gINIPath;
    QString gColTestID = QStringLiteral("[TestID]");
    QString gColTestStartTime = QStringLiteral("[TestStartTime]");
    QString gColSerialNumber = QStringLiteral("[SerialNumber]");
    QString gColPassFail = QStringLiteral("[PassFail]");
    QString gColATEID = QStringLiteral("[ATEID]");
    QString gPassValue = QStringLiteral("'PASS'");

    // Attribute chart columns (bare) and the c chart's axis title.
    QString gPChartNonConfColumn, gPChartSubGroupColumn;
    QString gNPChartNonConfColumn, gNPChartSubGroupColumn;
    QString gUChartNonConfColumn, gUChartSubGroupColumn;
    QString gCChartNonConfColumn, gCChartYAxisTitle;

    // Per test parameter, in parameter-list order.
    QStringList gParamColumn;
    QList<double> gLSL, gUSL;
    QList<std::optional<double>> gNominal; // field 3 of the Spec line where it is a number
    QStringList gSpecField4;
    QStringList gParamName; // display names, parallel to gParamColumn

    int gSampleSize = 5;
    // The variables chart's subgroups formed by the engine where the data are (the setting, the site's
    // ATE.INI or moldrin-report --server-side); off: read every reading.
    bool gServerSide = false;
    QString gDateOrder = QStringLiteral("DD/MM");
    QDate gCustomStart, gCustomEnd; // invalid: the date 0 (no custom range chosen)

    std::atomic<bool> gStopPlot { false };
    QString gChartTitle;
    QString gTempFile1, gTempFile2, gTempFile3;
    // Why the plot's listing of readings was removed after the plot (empty: it was not).
    QString gListingGone;

    QString gRulesSetup = kDefaultRulesSetup;
    QStringList gRuleFlags = DefaultRuleFlags();
    bool gRulesBlinkEnable = true;

    int gClickedSeries = 0;
    int gClickedPoint = 0;
    bool gClickedIsIndividual = false;

    int gHistogramBarWidth = kDefaultBarWidth;
    int gParetoBarWidth = kDefaultBarWidth;
    bool gShowScatterSampleNumber = false;

    int gPrintMode = 0;
    bool gPrintCancelled = true;
    QString gDefaultPrinter;

    static QStringList DefaultRuleFlags()
    {
        QStringList flags;
        for (QChar c : kDefaultRulesSetup)
            flags << QString(c);
        return flags;
    }
};

} // namespace moldrin
