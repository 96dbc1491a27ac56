// moldrin-report --watch and --watch-once: every parameter of the product read once per interval, one JSON
// line per new rule mark and per failed read, until SIGINT or SIGTERM.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "common/numberformat.h"
#include "common/savefile.h"
#include "variables/liveproduct.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
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

} // namespace

void CatchWatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM })
        sigaction(signal, &action, nullptr);
}

namespace
{

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

// The state between runs: a header, what identifies the data source, the charts' state (LiveProduct::Save),
// then a BLAKE2b hash of all before it, so that a file cut short or changed is found before any of it is used.
const QByteArray kStateMagic = QByteArrayLiteral("moldrin-watch-state");
constexpr qint32 kStateVersion = 2;
constexpr qsizetype kHashSize = 32;
constexpr QCryptographicHash::Algorithm kStateHash = QCryptographicHash::Blake2b_256;

QString DataSourceIdentity(const AppState& state)
{
    return QDir(state.gINIPath).absolutePath() + u'|' + state.gDataSourceKind + u'|'
        + (state.gConnection ? state.gConnection->DbmsName() : QString());
}

QByteArray StateBytes(const LiveProduct& live, const AppState& state)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kStateMagic << kStateVersion << quint8(QSysInfo::ByteOrder) << DataSourceIdentity(state);
        live.Save(out);
    }
    return bytes.append(QCryptographicHash::hash(bytes, kStateHash));
}

// Takes the state kept in `file` into the charts. "" where it was taken, else why it was not (the charts
// are then read from the range's start).
QString LoadState(const QString& file, LiveProduct& live, AppState& state)
{
    QFile f(file);
    if (!f.exists())
        return QStringLiteral("there is none yet");
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read: ") + f.errorString();
    QByteArray body = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return QStringLiteral("it cannot be read: ") + f.errorString();
    const QByteArray hash = body.right(kHashSize);
    body.chop(kHashSize);
    if (hash.size() < kHashSize || QCryptographicHash::hash(body, kStateHash) != hash)
        return QStringLiteral("it is no state of this program or is damaged");
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray magic;
    qint32 version = 0;
    quint8 byteOrder = 0;
    QString source;
    in >> magic >> version >> byteOrder >> source;
    if (magic != kStateMagic || version != kStateVersion || byteOrder != quint8(QSysInfo::ByteOrder))
        return QStringLiteral("it is no state of this version or machine");
    if (source != DataSourceIdentity(state))
        return QStringLiteral("it was made for another data source");
    return live.Restore(in, state);
}

// Writes the state into `file` in one step: "" or why it was not written.
QString SaveState(const QString& file, const LiveProduct& live, const AppState& state)
{
    const QByteArray bytes = StateBytes(live, state);
    const QString failure = SaveFileAtomically(file, [&](QIODevice& d) { return d.write(bytes) == bytes.size(); });
    return failure.isEmpty() ? failure : QStringLiteral("cannot write ") + file + QStringLiteral(": ") + failure;
}

// While watching, a state that changed is written at most this often, and at the end of the run: a large
// state is not written at every interval, and a run that ends without a word goes back at most this far.
constexpr qint64 kStateWriteEveryMs = 5 * 60 * 1000;

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
    if (!o.stateFile.isEmpty()) {
        // Without a state to go on from, the product is read from the range's start and its marks taken as seen.
        if (const QString why = LoadState(o.stateFile, live, s); !why.isEmpty())
            err << "moldrin-report: the state in " << o.stateFile << " is not used (" << why
                << "): the product is read from the start" << Qt::endl;
    }
    CatchWatchStopSignals(); // a signal caught before (while connecting) ends the run before its first read
    OncePrompt once(prompt);
    WatchHost host(s, once);
    int code = kExitDone;
    bool unsaved = false; // the charts went on from the state last written
    QElapsedTimer sinceSaved; // not started before the first write
    while (!gStopRequested) {
        const ProductRead read = live.Refresh(s, host);
        // A read again from the start that failed leaves no charts to go on from: the state written stays.
        unsaved = (unsaved && !(read.failure && read.fromStart)) || read.changed;
        if (read.failure && gStopRequested)
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
        // A run for cron keeps the late-row check's times too.
        const bool due = o.watchOnce ? !read.failure
                                     : unsaved && (!sinceSaved.isValid() || sinceSaved.hasExpired(kStateWriteEveryMs));
        if (!o.stateFile.isEmpty() && due) {
            if (const QString failure = SaveState(o.stateFile, live, s); !failure.isEmpty())
                return Fail(err, kExitMessage, failure);
            unsaved = false;
            sinceSaved.start();
        }
        if (o.watchOnce)
            return code;
        WaitInterval(o.watchSeconds);
    }
    if (!o.stateFile.isEmpty() && unsaved) {
        if (const QString failure = SaveState(o.stateFile, live, s); !failure.isEmpty())
            return Fail(err, kExitMessage, failure);
    }
    return kExitDone;
}

} // namespace moldrin::cli
