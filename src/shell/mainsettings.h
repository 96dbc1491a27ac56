// The main window's saved settings: names, defaults and correction rules, reading and writing.
#pragma once

#include "common/appstate.h"
#include "common/chartlook.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace moldrin
{

inline const QString kDefaultRange = QStringLiteral("All");
inline const QString kDefaultGroupSize = QStringLiteral("5");
inline const QString kDefaultChartType = QStringLiteral("X-Bar-R-Median-s");

// The main window's control values that are saved at exit. Check-box states are 0, 1 or 2.
struct MainWindowValues {
    QString range = kDefaultRange; // cboTestedRange
    QString sourceFilter; // cboATEList
    QString snFilter; // txtSerialNumberFilter
    QString xBarSize = kDefaultGroupSize; // cboXBarSize
    int acceptZero = 0; // chkAcceptZero (value IgnoreZero)
    int passOnly = 0; // chkOnlyPass
    int lastDataOnly = 0; // chkLastDataOnly
    int showSpec = 0; // chkShowSpec (value HideUSL/LSL)
    QString chartType = kDefaultChartType; // cboSelectChart
    QString labelFormat = kDefaultAxisLabelFormat; // left axis and custom axis 0
    int labelSize = kDefaultLabelArea;
    int showGrid = 0; // chkShowGrid
    int showZones = 0; // chkShowZoneABC
};

// What LoadSettings found for the controls; an empty optional leaves the control unchanged.
struct LoadedMainSettings {
    QString range;
    QString snFilter;
    QString xBarSize;
    std::optional<int> acceptZero, passOnly, lastDataOnly, showSpec;
    QString chartType;
    QString labelFormat;
    int labelSize = kDefaultLabelArea;
    std::optional<int> showGrid, showZones;

    // Applies the values in the order LoadSettings restores them.
    void applyTo(MainWindowValues& values) const;
};

// Reads the main window's values. The globals it owns (custom dates, scatter labels, bar widths,
// blinking, rule set-up and flags) are set in `state`.
LoadedMainSettings LoadSettings(AppState& state);

// The user's choice of subgroups formed by the engine (the setting ServerSideSubgroups, true or false; the
// site's ATE.INI may ask for them too). Off when unset.
bool UserServerSide(const AppState& state);

// The 19 values SaveSettings writes, in their order, as (name, text).
QList<QPair<QString, QString>> MainSettingsToSave(const AppState& state, const MainWindowValues& values);
// Writes them; a failed write is ignored.
void SaveSettings(AppState& state, const MainWindowValues& values);

// The text forms of the values.
QString BooleanText(bool value);
std::optional<bool> ReadBoolean(const QString& text);
// A check-box state 0, 1 or 2 from its text (a number rounded to whole), else nullopt.
std::optional<int> ReadCheckState(const QString& text);
// Dates are written as yyyy-MM-dd, the date 0 included; older texts in the system's short date
// order are read too. Invalid when unusable.
QString DateText(const QDate& date);
std::optional<QDate> ReadDate(const QString& text, const QString& dateOrder);
// The rule set-up text of 66 flags separated by commas, as the rules dialog writes it.
QString RulesSetupText(const QString& rulesSetup);

} // namespace moldrin
