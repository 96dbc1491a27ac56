// moldrin-demo-data: the database it writes, read back through the component.
#include "data/access/connection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin::data;

namespace {
int RunDemo(const QStringList& args)
{
    QProcess p;
    p.start(QString::fromLocal8Bit(qgetenv("MOLDRIN_DEMO_DATA")), args);
    if (!p.waitForFinished(120000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

double Scalar(Connection& c, const QString& sql)
{
    Recordset rs;
    if (Status s = rs.Open(sql, c)) {
        ADD_FAILURE() << qPrintable(s->description);
        return -1;
    }
    return rs.Fields(QStringLiteral("N")).value.toDouble();
}
} // namespace

TEST(DemoData, WritesTheAgreedSchemaWithConsistentVerdicts)
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("ATE.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("; demo\r\n[database]\r\ndatabasename = \"demo.db\"\r\n");
    ini.close();
    ASSERT_EQ(RunDemo({dir.path()}), 0);
    const QString path = dir.filePath(QStringLiteral("demo.db"));
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".tmp")));

    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(*) AS N FROM Results;")), 20000);
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(DISTINCT [ATEID]) AS N FROM Results;")), 4);
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(DISTINCT [TestID]) AS N FROM Results;")), 3);
    // A unit fails exactly when a reading is outside its limits.
    const QString outside = QStringLiteral(
        "([VOUT_5V] < 4.75 OR [VOUT_5V] > 5.25 OR [VOUT_3V3] < 3.135 OR [VOUT_3V3] > 3.465 OR [IIN_IDLE] > 0.35 OR "
        "[RIPPLE_MV] > 50 OR [FREQ_MHZ] < 2399.5 OR [FREQ_MHZ] > 2400.5 OR [TXPWR_DBM] < 18 OR [TXPWR_DBM] > 22 OR "
        "[RX_SENS] > -90)");
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(*) AS N FROM Results WHERE [PassFail] = 'FAIL' AND NOT ") + outside
                            + u';'),
              0);
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(*) AS N FROM Results WHERE [PassFail] = 'PASS' AND ") + outside
                            + u';'),
              0);
    const double fails = Scalar(c, QStringLiteral("SELECT COUNT(*) AS N FROM Results WHERE [PassFail] = 'FAIL';"));
    EXPECT_GT(fails, 20);
    EXPECT_LT(fails, 2000);
    // Start times are ISO text within the last 180 days, so the range statements select them.
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MMM/yyyy"));
    const QString start = QDate::currentDate().addDays(-180).toString(QStringLiteral("dd/MMM/yyyy"));
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(*) AS N FROM Results WHERE [TestStartTime] BETWEEN '%1' AND "
                                       "'%2 23:59:59';")
                            .arg(start, today)),
              20000);
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [TestStartTime] AS DateX, [Inspected] AS I, [Defectives] AS D FROM "
                                        "Results WHERE [Defectives] > [Inspected];"),
                         c));
    EXPECT_EQ(rs.RecordCount(), 0);
    c.Close();

    // The same seed gives the same file; an existing file is replaced whole.
    const QString second = dir.filePath(QStringLiteral("second.db"));
    ASSERT_EQ(RunDemo({dir.path(), QStringLiteral("second.db")}), 0);
    QFile a(path), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    ASSERT_EQ(RunDemo({dir.path(), QStringLiteral("second.db")}), 0);
    EXPECT_NE(RunDemo({dir.filePath(QStringLiteral("nope"))}), 0);
    EXPECT_EQ(RunDemo({}), 2);
}
