// moldrin-report with saved limits: saving a baseline, plotting against it in a later run, the site's
// shared file, a file that cannot be written, and the options' usage errors.
#include "reportrun.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using moldrin::test::ProgramRun;
using moldrin::test::Report;
using moldrin::test::WriteFile;

namespace
{

QJsonObject ReadJson(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QJsonDocument::fromJson(f.readAll()).object();
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SavedLimitsReport : public Report
{
protected:
    // The demo's first 60 of its 180 days.
    const QStringList baseline { "--range", "Custom", "--from",
        QDate::currentDate().addDays(-181).toString(Qt::ISODate), "--to",
        QDate::currentDate().addDays(-121).toString(Qt::ISODate) };
    const QStringList chart { "--product", "PSU-100", "--chart", "X-Bar-R", "--size", "5" };

    ProgramRun Save(const QString& config)
    {
        return Start(QStringList { "--config", config, "--json", home.filePath("base.json"), "--save-limits" } + chart
            + baseline);
    }
    ProgramRun PlotSaved(const QString& config, const QStringList& more = {})
    {
        return Start(
            QStringList { "--config", config, "--json", home.filePath("held.json"), "--zones", "--saved-limits" }
            + chart + more);
    }
};

TEST_F(SavedLimitsReport, ABaselineSavedInOneRunHoldsTheLinesOfTheNext)
{
    ProgramRun r = PlotSaved(demo);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("moldrin-report: no limits are saved for PSU-100 VOUT_5V X-Bar-R size 5 in "))
        << r.err.toStdString();

    r = Save(demo);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(home.path()).filePath("control-limits.json"))); // beside the settings file
    const QJsonObject base = ReadJson(home.filePath("base.json"));
    EXPECT_FALSE(base.contains("limits")); // the baseline's own report is the plain one

    r = PlotSaved(demo);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject held = ReadJson(home.filePath("held.json"));
    const QJsonObject limits = held["limits"].toObject();
    EXPECT_EQ(limits["source"].toString(), "saved");
    for (const char* name : { "UCLCentre", "LCLCentre", "XDoubleBar", "UCLVar", "AverageVariation", "EstSigma" })
        EXPECT_EQ(held["figures"][name], base["figures"][name]) << name;
    EXPECT_EQ(limits["centreChart"]["ucl"].toDouble(), base["figures"]["UCLCentre"].toDouble());
    EXPECT_EQ(limits["subgroups"].toDouble(), base["pointCount"].toDouble());
    EXPECT_GT(held["pointCount"].toDouble(), base["pointCount"].toDouble()); // every day plotted, 60 held
    const QString line = held["panel"]["values"].toArray().last().toString();
    EXPECT_TRUE(line.startsWith("Saved " + QDate::currentDate().toString(Qt::ISODate))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(limits["first"].toString() + " to " + limits["last"].toString()));
}

TEST_F(SavedLimitsReport, LatePointsBeyondTheSavedUclAreMarkedThoughInsideTheirOwnLimits)
{
    ASSERT_EQ(Save(demo).code, 0);
    ProgramRun r = PlotSaved(demo, { "--fail-on-rules" });
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    r = Start(QStringList { "--config", demo, "--json", home.filePath("own.json"), "--zones" } + chart);
    const QJsonObject own = ReadJson(home.filePath("own.json")), held = ReadJson(home.filePath("held.json"));
    const double ownUcl = own["figures"]["UCLCentre"].toDouble(), heldUcl = held["figures"]["UCLCentre"].toDouble();
    const QJsonArray upper = held["rules"]["centre"]["upper"].toArray();
    QJsonArray points;
    for (const QJsonValue& s : held["series"].toArray())
        if (s["title"].toString() == "X-Bar")
            points = s["points"].toArray();
    ASSERT_EQ(points.size(), upper.size());
    int caught = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const double y = points[i][1].toDouble();
        if (y > heldUcl && y <= ownUcl) {
            EXPECT_TRUE(upper[i].toString().contains("R1+")) << i;
            ++caught;
        }
    }
    EXPECT_GT(caught, 0);
}

TEST_F(SavedLimitsReport, TheSiteFileNamedByAteIniIsSharedAndARefusedWriteIsTold)
{
    QTemporaryDir site;
    ASSERT_TRUE(moldrin::test::CopyDemoConfiguration(site.path()));
    ASSERT_TRUE(QFile::copy(QDir(demo).filePath("results.db"), site.filePath("results.db")));
    QByteArray ini = Bytes(site.filePath("ATE.INI"));
    WriteFile(site.filePath("ATE.INI"), ini + "\r\n[Control Limits]\r\nFile=shared/limits.json\r\n");
    ini = Bytes(site.filePath("ATE.INI"));
    ASSERT_EQ(Save(site.path()).code, 0);
    EXPECT_TRUE(QFile::exists(site.filePath("shared/limits.json")));
    EXPECT_FALSE(QFile::exists(QDir(home.path()).filePath("control-limits.json")));
    EXPECT_EQ(Bytes(site.filePath("ATE.INI")), ini);

    QTemporaryDir otherUser;
    QProcessEnvironment env = Environment();
    env.insert("MOLDRIN_SETTINGS_FILE", QDir(otherUser.path()).filePath("settings"));
    const ProgramRun r = Run(QStringList { "--config", site.path(), "--json", "-", "--saved-limits" } + chart, env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\"source\":\"saved\"")) << r.out.left(300).toStdString();

    // A File= below a plain file cannot be written: the run says so and fails.
    WriteFile(site.filePath("plain"), "x");
    WriteFile(site.filePath("ATE.INI"), ini.replace("shared/limits.json", "plain/limits.json"));
    const ProgramRun refused = Save(site.path());
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("The limits could not be saved to " + site.filePath("plain/limits.json")))
        << refused.err.toStdString();
}

TEST_F(SavedLimitsReport, OptionsOutsideTheMainChartsPlotAreUsageErrors)
{
    for (const QStringList& args : { QStringList { "--json", "-", "--save-limits", "--saved-limits" },
             QStringList { "--sql", "--saved-limits" }, QStringList { "--screen", "--json", "-", "--save-limits" },
             QStringList { "--json", "-", "--kind", "Histogram", "--saved-limits" } }) {
        const ProgramRun r = Start(QStringList { "--config", demo } + args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--save-limits")) << r.err.toStdString();
    }
}

} // namespace

// Each stage of an Individual-MR chart holds the figures of a chart of its dates alone: a stage's moving
// ranges start afresh as a chart's do.
TEST_F(SavedLimitsReport, EachStageHasTheFiguresOfAChartOfItsDatesAlone)
{
    const QDate start = QDate::currentDate().addDays(-54);
    const QStringList individual { "--product", "PSU-100", "--chart", "Individual-MR", "--zones" };
    ProgramRun r = Start(
        QStringList { "--config", demo, "--json", home.filePath("staged.json"), "--stage", start.toString(Qt::ISODate) }
        + individual);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject staged = ReadJson(home.filePath("staged.json"));
    EXPECT_EQ(staged["limits"]["source"].toString(), "stages");
    const QJsonArray stages = staged["limits"]["stages"].toArray();
    ASSERT_EQ(stages.size(), 2);
    EXPECT_TRUE(stages[0]["start"].isNull());
    EXPECT_EQ(stages[1]["start"].toString(), start.toString(Qt::ISODate));
    EXPECT_EQ(stages[1]["firstPoint"].toDouble(), stages[0]["pointCount"].toDouble());

    const QList<std::pair<QDate, QDate>> ranges { { QDate(2000, 1, 1), start.addDays(-1) },
        { start, QDate::currentDate() } };
    for (qsizetype k = 0; k < 2; ++k) {
        r = Start(QStringList { "--config", demo, "--json", home.filePath("alone.json"), "--range", "Custom", "--from",
                      ranges[k].first.toString(Qt::ISODate), "--to", ranges[k].second.toString(Qt::ISODate) }
            + individual);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QJsonObject alone = ReadJson(home.filePath("alone.json"));
        EXPECT_EQ(stages[k]["pointCount"].toDouble(), alone["pointCount"].toDouble()) << k;
        EXPECT_EQ(stages[k]["centreChart"]["ucl"].toDouble(), alone["figures"]["UCLCentre"].toDouble()) << k;
        EXPECT_EQ(stages[k]["centreChart"]["centre"].toDouble(), alone["figures"]["XDoubleBar"].toDouble()) << k;
        EXPECT_EQ(stages[k]["variationChart"]["ucl"].toDouble(), alone["figures"]["UCLVar"].toDouble()) << k;
        EXPECT_EQ(stages[k]["sigma"].toDouble(), alone["figures"]["EstSigma"].toDouble()) << k;
    }
    // The panel is the last stage's, named.
    EXPECT_EQ(staged["figures"]["UCLCentre"].toDouble(), stages[1]["centreChart"]["ucl"].toDouble());
    EXPECT_EQ(
        staged["panel"]["values"].toArray().last().toString(), "Stage 2 of 2 from " + start.toString(Qt::ISODate));
}

TEST_F(SavedLimitsReport, StageOptionsAreChecked)
{
    for (const QStringList& args : { QStringList { "--json", "-", "--stage", "2026-02-30" },
             QStringList { "--json", "-", "--stage", "2026-01-01", "--saved-limits" },
             QStringList { "--json", "-", "--kind", "EWMA", "--stage", "2026-01-01" } }) {
        const ProgramRun r = Start(QStringList { "--config", demo } + args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--stage")) << r.err.toStdString();
    }
}
