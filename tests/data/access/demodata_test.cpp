// moldrin-demo-data: the database it writes for the demo configuration, read back through the component.
#include "common/appstate.h"
#include "data/access/connection.h"
#include "data/config/configfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

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

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DemoData, OneTablePerProductWithTheConfiguredColumnsAndConsistentVerdicts)
{
    QTemporaryDir dir;
    const QDir demo(test::SourceDir() + QStringLiteral("/examples/demo"));
    for (const QString& name : { QStringLiteral("ATE.INI"), QStringLiteral("PRODUCTS.INI") })
        ASSERT_TRUE(QFile::copy(demo.filePath(name), dir.filePath(name)));
    ASSERT_EQ(RunDemo({ QStringLiteral("--units"), QStringLiteral("3000"), dir.path() }), 0);
    const QString path = dir.filePath(QStringLiteral("results.db"));
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".part")));

    Connection c;
    ASSERT_FALSE(c.Open(QStringLiteral("Provider=SQLite;Data Source=") + path + u';'));
    AppState state(dir.filePath(QStringLiteral("settings")));
    state.gINIPath = dir.path();
    for (const QString& product : { QStringLiteral("PSU-100"), QStringLiteral("RFM-24") }) {
        ScriptedPrompt prompt;
        SelectionLists lists;
        LoadColumnNames(state, prompt, product);
        LoadProductSpec(state, prompt, lists, product);
        ASSERT_TRUE(prompt.messages.isEmpty());
        const QString table
            = product == QLatin1String("PSU-100") ? QStringLiteral("PSU100_Results") : QStringLiteral("RFM24_Results");
        const QString from = QStringLiteral(" FROM ") + table;
        EXPECT_EQ(Scalar(c, QStringLiteral("SELECT COUNT(*) AS N") + from + u';'), 3000);
        EXPECT_EQ(
            Scalar(
                c, QStringLiteral("SELECT COUNT(DISTINCT ") + state.gColATEID + QStringLiteral(") AS N") + from + u';'),
            4);
        EXPECT_EQ(
            Scalar(c,
                QStringLiteral("SELECT COUNT(DISTINCT ") + state.gColTestID + QStringLiteral(") AS N") + from + u';'),
            3);
        // A unit fails exactly when one of its readings is outside its limits.
        QStringList outside;
        for (qsizetype i = 0; i < state.gParamColumn.size(); ++i) {
            const QString col = u'[' + state.gParamColumn[i] + u']';
            if (!IsLimitSentinel(state.gLSL[i]))
                outside << col + QStringLiteral(" < ") + QString::number(state.gLSL[i], 'g', 17);
            if (!IsLimitSentinel(state.gUSL[i]))
                outside << col + QStringLiteral(" > ") + QString::number(state.gUSL[i], 'g', 17);
        }
        ASSERT_FALSE(outside.isEmpty());
        const QString any = u'(' + outside.join(QStringLiteral(" OR ")) + u')';
        const QString pf = state.gColPassFail;
        EXPECT_EQ(Scalar(c,
                      QStringLiteral("SELECT COUNT(*) AS N") + from + QStringLiteral(" WHERE ") + pf
                          + QStringLiteral(" = 'FAIL' AND NOT ") + any + u';'),
            0);
        EXPECT_EQ(Scalar(c,
                      QStringLiteral("SELECT COUNT(*) AS N") + from + QStringLiteral(" WHERE ") + pf
                          + QStringLiteral(" = ") + state.gPassValue + QStringLiteral(" AND ") + any + u';'),
            0);
        const double fails = Scalar(c,
            QStringLiteral("SELECT COUNT(*) AS N") + from + QStringLiteral(" WHERE ") + pf
                + QStringLiteral(" = 'FAIL';"));
        EXPECT_GT(fails, 0);
        EXPECT_LT(fails, 300);
        // Start times lie within the last 180 days, so the range statements select them all.
        const QString today = QDate::currentDate().toString(QStringLiteral("dd/MMM/yyyy"));
        const QString start = QDate::currentDate().addDays(-180).toString(QStringLiteral("dd/MMM/yyyy"));
        EXPECT_EQ(
            Scalar(c,
                QStringLiteral("SELECT COUNT(*) AS N") + from + QStringLiteral(" WHERE ") + state.gColTestStartTime
                    + QStringLiteral(" BETWEEN '%1' AND '%2 23:59:59';").arg(start, today)),
            3000);
        EXPECT_EQ(
            Scalar(c,
                QStringLiteral("SELECT COUNT(*) AS N") + from + QStringLiteral(" WHERE [") + state.gPChartNonConfColumn
                    + QStringLiteral("] > [") + state.gPChartSubGroupColumn + QStringLiteral("];")),
            0);
    }
    c.Close();

    // The same seed gives the same file; an existing file is replaced whole.
    const QByteArray first = Bytes(path);
    ASSERT_EQ(RunDemo({ QStringLiteral("--units"), QStringLiteral("3000"), dir.path() }), 0);
    EXPECT_EQ(Bytes(path), first);
    EXPECT_NE(RunDemo({ dir.filePath(QStringLiteral("nope")) }), 0);
    EXPECT_EQ(RunDemo({}), 2);
}
