// moldrin-report's saved limits: options, loading and saving, the JSON of the baseline.
#include "cli/limitsoptions.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace moldrin::cli
{

void AddLimitsOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        { "save-limits", "Save the plotted main chart's limits as the baseline of its selection." },
        { "saved-limits", "Plot the main chart against the limits saved for its selection." },
        { "stage", "Start a stage of the main chart's own limits on this date (repeatable).", "YYYY-MM-DD" },
    });
}

QString ReadLimitsOptions(const QCommandLineParser& parser, ReportOptions& o)
{
    const bool save = parser.isSet("save-limits"), saved = parser.isSet("saved-limits"), staged = parser.isSet("stage");
    if (!save && !saved && !staged)
        return {};
    if (int(save) + int(saved) + int(staged) > 1)
        return QStringLiteral("--save-limits, --saved-limits and --stage exclude each other");
    const bool plots
        = o.command == ReportCommand::Json || o.command == ReportCommand::Png || o.command == ReportCommand::Pdf;
    if (!plots || !o.kind.isEmpty())
        return QStringLiteral("--save-limits, --saved-limits and --stage belong to the main chart's --json, --png or "
                              "--pdf");
    for (const QString& text : parser.values("stage")) {
        const QDate start = QDate::fromString(text.trimmed(), Qt::ISODate);
        if (!start.isValid())
            return QStringLiteral("--stage takes a date as YYYY-MM-DD, not ") + text;
        o.stages << start;
    }
    std::sort(o.stages.begin(), o.stages.end());
    o.stages.erase(std::unique(o.stages.begin(), o.stages.end()), o.stages.end());
    o.limits = save ? LimitsUse::Save : saved ? LimitsUse::Saved : LimitsUse::Computed;
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

LimitChoice ReportLimits::choice() const
{
    return { mHeld, mStages };
}

ReportLimits::ReportLimits(
    const ReportSession& session, const ReportOptions& o, int index, const QString& chartType, int groupSize)
    : mUse(o.limits)
    , mStages(o.stages)
    , mKey { session.product, session.state.gParamColumn.value(index), chartType, groupSize }
    , mSpecification(SpecificationLimitsOf(session.state, index))
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

void ReportLimits::WriteJson(JsonWriter& j, const VariablesPlotOutcome& outcome) const
{
    if (!outcome.stages.empty()) {
        j.key("limits").beginObject().key("source").string(std::string_view("stages")).key("stages").beginArray();
        for (std::size_t k = 0; k < outcome.stages.size(); ++k) {
            const StageLimits& s = outcome.stages[k];
            const std::size_t end
                = k + 1 < outcome.stages.size() ? outcome.stages[k + 1].first : std::size_t(outcome.pointCount);
            j.beginObject().key("start");
            if (s.start.isValid())
                j.string(s.start.toString(Qt::ISODate));
            else
                j.null();
            j.key("firstPoint").number(double(s.first)).key("pointCount").number(double(end - s.first));
            const ControlLimits& l = s.limits;
            if (l.completed) {
                WriteChart(j, "centreChart", { l.XDoubleBar.value(), l.UCLCentre.value(), l.LCLCentre.value() });
                WriteChart(j, "variationChart", { l.AverageVariation.value(), l.UCLVar.value(), l.LCLVar.value() });
                j.key("sigma").scalar(FigureValue(l.EstSigma));
            }
            j.endObject();
        }
        j.endArray().endObject();
        return;
    }
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
