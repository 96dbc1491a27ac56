// moldrin-demo-data DIR [FILE]: writes a deterministic demo results database for the demo configuration.
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

// [Database] DatabaseName of DIR/ATE.INI, or "" (section and key names compare without case).
QString DatabaseNameOf(const QString& iniPath)
{
    QFile f(iniPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    bool inSection = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(QLatin1String("[Database]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq < 0 || line.startsWith(u';'))
            continue;
        if (line.left(eq).trimmed().compare(QLatin1String("DatabaseName"), Qt::CaseInsensitive) == 0) {
            QString v = line.mid(eq + 1).trimmed();
            if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
                v = v.mid(1, v.size() - 2);
            return v;
        }
    }
    return {};
}

struct Param {
    const char* name;
    double mean, sigma, drift; // drift: total change over the period
    double lsl, usl;           // NAN: none
    int decimals;
};

const Param kParams[] = {
    {"VOUT_5V", 5.0, 0.05, 0.04, 4.75, 5.25, 4},      {"VOUT_3V3", 3.3, 0.03, -0.02, 3.135, 3.465, 4},
    {"IIN_IDLE", 0.25, 0.02, 0.01, NAN, 0.35, 4},      {"RIPPLE_MV", 28.0, 5.0, 4.0, NAN, 50.0, 2},
    {"TEMP_C", 41.0, 2.5, 1.5, NAN, NAN, 2},           {"FREQ_MHZ", 2400.0, 0.12, 0.05, 2399.5, 2400.5, 4},
    {"TXPWR_DBM", 20.0, 0.5, -0.3, 18.0, 22.0, 3},     {"RX_SENS", -95.0, 1.2, 0.8, NAN, -90.0, 2},
};
constexpr int kParamCount = sizeof kParams / sizeof kParams[0];

bool Exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "moldrin-demo-data: %s\n", err ? err : "SQLite error");
        sqlite3_free(err);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: moldrin-demo-data DIR [FILE]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QFileInfo(dir).isDir()) {
        std::fprintf(stderr, "moldrin-demo-data: %s is no folder\n", argv[1]);
        return 1;
    }
    QString name = argc == 3 ? QString::fromLocal8Bit(argv[2]) : DatabaseNameOf(QDir(dir).filePath(QStringLiteral("ATE.INI")));
    if (name.isEmpty())
        name = QStringLiteral("results.db");
    const QString target = QFileInfo(name).isAbsolute() ? name : QDir(dir).filePath(name);
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);

    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(temp).constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "moldrin-demo-data: cannot write %s\n", qPrintable(temp));
        sqlite3_close(db);
        return 1;
    }
    QString create = QStringLiteral("CREATE TABLE Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, "
                                    "PassFail TEXT, TestID TEXT");
    for (const Param& p : kParams)
        create += QStringLiteral(", %1 REAL").arg(QLatin1String(p.name));
    create += QStringLiteral(", Inspected INTEGER, Defectives INTEGER, Defects INTEGER, Units INTEGER)");
    bool ok = Exec(db, "PRAGMA journal_mode=OFF") && Exec(db, create.toUtf8().constData()) && Exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    ok = ok
         && sqlite3_prepare_v2(db, "INSERT INTO Results VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr)
                == SQLITE_OK;

    std::mt19937_64 rng(20261207);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    const int kUnits = 20000;
    const QDateTime start(QDate::currentDate().addDays(-180), QTime(6, 0));
    const double spanSecs = 180.0 * 86400.0 - 8 * 3600.0;
    const char* testers[] = {"ATE-01", "ATE-02", "ATE-03", "ATE-04"};
    const char* testIds[] = {"FT1", "FT2", "BURNIN"};
    for (int u = 0; ok && u < kUnits; ++u) {
        const double t = static_cast<double>(u) / kUnits; // 0..1 over the period, in time order
        const QDateTime when = start.addSecs(static_cast<qint64>(t * spanSecs + uni(rng) * 300.0));
        const int ate = u % 7 == 6 ? 3 : static_cast<int>(uni(rng) * 3); // ATE-04 tests fewer units
        const char* testId = testIds[uni(rng) < 0.6 ? 0 : (uni(rng) < 0.7 ? 1 : 2)];
        bool pass = true;
        double values[kParamCount];
        for (int i = 0; i < kParamCount; ++i) {
            const Param& p = kParams[i];
            double mean = p.mean + p.drift * t;
            // A mean shift on ATE-03 during the last third (a recalibration gone wrong).
            if (ate == 2 && t > 0.66 && (i == 0 || i == 6))
                mean += 2.0 * p.sigma;
            double v = mean + p.sigma * gauss(rng);
            if (uni(rng) < 0.002) // occasional outlier
                v += (uni(rng) < 0.5 ? -1 : 1) * 6.0 * p.sigma;
            const double scale = std::pow(10.0, p.decimals);
            v = std::round(v * scale) / scale;
            values[i] = v;
            if ((!std::isnan(p.lsl) && v < p.lsl) || (!std::isnan(p.usl) && v > p.usl))
                pass = false;
        }
        const QByteArray serial = QStringLiteral("SN%1").arg(100000 + u, 6, 10, QLatin1Char('0')).toUtf8();
        const QByteArray stamp = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        sqlite3_bind_text(insert, 1, serial.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, testers[ate], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, stamp.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, pass ? "PASS" : "FAIL", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, testId, -1, SQLITE_STATIC);
        for (int i = 0; i < kParamCount; ++i)
            sqlite3_bind_double(insert, 6 + i, values[i]);
        // Attribute columns: a lot of inspected units with its defectives and defects.
        const int inspected = 40 + static_cast<int>(uni(rng) * 21);
        const double rate = 0.03 + 0.01 * t + (ate == 2 && t > 0.66 ? 0.02 : 0.0);
        int defectives = 0, defects = 0;
        for (int k = 0; k < inspected; ++k)
            if (uni(rng) < rate) {
                ++defectives;
                defects += 1 + (uni(rng) < 0.3 ? 1 : 0);
            }
        sqlite3_bind_int(insert, 14, inspected);
        sqlite3_bind_int(insert, 15, defectives);
        sqlite3_bind_int(insert, 16, defects);
        sqlite3_bind_int(insert, 17, inspected);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && Exec(db, "COMMIT");
    ok = sqlite3_close(db) == SQLITE_OK && ok;
    if (!ok) {
        QFile::remove(temp);
        std::fprintf(stderr, "moldrin-demo-data: writing %s failed\n", qPrintable(temp));
        return 1;
    }
    // Replace the old file only once the new one is complete.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        std::fprintf(stderr, "moldrin-demo-data: cannot replace %s\n", qPrintable(target));
        return 1;
    }
    std::printf("%s: %d units\n", qPrintable(target), kUnits);
    return 0;
}
