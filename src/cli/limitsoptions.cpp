// moldrin-report's saved limits: options, loading and saving, the JSON of the baseline.
#include "cli/limitsoptions.h"

#include <QDir>
#include <QFileInfo>

namespace moldrin::cli
{

void AddLimitsOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        { "save-limits", "Save the plotted main chart's limits as the baseline of its selection." },
        { "saved-limits", "Plot the main chart against the limits saved for its selection." },
    });
}

QString ReadLimitsOptions(const QCommandLineParser& parser, ReportOptions& o)
{
    const bool save = parser.isSet("save-limits"), saved = parser.isSet("saved-limits");
    if (!save && !saved)
        return {};
    if (save && saved)
        return QStringLiteral("--save-limits and --saved-limits exclude each other");
    const bool plots
        = o.command == ReportCommand::Json || o.command == ReportCommand::Png || o.command == ReportCommand::Pdf;
    if (!plots || !o.kind.isEmpty())
        return QStringLiteral("--save-limits and --saved-limits belong to the main chart's --json, --png or --pdf");
    o.limits = save ? LimitsUse::Save : LimitsUse::Saved;
    return {};
}

namespace
{

void WriteChart(JsonWriter& j, const char* name, const HeldChart& c)
{
    j.key(name).beginObject().key("centre").number(c.centre).key("ucl").number(c.ucl);
    j.key("lcl").number(c.lcl).endObject();
}

QString KeyText(const LimitsKey& key)
{
    return key.product + QStringLiteral(" ") + key.column + QStringLiteral(" ") + key.chartType
        + QStringLiteral(" size ") + QString::number(key.groupSize);
}

} // namespace

ReportLimits::ReportLimits(
    const ReportSession& session, const ReportOptions& o, int index, const QString& chartType, int groupSize)
    : mUse(o.limits)
    , mKey { session.product, session.state.gParamColumn.value(index), chartType, groupSize }
    , mSpecification(SpecificationOf(session.state, index))
    , mStore(LimitsFilePath(session.state.gINIPath, QFileInfo(session.state.registry.path()).absolutePath()))
{
}

StepResult ReportLimits::Load(QTextStream& err)
{
    if (mUse != LimitsUse::Saved)
        return {};
    if (const QString failure = mStore.load(); !failure.isEmpty())
        return Fail(err, kExitMessage, failure);
    mSaved = mStore.find(mKey);
    if (!mSaved)
        return Fail(err, kExitMessage,
            QStringLiteral("no limits are saved for ") + KeyText(mKey) + QStringLiteral(" in ")
                + QDir::toNativeSeparators(mStore.path()));
    mHeld = Held(*mSaved, mSpecification);
    return {};
}

StepResult ReportLimits::Save(const VariablesPlotOutcome& outcome, const QString& range, QTextStream& err)
{
    if (mUse != LimitsUse::Save)
        return {};
    if (outcome.stopped || !outcome.limits.completed)
        return Fail(err, kExitMessage, QStringLiteral("no limits were computed, so none were saved"));
    const SavedLimits limits
        = LimitsToSave(mKey, outcome.limits, outcome.pointCount, range, outcome.first, outcome.last, mSpecification);
    if (const QString failure = mStore.save(limits); !failure.isEmpty())
        return Fail(err, kExitMessage, failure);
    err << "moldrin-report: limits of " << KeyText(mKey) << " saved to " << QDir::toNativeSeparators(mStore.path())
        << Qt::endl;
    return {};
}

void ReportLimits::WriteJson(JsonWriter& j) const
{
    if (!mSaved || !mHeld)
        return;
    const SavedLimits& s = *mSaved;
    j.key("limits").beginObject().key("source").string(std::string_view("saved"));
    WriteChart(j, "centreChart", s.centre);
    WriteChart(j, "variationChart", s.variation);
    j.key("sigma").number(s.sigma).key("subgroups").number(double(s.subgroups)).key("range").string(s.range);
    j.key("first").string(s.first.toString(Qt::ISODate)).key("last").string(s.last.toString(Qt::ISODate));
    j.key("savedAt").string(s.savedAt.toString(Qt::ISODate)).key("savedBy").string(s.savedBy);
    j.key("notes").strings(mHeld->notes).endObject();
}

} // namespace moldrin::cli
