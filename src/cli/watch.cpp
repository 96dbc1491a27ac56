// moldrin-report --watch and --watch-once: every parameter of the product read once per interval, one JSON
// line per new rule mark and per failed read, until SIGINT or SIGTERM.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "common/numberformat.h"
#include "common/savefile.h"
#include "variables/liveproduct.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <csignal>

namespace moldrin::cli
{

namespace
{

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void RequestStop(int)
{
    gStopRequested = 1;
}

// SIGINT and SIGTERM end the run between two reads, or stop a read under way.
void CatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM })
        sigaction(signal, &action, nullptr);
}

// A read stops at the next progress report after a stop signal.
class WatchHost : public data::PlotHost
{
public:
    WatchHost(AppState& state, Prompt& prompt)
        : mState(state)
        , mPrompt(prompt)
    {
    }
    Prompt& prompt() override { return mPrompt; }
    void KeepResponsive(long) override { mState.gStopPlot = gStopRequested != 0; }

private:
    AppState& mState;
    Prompt& mPrompt;
};

// Passes each message on once: a chart whose limits cannot be computed says so at the first read, not at
// every interval.
class OncePrompt : public Prompt
{
public:
    explicit OncePrompt(Prompt& inner)
        : mInner(inner)
    {
    }
    PromptAnswer ask(const PromptMessage& message) override
    {
        if (mSeen.contains(message.text))
            return PromptAnswer::Ok;
        mSeen << message.text;
        return mInner.ask(message);
    }
    QString chooseFile(const FileDialogRequest& request) override { return mInner.chooseFile(request); }

private:
    Prompt& mInner;
    QStringList mSeen;
};

const QString kPointFormat = QStringLiteral("#,##0.0###");

QString NowText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The names of the two charts of a chart type, as the marks name them.
QString ChartName(const QString& chartType, LimitChart which)
{
    if (chartType == kChartIndividualMR)
        return which == LimitChart::Centre ? QStringLiteral("Individual") : QStringLiteral("MR");
    if (which == LimitChart::Centre)
        return chartType.startsWith(QLatin1String("Median")) ? QStringLiteral("Median") : QStringLiteral("X-Bar");
    return chartType.contains(QLatin1String("-R")) ? QStringLiteral("R") : QStringLiteral("s");
}

// One line: the object `write` writes. False when standard output refused it.
bool WriteLine(QTextStream& out, const std::function<void(JsonWriter&)>& write)
{
    QBuffer line;
    line.open(QIODevice::WriteOnly);
    {
        JsonWriter j(line);
        j.beginObject();
        write(j);
        j.endObject();
        if (!j.finish())
            return false;
    }
    out << QString::fromUtf8(line.data());
    out.flush();
    return out.status() == QTextStream::Ok;
}

bool WriteMark(QTextStream& out, const QString& product, const data::PlotSelection& s, const NewRuleMark& m)
{
    return WriteLine(out, [&](JsonWriter& j) {
        j.key("time");
        if (m.time)
            j.string(m.time->toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        else
            j.null();
        j.key("product").string(product).key("parameter").string(s.parameterItem);
        j.key("chart").string(ChartName(s.chartType, m.chart)).key("point").number(double(m.point));
        // The point's value as the chart shows it (its figure digits), not the double it was computed as.
        j.key("rules").string(m.rules).key("value").scalar(PanelFigure(FormatNumber(m.value, kPointFormat)));
        j.key("serials").strings(m.serials);
    });
}

bool WriteFailure(QTextStream& out, const QString& product, const data::DataError& e)
{
    return WriteLine(out, [&](JsonWriter& j) {
        j.key("time").string(NowText()).key("product").string(product).key("error").string(e.description);
    });
}

// The state between runs: per parameter column, the codes raised per point of either chart, as
// [point, codes] pairs of the points that carry any.
const char* const kCharts[] = { "centre", "variation" };

QByteArray StateJson(const LiveProduct& live, const QList<data::PlotSelection>& selections, const AppState& state)
{
    QJsonObject parameters;
    for (int i = 0; i < selections.size(); ++i) {
        QJsonObject charts;
        for (const LimitChart which : { LimitChart::Centre, LimitChart::Variation }) {
            QJsonArray points;
            const std::vector<RuleMark>& raised = live.raised(i, which);
            for (std::size_t k = 0; k < raised.size(); ++k)
                if (raised[k])
                    points.append(QJsonArray { double(k + 1), double(raised[k]) });
            charts[QLatin1String(kCharts[int(which)])] = points;
        }
        parameters[state.gParamColumn.value(selections[i].parameterIndex)] = charts;
    }
    return QJsonDocument(QJsonObject { { QStringLiteral("parameters"), parameters } }).toJson(QJsonDocument::Compact);
}

// Reads the state file into the raised codes; a missing file is a first run. The error text, or "".
QString LoadState(const QString& file, LiveProduct& live, const QList<data::PlotSelection>& selections,
    const AppState& state, bool& found)
{
    QFile f(file);
    found = f.exists();
    if (!found)
        return {};
    if (!f.open(QIODevice::ReadOnly))
        return f.errorString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    if (!doc.isObject())
        return error.errorString();
    const QJsonObject parameters = doc.object().value(QStringLiteral("parameters")).toObject();
    for (int i = 0; i < selections.size(); ++i) {
        const QJsonObject charts = parameters.value(state.gParamColumn.value(selections[i].parameterIndex)).toObject();
        for (const LimitChart which : { LimitChart::Centre, LimitChart::Variation }) {
            std::vector<RuleMark> raised;
            for (const QJsonValue& v : charts.value(QLatin1String(kCharts[int(which)])).toArray()) {
                const QJsonArray pair = v.toArray();
                const qint64 point = pair.at(0).toInteger();
                if (point < 1 || point > std::numeric_limits<int>::max())
                    continue;
                if (raised.size() < std::size_t(point))
                    raised.resize(std::size_t(point));
                raised[std::size_t(point - 1)] = RuleMark(pair.at(1).toInteger());
            }
            live.setRaised(i, which, std::move(raised));
        }
    }
    return {};
}

// Waits `seconds`, or until a stop signal.
void WaitInterval(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!gStopRequested && clock.elapsed() < qint64(seconds * 1000))
        QThread::msleep(50);
}

} // namespace

int WatchReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    QString chartType;
    if (const StepResult r = EveryParameterChart(session, o, err, chartType))
        return *r;
    QList<data::PlotSelection> selections;
    for (int i = 0; i < session.lists.parameterList.size(); ++i) {
        selections << VariablesSelectionFor(session, o, i, chartType);
        selections.back().showZones = true; // the rules need the zones
    }
    LiveProduct live(selections, o.overlapSeconds);
    bool stateFound = false;
    if (!o.stateFile.isEmpty()) {
        // The charts exist after the first read; the raised codes are taken then.
        if (const QString e = LoadState(o.stateFile, live, selections, s, stateFound); !e.isEmpty())
            return Fail(err, kExitMessage, QStringLiteral("cannot read ") + o.stateFile + QStringLiteral(": ") + e);
    }
    gStopRequested = 0;
    CatchStopSignals();
    OncePrompt once(prompt);
    WatchHost host(s, once);
    int code = kExitDone;
    while (!gStopRequested) {
        const ProductRead read = live.Refresh(s, host);
        if (gStopRequested)
            break;
        bool written = true;
        if (read.failure) {
            written = WriteFailure(out, session.product, *read.failure);
            code = kExitMessage;
        } else {
            code = kExitDone;
            for (const ProductMark& m : read.marks)
                written = written && WriteMark(out, session.product, selections[m.parameter], m.mark);
        }
        if (!written)
            return Fail(err, kExitMessage, QStringLiteral("cannot write to standard output"));
        if (!o.stateFile.isEmpty() && !read.failure) {
            const QByteArray json = StateJson(live, selections, s);
            const QString failure = SaveFileAtomically(
                o.stateFile, [&](QIODevice& d) { return d.write(json) == json.size() && d.write("\n") == 1; });
            if (!failure.isEmpty())
                return Fail(
                    err, kExitMessage, QStringLiteral("cannot write ") + o.stateFile + QStringLiteral(": ") + failure);
        }
        if (o.watchOnce)
            return code;
        WaitInterval(o.watchSeconds);
    }
    return kExitDone;
}

} // namespace moldrin::cli
