// The main window's saved settings: names, defaults and correction rules, reading and writing.
#include "mainsettings.h"

#include "common/dates.h"
#include "common/rounding.h"
#include "rules/rulesetup.h"

namespace moldrin
{

namespace
{

// The classic conversion to a 16-bit whole number; nullopt when it would fail.
std::optional<int> WholeNumberOf(const QString& text)
{
    const std::optional<double> v = NumberFromText(text);
    if (!v)
        return std::nullopt;
    const double whole = RoundWhole(*v);
    if (whole < -32768 || whole > 32767)
        return std::nullopt;
    return static_cast<int>(whole);
}

} // namespace

QString BooleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> ReadBoolean(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> v = NumberFromText(t))
        return *v != 0;
    return std::nullopt;
}

std::optional<int> ReadCheckState(const QString& text)
{
    const std::optional<int> v = WholeNumberOf(text);
    if (!v || *v < 0 || *v > 2)
        return std::nullopt;
    return v;
}

QString DateText(const QDate& date)
{
    return IsoDateText(DateOrZero(date));
}

std::optional<QDate> ReadDate(const QString& text, const QString& dateOrder)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const QDateTime when = ParseDateTimeText(text.trimmed(), dateOrder);
    if (!when.isValid())
        return std::nullopt;
    return when.date() == DateZero() ? QDate() : when.date();
}

QString RulesSetupText(const QString& rulesSetup)
{
    QStringList flags;
    for (QChar c : rulesSetup)
        flags << QString(c);
    return flags.join(QLatin1Char(','));
}

void LoadedMainSettings::applyTo(MainWindowValues& values) const
{
    values.range = range;
    values.snFilter = snFilter;
    values.xBarSize = xBarSize;
    const std::pair<const std::optional<int>*, int*> boxes[] = { { &acceptZero, &values.acceptZero },
        { &passOnly, &values.passOnly }, { &lastDataOnly, &values.lastDataOnly }, { &showSpec, &values.showSpec } };
    for (const auto& [read, target] : boxes) {
        if (*read)
            *target = **read;
    }
    values.chartType = chartType;
    values.labelFormat = labelFormat;
    values.labelSize = labelSize;
    if (showGrid)
        values.showGrid = *showGrid;
    if (showZones)
        values.showZones = *showZones;
}

bool UserServerSide(const AppState& state)
{
    return ReadBoolean(state.registry.read(QStringLiteral("ServerSideSubgroups"))).value_or(false);
}

LoadedMainSettings LoadSettings(AppState& state)
{
    const SettingsStore& store = state.registry;
    LoadedMainSettings loaded;

    if (const auto start = ReadDate(store.read(QStringLiteral("CustomStart")), state.gDateOrder))
        state.gCustomStart = *start;
    if (const auto end = ReadDate(store.read(QStringLiteral("CustomEnd")), state.gDateOrder))
        state.gCustomEnd = *end;

    loaded.range = store.read(QStringLiteral("Range"));
    if (loaded.range.isEmpty())
        loaded.range = kDefaultRange;
    loaded.snFilter = store.read(QStringLiteral("SNFilter"));

    const double size = LeadingNumber(store.read(QStringLiteral("XBarSize")).toLatin1().constData());
    loaded.xBarSize = size < 2 || size > 25 ? kDefaultGroupSize : QString::number(static_cast<int>(IntPart(size)));

    loaded.acceptZero = ReadCheckState(store.read(QStringLiteral("IgnoreZero")));
    loaded.passOnly = ReadCheckState(store.read(QStringLiteral("PassOnly")));
    loaded.lastDataOnly = ReadCheckState(store.read(QStringLiteral("LastDataOnly")));
    loaded.showSpec = ReadCheckState(store.read(QStringLiteral("HideUSL/LSL")));

    state.gShowScatterSampleNumber
        = ReadBoolean(store.read(QStringLiteral("ShowHideScatterSampleNumber"))).value_or(false);
    state.gHistogramBarWidth = BarWidthFromText(store.read(QStringLiteral("HistogramBarWidth")));
    state.gParetoBarWidth = BarWidthFromText(store.read(QStringLiteral("ParetoBarWidth")));

    loaded.chartType = store.read(QStringLiteral("ChartType"));
    if (loaded.chartType.isEmpty())
        loaded.chartType = kDefaultChartType;
    loaded.labelFormat = LabelFormatFromText(store.read(QStringLiteral("XBarLabelFormat")));
    loaded.labelSize = LabelAreaFromText(store.read(QStringLiteral("XBarAxisLabelPosition")));

    const QString grid = store.read(QStringLiteral("ShowGrid"));
    if (!grid.isEmpty())
        loaded.showGrid = ReadCheckState(grid);
    const QString zones = store.read(QStringLiteral("ShowABCZone"));
    if (!zones.isEmpty())
        loaded.showZones = ReadCheckState(zones);

    const QString blink = store.read(QStringLiteral("RulesBlinkEnable"));
    if (blink.isEmpty())
        state.gRulesBlinkEnable = true;
    else if (const auto on = ReadBoolean(blink))
        state.gRulesBlinkEnable = *on;

    LoadStoredRulesSetup(state);
    return loaded;
}

QList<QPair<QString, QString>> MainSettingsToSave(const AppState& state, const MainWindowValues& v)
{
    return { { QStringLiteral("INIPath"), state.gINIPath }, { QStringLiteral("Range"), v.range },
        { QStringLiteral("SourceFilter"), v.sourceFilter }, { QStringLiteral("SNFilter"), v.snFilter },
        { QStringLiteral("XBarSize"), v.xBarSize }, { QStringLiteral("IgnoreZero"), QString::number(v.acceptZero) },
        { QStringLiteral("PassOnly"), QString::number(v.passOnly) },
        { QStringLiteral("LastDataOnly"), QString::number(v.lastDataOnly) },
        { QStringLiteral("HideUSL/LSL"), QString::number(v.showSpec) },
        { QStringLiteral("CustomStart"), DateText(state.gCustomStart) },
        { QStringLiteral("CustomEnd"), DateText(state.gCustomEnd) },
        { QStringLiteral("ShowHideScatterSampleNumber"), BooleanText(state.gShowScatterSampleNumber) },
        { QStringLiteral("HistogramBarWidth"), QString::number(state.gHistogramBarWidth) },
        { QStringLiteral("ParetoBarWidth"), QString::number(state.gParetoBarWidth) },
        { QStringLiteral("ChartType"), v.chartType }, { QStringLiteral("XBarLabelFormat"), v.labelFormat },
        { QStringLiteral("XBarAxisLabelPosition"), QString::number(v.labelSize) },
        { QStringLiteral("ShowGrid"), QString::number(v.showGrid) },
        { QStringLiteral("ShowABCZone"), QString::number(v.showZones) } };
}

void SaveSettings(AppState& state, const MainWindowValues& values)
{
    for (const auto& [name, text] : MainSettingsToSave(state, values))
        state.registry.write(name, text);
}

} // namespace moldrin
