// The stored settings of each chart window's chart: name under SaveConfig, what it sets, default and rule. The
// window and moldrin-report read the same table, so a stored value draws one chart in both.
#pragma once

#include "common/chartlook.h"
#include "common/settingsstore.h"
#include "variables/chartmodel.h"

#include <QList>
#include <QString>

namespace moldrin
{

enum class ChartSettingKind {
    LabelFormat, // the axis' label format: the stored text, else `fallback`
    LabelArea, // the axis' label area: LabelAreaFromText, else kDefaultLabelArea
    Grid, // the axis' grid: CheckFromText; the window keeps it in its "Show Grid" box
};

struct ChartSetting {
    QString name;
    ChartSettingKind kind;
    AxisId axis;
    QString fallback = kDefaultAxisLabelFormat; // LabelFormat
};

// The settings of a chart kind as the query builder names it ("Histogram", "Scatter", "P Chart", ...), in the
// order the window applies them; none for a kind without stored settings.
QList<ChartSetting> ChartSettings(const QString& chartKind);
// The name of the kind's setting of `kind` ("ShowGridP_Chart"); "" when it has none.
QString ChartSettingName(const QString& chartKind, ChartSettingKind kind);

// Sets the chart's value of `setting` from its stored text by the setting's rule.
void ApplyChartSetting(const ChartSetting& setting, const QString& stored, ChartModel& chart);
// The text the chart's value of `setting` is stored as.
QString ChartSettingText(const ChartSetting& setting, const ChartModel& chart);
// Applies every stored setting of the kind to `chart`, as the kind's window loads them (moldrin-report).
void ApplyStoredChartSettings(const SettingsStore& store, const QString& chartKind, ChartModel& chart);

} // namespace moldrin
