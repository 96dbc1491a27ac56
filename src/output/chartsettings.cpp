// The chart windows' stored settings, one table per chart kind.
#include "output/chartsettings.h"

#include <QHash>

namespace moldrin
{

namespace
{

QList<ChartSetting> AttributeSettings(const QString& prefix)
{
    return { { prefix + QStringLiteral("_LabelFormat"), ChartSettingKind::LabelFormat, AxisId::Left },
        { QStringLiteral("ShowGrid") + prefix + QStringLiteral("_Chart"), ChartSettingKind::Grid, AxisId::Left },
        { prefix + QStringLiteral("_AxisLabelPosition"), ChartSettingKind::LabelArea, AxisId::Left } };
}

// Two label formats (Y: left, X: bottom) and the left label area.
QList<ChartSetting> TwoAxisSettings(const QString& prefix)
{
    return { { prefix + QStringLiteral("Y_LabelFormat"), ChartSettingKind::LabelFormat, AxisId::Left },
        { prefix + QStringLiteral("X_LabelFormat"), ChartSettingKind::LabelFormat, AxisId::Bottom },
        { prefix + QStringLiteral("_AxisLabelPosition"), ChartSettingKind::LabelArea, AxisId::Left } };
}

} // namespace

QList<ChartSetting> ChartSettings(const QString& chartKind)
{
    static const QHash<QString, QList<ChartSetting>> tables {
        { QStringLiteral("P Chart"), AttributeSettings(QStringLiteral("P")) },
        { QStringLiteral("NP Chart"), AttributeSettings(QStringLiteral("NP")) },
        { QStringLiteral("C Chart"), AttributeSettings(QStringLiteral("C")) },
        { QStringLiteral("U Chart"), AttributeSettings(QStringLiteral("U")) },
        { QStringLiteral("Histogram"), TwoAxisSettings(QStringLiteral("Histogram")) },
        { QStringLiteral("Scatter"), TwoAxisSettings(QStringLiteral("Scatter")) },
    };
    return tables.value(chartKind);
}

QString ChartSettingName(const QString& chartKind, ChartSettingKind kind)
{
    for (const ChartSetting& s : ChartSettings(chartKind))
        if (s.kind == kind)
            return s.name;
    return {};
}

void ApplyChartSetting(const ChartSetting& setting, const QString& stored, ChartModel& chart)
{
    ChartAxis& axis = chart.axis(setting.axis);
    switch (setting.kind) {
    case ChartSettingKind::LabelFormat:
        axis.labelFormat = LabelFormatFromText(stored, setting.fallback);
        break;
    case ChartSettingKind::LabelArea:
        axis.labelSize = LabelAreaFromText(stored);
        break;
    case ChartSettingKind::Grid:
        if (const std::optional<bool> on = CheckFromText(stored))
            axis.gridVisible = *on;
        break;
    }
}

QString ChartSettingText(const ChartSetting& setting, const ChartModel& chart)
{
    const ChartAxis& axis = chart.axis(setting.axis);
    switch (setting.kind) {
    case ChartSettingKind::LabelFormat:
        return axis.labelFormat;
    case ChartSettingKind::LabelArea:
        return QString::number(axis.labelSize);
    case ChartSettingKind::Grid:
        return axis.gridVisible ? QStringLiteral("1") : QStringLiteral("0");
    }
    return {};
}

void ApplyStoredChartSettings(const SettingsStore& store, const QString& chartKind, ChartModel& chart)
{
    for (const ChartSetting& s : ChartSettings(chartKind))
        ApplyChartSetting(s, store.read(s.name), chart);
}

} // namespace moldrin
