// The component on real files: SQLite, the Access fixtures, Excel workbooks made by Debian's python3.
#include "data/access/connection.h"
#include "data/access/fileloaders.h"
#include "data/access/rowcursor.h"
#include "sampledata.h"
#include "testsupport.h"

#include <QSqlError>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>

#if defined(__x86_64__)
#include <cpuid.h>
#endif
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

const QString kMainDec6 = QStringLiteral(
    "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX FROM Results "
    "WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN #06/Dec/2026# AND "
    "#06/Dec/2026 23:59:59# AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 ORDER BY "
    "[TestStartTime], [ATEID];");

QString MakeSQLiteFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("results.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        EXPECT_TRUE(test::WriteSampleRows(db));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    return path;
}

} // namespace

TEST(SQLiteEngine, StreamsCountsAndTypesValues)
{
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    Connection c;
    EXPECT_EQ(c.State(), ObjectState::Closed);
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    EXPECT_EQ(c.State(), ObjectState::Open);
    Recordset rs;
    ASSERT_FALSE(rs.Open(kMainDec6, c));
    // Rows of 6 Dec: start times from 5 Dec 08:00 every 37 minutes; minus FAIL, null and 999 rows.
    int expected = 0;
    for (const test::SampleRow& r : test::SampleRows())
        if (r.start.date() == QDate(2026, 12, 6) && r.passFail == QLatin1String("PASS") && !r.vout.isNull()
            && r.vout.toDouble() != 999)
            ++expected;
    EXPECT_EQ(rs.RecordCount(), expected);
    ASSERT_FALSE(rs.Eof());
    auto date = rs.Fields(QStringLiteral("datex")); // any letter case
    ASSERT_FALSE(date.error);
    EXPECT_EQ(date.value.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(date.value.toDateTime().date(), QDate(2026, 12, 6));
    EXPECT_EQ(rs.Fields(QStringLiteral("ValueX")).value.typeId(), QMetaType::Double);
    EXPECT_EQ(rs.Fields(QStringLiteral("SNX")).value.typeId(), QMetaType::QString);
    EXPECT_EQ(rs.Fields(QStringLiteral("Nope")).error->number, kErrInvalidData1);
    int n = 0;
    QDateTime last;
    while (!rs.Eof()) {
        const QDateTime when = rs.Fields(QStringLiteral("DateX")).value.toDateTime();
        EXPECT_LE(last, when);
        last = when;
        ++n;
        ASSERT_FALSE(rs.MoveNext());
    }
    EXPECT_EQ(n, expected);
    EXPECT_EQ(rs.Fields(QStringLiteral("SNX")).error->number, kErrNoCurrentRecord);
    EXPECT_EQ(rs.MoveNext()->number, kErrNoCurrentRecord);
    // A second pass reads the same rows.
    ASSERT_FALSE(rs.MoveFirst());
    EXPECT_EQ(rs.Fields(QStringLiteral("DateX")).value.toDateTime().date(), QDate(2026, 12, 6));
    rs.Close();
    EXPECT_EQ(rs.State(), ObjectState::Closed);
}

TEST(SQLiteEngine, AProgressCallbackRunsDuringALongSortAndCanInterruptIt)
{
    QTemporaryDir dir;
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + MakeSQLiteFile(dir) + u';'));
    // Two hundred thousand generated rows sorted: no row comes before the sort is done.
    const QString sorted
        = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 200000) "
                         "SELECT x AS X FROM n ORDER BY -x");
    int calls = 0;
    c.SetProgressCallback([&calls] { return ++calls < 3; });
    Recordset rs;
    const Status interrupted = rs.Open(sorted, c, Recordset::Count::Skip);
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(interrupted->number, kErrInterrupted);
    EXPECT_EQ(calls, 3);

    int quiet = 0;
    c.SetProgressCallback([&quiet] { return ++quiet > 0; });
    ASSERT_FALSE(rs.Open(sorted, c, Recordset::Count::Skip));
    EXPECT_GT(quiet, 3); // called all through the sort
    EXPECT_EQ(rs.Fields(QStringLiteral("X")).value.toDouble(), 200000);
    EXPECT_EQ(rs.RecordCount(), -1); // not counted
    c.SetProgressCallback({});
    const int before = quiet;
    ASSERT_FALSE(rs.Open(sorted, c));
    EXPECT_EQ(quiet, before);
    EXPECT_EQ(rs.RecordCount(), 200000);
}

TEST(SQLiteEngine, EmptyResultAndErrors)
{
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [VOUT_5V] AS ValueX FROM Results WHERE [SerialNumber] = 'none';"), c));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.Fields(QStringLiteral("ValueX")).error->number, kErrNoCurrentRecord);
    EXPECT_EQ(rs.MoveFirst()->number, kErrNoCurrentRecord);
    EXPECT_EQ(rs.Open(QStringLiteral("SELECT [NoSuchColumn] AS ValueX FROM Results;"), c)->number, kErrInvalidData1);
    EXPECT_EQ(rs.Open(QStringLiteral("SELECT [ATEID] AS ValueX FROM NoTable;"), c)->number, kErrInvalidData1);
    const Status syntax = rs.Open(QStringLiteral("SELECT FROM WHERE;"), c);
    ASSERT_TRUE(syntax);
    EXPECT_EQ(syntax->number, kErrCommand);
    EXPECT_FALSE(syntax->description.isEmpty());
    EXPECT_EQ(rs.Open(QString(), c)->number, kErrCommand);
    c.Close();
    EXPECT_EQ(rs.Open(QStringLiteral("SELECT 1;"), c)->number, kErrCommand);
}

TEST(SQLiteEngine, ClosingTheConnectionClosesItsRecordsets)
{
    // A statement left running keeps the engine from closing the connection, which is then never freed
    // (the leak check of the sanitizer build sees it); every product selection reopens the connection.
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    Connection c;
    Recordset first, second;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    ASSERT_FALSE(first.Open(kMainDec6, c));
    ASSERT_FALSE(second.Open(QStringLiteral("SELECT [ATEID] AS ATEx FROM Results;"), c));
    first.Close();
    ASSERT_FALSE(first.Open(kMainDec6, c)); // reopened: still one entry on the connection
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    for (Recordset* rs : { &first, &second }) {
        EXPECT_EQ(rs->State(), ObjectState::Closed);
        EXPECT_TRUE(rs->Eof());
        EXPECT_EQ(rs->MoveFirst()->number, kErrCommand);
    }
    ASSERT_FALSE(second.Open(kMainDec6, c));
    {
        Connection shortLived;
        ASSERT_FALSE(shortLived.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
        ASSERT_FALSE(first.Open(kMainDec6, shortLived));
    }
    EXPECT_EQ(first.State(), ObjectState::Closed); // its connection is gone, and with it the statement
    EXPECT_EQ(second.State(), ObjectState::Open);
    c.Close();
    EXPECT_EQ(second.State(), ObjectState::Closed);
}

TEST(SQLiteEngine, MissingOrForeignFileIsNeverCreatedOrAccepted)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("absent.db"));
    Connection c;
    const Status s = c.Open(QStringLiteral("Provider=SQLite;Data Source=") + missing + u';');
    ASSERT_TRUE(s);
    EXPECT_EQ(s->number, kErrConnect);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(c.State(), ObjectState::Closed);
    const QString text = dir.filePath(QStringLiteral("text.db"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no database, just some text that is long enough to be read as a header\n");
    f.close();
    EXPECT_EQ(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + text + u';')->number, kErrConnect);
    EXPECT_EQ(c.Open(QStringLiteral("Provider=Nobody;Data Source=x;"))->number, kErrConnect);
}

TEST(SQLiteEngine, WritesFailAndTheFileStaysUnchanged)
{
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    const QByteArray before = test::FileHash(path);
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    Recordset rs;
    EXPECT_TRUE(rs.Open(QStringLiteral("DELETE FROM Results;"), c));
    EXPECT_TRUE(rs.Open(QStringLiteral("  insert into Results (ATEID) values ('x');"), c));
    // The engine itself refuses too: the guard above is not the only one.
    QSqlQuery raw(QSqlDatabase::database(c.connectionName()));
    EXPECT_FALSE(raw.exec(QStringLiteral("DELETE FROM Results")));
    EXPECT_FALSE(raw.exec(QStringLiteral("CREATE TABLE x (a)")));
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [ATEID] AS ATEx FROM Results GROUP BY [ATEID] ORDER BY [ATEID];"), c));
    EXPECT_EQ(rs.RecordCount(), 5); // null, '', ATE-01..03
    rs.Close();
    c.Close();
    EXPECT_EQ(test::FileHash(path), before);
}

TEST(AccessEngine, DoubleTableOfTheJet3Fixture)
{
    const QString path = test::FixturesDir() + QStringLiteral("/jackcess-testIndexCodesV1997.mdb");
    const QByteArray before = test::FileHash(path);
    ASSERT_FALSE(before.isEmpty()) << qPrintable(path);
    Connection c;
    const Status s = c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + u';');
    ASSERT_FALSE(s) << qPrintable(s->description);
    EXPECT_EQ(c.Kind(), SourceKind::Access);
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT MIN([data]) AS Lo, MAX([data]) AS Hi, COUNT(*) AS N FROM Table4;"), c));
    EXPECT_EQ(rs.Fields(QStringLiteral("N")).value.toDouble(), 20);
    EXPECT_CLOSE(rs.Fields(QStringLiteral("Lo")).value.toDouble(), -8540982423.45);
    EXPECT_CLOSE(rs.Fields(QStringLiteral("Hi")).value.toDouble(), 309840983.0);
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [name] AS SNX FROM Table4 WHERE [data] > 0 ORDER BY [data];"), c));
    EXPECT_GT(rs.RecordCount(), 0);
    EXPECT_LT(rs.RecordCount(), 20);
    EXPECT_TRUE(rs.Open(QStringLiteral("DELETE FROM Table4;"), c));
    rs.Close();
    c.Close();
    EXPECT_EQ(test::FileHash(path), before);
}

TEST(AccessEngine, EdgeDatesFromRawOleValues)
{
    const QString path = test::FixturesDir() + QStringLiteral("/jackcess-testIndexCodesV1997.mdb");
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + u';'));
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [data] AS DateX FROM Table6;"), c));
    EXPECT_EQ(rs.RecordCount(), 23);
    QStringList seen;
    int nulls = 0;
    while (!rs.Eof()) {
        const QVariant v = rs.Fields(QStringLiteral("DateX")).value;
        if (v.isNull())
            ++nulls;
        else {
            EXPECT_EQ(v.typeId(), QMetaType::QDateTime);
            seen << v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        ASSERT_FALSE(rs.MoveNext());
    }
    EXPECT_GT(nulls, 0);
    for (const char* want : { "1899-12-30 00:00:00", "1899-12-30 00:00:30", "1899-12-30 05:15:07",
             "1999-11-11 00:00:00", "2007-03-03 15:13:00" })
        EXPECT_TRUE(seen.contains(QLatin1String(want))) << want << " in " << qPrintable(seen.join(u','));
    bool before1899 = false, farFuture = false;
    for (const QString& s : seen) {
        before1899 |= s < QLatin1String("1899-12-30");
        farFuture |= s.startsWith(QLatin1String("4103")) || s.startsWith(QLatin1String("4374"));
        EXPECT_FALSE(s.contains(QLatin1String("-00"))) << qPrintable(s);
    }
    EXPECT_TRUE(before1899);
    EXPECT_TRUE(farFuture);
}

TEST(AccessEngine, Jet4FixtureWithTimes)
{
    const QString path = test::FixturesDir() + QStringLiteral("/jackcess-test2V2003.mdb");
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + u';'));
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT * FROM MSP_PROJECTS;"), c));
    EXPECT_EQ(rs.RecordCount(), 1);
    c.Close();
    EXPECT_EQ(c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/nonexistent/x.mdb;"))->number,
        kErrConnect);
}

class ExcelEngine : public ::testing::TestWithParam<bool>
{
};

TEST_P(ExcelEngine, SheetAsTableWithDates)
{
    const bool xlsx = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(xlsx ? QStringLiteral("book.xlsx") : QStringLiteral("book.xls"));
    const QString err = test::RunDebianPython(test::SamplePython(xlsx, path));
    ASSERT_TRUE(err.isEmpty()) << qPrintable(err);
    const QByteArray before = test::FileHash(path);
    Connection c;
    const Status s = c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + QStringLiteral(";Extended Properties=\"Excel 8.0;HRD=YES;\""));
    ASSERT_FALSE(s) << qPrintable(s->description);
    EXPECT_EQ(c.Kind(), SourceKind::Excel);
    Recordset rs;
    ASSERT_FALSE(
        rs.Open(QString(kMainDec6).replace(QStringLiteral("FROM Results"), QStringLiteral("FROM [Results$]")), c));
    EXPECT_GT(rs.RecordCount(), 10);
    const QVariant when = rs.Fields(QStringLiteral("DateX")).value;
    EXPECT_EQ(when.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(when.toDateTime().date(), QDate(2026, 12, 6));
    EXPECT_EQ(rs.Fields(QStringLiteral("ValueX")).value.typeId(), QMetaType::Double);
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT COUNT(*) AS N FROM [Other data$];"), c));
    EXPECT_EQ(rs.Fields(QStringLiteral("N")).value.toDouble(), 0); // header row only
    EXPECT_EQ(rs.Open(QStringLiteral("SELECT [x] FROM [Missing$];"), c)->number, kErrInvalidData1);
    rs.Close();
    c.Close();
    EXPECT_EQ(test::FileHash(path), before);
}

INSTANTIATE_TEST_SUITE_P(XlsAndXlsx, ExcelEngine, ::testing::Values(false, true));

TEST(ExcelEngine, DateSerials)
{
    EXPECT_EQ(ExcelSerialText(46361.35069444445, false), QStringLiteral("2026-12-05 08:25:00"));
    EXPECT_EQ(ExcelSerialText(1, false), QStringLiteral("1900-01-01 00:00:00"));
    EXPECT_EQ(ExcelSerialText(59, false), QStringLiteral("1900-02-28 00:00:00"));
    EXPECT_EQ(ExcelSerialText(61, false), QStringLiteral("1900-03-01 00:00:00"));
    EXPECT_EQ(ExcelSerialText(0, true), QStringLiteral("1904-01-01 00:00:00"));
    EXPECT_EQ(OleDateText(-1.25), QStringLiteral("1899-12-29 06:00:00"));
    EXPECT_EQ(OleDateText(0.99999999), QStringLiteral("1899-12-31 00:00:00"));
}

TEST(ExcelEngine, BrokenWorkbooksReportAnError)
{
    QTemporaryDir dir;
    for (const char* name : { "bad.xlsx", "bad.xls" }) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("PK\x03\x04 not really a zip archive", 30));
        f.close();
        Connection c;
        const Status s = c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
            + QStringLiteral(";Extended Properties=\"Excel 8.0;HRD=YES;\""));
        ASSERT_TRUE(s) << name;
        EXPECT_EQ(s->number, kErrConnect);
    }
}

TEST(ExcelEngine, SharedStringsRichTextFormulasAnd1904Dates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("xw.xlsx"));
    const QString err = test::RunDebianPython(
        QStringLiteral("import datetime, xlsxwriter\n"
                       "wb = xlsxwriter.Workbook(r'%1', {'date_1904': True})\n"
                       "ws = wb.add_worksheet('Data')\n"
                       "bold = wb.add_format({'bold': True}); df = wb.add_format({'num_format': 'dd/mm/yyyy hh:mm'})\n"
                       "ws.write_row(0, 0, ['SN', 'ATE', 'When', 'V', 'F'])\n"
                       "ws.write_rich_string(1, 0, 'SN', bold, '0', '01')\n"
                       "ws.write(1, 1, 'ATE-01'); ws.write_datetime(1, 2, datetime.datetime(2026, 12, 5, 8, 25), df)\n"
                       "ws.write(1, 3, 4.5); ws.write_formula(1, 4, '=D2*2', None, 9)\n"
                       "ws.write(3, 0, 'SN002'); ws.write(3, 1, 'ATE-01'); ws.write(3, 3, True)\n"
                       "wb.close()\n")
            .arg(path));
    ASSERT_TRUE(err.isEmpty()) << qPrintable(err);
    Connection c;
    const Status s = c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + QStringLiteral(";Extended Properties=\"Excel 8.0;HRD=YES;\""));
    ASSERT_FALSE(s) << qPrintable(s->description);
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [SN] AS SNX, [When] AS DateX, [V] AS ValueX, [F] AS F FROM [Data$] "
                                        "ORDER BY [SN];"),
        c));
    EXPECT_EQ(rs.RecordCount(), 2); // the blank row 3 is no record
    EXPECT_EQ(rs.Fields(QStringLiteral("SNX")).value.toString(), QStringLiteral("SN001"));
    EXPECT_EQ(rs.Fields(QStringLiteral("DateX")).value.toDateTime(), WallClock(QDate(2026, 12, 5), QTime(8, 25)));
    EXPECT_EQ(rs.Fields(QStringLiteral("ValueX")).value.toDouble(), 4.5);
    EXPECT_EQ(rs.Fields(QStringLiteral("F")).value.toDouble(), 9); // the cached formula result
    ASSERT_FALSE(rs.MoveNext());
    EXPECT_EQ(rs.Fields(QStringLiteral("SNX")).value.toString(), QStringLiteral("SN002"));
    EXPECT_TRUE(rs.Fields(QStringLiteral("DateX")).value.isNull());
    EXPECT_EQ(rs.Fields(QStringLiteral("ValueX")).value.toDouble(), 1); // a Boolean reads as 1
}

TEST(FieldValues, EngineValuesBecomeNumberDateTextOrNull)
{
    EXPECT_TRUE(NormalizeValue(QVariant()).isNull());
    EXPECT_TRUE(NormalizeValue(QVariant(QMetaType(QMetaType::Double))).isNull());
    EXPECT_EQ(NormalizeValue(qlonglong(7)).typeId(), QMetaType::Double);
    EXPECT_EQ(
        NormalizeValue(QStringLiteral("2026-12-05 08:00:00")).toDateTime(), WallClock(QDate(2026, 12, 5), QTime(8, 0)));
    EXPECT_EQ(NormalizeValue(QStringLiteral("2026-12-05")).typeId(), QMetaType::QDateTime);
    // Other ISO spellings of a time: 'T' for the blank, no seconds, a fraction of a second.
    EXPECT_EQ(
        NormalizeValue(QStringLiteral("2026-12-05T08:00:00")).toDateTime(), WallClock(QDate(2026, 12, 5), QTime(8, 0)));
    EXPECT_EQ(
        NormalizeValue(QStringLiteral("2026-12-05T08:01")).toDateTime(), WallClock(QDate(2026, 12, 5), QTime(8, 1)));
    EXPECT_EQ(NormalizeValue(QStringLiteral("2026-12-05 08:00:00.5")).toDateTime().time(), QTime(8, 0, 0, 500));
    EXPECT_EQ(NormalizeValue(QStringLiteral("2026-12-05T08:00:00.123456789")).toDateTime().time(), QTime(8, 0, 0, 123));
    EXPECT_EQ(NormalizeValue(QStringLiteral("5.0")).typeId(), QMetaType::QString);
    // Texts shaped like dates but not valid ones stay texts.
    for (const char* text : { "2026-02-30", "2026-12-05 24:00:00", "2026-12-05 08:00:0x", "2026/12/05", "12026-12-05",
             "2026-12-05T08", "2026-12-05 08:00:00.", "2026-12-05X08:00:00", "2026-12-05 08:00:00.1x" })
        EXPECT_EQ(NormalizeValue(QString::fromLatin1(text)).typeId(), QMetaType::QString) << text;
}

TEST(FieldValues, StoredTimesStayAsWrittenInAnyTimeZone)
{
    // 02:30 on 29 March 2026 does not exist in Central European local time (clocks go from 02:00 to
    // 03:00); a tester's clock may still have written it, and it must read back unchanged.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QDateTime when = NormalizeValue(QStringLiteral("2026-03-29 02:30:00")).toDateTime();
    const QDateTime fromEngine = NormalizeValue(QDateTime(QDate(2026, 10, 25), QTime(2, 30))).toDateTime();
    oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
    tzset();
    EXPECT_EQ(when.date(), QDate(2026, 3, 29));
    EXPECT_EQ(when.time(), QTime(2, 30));
    EXPECT_EQ(fromEngine.time(), QTime(2, 30));
}

namespace
{

// A view of `folder` at `view` that no one may write, root included: a read-only bind mount in a mount
// namespace of this test process. Where the tests do not run as root, the folder itself is made read-only
// and is its own view. False when neither can be had.
bool ReadOnlyView(const QString& folder, const QString& view)
{
    if (geteuid() != 0) {
        return QFile::link(folder, view)
            && QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    static const bool privateMounts
        = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const QByteArray from = QFile::encodeName(folder), to = QFile::encodeName(view);
    return privateMounts && QDir().mkpath(view)
        && mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr) == 0
        && mount(nullptr, to.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void DropView(const QString& folder, const QString& view)
{
    if (geteuid() != 0) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::remove(view);
        return;
    }
    umount2(QFile::encodeName(view).constData(), MNT_DETACH);
}

long CountRows(Connection& c)
{
    Recordset rs;
    if (Status s = rs.Open(QStringLiteral("SELECT [SerialNumber] AS SNX FROM Results;"), c))
        return -1;
    return rs.RecordCount();
}

} // namespace

TEST(SQLiteEngine, WalDatabaseInAFolderNoOneMayWriteReadsConsistentlyAndLeavesNothingBeside)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("logger"));
    const QString view = dir.filePath(QStringLiteral("view"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("logger"));
    writer.setDatabaseName(QDir(folder).filePath(QStringLiteral("results.db")));
    ASSERT_TRUE(writer.open());
    QSqlQuery w(writer);
    ASSERT_TRUE(w.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
    w.finish();
    ASSERT_TRUE(test::WriteSampleRows(writer));
    // The logger's last close folded its log into the file: nothing lies beside it.
    w = QSqlQuery();
    writer.close();
    ASSERT_EQ(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("results.db") });
    if (!ReadOnlyView(folder, view))
        GTEST_SKIP() << "no read-only view of a folder can be made here";
    const QString viewed = QStringLiteral("Provider=SQLite;Data Source=") + QDir(view).filePath("results.db") + u';';
    {
        QFile probe(QDir(view).filePath(QStringLiteral("probe")));
        EXPECT_FALSE(probe.open(QIODevice::WriteOnly)) << "the view can be written: the case would not be real";
    }
    const long rows = test::SampleRows().size();
    {
        Connection c;
        const Status s = c.Open(viewed);
        ASSERT_FALSE(s) << qPrintable(s->description);
        EXPECT_EQ(CountRows(c), rows);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("results.db") });

    // The logger writes again and keeps the database open: its log holds rows the file does not yet.
    ASSERT_TRUE(writer.open());
    w = QSqlQuery(writer);
    ASSERT_TRUE(w.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
    ASSERT_TRUE(w.exec(QStringLiteral("INSERT INTO Results (SerialNumber) VALUES ('SN900'), ('SN901')")));
    {
        Connection c;
        const Status s = c.Open(viewed);
        ASSERT_FALSE(s) << qPrintable(s->description);
        EXPECT_EQ(CountRows(c), rows + 2);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
        QStringList(
            { QStringLiteral("results.db"), QStringLiteral("results.db-shm"), QStringLiteral("results.db-wal") }));
    w = QSqlQuery();
    writer.close();
    writer = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("logger"));
    DropView(folder, view);

    // In a folder that may be written, reading leaves nothing beside the file either.
    ASSERT_EQ(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("results.db") });
    {
        Connection c;
        ASSERT_FALSE(
            c.Open(QStringLiteral("Provider=SQLite;Data Source=") + QDir(folder).filePath("results.db") + u';'));
        EXPECT_EQ(CountRows(c), rows + 2);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("results.db") });
}

// Two texts that are no time and a number, all passing units of a tester; one failing unit.
const QString kNoTimes = QStringLiteral("('X1', 'ATE-01', 'n/a', 'PASS', 'FT1', 5, 1, 0), ('X2', 'ATE-01', "
                                        "'06.12.2026 10:00', 'PASS', 'FT1', 5, 1, 0), ('X3', 'ATE-01', 46000.5, "
                                        "'PASS', 'FT1', 5, 1, 0), ('X4', 'ATE-01', 'n/a', 'FAIL', 'FT1', 5, 1, 0)");

// Appends rows (an INSERT's VALUES) to the results table of an SQLite file.
void AddRows(const QString& path, const QString& values)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Results VALUES ") + values))
            << q.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
}

TEST(SQLiteEngine, RowsWhoseStartTimeIsNoTimeAreCounted)
{
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    ASSERT_NO_FATAL_FAILURE(AddRows(path, kNoTimes));
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    Recordset rs;
    ASSERT_FALSE(rs.Open(kMainDec6, c));
    EXPECT_EQ(rs.UnreadableTimes(), 3);
    const long inRange = rs.RecordCount();
    // The time range never holds them: the other conditions decide which are counted.
    ASSERT_FALSE(rs.Open(QString(kMainDec6).replace(QStringLiteral("LIKE '%%'"), QStringLiteral("= 'X4'")), c));
    EXPECT_EQ(rs.UnreadableTimes(), 0);
    ASSERT_FALSE(rs.Open(QString(kMainDec6).replace(QStringLiteral("= 'PASS'"), QStringLiteral("LIKE '%'")), c));
    EXPECT_EQ(rs.UnreadableTimes(), 4);
    EXPECT_GT(rs.RecordCount(), inRange);
    // Not counted unless asked for the count; counted alone for a plot that streams its rows.
    ASSERT_FALSE(rs.Open(kMainDec6, c, Recordset::Count::Skip));
    EXPECT_EQ(rs.UnreadableTimes(), 0);
    ASSERT_FALSE(rs.Open(kMainDec6, c, Recordset::Count::TimesOnly));
    EXPECT_EQ(rs.UnreadableTimes(), 3);
    EXPECT_EQ(rs.RecordCount(), -1);
}

TEST(SQLiteEngine, RowsAndUnreadableTimesCountedInOneScanAreThoseOfTwo)
{
    QTemporaryDir dir;
    const QString path = MakeSQLiteFile(dir);
    // Times that are no time, between and after rows of the range; a stamp the range holds as text
    // though no hour has minute 99 (read, never counted); a unit outside the range.
    ASSERT_NO_FATAL_FAILURE(AddRows(path,
        kNoTimes
            + QStringLiteral(", ('X5', 'ATE-01', '2026-12-06 10:99', 'PASS', 'FT1', 5, 1, 0), ('X6', 'ATE-01', "
                             "'2026-11-30 10:00:00', 'PASS', 'FT1', 5, 1, 0)")));
    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    const auto read = [&c](Recordset::Count count, QStringList& names, long& unreadable) {
        Recordset rs;
        QStringList serials;
        EXPECT_FALSE(rs.Open(kMainDec6, c, count));
        names = rs.FieldNames();
        for (int pass = 0; pass < 2; ++pass) {
            // A second pass runs the statement again: its count is not added to the first.
            if (pass == 1) {
                EXPECT_FALSE(rs.MoveFirst());
            }
            while (!rs.Eof()) {
                serials << rs.Field(0).value.toString() + u'|' + rs.Field(2).value.toString();
                EXPECT_FALSE(rs.MoveNext());
            }
            EXPECT_EQ(rs.Field(names.size()).error->number, kErrInvalidData1);
        }
        unreadable = rs.UnreadableTimes();
        return serials;
    };
    QStringList namesBefore, namesWhileRead;
    long before = -1, whileRead = -1;
    const QStringList rows = read(Recordset::Count::TimesOnly, namesBefore, before);
    EXPECT_EQ(read(Recordset::Count::TimesWhileRead, namesWhileRead, whileRead), rows);
    EXPECT_EQ(namesWhileRead, namesBefore);
    EXPECT_EQ(namesBefore.size(), 4);
    EXPECT_EQ(before, 3);
    EXPECT_EQ(whileRead, 3);
    EXPECT_TRUE(rows.join(u' ').contains(QStringLiteral("X5|"))) << rows.join(u' ').toStdString();
    EXPECT_FALSE(rows.join(u' ').contains(QStringLiteral("X1|")));
}

#if defined(__x86_64__)
// XINUSE (XGETBV 1) bit 2: the upper halves of ymm0-15 hold something; -1 where the processor cannot say.
int UpperHalvesInUse()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_AVX) || !(c & bit_OSXSAVE)
        || !__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & (1u << 2)))
        return -1;
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo >> 2) & 1;
}

TEST(ReadingThreads, TheUpperHalvesOfTheVectorRegistersAreReleasedBeforeRowsAreStepped)
{
    if (UpperHalvesInUse() < 0)
        GTEST_SKIP() << "the processor does not tell the state of its AVX registers";
    // What a 256-bit instruction with no vzeroupper after it leaves behind (as Qt's text functions do).
    __asm__ volatile("vpcmpeqd %%ymm1, %%ymm1, %%ymm1" ::: "xmm1");
    ASSERT_EQ(UpperHalvesInUse(), 1);
    ReleaseVectorUpperState();
    EXPECT_EQ(UpperHalvesInUse(), 0);
}
#endif
