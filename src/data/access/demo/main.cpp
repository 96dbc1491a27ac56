// moldrin-demo-data DIR: writes the results database that DIR/ATE.INI names, one table per product
// of the configuration, with the columns and limits of PRODUCTS.INI; or appends units to it as testers do.
#include "common/appstate.h"
#include "common/dates.h"
#include "common/figure.h"
#include "common/prompt.h"
#include "data/config/configfiles.h"
#include "data/config/inifile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <numeric>
#include <optional>
#include <random>

using namespace moldrin;

namespace
{

QString Bare(const QString& bracketed)
{
    QString s = bracketed;
    if (s.startsWith('['))
        s.remove(0, 1);
    if (s.endsWith(']'))
        s.chop(1);
    return s;
}

QString Quoted(const QString& name)
{
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

// How one parameter's readings are drawn: a centred process with a slow drift.
struct Model {
    QString column;
    double lsl = kNoLowerLimit, usl = kNoUpperLimit;
    double nominal = 0, sigma = 1;
};

Model ModelFor(const QString& column, double lsl, double usl, int index)
{
    Model m { column, lsl, usl };
    const bool hasL = !IsLimitSentinel(lsl), hasU = !IsLimitSentinel(usl);
    if (hasL && hasU) {
        m.nominal = (lsl + usl) / 2;
        m.sigma = (usl - lsl) / 10; // a capable process, Cp about 1.67
    } else if (hasU) {
        m.sigma = std::max(std::fabs(usl) * 0.04, 0.01);
        m.nominal = usl - 5 * m.sigma;
    } else if (hasL) {
        m.sigma = std::max(std::fabs(lsl) * 0.04, 0.01);
        m.nominal = lsl + 5 * m.sigma;
    } else {
        m.nominal = 40 + 5 * index;
        m.sigma = 1.5;
    }
    return m;
}

// What a screening of PSU-100 finds: its output ripple is not capable (mean 3 sigma higher, spread 1.5
// times: CpK about 0.8), and tester ATE-02 reads the switching frequency two sigma high. Applied to the
// reading as drawn, so the random draws, and with them every other reading, stay as they were.
double ScreeningFinding(const Model& m, const QString& tester, double v)
{
    if (m.column == QLatin1String("RIPPLE"))
        return m.nominal + 1.5 * (v - m.nominal) + 1.5 * m.sigma;
    if (m.column == QLatin1String("SW_FREQ") && tester == QLatin1String("ATE-02"))
        return v + 2 * m.sigma;
    return v;
}

// What the EWMA and CUSUM of CTL-300 show: its clock frequency holds still (without the slow drift of the
// other readings) until 60 % of the period, then creeps up to 2 sigma at its end, long inside the limits
// of a Shewhart chart.
double ClockDrift(const Model& m, double t, double v)
{
    if (m.column != QLatin1String("CLK_FREQ"))
        return v;
    return v - 0.6 * (t - 0.5) * m.sigma + (t > 0.6 ? 2 * m.sigma * (t - 0.6) / 0.4 : 0.0);
}

bool Exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "moldrin-demo-data: %s\n", err ? err : "SQLite error");
        sqlite3_free(err);
        return false;
    }
    return true;
}

// The inspection of one lot, recorded with the lot's last unit: the sizes and counts of the p, np, u and
// c charts.
struct Lot {
    double inspected, defectives; // p: a varying sample
    double sampled, rejects; // np: a sample of 50
    double units, defects; // u: defects on a few units
    double cosmetic; // c: cosmetic defects on a fixed audit sample
};

// The generator of a product's lots, seeded by the seed and the product's name, so the readings stay as
// they are.
std::mt19937_64 LotGenerator(const QString& product, std::uint64_t seed)
{
    const QByteArray name = product.toUtf8();
    std::vector<std::uint32_t> words(name.begin(), name.end());
    words.push_back(std::uint32_t(seed));
    words.push_back(std::uint32_t(seed >> 32));
    std::seed_seq sequence(words.begin(), words.end());
    return std::mt19937_64(sequence);
}

// A product's `count` lots. A few lots run out of control: two bad lots and a run of eight worse ones.
std::vector<Lot> MakeLots(long count, const QString& product, std::uint64_t seed)
{
    std::mt19937_64 rng = LotGenerator(product, seed);
    std::vector<Lot> lots;
    for (long l = 0; l < count; ++l) {
        double worse = 1;
        if (l == count / 4 || l == count * 4 / 5)
            worse = 5;
        else if (l >= count * 11 / 20 && l < count * 11 / 20 + 8)
            worse = 1.8;
        const double p = std::min(0.9, 0.04 * worse);
        Lot lot {};
        const int draw = std::uniform_int_distribution<int>(0, 5)(rng); // most lots 50, some 40 or 60
        lot.inspected = draw == 0 ? 40 : draw == 5 ? 60 : 50;
        lot.defectives = std::binomial_distribution<int>(int(lot.inspected), p)(rng);
        lot.sampled = 50;
        lot.rejects = std::binomial_distribution<int>(50, p)(rng);
        lot.units = 1 + std::uniform_int_distribution<int>(0, 4)(rng);
        lot.defects = std::poisson_distribution<int>(2.5 * worse * lot.units)(rng);
        lot.cosmetic = std::poisson_distribution<int>(6 * worse)(rng);
        lots.push_back(lot);
    }
    return lots;
}

// CTL-300's lots as its optical inspection counts them: 15,000 to 45,000 boards a lot, whose reject rate
// (about 0.8 %) and defect rate (about 3 a hundred boards) vary from lot to lot by some 25 %, far more than
// the counts alone explain: a p chart flags most lots, Laney's p' and u' only the two that really differ,
// at three times the rates. The statements read a count of 999 as no value (the sentinel of an absent
// limit), so such a count is written as 1,000.
std::vector<Lot> MakeInspectionLots(long count, const QString& product, std::uint64_t seed)
{
    std::mt19937_64 rng = LotGenerator(product, seed);
    std::normal_distribution<double> spread(1, 0.25);
    const auto varied = [&](double rate) { return rate * std::max(0.2, spread(rng)); };
    std::vector<Lot> lots;
    for (long l = 0; l < count; ++l) {
        const double worse = l == count / 3 || l == count * 3 / 4 ? 3 : 1;
        Lot lot {};
        lot.inspected = 10 * std::uniform_int_distribution<int>(1500, 4500)(rng);
        lot.units = lot.inspected;
        lot.defectives = std::binomial_distribution<int>(int(lot.inspected), varied(0.008 * worse))(rng);
        lot.defects = std::poisson_distribution<int>(varied(0.03 * worse) * lot.units)(rng);
        for (double* c : { &lot.defectives, &lot.defects })
            *c = IsLimitSentinel(*c) ? 1000 : *c;
        lots.push_back(lot);
    }
    return lots;
}

struct Options {
    long units = 20000;
    int days = 180;
    bool shuffle = false;
    int jitter = 0; // seconds a stamp may lie early or late
    bool index = false;
    QString onlyProduct;
    std::uint64_t seed = 2026;
    double appendEvery = 0; // seconds; 0: write the database afresh
    double shiftAfter = 120;
};

// A product's table as created: the parameter models, the attribute columns and the prepared INSERT.
struct ProductTable {
    QString table;
    QList<Model> models;
    QStringList fixed; // serial, tester, start time, verdict, Test ID
    QStringList attributes;
    QString pass, fail, prefix;
    sqlite3_stmt* insert = nullptr;
    ~ProductTable() { sqlite3_finalize(insert); }
};

// Reads the product's table name, columns and limits from PRODUCTS.INI.
bool LoadProductTable(AppState& state, const QString& product, ProductTable& t)
{
    ScriptedPrompt quiet;
    data::SelectionLists lists;
    data::LoadColumnNames(state, quiet, product);
    data::LoadProductSpec(state, quiet, lists, product);
    for (const PromptMessage& m : quiet.messages)
        std::fprintf(stderr, "moldrin-demo-data: %s: %s\n", qPrintable(product), qPrintable(m.text));
    t.table
        = data::ReadINI(product, QStringLiteral("TableName"), data::ConfigFilePath(state.gINIPath, data::kProductsIni));
    if (t.table.isEmpty()) {
        std::fprintf(stderr, "moldrin-demo-data: %s has no TableName\n", qPrintable(product));
        return false;
    }
    for (qsizetype i = 0; i < state.gParamColumn.size() && lists.parameterListEnabled; ++i)
        t.models << ModelFor(state.gParamColumn[i], state.gLSL[i], state.gUSL[i], int(i));
    for (const QString& a : { state.gPChartNonConfColumn, state.gPChartSubGroupColumn, state.gNPChartNonConfColumn,
             state.gNPChartSubGroupColumn, state.gUChartNonConfColumn, state.gUChartSubGroupColumn,
             state.gCChartNonConfColumn })
        if (!a.isEmpty() && !t.attributes.contains(a))
            t.attributes << a;

    t.fixed = QStringList { Bare(state.gColSerialNumber), Bare(state.gColATEID), Bare(state.gColTestStartTime),
        Bare(state.gColPassFail), Bare(state.gColTestID) };
    t.pass = state.gPassValue;
    if (t.pass.startsWith('\'') && t.pass.endsWith('\'') && t.pass.size() >= 2)
        t.pass = t.pass.mid(1, t.pass.size() - 2);
    t.fail = t.pass == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("FAIL");
    t.prefix = QString(product).remove('-').left(6).toUpper();
    return true;
}

bool Prepare(sqlite3* db, const QString& statement, sqlite3_stmt*& prepared)
{
    if (sqlite3_prepare_v2(db, statement.toUtf8().constData(), -1, &prepared, nullptr) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "moldrin-demo-data: %s\n", sqlite3_errmsg(db));
    return false;
}

// Reads the product's columns and limits and creates its table afresh.
bool CreateProductTable(sqlite3* db, AppState& state, const QString& product, ProductTable& t)
{
    if (!LoadProductTable(state, product, t))
        return false;
    QStringList defs;
    for (const QString& c : std::as_const(t.fixed))
        defs << Quoted(c) + " TEXT";
    for (const Model& m : std::as_const(t.models))
        defs << Quoted(m.column) + " REAL";
    for (const QString& a : std::as_const(t.attributes))
        defs << Quoted(a) + " REAL";
    if (!Exec(db, "DROP TABLE IF EXISTS " + Quoted(t.table))
        || !Exec(db, "CREATE TABLE " + Quoted(t.table) + " (" + defs.join(", ") + ")"))
        return false;
    QStringList marks(defs.size(), QStringLiteral("?"));
    return Prepare(db, "INSERT INTO " + Quoted(t.table) + " VALUES (" + marks.join(',') + ")", t.insert);
}

// The random draws of the readings and the Test ID, in the order the demo has always made them.
struct Draws {
    std::mt19937_64& rng;
    std::normal_distribution<double> normal { 0, 1 };
    std::uniform_real_distribution<double> unit { 0, 1 };
};

// One unit's readings at time `t` (0 .. 1 over the period) and whether all lie within their limits.
QList<double> Readings(const ProductTable& p, const QString& tester, double t, Draws& d, bool& ok)
{
    QList<double> values;
    ok = true;
    for (qsizetype i = 0; i < p.models.size(); ++i) {
        const Model& m = p.models[i];
        double v = m.nominal + m.sigma * (d.normal(d.rng) + 0.6 * (t - 0.5));
        if (i == 0 && t > 0.7)
            v += 1.2 * m.sigma; // a mean shift late in the period
        if (tester == QLatin1String("ATE-03"))
            v += 0.3 * m.sigma; // one tester reads a little high
        if (d.unit(d.rng) < 0.0007)
            v += (d.unit(d.rng) < 0.5 ? -1 : 1) * 6 * m.sigma; // an outlier
        v = ClockDrift(m, t, ScreeningFinding(m, tester, v));
        v = std::round(v * 10000) / 10000;
        if ((!IsLimitSentinel(m.lsl) && v < m.lsl) || (!IsLimitSentinel(m.usl) && v > m.usl))
            ok = false;
        values << v;
    }
    return values;
}

// The attribute column `a` of the lot's last unit: that chart's size or count.
double AttributeValue(const AppState& state, const QString& a, const Lot& lot)
{
    if (a == state.gPChartNonConfColumn)
        return lot.defectives;
    if (a == state.gPChartSubGroupColumn)
        return lot.inspected;
    if (a == state.gNPChartNonConfColumn)
        return lot.rejects;
    if (a == state.gNPChartSubGroupColumn)
        return lot.sampled;
    if (a == state.gUChartNonConfColumn)
        return lot.defects;
    if (a == state.gUChartSubGroupColumn)
        return lot.units;
    return lot.cosmetic;
}

// Binds a unit's serial number, tester, start time, verdict, Test ID and readings to the product's INSERT;
// the next column to bind.
int BindUnit(const ProductTable& p, const QString& serial, const QString& tester, const QDateTime& when, bool ok,
    const QString& testId, const QList<double>& values)
{
    int col = 1;
    for (const QString& text :
        { serial, tester, IsoDateTimeText(when.date(), when.time()), ok ? p.pass : p.fail, testId }) {
        const QByteArray b = text.toUtf8();
        sqlite3_bind_text(p.insert, col++, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    for (double v : values)
        sqlite3_bind_double(p.insert, col++, v);
    return col;
}

// Writes one product's table: `units` rows over `days` days before today, with a mean shift late in the
// period on the first parameter, a few outliers, and verdicts that follow the limits. The units form one
// lot a day (or a unit, with fewer units than days); the attribute columns hold the lot's inspection in
// its last unit's row and are empty in the others.
bool WriteProduct(sqlite3* db, AppState& state, const QString& product, const QStringList& testIds, const Options& o,
    std::mt19937_64& rng)
{
    ProductTable p;
    if (!CreateProductTable(db, state, product, p))
        return false;
    Draws draws { rng };
    std::vector<long> order(o.units);
    std::iota(order.begin(), order.end(), 0L);
    if (o.shuffle)
        std::shuffle(order.begin(), order.end(), rng);
    const QDateTime end(QDate::currentDate(), QTime(0, 0));
    const qint64 span = qint64(o.days) * 86400;
    const QStringList testers { "ATE-01", "ATE-02", "ATE-03", "ATE-04" };
    const long lotCount = std::min<long>(o.days, o.units);
    const auto lotOf = [&](long k) { return long(k * lotCount / o.units); };
    const std::vector<Lot> lots = product == QLatin1String("CTL-300") ? MakeInspectionLots(lotCount, product, o.seed)
                                                                      : MakeLots(lotCount, product, o.seed);
    // A station's clock and queue put a stamp a little early or late; drawn apart so the readings stay.
    std::mt19937_64 clockRng(o.seed ^ 0x6A177E5ULL);
    std::uniform_int_distribution<int> jitter(-o.jitter, o.jitter);
    Exec(db, "BEGIN");
    for (long k : order) {
        const double t = double(k) / double(std::max(1L, o.units - 1)); // 0 .. 1 over the period
        const QDateTime when
            = end.addSecs(-span + qint64(t * double(span - 60)) + (o.jitter > 0 ? jitter(clockRng) : 0));
        const QString tester = testers[int(k * 7 % 11) % testers.size()];
        bool ok = true;
        const QList<double> values = Readings(p, tester, t, draws, ok);
        int col = BindUnit(p, QStringLiteral("%1%2").arg(p.prefix).arg(k + 1, 7, 10, QChar('0')), tester, when, ok,
            testIds.isEmpty() ? QStringLiteral("FT1") : testIds[draws.unit(rng) < 0.85 ? 0 : int(k % testIds.size())],
            values);
        // Each unit once drew its attribute counts here; the draw stays so that the readings do not change.
        rng.discard(1);
        const bool lotEnd = k == o.units - 1 || lotOf(k + 1) != lotOf(k);
        for (const QString& a : std::as_const(p.attributes)) {
            if (lotEnd)
                sqlite3_bind_double(p.insert, col++, AttributeValue(state, a, lots[std::size_t(lotOf(k))]));
            else
                sqlite3_bind_null(p.insert, col++);
        }
        if (sqlite3_step(p.insert) != SQLITE_DONE) {
            std::fprintf(stderr, "moldrin-demo-data: %s\n", sqlite3_errmsg(db));
            return false;
        }
        sqlite3_reset(p.insert);
    }
    if (o.index
        && !Exec(db,
            "CREATE INDEX " + Quoted(p.table + "_" + p.fixed[2]) + " ON " + Quoted(p.table) + " (" + Quoted(p.fixed[2])
                + ")"))
        return false;
    return Exec(db, "COMMIT");
}

volatile std::sig_atomic_t gStopAppending = 0;

extern "C" void StopAppending(int)
{
    gStopAppending = 1;
}

// One interval's units of a product as its testers write them, spread over the interval up to now: readings
// of the process in the middle of its period (no drift); with `shifted` the first parameter runs 2.5 sigma
// high.
bool AppendProductUnits(
    sqlite3* db, ProductTable& p, const QString& testId, double interval, bool shifted, long& unit, Draws& draws)
{
    constexpr int kUnitsPerInterval = 5;
    const QStringList testers { "ATE-01", "ATE-02", "ATE-03", "ATE-04" };
    const QDateTime now = QDateTime::currentDateTime();
    for (int k = 0; k < kUnitsPerInterval; ++k, ++unit) {
        const QString tester = testers[int(unit % testers.size())];
        bool ok = true;
        QList<double> values = Readings(p, tester, 0.5, draws, ok);
        if (shifted && !values.isEmpty()) {
            const Model& m = p.models.front();
            values.front() = std::round((values.front() + 2.5 * m.sigma) * 10000) / 10000;
            ok = ok && (IsLimitSentinel(m.usl) || values.front() <= m.usl);
        }
        const QDateTime when = now.addMSecs(-qint64((kUnitsPerInterval - 1 - k) * interval * 1000 / kUnitsPerInterval));
        BindUnit(
            p, QStringLiteral("%1L%2").arg(p.prefix).arg(unit, 9, 10, QChar('0')), tester, when, ok, testId, values);
        if (sqlite3_step(p.insert) != SQLITE_DONE) {
            std::fprintf(stderr, "moldrin-demo-data: %s\n", sqlite3_errmsg(db));
            return false;
        }
        sqlite3_reset(p.insert);
    }
    return true;
}

// --append-every: appends units to every product's table of the existing database every `interval` seconds,
// in WAL mode so that readers go on reading while it writes, until SIGINT or SIGTERM. After `shiftAfter`
// seconds the first parameter shifts, so that a watching chart raises an alarm within a few minutes.
int AppendUnits(
    const QString& target, AppState& state, const QStringList& products, const QString& testId, const Options& o)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "moldrin-demo-data: cannot open %s: write it first\n", qPrintable(target));
        sqlite3_close(db);
        return 1;
    }
    sqlite3_busy_timeout(db, 5000);
    std::vector<std::unique_ptr<ProductTable>> tables;
    bool ok = Exec(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    for (const QString& product : products) {
        auto t = std::make_unique<ProductTable>();
        ok = ok && LoadProductTable(state, product, *t);
        QStringList columns = t->fixed;
        for (const Model& m : std::as_const(t->models))
            columns << m.column;
        for (QString& c : columns)
            c = Quoted(c);
        const QStringList marks(columns.size(), QStringLiteral("?"));
        ok = ok
            && Prepare(db,
                "INSERT INTO " + Quoted(t->table) + " (" + columns.join(',') + ") VALUES (" + marks.join(',') + ")",
                t->insert);
        tables.push_back(std::move(t));
    }
    for (int signal : { SIGINT, SIGTERM })
        std::signal(signal, StopAppending);
    std::mt19937_64 rng(o.seed ^ std::uint64_t(QDateTime::currentMSecsSinceEpoch()));
    Draws draws { rng };
    long unit = QDateTime::currentSecsSinceEpoch() % 1000000 * 1000;
    QElapsedTimer clock;
    clock.start();
    while (ok && !gStopAppending) {
        const bool shifted = clock.elapsed() >= qint64(o.shiftAfter * 1000);
        ok = Exec(db, QStringLiteral("BEGIN IMMEDIATE"));
        for (auto& t : tables)
            ok = ok && AppendProductUnits(db, *t, testId, o.appendEvery, shifted, unit, draws);
        ok = Exec(db, ok ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")) && ok;
        std::printf("%s %s\n", qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)),
            shifted ? "appended units (shifted)" : "appended units");
        std::fflush(stdout);
        QElapsedTimer wait;
        wait.start();
        while (!gStopAppending && wait.elapsed() < qint64(o.appendEvery * 1000))
            QThread::msleep(50);
    }
    tables.clear();
    sqlite3_close(db);
    return ok ? 0 : 1;
}

} // namespace

// The generator's options from its command line; nothing after a usage error has been written.
std::optional<Options> ReadOptions(const QCoreApplication& app, QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Writes the results database that DIR/ATE.INI names."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Configuration folder."));
    parser.addOptions({ { "units", "Units per product (default 20000).", "N" },
        { "days", "Days before today the units spread over (default 180).", "D" },
        { "shuffle", "Rows not in time order." },
        { "jitter", "Each start time up to S seconds early or late, rows still in unit order.", "S" },
        { "index", "An index on the start time." }, { "product", "Only this product.", "NAME" },
        { "seed", "Random seed (default 2026).", "S" },
        { "append-every",
            "Append units to the existing database every S seconds as testers do, until stopped; the first "
            "parameter shifts after --shift-after.",
            "S" },
        { "shift-after", "With --append-every: seconds before the shift (default 120).", "S" } });
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr,
            "usage: moldrin-demo-data [--units N] [--days D] [--shuffle] [--jitter S] [--index] [--product NAME] "
            "DIR\n");
        return std::nullopt;
    }
    Options o;
    if (parser.isSet("units"))
        o.units = parser.value("units").toLong();
    if (parser.isSet("days"))
        o.days = parser.value("days").toInt();
    o.shuffle = parser.isSet("shuffle");
    o.jitter = parser.value("jitter").toInt();
    o.index = parser.isSet("index");
    o.onlyProduct = parser.value("product");
    if (o.units < 1 || o.days < 1 || o.jitter < 0) {
        std::fprintf(stderr,
            "moldrin-demo-data: --units and --days take positive whole numbers, --jitter a whole "
            "number of seconds\n");
        return std::nullopt;
    }
    if (parser.isSet("seed"))
        o.seed = parser.value("seed").toULongLong();
    bool every = true, shift = true;
    if (parser.isSet("append-every"))
        o.appendEvery = parser.value("append-every").toDouble(&every);
    if (parser.isSet("shift-after"))
        o.shiftAfter = parser.value("shift-after").toDouble(&shift);
    if (!every || !shift || (parser.isSet("append-every") && !(o.appendEvery >= 0.1)) || !(o.shiftAfter >= 0)) {
        std::fprintf(stderr, "moldrin-demo-data: --append-every and --shift-after take seconds\n");
        return std::nullopt;
    }
    return o;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const std::optional<Options> options = ReadOptions(app, parser);
    if (!options)
        return 2;
    const Options& o = *options;
    const QString dir = QDir(parser.positionalArguments().first()).absolutePath();
    AppState state(QString {});
    state.gINIPath = dir;
    const QString ate = data::ConfigFilePath(dir, data::kAteIni);
    const QString dbName = data::ReadINI(QStringLiteral("Database"), QStringLiteral("DatabaseName"), ate);
    if (dbName.isEmpty()) {
        std::fprintf(stderr, "moldrin-demo-data: no [Database] DatabaseName in %s\n", qPrintable(ate));
        return 1;
    }
    const QString target = QDir(dir).absoluteFilePath(dbName);
    const QString ateSection = data::kAteSection;
    QStringList products;
    for (const QString& p : data::SplitProducts(data::ReadINI(ateSection, QStringLiteral("TestProduct"), ate)))
        if (!p.trimmed().isEmpty() && (o.onlyProduct.isEmpty() || p.trimmed() == o.onlyProduct))
            products << p.trimmed();
    QStringList testIds = data::ReadINI(ateSection, QStringLiteral("TestID"), ate).split(',', Qt::SkipEmptyParts);
    for (QString& id : testIds)
        id = id.trimmed();
    if (o.appendEvery > 0)
        return AppendUnits(target, state, products, testIds.value(0, QStringLiteral("FT1")), o);
    const QString temp = target + QStringLiteral(".part");
    QFile::remove(temp);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(temp).constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "moldrin-demo-data: cannot write %s\n", qPrintable(temp));
        sqlite3_close(db);
        return 1;
    }
    Exec(db, QStringLiteral("PRAGMA journal_mode=OFF"));
    Exec(db, QStringLiteral("PRAGMA synchronous=OFF"));
    std::mt19937_64 rng(o.seed);
    bool ok = true;
    for (const QString& p : std::as_const(products))
        ok = WriteProduct(db, state, p, testIds, o, rng) && ok;
    sqlite3_close(db);
    if (!ok || !QFile::exists(temp)) {
        QFile::remove(temp);
        return 1;
    }
    // Replace the old file only once the new one is complete.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        std::fprintf(stderr, "moldrin-demo-data: cannot replace %s\n", qPrintable(target));
        QFile::remove(temp);
        return 1;
    }
    std::printf("%s\n", qPrintable(target));
    return 0;
}
