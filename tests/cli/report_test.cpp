// Runs the built moldrin-report on the demo configuration and on broken ones.
#include "common/dates.h"
#include "common/settingsstore.h"

#include "leakagetable.h"
#include "pdfpages.h"
#include "qtprinters.h"
#include "reportrun.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using moldrin::test::ProgramRun;
using moldrin::test::Report;
using moldrin::test::WriteFile;

TEST_F(Report, ListsProductsAndParameters)
{
    ProgramRun r = Start({ "--config", demo, "--list-products" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "PSU-100\nRFM-24\nCTL-300\n");

    r = Start({ "--config", demo, "--list-parameters" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], "T100: [Output voltage 5V]\tVOUT_5V\t4.75\t5.25\tV");
    EXPECT_EQ(lines[2], "T110: [Idle current]\tIDLE_CUR\tN/A\t0.35\tA");
    EXPECT_EQ(lines[7], QString::fromUtf8("Board temperature\tBOARD_TEMP\tN/A\tN/A\t°C"));

    r = Start({ "--config", demo, "--product", "RFM-24", "--list-parameters" });
    EXPECT_TRUE(r.out.startsWith("R200: [Transmit power]\tTX_POWER\t18\t22\tdBm\n"));
}

TEST_F(Report, PrintsTheStatementOfEveryKind)
{
    const QString range = AllRange();
    ProgramRun r = Start({ "--config", demo, "--sql" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
        "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX FROM "
        "PSU100_Results WHERE [PassFail] LIKE '%' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN "
            + range
            + " AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 AND [VOUT_5V] <> 0 "
              "ORDER BY [TestStartTime], [ATEID];\n");

    r = Start({ "--config", demo, "--sql", "--kind", "Histogram", "--parameter", "Idle current", "--pass-only",
        "--tester", "ATE-02", "--accept-zero" });
    EXPECT_EQ(r.out,
        "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [IDLE_CUR] AS ValueX FROM "
        "PSU100_Results WHERE [PassFail] = 'PASS' AND [ATEID] = 'ATE-02' AND [SerialNumber] LIKE '%%' AND "
        "[TestStartTime] BETWEEN "
            + range + " AND [IDLE_CUR] IS NOT NULL AND [IDLE_CUR] <> 999 AND [IDLE_CUR] <> -999;\n");

    r = Start({ "--config", demo, "--sql", "--kind", "P Chart", "--product", "RFM-24", "--test-id", "FT2" });
    EXPECT_EQ(r.out,
        "SELECT [Defectives] AS NonConformitiesX,  [Inspected] AS SubGroupX FROM RFM24_Results WHERE "
        "[TestStartTime] BETWEEN "
            + range
            + " AND [TestID] = 'FT2' AND [Defectives] IS NOT NULL AND [Defectives] <> 999 AND [Defectives] "
              "<> -999 AND [Defectives] >= 0 AND [Inspected] IS NOT NULL AND [Inspected] <> 999 AND "
              "[Inspected] <> -999 AND [Inspected] > 0 ORDER BY [TestStartTime];\n");

    r = Start({ "--config", demo, "--sql", "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter",
        "T101: [Output voltage 3.3V]", "--serial", "psu'7" });
    EXPECT_EQ(r.out,
        "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX, "
        "[VOUT_3V3] AS ValueY FROM PSU100_Results WHERE [PassFail] LIKE '%' AND [SerialNumber] = 'PSU''7' AND "
        "[TestStartTime] BETWEEN "
            + range
            + " AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 AND [VOUT_3V3] IS NOT "
              "NULL AND [VOUT_3V3] <> 999 AND [VOUT_3V3] <> -999 AND [VOUT_5V] <> 0 AND [VOUT_3V3] <> 0 "
              "ORDER BY [TestStartTime],[ATEID];\n");

    r = Start({ "--config", demo, "--sql", "--range", "custom", "--from", "2026-01-02", "--to", "2026-02-03" });
    EXPECT_NE(r.out.indexOf("BETWEEN '"), -1);
    EXPECT_NE(r.out.indexOf("2026 23:59:59'"), -1);
}

TEST_F(Report, UsageErrorsExitWithTwo)
{
    for (const QStringList& args : { QStringList { "--config", demo, "--sql", "--kind", "Bar" }, { "--config", demo },
             { "--config", demo, "--sql", "--list-products" }, { "--config", demo, "--sql", "--parameter", "NOPE" },
             { "--config", demo, "--sql", "--product", "NOPE" }, { "--config", demo, "--sql", "--kind", "Scatter" },
             { "--config", demo, "--sql", "--range", "Custom", "--from", "2026-13-01", "--to", "x" },
             { "--config", home.filePath("none"), "--sql" }, { "--config", demo, "--sql", "--no-such-option" },
             { "--config", demo, "--help-all" } }) {
        const ProgramRun r = Start(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("moldrin-report: ")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// --help lists the options the program takes, and only those.
TEST_F(Report, HelpListsWhatIsTaken)
{
    const ProgramRun r = Start({ "--help" });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("--list-products"));
    EXPECT_FALSE(r.out.contains("--help-all"));
}

TEST_F(Report, MessagesOfTheProgramExitWithOne)
{
    QTemporaryDir site;
    WriteFile(
        site.filePath("ATE.INI"), "[ATE Configuration]\r\nTestProduct=B1\r\n[Database]\r\nDatabaseName=x.mdb\r\n");
    WriteFile(site.filePath("PRODUCTS.INI"), "[B1 Spec]\r\n1=V,1,2,,V,,Volt\r\n2=W,1\r\n");
    ProgramRun r = Start({ "--config", site.path(), "--sql" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
        "Specification Info. in INI is not completed or missing at line#2!\n"
        "Not found value in section B1 and key TableName (PRODUCTS.INI)!\n");

    WriteFile(site.filePath("PRODUCTS.INI"), "[B1]\r\nTableName=Lot\r\n[B1 Spec]\r\n1=V,1,2,,V,,Volt\r\n2=<EOT>\r\n");
    r = Start({ "--config", site.path(), "--sql" });
    EXPECT_EQ(r.code, 1); // --sql connects first, as the program does
    EXPECT_EQ(r.err, "Not found Database x.mdb!\n");
    EXPECT_TRUE(r.out.isEmpty());

    QTemporaryDir empty;
    r = Start({ "--config", empty.path(), "--list-products" });
    EXPECT_EQ(r.code, 1);

    // An ATE.INI that names no product (empty, or its lines ended by CR alone so no key is found) is a message,
    // whatever the command.
    for (const QByteArray& ini : { QByteArray(), QByteArray("[ATE Configuration]\rTestProduct=B1\r") }) {
        WriteFile(site.filePath("ATE.INI"), ini);
        for (const char* command : { "--list-products", "--sql" }) {
            r = Start({ "--config", site.path(), command });
            EXPECT_EQ(r.code, 1) << command;
            EXPECT_EQ(r.err, "moldrin-report: " + QDir(site.path()).filePath("ATE.INI") + " lists no products\n");
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
}

TEST_F(Report, ConnectsAndListsTestersAndRows)
{
    ProgramRun r = Start({ "--config", demo, "--list-testers" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "ATE-01\nATE-02\nATE-03\nATE-04\n<All>\n");

    r = Start({ "--config", demo, "--rows", "--test-id", "FT1" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 100);
    EXPECT_EQ(lines[0], "SNX\tATEX\tDateX\tValueX");
    EXPECT_EQ(lines[1].split('\t').size(), 4);
    EXPECT_TRUE(lines[1].startsWith("PSU1000000001\tATE-01\t")) << lines[1].toStdString();
    // rows come in start-time order
    EXPECT_LT(lines[1].split('\t')[2], lines.last().split('\t')[2]);

    const QString missing = home.filePath("nodb");
    QDir().mkpath(missing);
    for (const QString& name : { QStringLiteral("ATE.INI"), QStringLiteral("PRODUCTS.INI") })
        QFile::copy(demo + "/" + name, missing + "/" + name);
    r = Start({ "--config", missing, "--sql" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Not found Database results.db!\n");
}

TEST_F(Report, PlotsTheChartAsJson)
{
    ProgramRun r = Start({ "--config", demo, "--chart", "X-Bar-R", "--size", "5", "--zones", "--show-spec", "--test-id",
        "<All>", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["chartType"].toString(), "X-Bar-R");
    EXPECT_EQ(o["subgroupSize"].toInt(), 5);
    EXPECT_EQ(o["records"].toInt(), 600);
    EXPECT_EQ(o["pointCount"].toInt(), 120);
    const QJsonObject f = o["figures"].toObject();
    EXPECT_EQ(f["USL"].toDouble(), 5.25);
    EXPECT_EQ(f["LSL"].toDouble(), 4.75);
    EXPECT_NEAR(f["XDoubleBar"].toDouble(), 5.0, 0.05);
    EXPECT_TRUE(f["CR"].toString().endsWith("%"));
    const QJsonArray series = o["series"].toArray();
    ASSERT_GE(series.size(), 23 + 2); // template, 14 lines, 2 arrow clones
    EXPECT_EQ(series[5].toObject()["title"].toString(), "X-Bar");
    EXPECT_EQ(series[6].toObject()["axis"].toString(), "custom0");
    EXPECT_EQ(series[5].toObject()["points"].toArray().size(), 120);
    const QJsonArray cl = series[9].toObject()["points"].toArray();
    EXPECT_EQ(cl[0].toArray()[2].toString(), "  CL");
    EXPECT_EQ(o["panel"].toObject()["captions"].toArray()[0].toString(), "Total:");
    EXPECT_EQ(o["panel"].toObject()["values"].toArray()[0].toString(), "120");
    EXPECT_EQ(o["rules"].toObject()["centre"].toObject()["upper"].toArray().size(), 120);

    // The late mean shift of the demo data is found by the rules.
    r = Start(
        { "--config", demo, "--chart", "X-Bar-R", "--zones", "--json", home.filePath("r.json"), "--fail-on-rules" });
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(home.filePath("r.json")));
}

TEST_F(Report, ChartRulesAnnounceTheirCorrections)
{
    ProgramRun r = Start({ "--config", demo, "--chart", "Median-R", "--size", "12", "--json", "-" });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err,
        "For X-Bar-R-Median-s, Median-R and Median-s chart the sample size is limited by not exceed "
        "than 9. \n");
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["subgroupSize"].toInt(), 9);
    r = Start({ "--config", demo, "--chart", "Median-s", "--size", "2", "--json", "-" });
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["chartType"].toString(), "X-Bar-R");
    EXPECT_TRUE(r.err.startsWith("For X-Bar-R-Median-s chart the sample size equal 2"));
}

TEST_F(Report, PngOfThePlottedChart)
{
    const QString file = home.filePath("chart.png");
    ProgramRun r = Start({ "--config", demo, "--chart", "X-Bar-R", "--zones", "--show-spec", "--png", file }, true);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QImage image(file);
    EXPECT_EQ(image.size(), QSize(1200, 800));

    r = Start(
        { "--config", demo, "--chart", "X-Bar-R", "--png", file, "--width", "640", "--height", "480", "--all-points" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(file).size(), QSize(640, 480));

    r = Start({ "--config", demo, "--png", home.filePath("no/such/folder/c.png") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("cannot write")) << r.err.toStdString();

    r = Start({ "--config", demo, "--png", file, "--width", "20" });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--width takes a whole number from 100 to 10000")) << r.err.toStdString();
    r = Start({ "--config", demo, "--json", "-", "--all-points" });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--all-points belongs to --png")) << r.err.toStdString();
}

// --pdf prints as Print Chart does: by --print-mode, "all" giving one page per chart page (120 subgroups: 2).
TEST_F(Report, PdfOfThePlottedChartByPrintMode)
{
    const QString file = home.filePath("chart.pdf");
    const QString filters = "Test ID: <All>; S/N Filter: none; Source Filter: none";
    ProgramRun r = Start({ "--config", demo, "--zones", "--pdf", file, "--print-mode", "all" }, true);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(moldrin::test::PdfPageCount(file), 2);
    for (int page = 1; page <= 2; ++page) {
        const QString text = moldrin::test::PdfPageText(file, page);
        EXPECT_TRUE(text.contains(QString(" Control Chart Page %1 of 2").arg(page))) << text.toStdString();
        EXPECT_TRUE(text.contains(filters)) << text.toStdString();
        EXPECT_TRUE(text.contains("Printed on: ")) << text.toStdString();
    }
    r = Start({ "--config", demo, "--pdf", file, "--print-mode", "current", "--tester", "ATE-03" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(moldrin::test::PdfPageCount(file), 1);
    EXPECT_TRUE(moldrin::test::PdfPageText(file, 1).contains("S/N Filter: none; Source Filter: ATE-03"));
    r = Start({ "--config", demo, "--pdf", file }); // compress, as the dialog's first option
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(moldrin::test::PdfPageCount(file), 1);
    EXPECT_TRUE(moldrin::test::PdfPageText(file, 1).contains("Chart Page: 1 of 1"));

    r = Start({ "--config", demo, "--pdf", home.filePath("no/such/folder/c.pdf") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("cannot write")) << r.err.toStdString();
    for (const QStringList& args : { QStringList { "--config", demo, "--json", "-", "--print-mode", "all" },
             { "--config", demo, "--pdf", file, "--print-mode", "every" },
             { "--config", demo, "--pdf", file, "--kind", "Pareto", "--print-mode", "all" } }) {
        r = Start(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
    }
}

// Two whole subgroups of known readings and a partial third: every figure of the report checked
// against values worked by hand (n = 5: A2 0.577, D3 0, D4 2.114, d2 2.326).
TEST_F(Report, TheJsonOfAKnownDatasetFieldByField)
{
    const QString config = home.filePath("known");
    QDir().mkpath(config);
    for (const QString& name : { QStringLiteral("ATE.INI"), QStringLiteral("PRODUCTS.INI") })
        ASSERT_TRUE(QFile::copy(demo + "/" + name, config + "/" + name));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "known");
        db.setDatabaseName(config + "/results.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("CREATE TABLE PSU100_Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, "
                           "PassFail TEXT, TestID TEXT, VOUT_5V REAL)"));
        const QList<double> values { 5.00, 5.02, 4.98, 5.01, 4.99, 5.03, 5.08, 5.04, 5.06, 5.05, 5.1, 5.1, 5.1 };
        // Inserted in reverse: the statement's order by start time decides the subgroups.
        for (int i = int(values.size()) - 1; i >= 0; --i)
            ASSERT_TRUE(q.exec(QString("INSERT INTO PSU100_Results VALUES ('SN%1', 'ATE-01', '2026-11-02 08:%2:00', "
                                       "'PASS', 'FT1', %3)")
                                   .arg(i)
                                   .arg(i, 2, 10, QChar('0'))
                                   .arg(values[i])));
        db.close();
    }
    QSqlDatabase::removeDatabase("known");

    ProgramRun r = Start(
        { "--config", config, "--chart", "X-Bar-R", "--size", "5", "--zones", "--test-id", "<All>", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["records"].toInt(), 13);
    EXPECT_EQ(o["pointCount"].toInt(), 2);
    const QJsonObject f = o["figures"].toObject();
    const QList<std::pair<const char*, double>> expected { { "XDoubleBar", 5.026 }, { "AverageVariation", 0.045 },
        { "EstSigma", 0.0193 }, { "StdDev", 0.032 }, { "Cp", 4.3074 }, { "CpK", 3.8594 }, { "CpU", 3.8594 },
        { "CpL", 4.7554 }, { "UCLCentre", 5.052 }, { "LCLCentre", 5.0 }, { "UCLVar", 0.0951 }, { "LCLVar", 0 },
        { "USL", 5.25 }, { "LSL", 4.75 } };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(f[name].toDouble(-1), value) << name;
    EXPECT_EQ(f["CR"].toString(), "23.22%");
    const QJsonArray values = o["panel"].toObject()["values"].toArray();
    EXPECT_EQ(values[0].toString(), "2");
    EXPECT_EQ(values[1].toString(), "0.032");
    EXPECT_EQ(values[2].toString(), "0.0193");
    EXPECT_EQ(values[3].toString(), "5");
    const QJsonArray series = o["series"].toArray();
    const QJsonArray xbar = series[5].toObject()["points"].toArray();
    ASSERT_EQ(xbar.size(), 2);
    EXPECT_EQ(xbar[0].toArray(), (QJsonArray { 0, 5.0, "" }));
    EXPECT_EQ(xbar[1].toArray(), (QJsonArray { 1, 5.052, "" }));
    const QJsonArray range = series[6].toObject()["points"].toArray();
    ASSERT_EQ(range.size(), 2);
    EXPECT_NEAR(range[1].toArray()[1].toDouble(), 0.05, 1e-12);
    EXPECT_EQ(range[1].toArray()[2].toString(), "2"); // the subgroup number
    const QJsonObject rules = o["rules"].toObject();
    for (const char* chart : { "centre", "variation" })
        for (const char* side : { "upper", "lower" })
            EXPECT_EQ(
                QJsonDocument(rules[chart].toObject()[side].toArray()).toJson(QJsonDocument::Compact).toStdString(),
                "[\"\",\"\"]")
                << chart << side;
}

// The stored rule set-up applies as in the window: a scheduled check and the window agree.
TEST_F(Report, TheStoredRuleSetupApplies)
{
    const QStringList args { "--config", demo, "--chart", "X-Bar-R", "--zones", "--json", home.filePath("r.json"),
        "--fail-on-rules" };
    auto marks = [&] {
        QFile f(home.filePath("r.json"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QJsonObject rules = QJsonDocument::fromJson(f.readAll()).object()["rules"].toObject();
        int count = 0;
        for (const char* chart : { "centre", "variation" })
            for (const char* side : { "upper", "lower" })
                for (const QJsonValue& v : rules[chart].toObject()[side].toArray())
                    count += v.toString().isEmpty() ? 0 : 1;
        return count;
    };
    ProgramRun r = Start(args); // no settings: the default set-up finds the demo's mean shift
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    EXPECT_GT(marks(), 0);

    // Every rule switched off, as the rules dialog stores it (66 flags joined with ","): no mark.
    moldrin::SettingsStore store(home.filePath("settings"));
    QStringList off(66, "0");
    ASSERT_TRUE(store.write("RulesSetup", off.join(',')));
    r = Start(args);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(marks(), 0);

    // A damaged value (not 131 characters) is ignored in favour of the default, as the window does.
    ASSERT_TRUE(store.write("RulesSetup", off.join(',').chopped(1)));
    r = Start(args);
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
}

// Every figure of the JSON is the number the statistics panel shows, at every chart type; Individual-MR
// plots single readings (size 1).
TEST_F(Report, FiguresAreThePanelsNumbers)
{
    const QStringList names { "", "StdDev", "EstSigma", "", "UCLCentre", "XDoubleBar", "LCLCentre", "USL", "LSL", "CpU",
        "Cp", "CpL", "CpK", "", "", "UCLVar", "AverageVariation", "LCLVar" };
    for (const QString chart : { "X-Bar-R-Median-s", "X-Bar-R", "X-Bar-s", "Median-R", "Median-s", "Individual-MR" }) {
        const ProgramRun r = Start({ "--config", demo, "--chart", chart, "--size", "5", "--json", "-" });
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonObject f = o["figures"].toObject();
        const QJsonArray shown = o["panel"].toObject()["values"].toArray();
        ASSERT_EQ(shown.size(), names.size());
        const int size = chart == "Individual-MR" ? 1 : 5;
        EXPECT_EQ(o["subgroupSize"].toInt(), size) << chart.toStdString();
        EXPECT_EQ(shown[3].toString(), QString::number(size));
        EXPECT_EQ(f["CR"].toString(), shown[13].toString());
        for (int i = 0; i < names.size(); ++i) {
            if (names[i].isEmpty())
                continue;
            const QString text = shown[i].toString();
            if (text == "N/A") {
                EXPECT_EQ(f[names[i]].toString(), "N/A") << chart.toStdString() << ' ' << names[i].toStdString();
                continue;
            }
            bool ok = false;
            const double value = QString(text).remove(',').toDouble(&ok);
            ASSERT_TRUE(ok) << text.toStdString();
            EXPECT_EQ(f[names[i]].toDouble(), value) << chart.toStdString() << ' ' << names[i].toStdString();
        }
    }
}

TEST_F(Report, ScatterOfTwoParametersAsJson)
{
    ProgramRun r = Start({ "--config", demo, "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter",
        "Output voltage 3.3V", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["chartType"].toString(), "Scatter");
    const int rows = Start({ "--config", demo, "--rows", "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter",
                               "VOUT_3V3" })
                         .out.count('\n')
        - 1;
    EXPECT_GT(rows, 500);
    EXPECT_EQ(o["records"].toInt(), rows);
    const QJsonArray series = o["series"].toArray();
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(series[0].toObject()["title"].toString(), "Data");
    const QJsonArray points = series[0].toObject()["points"].toArray();
    ASSERT_EQ(points.size(), rows);
    EXPECT_EQ(points[0].toArray()[2].toString(), "1");
    EXPECT_EQ(points.last().toArray()[2].toString(), QString::number(rows));
    const QJsonObject f = o["figures"].toObject();
    const QJsonArray line = series[1].toObject()["points"].toArray();
    ASSERT_EQ(line.size(), 2);
    EXPECT_NEAR(line[0].toArray()[0].toDouble(), f["XMin"].toDouble(), 5e-5);
    EXPECT_NEAR(line[1].toArray()[0].toDouble(), f["XMax"].toDouble(), 5e-5);
    EXPECT_NEAR(line[1].toArray()[1].toDouble(),
        f["Slope"].toDouble() * line[1].toArray()[0].toDouble() + f["Intercept"].toDouble(), 1e-3);
    const QJsonObject panel = o["panel"].toObject();
    EXPECT_EQ(panel["captions"].toArray().size(), 15);
    const QJsonArray values = panel["values"].toArray();
    ASSERT_EQ(values.size(), 15);
    EXPECT_EQ(values[0].toString(), QString::number(rows));
    // Every figure is the number its panel line shows.
    EXPECT_EQ(values[1].toString().toDouble(), f["XMean"].toDouble());
    EXPECT_EQ(values[8].toString().toDouble(), f["Correlation"].toDouble());
    EXPECT_EQ(o["axisTitles"].toObject()["bottom"].toString(), "Output voltage 5V (V)");
    EXPECT_EQ(o["header"].toArray()[1].toString(), "PSU-100, Range <All>");
}

TEST_F(Report, ScatterOfTwoSourcesPairsUpToTheShorterResult)
{
    auto rowsOf = [&](const QString& tester) {
        return Start({ "--config", demo, "--rows", "--kind", "Scatter", "--parameter", "VOUT_5V", "--tester", tester })
                   .out.count('\n')
            - 1;
    };
    const int pairs = std::min(rowsOf("ATE-01"), rowsOf("ATE-03"));
    ASSERT_GT(pairs, 10);
    ProgramRun r = Start({ "--config", demo, "--kind", "Scatter", "--parameter", "VOUT_5V", "--x-source", "ATE-01",
        "--y-source", "ATE-03", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["pointCount"].toInt(), pairs);
    EXPECT_EQ(o["axisTitles"].toObject()["bottom"].toString(), "Output voltage 5V ATE-01 (V)");
    EXPECT_EQ(o["axisTitles"].toObject()["left"].toString(), "Output voltage 5V ATE-03 (V)");

    // A source without rows is said so, and no report is written.
    r = Start({ "--config", demo, "--kind", "Scatter", "--parameter", "VOUT_5V", "--x-source", "ATE-01", "--y-source",
        "ATE-09", "--json", "-" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "No data collection for this selected range of filter condition!\n");
    EXPECT_TRUE(r.out.isEmpty());

    for (const QStringList& args :
        { QStringList { "--kind", "Scatter", "--parameter", "VOUT_5V", "--x-source", "ATE-01", "--json", "-" },
            { "--kind", "Scatter", "--parameter", "VOUT_5V", "--json", "-" },
            { "--kind", "Scatter", "--x-source", "ATE-01", "--y-source", "ATE-02", "--sql" },
            { "--kind", "Pareto", "--x-source", "ATE-01", "--y-source", "ATE-02", "--json", "-" },
            { "--kind", "Scatter", "--pareto-read", "one-pass", "--json", "-" } }) {
        r = Start(QStringList { "--config", demo } + args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(Report, ParetoRanksEveryParameter)
{
    ProgramRun r = Start({ "--config", demo, "--kind", "Pareto", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["chartType"].toString(), "Pareto");
    EXPECT_EQ(o["records"].toInt(), 600);
    EXPECT_EQ(o["panel"].toObject()["values"].toArray()[0].toString(), "600");
    EXPECT_EQ(o["xTitle"].toString(), "Test parameter");
    const QJsonArray items = o["items"].toArray();
    ASSERT_EQ(items.size(), 8);
    double total = 0;
    for (int i = 0; i < items.size(); ++i) {
        total += items[i].toObject()["sum"].toDouble();
        if (i) {
            EXPECT_GE(items[i - 1].toObject()["sum"].toDouble(), items[i].toObject()["sum"].toDouble());
        }
    }
    EXPECT_NEAR(o["figures"].toObject()["GrandTotal"].toDouble(), total, 1e-6 * total);
    EXPECT_EQ(items.last().toObject()["cumulative"].toDouble(), 100.0);
    const QJsonArray bars = o["series"].toArray()[0].toObject()["points"].toArray();
    ASSERT_EQ(bars.size(), 8);
    EXPECT_EQ(bars[0].toArray()[1].toDouble(), items[0].toObject()["percent"].toDouble());
    EXPECT_TRUE(bars[0].toArray()[2].toString().startsWith(items[0].toObject()["name"].toString() + "\r("));

    // One statement per parameter gives the same report.
    const ProgramRun each
        = Start({ "--config", demo, "--kind", "Pareto", "--pareto-read", "per-parameter", "--json", "-" });
    EXPECT_EQ(each.code, 0);
    EXPECT_EQ(each.out, r.out);

    r = Start({ "--config", demo, "--kind", "Pareto", "--serial", "NOPE", "--json", "-" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "No data collection for this selected range of filter condition!\n");
    EXPECT_TRUE(r.out.isEmpty());
}

// The p, np, c and u charts of the demo's lots: panel, series and marks as JSON, the stored rule set-up, PNG.
TEST_F(Report, AttributeChartsOfTheDemoLots)
{
    struct Kind {
        const char* kind;
        QStringList captions;
        const char* figure; // and the panel line showing it
        int line;
    };
    const Kind kinds[] = {
        { "P Chart", { "p-Bar:", "Tested:", "Nonconf.:", "Yield(%):" }, "Yield", 3 },
        { "NP Chart", { "p-Bar:", "Tested:", "Nonconf.:", "Yield(%):", "", "UCL:", "CL:", "LCL:" }, "UCL", 5 },
        { "C Chart", { "c-Bar:", "Nonconf.:", "", "", "", "", "UCL:", "CL:", "LCL:" }, "Nonconf", 1 },
        { "U Chart", { "u-Bar:", "Tested:", "Nonconf.:" }, "uBar", 0 },
    };
    for (const Kind& k : kinds) {
        ProgramRun r = Start({ "--config", demo, "--kind", k.kind, "--zones", "--json", "-", "--fail-on-rules" });
        // A few lots of the demo are out of control.
        EXPECT_EQ(r.code, 3) << k.kind << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        EXPECT_EQ(o["chartType"].toString(), k.kind);
        EXPECT_EQ(o["records"].toInt(), 180) << k.kind; // one lot a day
        EXPECT_EQ(o["pointCount"].toInt(), 180);
        QStringList captions;
        for (const QJsonValue& c : o["panel"].toObject()["captions"].toArray())
            captions << c.toString();
        EXPECT_EQ(captions, k.captions);
        // A figure is the number the panel shows.
        const QString shown = o["panel"].toObject()["values"].toArray()[k.line].toString();
        EXPECT_EQ(o["figures"].toObject()[k.figure].toDouble(), QString(shown).remove(',').toDouble()) << k.kind;
        const QJsonArray series = o["series"].toArray();
        ASSERT_EQ(series.size(), 11) << k.kind;
        EXPECT_EQ(series[0].toObject()["title"].toString(), "Data");
        EXPECT_EQ(series[7].toObject()["title"].toString(), "Zone");
        EXPECT_EQ(series[0].toObject()["points"].toArray().size(), 180);
        const QJsonArray upper = o["rules"].toObject()["upper"].toArray();
        ASSERT_EQ(upper.size(), 180);
        int marked = 0;
        for (const QJsonValue& v : upper)
            marked += v.toString().isEmpty() ? 0 : 1;
        EXPECT_GT(marked, 0) << k.kind;
        EXPECT_EQ(series[5].toObject()["points"].toArray().size(), marked) << k.kind;
    }

    // The c chart's axis title comes from PRODUCTS.INI; its LCL is clamped at 0.
    ProgramRun r = Start({ "--config", demo, "--kind", "C Chart", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["figures"].toObject()["LCL"].toDouble(), 0);
    const QJsonArray lcl = o["series"].toArray()[3].toObject()["points"].toArray();
    EXPECT_EQ(lcl[1].toArray()[2].toString(), "LCL=0" + QString(30, ' '));
    EXPECT_EQ(o["rules"].toObject()["upper"].toArray()[0].toString(), "");

    // The stored set-up switches every rule off: no marks, exit 0 even with --fail-on-rules.
    ASSERT_TRUE(
        moldrin::SettingsStore(home.filePath("settings")).write("RulesSetup", QString("0,").repeated(65) + "0"));
    r = Start({ "--config", demo, "--kind", "P Chart", "--zones", "--json", "-", "--fail-on-rules" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(o["series"].toArray()[5].toObject()["points"].toArray().isEmpty());

    const QString file = home.filePath("p.png");
    r = Start(
        { "--config", demo, "--kind", "P Chart", "--zones", "--png", file, "--width", "900", "--height", "500" }, true);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(file).size(), QSize(900, 500));

    // No lots in the range: the message on standard error, exit 1.
    r = Start({ "--config", demo, "--kind", "U Chart", "--range", "Custom", "--from", "2001-01-01", "--to",
        "2001-01-31", "--json", "-" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "No data collection for this selected range of filter condition!\n");
    EXPECT_TRUE(r.out.isEmpty());
}

// The chart view draws every kind from the model; these check the files and their size.
TEST_F(Report, PngOfTheScatterAndParetoCharts)
{
    const QString file = home.filePath("kind.png");
    for (const QStringList& kind : { QStringList { "--kind", "Pareto" },
             { "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter", "VOUT_3V3" } }) {
        QFile::remove(file);
        const ProgramRun r = Start(QStringList { "--config", demo } + kind
                + QStringList { "--png", file, "--width", "640", "--height", "480" },
            true);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(QImage(file).size(), QSize(640, 480)) << kind.join(' ').toStdString();
    }
}

TEST_F(Report, HistogramAsJson)
{
    ProgramRun r = Start({ "--config", demo, "--kind", "Histogram", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["chartType"].toString(), "Histogram");
    EXPECT_EQ(o["records"].toInt(), 600);
    EXPECT_EQ(o["pointCount"].toInt(), 20); // no stored cell count: 20
    const QJsonArray cells = o["cells"].toArray();
    ASSERT_EQ(cells.size(), 20);
    int total = 0;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QJsonObject c = cells[i].toObject();
        total += c["count"].toInt();
        if (i > 0) {
            EXPECT_EQ(c["lower"].toDouble(), cells[i - 1].toObject()["upper"].toDouble());
        }
    }
    EXPECT_EQ(total, 600);

    // Every figure is the number the panel shows.
    const QJsonObject panel = o["panel"].toObject();
    const QJsonArray captions = panel["captions"].toArray(), values = panel["values"].toArray();
    ASSERT_EQ(captions.size(), 14);
    EXPECT_EQ(captions[9].toString(), "PpK");
    const QJsonObject f = o["figures"].toObject();
    const char* names[] = { "Total", "CellWidth", "StdDev", "Range", "Skewness", "Kurtosis", nullptr, "Pp", "PR", "PpK",
        "PpU", "PpL", "Zu", "Zl" };
    for (int i = 0; i < 14; ++i) {
        if (names[i]) {
            EXPECT_EQ(f[names[i]].toDouble(), values[i].toString().remove(',').toDouble()) << names[i];
        }
    }
    EXPECT_EQ(f["USL"].toDouble(), 5.25);
    EXPECT_EQ(f["LSL"].toDouble(), 4.75);
    EXPECT_NEAR(f["Mean"].toDouble(), 5.0, 0.05);

    const QJsonArray series = o["series"].toArray();
    ASSERT_EQ(series.size(), 12);
    EXPECT_EQ(series[0].toObject()["title"].toString(), "Data");
    EXPECT_EQ(series[0].toObject()["points"].toArray().size(), 20);
    EXPECT_EQ(series[2].toObject()["points"].toArray().size(), 651);
    const QJsonArray mean = series[5].toObject()["points"].toArray();
    ASSERT_EQ(mean.size(), 2);
    EXPECT_EQ(mean[1].toArray()[2].toString(), "Mean=" + QString::number(f["Mean"].toDouble()));

    // Only an upper limit (Idle current): the figures the missing limit leaves undefined are "N/A".
    r = Start(
        { "--config", demo, "--kind", "Histogram", "--parameter", "Idle current", "--cells", "50", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["cells"].toArray().size(), 50);
    EXPECT_EQ(o["figures"].toObject()["Pp"].toString(), "N/A");
    EXPECT_EQ(o["figures"].toObject()["LSL"].toString(), "N/A");
    EXPECT_EQ(o["figures"].toObject()["PpK"], o["figures"].toObject()["PpU"]);
    EXPECT_TRUE(o["series"].toArray()[2].toObject()["points"].toArray().isEmpty());
}

TEST_F(Report, HistogramCellsFromTheOptionOrTheStoredSetting)
{
    moldrin::SettingsStore store(home.filePath("settings"));
    ASSERT_TRUE(store.write("HistogramCellNumber", "30"));
    ProgramRun r = Start({ "--config", demo, "--kind", "histogram", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["cells"].toArray().size(), 30);

    // A stored count below 1 takes the failure path: the message, no report.
    ASSERT_TRUE(store.write("HistogramCellNumber", "0"));
    r = Start({ "--config", demo, "--kind", "Histogram", "--json", "-" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Division by zero!\n");
    EXPECT_TRUE(r.out.isEmpty());

    for (const QStringList& args : { QStringList { "--cells", "0" }, { "--cells", "many" }, { "--cells", "100001" } }) {
        r = Start(QStringList { "--config", demo, "--kind", "Histogram", "--json", "-" } + args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("--cells takes a whole number from 1 to 100000")) << r.err.toStdString();
    }
    r = Start({ "--config", demo, "--cells", "10", "--json", "-" });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--cells belongs to --kind Histogram")) << r.err.toStdString();
}

TEST_F(Report, HistogramPng)
{
    const QString file = home.filePath("histogram.png");
    const ProgramRun r
        = Start({ "--config", demo, "--kind", "Histogram", "--png", file, "--width", "640", "--height", "480" }, true);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(file).size(), QSize(640, 480));
}

// --screen on the demo: every parameter ranked by CpK, the demo's incapable ripple first, the switching
// frequency's tester offset flagged, and the exit codes of the two fail options.
TEST_F(Report, ScreenRanksTheDemoParameters)
{
    ProgramRun r = Start({ "--config", demo, "--screen", "--json", "-" });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["product"].toString(), "PSU-100");
    EXPECT_EQ(o["records"].toInt(), 600);
    EXPECT_EQ(o["testers"].toArray(), (QJsonArray { "ATE-01", "ATE-02", "ATE-03", "ATE-04" }));
    const QJsonObject sel = o["selection"].toObject();
    EXPECT_EQ(sel["range"].toString(), "All");
    EXPECT_EQ(sel["tester"].toString(), "<All>");
    EXPECT_EQ(sel["acceptZero"].toBool(true), false);
    EXPECT_EQ(sel["chartType"].toString(), "X-Bar-R-Median-s");
    EXPECT_EQ(sel["subgroupSize"].toInt(), 5);

    const QJsonArray params = o["parameters"].toArray();
    ASSERT_EQ(params.size(), 8);
    const QStringList fields { "index", "parameter", "name", "column", "unit", "LSL", "USL", "n", "mean", "stdDev",
        "estSigma", "Cp", "CpK", "Pp", "PpK", "outOfSpec", "ppm", "ruleHits", "subgroups", "xBar", "trend", "testers",
        "testerP", "testerDiffers" };
    double last = -1;
    bool naSeen = false;
    QStringList order;
    for (const QJsonValue& v : params) {
        const QJsonObject p = v.toObject();
        EXPECT_EQ(QStringList(p.keys()).size(), fields.size());
        for (const QString& f : fields)
            EXPECT_TRUE(p.contains(f)) << f.toStdString();
        EXPECT_EQ(p["n"].toInt(), 600);
        EXPECT_EQ(p["ruleHits"].toObject().keys(), (QStringList { "R1", "R2", "R3", "R4", "R5", "R6", "R7" }));
        EXPECT_EQ(p["testers"].toArray().size(), 4);
        // Ascending CpK, "N/A" after every number.
        if (p["CpK"].isString()) {
            EXPECT_EQ(p["CpK"].toString(), "N/A");
            naSeen = true;
        } else {
            EXPECT_FALSE(naSeen);
            EXPECT_GE(p["CpK"].toDouble(), last);
            last = p["CpK"].toDouble();
        }
        order << p["column"].toString();
    }
    EXPECT_EQ(order.first(), "RIPPLE");
    EXPECT_EQ(order.last(), "BOARD_TEMP");
    const QJsonObject ripple = params[0].toObject();
    EXPECT_LT(ripple["CpK"].toDouble(), 1.0);
    EXPECT_EQ(ripple["Cp"].toString(), "N/A"); // no LSL
    EXPECT_GT(ripple["outOfSpec"].toInt(), 0);
    int flagged = 0, clean = 0;
    for (const QJsonValue& v : params) {
        const QJsonObject p = v.toObject();
        if (p["testerDiffers"].toBool()) {
            ++flagged;
            EXPECT_EQ(p["column"].toString(), "SW_FREQ");
            EXPECT_LT(p["testerP"].toDouble(), 0.001);
        }
        if (p["CpK"].isDouble() && p["CpK"].toDouble() >= 1.33 && !p["testerDiffers"].toBool())
            ++clean;
    }
    EXPECT_EQ(flagged, 1);
    EXPECT_GE(clean, 1);

    // --sql prints the one statement.
    r = Start({ "--config", demo, "--screen", "--sql", "--accept-zero" });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("SELECT [ATEID] AS ATEX, CASE WHEN [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND "
                                 "[VOUT_5V] <> -999 THEN [VOUT_5V] END AS Value1, CASE WHEN [VOUT_3V3] "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(" ORDER BY [TestStartTime], [ATEID];\n")) << r.out.toStdString();
    EXPECT_EQ(r.out.count(" END AS Value"), 8);

    EXPECT_EQ(Start({ "--config", demo, "--screen", "--json", "/dev/null", "--fail-below-cpk", "1" }).code, 3);
    EXPECT_EQ(Start({ "--config", demo, "--screen", "--json", "/dev/null", "--fail-below-cpk", "0.5" }).code, 0);
    EXPECT_EQ(Start({ "--config", demo, "--screen", "--json", "/dev/null", "--fail-on-rules" }).code, 3);
    // A Test ID no row has: nothing to screen is a message.
    r = Start({ "--config", demo, "--screen", "--json", "-", "--test-id", "NONE" });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("There is no data collection")) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["records"].toInt(-1), 0);
}

TEST_F(Report, ScreenWritesCsvAndOneSelfContainedPage)
{
    ProgramRun r = Start({ "--config", demo, "--screen", "--csv", "-", "--html", home.filePath("screen.html"), "--json",
        home.filePath("screen.json") });
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[0].startsWith("parameter,name,column,unit,LSL,USL,n,mean,stdDev,estSigma,Cp,CpK,Pp,PpK,"
                                    "outOfSpec,ppm,R1,R2,R3,R4,R5,R6,R7,testerP,testerDiffers,ATE-01 n,"));
    const int columns = int(lines[0].count(',')) + 1;
    EXPECT_EQ(columns, 25 + 4 * 3);
    EXPECT_TRUE(lines[1].startsWith("T120: [Output ripple],Output ripple,RIPPLE,mV,N/A,50,600,"));
    for (const QString& line : lines.mid(1))
        EXPECT_EQ(line.count(','), columns - 1) << line.toStdString();
    // The three outputs show one ranking.
    const QJsonArray params = QJsonDocument::fromJson([&] {
        QFile f(home.filePath("screen.json"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }())
                                  .object()["parameters"]
                                  .toArray();
    ASSERT_EQ(params.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(lines[i + 1].section(',', 2, 2), params[i].toObject()["column"].toString());

    QFile page(home.filePath("screen.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_EQ(html.count("<svg "), 8);
    EXPECT_EQ(html.count("<tr class=\"poor\""), 1);
    EXPECT_EQ(html.count("title=\"testers differ\""), 1);
    EXPECT_TRUE(html.contains("<script>"));
    // Nothing is fetched: no link, no source, no URL.
    for (const char* remote : { "http:", "https:", "src=", "href=", "<link", "url(", "@import" })
        EXPECT_FALSE(html.contains(remote, Qt::CaseInsensitive)) << remote;
    EXPECT_LT(html.indexOf("Output ripple"), html.indexOf("Board temperature"));
}

TEST_F(Report, ScreenUsageErrors)
{
    for (const QStringList& args : { QStringList { "--config", demo, "--screen" }, { "--config", demo, "--csv", "-" },
             { "--config", demo, "--json", "-", "--fail-below-cpk", "1" },
             { "--config", demo, "--screen", "--json", "-", "--parameter", "VOUT_5V" },
             { "--config", demo, "--screen", "--json", "-", "--fail-below-cpk", "one" },
             { "--config", demo, "--screen", "--json", "-", "--csv", "-" },
             { "--config", demo, "--screen", "--sql", "--json", "-" }, { "--config", demo, "--sql", "--csv", "-" },
             { "--config", demo, "--screen", "--csv", "" }, { "--config", demo, "--screen", "--html", "" },
             { "--config", demo, "--screen", "--json", "-", "--csv", "" }, { "--config", demo, "--json", "" } }) {
        const ProgramRun r = Start(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("moldrin-report: ")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// The stored rule set-up applies to the screen as to the window: with every rule off nothing is found.
TEST_F(Report, StoredRulesSetupAppliesToTheScreen)
{
    ASSERT_EQ(Start({ "--config", demo, "--screen", "--json", "/dev/null", "--fail-on-rules" }).code, 3);
    moldrin::SettingsStore store(home.filePath("settings"));
    ASSERT_TRUE(store.write("RulesSetup", QStringList(66, "0").join(',')));
    const ProgramRun r = Start({ "--config", demo, "--screen", "--json", "-", "--fail-on-rules" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (const QJsonValue& p : QJsonDocument::fromJson(r.out.toUtf8()).object()["parameters"].toArray())
        for (const QJsonValue& hits : p.toObject()["ruleHits"].toObject())
            EXPECT_EQ(hits.toInt(-1), 0);
}

// Every further chart's PDF is its window's print: one page under the chart's title, stamped.
TEST_F(Report, PdfOfEveryFurtherChart)
{
    const QString file = home.filePath("kind.pdf");
    const QList<std::pair<QStringList, QString>> kinds { { { "--kind", "Histogram" }, "Histogram Chart" },
        { { "--kind", "Pareto" }, "Pareto Chart" },
        { { "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter", "VOUT_3V3" }, "Regression Chart" },
        { { "--kind", "P Chart" }, "p Chart" }, { { "--kind", "NP Chart" }, "np Chart" },
        { { "--kind", "C Chart" }, "c Chart" }, { { "--kind", "U Chart" }, "u Chart" },
        { { "--kind", "U Chart", "--laney" }, QString::fromUtf8("Laney u\u2032 Chart") },
        { { "--kind", "EWMA" }, "EWMA Chart" }, { { "--kind", "CUSUM", "--k", "1" }, "CUSUM Chart" } };
    for (const auto& [kind, title] : kinds) {
        QFile::remove(file);
        const ProgramRun r = Start(QStringList { "--config", demo } + kind + QStringList { "--pdf", file }, true);
        EXPECT_EQ(r.code, 0) << kind.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(moldrin::test::PdfPageCount(file), 1) << kind.join(' ').toStdString();
        const QString text = moldrin::test::PdfPageText(file, 1);
        EXPECT_TRUE(text.contains("Printed on: ") && text.startsWith(title)) << text.toStdString();
    }
}

namespace
{

QJsonObject JsonOf(const ProgramRun& r)
{
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

// The points' marks of one side of a report's rules, by position; and how many there are.
int MarkCount(const QJsonObject& report)
{
    int count = 0;
    for (const char* side : { "upper", "lower" })
        for (const QJsonValue& v : report["rules"].toObject()[side].toArray())
            count += v.toString().isEmpty() ? 0 : 1;
    return count;
}

} // namespace

// The EWMA and CUSUM of the demo: the main chart's points and within sigma, the nominal as target, the
// settings from the options or as the windows keep them, the marks counted by --fail-on-rules.
TEST_F(Report, EwmaAndCusumOfTheDemo)
{
    ProgramRun r = Start({ "--config", demo, "--chart", "X-Bar-R", "--json", "-" });
    const double mainSigma = JsonOf(r)["figures"].toObject()["EstSigma"].toDouble();
    ASSERT_GT(mainSigma, 0);

    r = Start({ "--config", demo, "--kind", "ewma", "--chart", "X-Bar-R", "--json", "-" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject j = JsonOf(r);
    EXPECT_EQ(j["chartType"].toString(), "EWMA");
    EXPECT_EQ(j["subgroupSize"].toInt(), 5);
    EXPECT_EQ(j["pointCount"].toInt(), j["records"].toInt() / 5);
    EXPECT_EQ(j["limits"].toObject(),
        (QJsonObject { { "source", "computed" }, { "method", "EWMA" }, { "targetFrom", "nominal" },
            { "sigmaFrom", "R-bar/d2" } }));
    QJsonObject figures = j["figures"].toObject();
    EXPECT_EQ(figures["Target"].toDouble(), 5.0); // the Spec line's nominal
    EXPECT_EQ(figures["Sigma"].toDouble(), mainSigma);
    EXPECT_EQ(figures["Lambda"].toDouble(), 0.2);
    EXPECT_EQ(figures["L"].toDouble(), 3);
    const QJsonArray series = j["series"].toArray();
    ASSERT_EQ(series.size(), 6);
    EXPECT_EQ(series[0].toObject()["title"].toString(), "EWMA");
    EXPECT_EQ(series[0].toObject()["points"].toArray().size(), j["pointCount"].toInt());
    EXPECT_EQ(j["rules"].toObject()["upper"].toArray().size(), j["pointCount"].toInt());
    EXPECT_EQ(MarkCount(j), figures["Signals"].toInt());
    EXPECT_GT(MarkCount(j), 0); // the demo's late mean shift

    // The options, and where they are not given the values the window keeps.
    moldrin::SettingsStore store(home.filePath("settings"));
    ASSERT_TRUE(store.write("EWMA_Lambda", "0.3"));
    ASSERT_TRUE(store.write("CUSUM_H", "4"));
    r = Start({ "--config", demo, "--kind", "EWMA", "--width-l", "2.7", "--json", "-" });
    figures = JsonOf(r)["figures"].toObject();
    EXPECT_EQ(figures["Lambda"].toDouble(), 0.3);
    EXPECT_EQ(figures["L"].toDouble(), 2.7);
    r = Start({ "--config", demo, "--kind", "CUSUM", "--k", "0.25", "--json", "-" });
    figures = JsonOf(r)["figures"].toObject();
    EXPECT_EQ(figures["k"].toDouble(), 0.25);
    EXPECT_EQ(figures["h"].toDouble(), 4);
    r = Start({ "--config", demo, "--kind", "CUSUM", "--h", "6", "--json", "-" });
    EXPECT_EQ(JsonOf(r)["figures"].toObject()["h"].toDouble(), 6);

    // Single readings with the moving range's sigma, a parameter without a nominal judged against its mean.
    r = Start(
        { "--config", demo, "--kind", "CUSUM", "--chart", "Individual-MR", "--parameter", "IDLE_CUR", "--json", "-" });
    j = JsonOf(r);
    EXPECT_EQ(j["subgroupSize"].toInt(), 1);
    EXPECT_EQ(j["pointCount"].toInt(), j["records"].toInt());
    EXPECT_EQ(j["limits"].toObject()["sigmaFrom"].toString(), "MR-bar/d2");
    EXPECT_EQ(j["limits"].toObject()["targetFrom"].toString(), "mean");
    EXPECT_EQ(j["series"].toArray()[1].toObject()["title"].toString(), "C-");

    // --fail-on-rules counts the marks.
    r = Start({ "--config", demo, "--kind", "EWMA", "--json", home.filePath("e.json"), "--fail-on-rules" });
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    r = Start({ "--config", demo, "--kind", "EWMA", "--lambda", "0.05", "--width-l", "6", "--parameter", "VOUT_3V3",
        "--json", home.filePath("e.json"), "--fail-on-rules" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();

    // They read the main chart's statement.
    const ProgramRun main = Start({ "--config", demo, "--sql" });
    EXPECT_EQ(Start({ "--config", demo, "--sql", "--kind", "CUSUM" }).out, main.out);
}

TEST_F(Report, LaneyPAndUCharts)
{
    ProgramRun r = Start({ "--config", demo, "--kind", "P Chart", "--zones", "--json", "-" });
    const QJsonObject plain = JsonOf(r);
    EXPECT_FALSE(plain.contains("limits")); // the plain chart's report as it was
    r = Start({ "--config", demo, "--kind", "P Chart", "--zones", "--laney", "--json", "-" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject laney = JsonOf(r);
    const double sigmaZ = laney["figures"].toObject()["SigmaZ"].toDouble();
    EXPECT_GT(sigmaZ, 0);
    EXPECT_EQ(laney["limits"].toObject(),
        (QJsonObject { { "source", "computed" }, { "method", "Laney" }, { "sigmaZ", sigmaZ } }));
    EXPECT_EQ(laney["panel"].toObject()["captions"].toArray().last().toString(), "Sigma z:");
    r = Start({ "--config", demo, "--kind", "U Chart", "--laney", "--json", "-" });
    EXPECT_EQ(JsonOf(r)["limits"].toObject()["method"].toString(), "Laney");

    // The demo's inspection lots of thousands of boards: the ordinary limits put most lots beyond them, Laney's
    // only the two lots at three times the rates (lots 61 and 136 of 180).
    for (const char* kind : { "P Chart", "U Chart" }) {
        QList<int> beyond[2];
        for (int laneyChart = 0; laneyChart < 2; ++laneyChart) {
            QStringList args { "--config", demo, "--product", "CTL-300", "--kind", kind, "--test-id", "<All>", "--json",
                "-" };
            if (laneyChart)
                args << "--laney";
            r = Start(args);
            ASSERT_EQ(r.code, 0) << r.err.toStdString();
            const QJsonObject j = JsonOf(r);
            const QJsonArray data = j["series"].toArray()[0].toObject()["points"].toArray();
            const QJsonArray ucl = j["series"].toArray()[2].toObject()["points"].toArray();
            const QJsonArray lcl = j["computedLCL"].toArray();
            ASSERT_EQ(data.size(), 180);
            for (int i = 0; i < data.size(); ++i) {
                const double y = data[i].toArray()[1].toDouble();
                if (y > ucl[i].toArray()[1].toDouble() || y < lcl[i].toDouble())
                    beyond[laneyChart] << i + 1;
            }
        }
        EXPECT_GT(beyond[0].size(), 60) << kind;
        EXPECT_EQ(beyond[1], (QList<int> { 61, 136 })) << kind;
    }
}

TEST_F(Report, EwmaCusumAndLaneyUsageErrors)
{
    const std::pair<QStringList, QString> cases[] {
        { { "--kind", "EWMA", "--k", "1" }, "--k belongs to --kind CUSUM" },
        { { "--kind", "CUSUM", "--lambda", "0.2" }, "--lambda belongs to --kind EWMA" },
        { { "--kind", "EWMA", "--h", "4" }, "--h belongs to --kind CUSUM" },
        { { "--width-l", "3" }, "--width-l belongs to --kind EWMA" },
        { { "--kind", "EWMA", "--lambda", "0" }, "--lambda takes a number above 0 and up to 1" },
        { { "--kind", "EWMA", "--lambda", "1.01" }, "--lambda takes a number above 0 and up to 1" },
        { { "--kind", "EWMA", "--lambda", "0,2" }, "--lambda takes a number above 0 and up to 1" },
        { { "--kind", "EWMA", "--width-l", "-1" }, "--width-l takes a number above 0" },
        { { "--kind", "EWMA", "--width-l", "inf" }, "--width-l takes a number above 0" },
        { { "--kind", "CUSUM", "--k", "-0.1" }, "--k takes a number of 0 or more" },
        { { "--kind", "CUSUM", "--h", "0" }, "--h takes a number above 0" },
        { { "--kind", "CUSUM", "--h=nan" }, "--h takes a number above 0" },
        { { "--kind", "CUSUM", "--h", "" }, "--h takes a number above 0" },
        { { "--laney" }, "--laney belongs to --kind \"P Chart\" or \"U Chart\"" },
        { { "--kind", "NP Chart", "--laney" }, "--laney belongs to --kind \"P Chart\" or \"U Chart\"" },
        { { "--kind", "EWMA", "--laney" }, "--laney belongs to --kind \"P Chart\" or \"U Chart\"" },
    };
    for (const auto& [extra, message] : cases) {
        const ProgramRun r = Start(QStringList { "--config", demo, "--json", "-" } + extra);
        EXPECT_EQ(r.code, 2) << extra.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("moldrin-report: " + message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << extra.join(' ').toStdString();
    }
    // The edges of the ranges are taken: lambda 1 (the points themselves), k 0.
    for (const QStringList& extra :
        { QStringList { "--kind", "EWMA", "--lambda", "1" }, { "--kind", "CUSUM", "--k", "0" } }) {
        const ProgramRun r = Start(QStringList { "--config", demo, "--json", "-" } + extra);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
    }
    // -h stays the help.
    const ProgramRun help = Start({ "-h" });
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("--lambda"));
}

// Readings in amperes (about 1.2e-6) keep their digits in every figure, limit, panel line and line label,
// and their rule marks are those of the same readings in microamperes; so at nano- and pico-scale.
TEST_F(Report, SmallReadingsKeepTheirDigits)
{
    const QString config = home.filePath("leak");
    QDir().mkpath(config);
    ASSERT_EQ(moldrin::test::WriteLeakageConfiguration(config).toStdString(), "");
    const auto report = [&](const char* column, const QStringList& more) {
        ProgramRun r = Start(
            QStringList { "--config", config, "--parameter", column, "--test-id", "<All>", "--json", "-" } + more);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    };
    const QStringList chart { "--chart", "X-Bar-R", "--size", "5", "--zones", "--show-spec" };
    const QJsonObject micro = report("I_UA", chart);
    // Hand-computed from the readings: 100 subgroups, X-double-bar 1.203, R-bar 0.0774, sigma R-bar / 2.326.
    const QList<std::pair<const char*, double>> expected { { "XDoubleBar", 1.203 }, { "AverageVariation", 0.0774 },
        { "UCLCentre", 1.2476 }, { "LCLCentre", 1.1583 }, { "UCLVar", 0.1637 }, { "LCLVar", 0 }, { "USL", 1.5 },
        { "LSL", 0 } };
    const QList<std::pair<const char*, double>> indices { { "Cp", 7.5129 }, { "CpU", 2.9752 }, { "CpL", 12.0507 },
        { "CpK", 2.9752 } };
    const auto centreMarks = [](const QJsonObject& o) { return o["rules"].toObject()["centre"].toObject(); };
    int beyondUcl = 0;
    for (const QJsonValue& m : centreMarks(micro)["upper"].toArray())
        beyondUcl += m.toString().startsWith("R1") ? 1 : 0;
    EXPECT_EQ(beyondUcl, 5); // the five raised subgroups, not all 100

    for (const auto& c : moldrin::test::kLeakageColumns) {
        const double unit = std::pow(10.0, c.exponent);
        const QJsonObject o = report(c.column, chart);
        const QJsonObject f = o["figures"].toObject();
        for (const auto& [name, value] : expected)
            EXPECT_DOUBLE_EQ(f[name].toDouble(-1), value * unit) << c.column << ' ' << name;
        for (const auto& [name, value] : indices)
            EXPECT_DOUBLE_EQ(f[name].toDouble(-1), value) << c.column << ' ' << name;
        // Below 0.001 the standard deviations keep six digits where 4 decimals keep three.
        const double sdDigits = c.exponent == 0 ? 0.0323 : 0.0323154, sigmaDigits = c.exponent == 0 ? 0.0333 : 0.033276;
        EXPECT_DOUBLE_EQ(f["StdDev"].toDouble(), sdDigits * unit) << c.column;
        EXPECT_DOUBLE_EQ(f["EstSigma"].toDouble(), sigmaDigits * unit) << c.column;
        // Every figure is the number its panel line shows.
        const QJsonArray values = o["panel"].toObject()["values"].toArray();
        const QJsonArray captions = o["panel"].toObject()["captions"].toArray();
        const std::pair<int, const char*> shown[]
            = { { 1, "StdDev" }, { 2, "EstSigma" }, { 4, "UCLCentre" }, { 5, "XDoubleBar" }, { 6, "LCLCentre" },
                  { 7, "USL" }, { 8, "LSL" }, { 15, "UCLVar" }, { 16, "AverageVariation" } };
        for (const auto& [line, name] : shown)
            EXPECT_EQ(values[line].toString().remove(',').toDouble(), f[name].toDouble())
                << c.column << ' ' << captions[line].toString().toStdString() << values[line].toString().toStdString();
        EXPECT_EQ(centreMarks(o), centreMarks(micro)) << c.column;
        EXPECT_EQ(o["rules"].toObject()["variation"], micro["rules"].toObject()["variation"]) << c.column;
    }
    const QJsonArray amps = report("I_A", chart)["panel"].toObject()["values"].toArray();
    EXPECT_EQ(amps[1].toString(), "0.0000000323154");
    EXPECT_EQ(amps[4].toString(), "0.0000012476");
    EXPECT_EQ(amps[7].toString(), "0.0000015");

    // Without zones the limit lines are named with their values.
    QStringList labels;
    for (const QJsonValue& s : report("I_A", { "--chart", "X-Bar-R", "--size", "5" })["series"].toArray())
        for (const QJsonValue& p : s.toObject()["points"].toArray())
            labels << p.toArray()[2].toString().trimmed();
    for (const char* label :
        { "UCL=0.0000012476", "CL=0.000001203; CpK=2.9752", "LCL=0.0000011583", "UCL=0.0000001637", "CL=0.0000000774" })
        EXPECT_TRUE(labels.contains(label)) << label;
}

// The further charts and the screen of readings in amperes: their figures are those of the readings in
// microamperes in the ampere.
TEST_F(Report, SmallReadingsInTheFurtherChartsAndTheScreen)
{
    const QString config = home.filePath("leak");
    QDir().mkpath(config);
    ASSERT_EQ(moldrin::test::WriteLeakageConfiguration(config).toStdString(), "");
    const auto report = [&](const QStringList& args) {
        ProgramRun r = Start(QStringList { "--config", config, "--test-id", "<All>", "--json", "-" } + args);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    };
    QJsonObject f = report({ "--kind", "Histogram", "--parameter", "I_A" })["figures"].toObject();
    EXPECT_DOUBLE_EQ(f["Mean"].toDouble(), 1.203e-6);
    EXPECT_DOUBLE_EQ(f["StdDev"].toDouble(), 0.0323154e-6);
    EXPECT_DOUBLE_EQ(f["Range"].toDouble(), 0.159e-6);
    EXPECT_DOUBLE_EQ(f["USL"].toDouble(), 1.5e-6);
    EXPECT_EQ(f["PpK"], report({ "--kind", "Histogram", "--parameter", "I_UA" })["figures"].toObject()["PpK"]);

    f = report({ "--kind", "Scatter", "--parameter", "I_UA", "--parameter", "I_A" })["figures"].toObject();
    EXPECT_DOUBLE_EQ(f["Slope"].toDouble(), 1e-6);
    EXPECT_DOUBLE_EQ(f["YMean"].toDouble(), 1.203e-6);
    EXPECT_DOUBLE_EQ(f["Correlation"].toDouble(), 1);

    const QJsonArray parameters = report({ "--screen" })["parameters"].toArray();
    QMap<QString, QJsonObject> byColumn;
    for (const QJsonValue& p : parameters)
        byColumn[p.toObject()["column"].toString()] = p.toObject();
    ASSERT_EQ(byColumn.size(), 4);
    for (const auto& c : moldrin::test::kLeakageColumns) {
        const QJsonObject p = byColumn[c.column];
        const double unit = std::pow(10.0, c.exponent);
        EXPECT_DOUBLE_EQ(p["mean"].toDouble(), 1.203 * unit) << c.column;
        EXPECT_NEAR(p["stdDev"].toDouble() / unit, 0.0323154, c.exponent == 0 ? 1e-4 : 1e-9) << c.column;
        EXPECT_EQ(p["ruleHits"], byColumn["I_UA"]["ruleHits"]) << c.column;
        EXPECT_EQ(p["CpK"], byColumn["I_UA"]["CpK"]) << c.column;
    }
}

// Fields that are no number are skipped and counted by every kind, rows whose start time is no time are
// counted; both are told on standard error and in the JSON, and the figures are those of the readings left.
// Text where a lot's count or size stands: the lot is left out and its fields are told, as other charts tell theirs.
TEST_F(Report, AttributeCountsThatAreNoNumberAreSkippedAndTold)
{
    const QString config = home.filePath("lots");
    QDir().mkpath(config);
    for (const QString& name :
        { QStringLiteral("ATE.INI"), QStringLiteral("PRODUCTS.INI"), QStringLiteral("results.db") })
        ASSERT_TRUE(QFile::copy(demo + "/" + name, config + "/" + name));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "lots");
        db.setDatabaseName(config + "/results.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        const QString lot = "(SELECT %1(rowid) FROM PSU100_Results WHERE Defectives IS NOT NULL)";
        ASSERT_TRUE(q.exec("UPDATE PSU100_Results SET Defectives = 'n/a' WHERE rowid = " + lot.arg("MIN")));
        ASSERT_TRUE(
            q.exec("UPDATE PSU100_Results SET Inspected = 'abc', Defects = '5,05' WHERE rowid = " + lot.arg("MAX")));
        db.close();
    }
    QSqlDatabase::removeDatabase("lots");

    const auto report = [&](const char* kind, int skipped) {
        ProgramRun r = Start({ "--config", config, "--kind", kind, "--json", "-" });
        EXPECT_EQ(r.code, 0) << kind << r.err.toStdString();
        EXPECT_EQ(r.err, QString("Skipped, not a number: %1\n").arg(skipped)) << kind;
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        EXPECT_EQ(o["skipped"].toInt(), skipped) << kind;
        EXPECT_EQ(o["records"].toInt(), 180) << kind;
        return o["pointCount"].toInt();
    };
    EXPECT_EQ(report("P Chart", 2), 178);
    EXPECT_EQ(report("U Chart", 1), 179);
    // The np chart reads neither column: nothing skipped, nothing told.
    ProgramRun r = Start({ "--config", config, "--kind", "NP Chart", "--json", "-" });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_FALSE(o.contains("skipped"));
    EXPECT_EQ(o["pointCount"].toInt(), 180);
}

TEST_F(Report, FieldsThatAreNoNumberAreSkippedAndTold)
{
    const QString config = home.filePath("text");
    QDir().mkpath(config);
    ASSERT_EQ(moldrin::test::WriteLeakageConfiguration(config).toStdString(), "");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "text");
        db.setDatabaseName(config + "/leak.db");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* edit :
            { "UPDATE Results SET I_UA = 'abc' WHERE rowid = 3", "UPDATE Results SET I_UA = 'n/a' WHERE rowid = 10",
                "UPDATE Results SET I_UA = '5,05' WHERE rowid = 11",
                "UPDATE Results SET TestStartTime = 'n/a' WHERE rowid IN (20, 21)" })
            ASSERT_TRUE(q.exec(edit)) << edit;
        db.close();
    }
    QSqlDatabase::removeDatabase("text");
    // The readings left, in order, and the mean of their whole subgroups of 5.
    QList<double> left;
    for (int i = 0; i < moldrin::test::kLeakageReadings; ++i)
        if (i != 2 && i != 9 && i != 10 && i != 19 && i != 20)
            left << moldrin::test::LeakageMilli(i) / 1000.0;
    double sumMeans = 0;
    const int subgroups = int(left.size()) / 5;
    for (int k = 0; k < subgroups * 5; ++k)
        sumMeans += left[k] / 5;

    const auto report = [&](const QStringList& args) {
        ProgramRun r = Start(QStringList { "--config", config, "--test-id", "<All>", "--json", "-" } + args);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Skipped, not a number: 3")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Skipped, start time unreadable: 2")) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    };
    QJsonObject o = report({ "--parameter", "I_UA", "--chart", "X-Bar-R" });
    EXPECT_EQ(o["skipped"].toInt(), 3);
    EXPECT_EQ(o["unreadableTimes"].toInt(), 2);
    EXPECT_EQ(o["records"].toInt(), 498);
    EXPECT_EQ(o["pointCount"].toInt(), subgroups);
    EXPECT_NEAR(o["figures"].toObject()["XDoubleBar"].toDouble(), sumMeans / subgroups, 5e-5);

    o = report({ "--parameter", "I_UA", "--kind", "Histogram" });
    EXPECT_EQ(o["skipped"].toInt(), 3);
    EXPECT_EQ(o["records"].toInt(), 495);
    EXPECT_NEAR(o["figures"].toObject()["Mean"].toDouble(),
        std::accumulate(left.begin(), left.end(), 0.0) / double(left.size()), 5e-5);

    o = report({ "--kind", "Scatter", "--parameter", "I_UA", "--parameter", "I_A" });
    EXPECT_EQ(o["skipped"].toInt(), 3);
    EXPECT_EQ(o["records"].toInt(), 495);
    EXPECT_DOUBLE_EQ(o["figures"].toObject()["Correlation"].toDouble(), 1);

    o = report({ "--kind", "Pareto" });
    EXPECT_EQ(o["skipped"].toInt(), 3);
    EXPECT_EQ(o["unreadableTimes"].toInt(), 2);

    o = report({ "--screen" });
    EXPECT_EQ(o["skipped"].toInt(), 3);
    EXPECT_EQ(o["unreadableTimes"].toInt(), 2);
    for (const QJsonValue& p : o["parameters"].toArray())
        EXPECT_EQ(p.toObject()["n"].toInt(), p.toObject()["column"].toString() == "I_UA" ? 495 : 498);
}
