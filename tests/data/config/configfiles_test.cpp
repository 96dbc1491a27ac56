// Tests of the configuration folder, column names and parameter lines of the Spec section.
#include "data/config/configfiles.h"
#include "data/config/datasourcekind.h"

#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include "qtprinters.h"

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ConfigFolder : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    ScriptedPrompt prompt;
    SelectionLists lists;

    void SetUp() override
    {
        Write(dir.filePath("ATE.INI"),
            "[ATE Configuration]\r\nTestProduct=PSU-100,RFM-24\r\nTestID=FT1,FT2\r\n"
            "TestIDDefault=FT2\r\n[Database]\r\nDatabaseName=results.db\r\n");
        state.gINIPath = dir.path();
    }
    void Products(const QByteArray& bytes) { Write(dir.filePath("PRODUCTS.INI"), bytes); }
};

} // namespace

TEST_F(ConfigFolder, RememberedFolderListsProducts)
{
    Products("[PSU-100]\r\nTableName=Results\r\n");
    state.gINIPath.clear();
    state.registry.write("INIPath", dir.path());
    EXPECT_EQ(LocateConfigFolder(state, lists), "PSU-100,RFM-24");
    EXPECT_EQ(state.gINIPath, dir.path());
    EXPECT_EQ(lists.caption, "Tolvane SPC (" + dir.path() + ")");
    FillProductList(lists, "PSU-100,RFM-24,");
    EXPECT_EQ(lists.productList, QStringList({ "<Open INI>", "PSU-100", "RFM-24", "" }));
    EXPECT_EQ(lists.productIndex, 1);
}

TEST_F(ConfigFolder, OverrideTakesPrecedenceAndFileNamesIgnoreCase)
{
    Write(dir.filePath("products.ini"), "[PSU-100]\r\n");
    QTemporaryDir other;
    state.registry.write("INIPath", other.path());
    EXPECT_EQ(LocateConfigFolder(state, lists, dir.path()), "PSU-100,RFM-24");
    EXPECT_EQ(state.gINIPath, dir.path());
}

TEST_F(ConfigFolder, MissingFilesAskForAFolder)
{
    QTemporaryDir empty;
    lists.productList = { "<Open INI>", "A", "B" };
    EXPECT_FALSE(LocateConfigFolder(state, lists, empty.path()));
    const FileDialogRequest request = ConfigFolderRequest(state);
    EXPECT_EQ(request.title, "Open INI files");
    EXPECT_EQ(request.filter, "INI file (ATE.INI)|ATE.INI");
    EXPECT_EQ(request.fileName, QDir(empty.path()).filePath("ATE.INI"));
    // Cancelled with products listed: the first product is reselected.
    EXPECT_EQ(OpenConfigFolder(state, prompt, lists, QString()), "");
    EXPECT_TRUE(lists.reselectFirstProduct);
    EXPECT_EQ(lists.productIndex, 1);
    EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(ConfigFolder, DialogPickReportsMissingFilesAndKeepsFolder)
{
    QTemporaryDir chosen;
    EXPECT_EQ(OpenConfigFolder(state, prompt, lists, chosen.filePath("ATE.INI")), "");
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0].text, "Missing ATE.INI!.");
    EXPECT_EQ(prompt.messages[0].title, "Open INI Error");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);

    Write(chosen.filePath("ATE.INI"), "[ATE Configuration]\r\nTestProduct=X\r\n");
    EXPECT_EQ(OpenConfigFolder(state, prompt, lists, chosen.filePath("ATE.INI")), "");
    EXPECT_EQ(prompt.messages.last().text, "Missing PRODUCTS.INI!.");
    EXPECT_EQ(state.gINIPath, dir.path());

    EXPECT_EQ(OpenConfigFolder(state, prompt, lists, chosen.filePath("*.INI")), "");
    EXPECT_EQ(prompt.messages.size(), 2);
}

TEST_F(ConfigFolder, DialogPickFillsTestIdsAndAdoptsFolder)
{
    QTemporaryDir chosen;
    Write(chosen.filePath("ATE.INI"), "[ATE Configuration]\r\nTestProduct=X,Y\r\nTestID=A,B\r\nTestIDDefault=B\r\n");
    Write(chosen.filePath("PRODUCTS.INI"), "");
    EXPECT_EQ(OpenConfigFolder(state, prompt, lists, chosen.filePath("ATE.INI")), "X,Y");
    EXPECT_EQ(state.gINIPath, chosen.path());
    EXPECT_EQ(lists.caption, "Tolvane SPC (" + chosen.path() + ")");
    EXPECT_EQ(lists.testIdList, QStringList({ "A", "B" }));
    EXPECT_EQ(lists.testIdText, "B");

    Write(chosen.filePath("ATE.INI"), "[ATE Configuration]\r\nTestProduct=X\r\nTestID=C,D\r\n");
    OpenConfigFolder(state, prompt, lists, chosen.filePath("ATE.INI"));
    EXPECT_EQ(lists.testIdText, "C");

    RefillTestIdList(state, lists);
    EXPECT_EQ(lists.testIdList, QStringList({ "<All>", "C", "D" }));
    EXPECT_EQ(lists.testIdText, "<All>");
}

TEST_F(ConfigFolder, ColumnNamesAreNormalised)
{
    Products("[PSU-100]\r\nSerialNumber=[Serial No]\r\nATEID=Tester Name\r\nTestID=\r\nPassIdentical=1\r\n"
             "[RFM-24]\r\nPassIdentical=OK\r\nPassFail=Verdict\r\n");
    EXPECT_TRUE(LoadColumnNames(state, prompt, "PSU-100"));
    EXPECT_EQ(state.gColSerialNumber, "[Serial No]");
    EXPECT_EQ(state.gColATEID, "[Tester Name]");
    EXPECT_EQ(state.gColTestID, "[TestID]");
    EXPECT_EQ(state.gPassValue, "1");
    EXPECT_TRUE(LoadColumnNames(state, prompt, "RFM-24"));
    EXPECT_EQ(state.gColSerialNumber, "[SerialNumber]");
    EXPECT_EQ(state.gColATEID, "[ATEID]");
    EXPECT_EQ(state.gColPassFail, "[Verdict]");
    EXPECT_EQ(state.gPassValue, "'OK'");
    EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(ConfigFolder, NamesThatWouldEndTheirNameAreRefusedWithSectionAndKey)
{
    for (const char* name : { "Serial] FROM secret --", "SN; DELETE FROM Results", "SN --", "SN /* x", "SN'", "S\"N",
             "S`N", "[SN]] FROM secret", "[SN] x", "[S;N]" }) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsTableOrColumnName(QString::fromUtf8(name)));
    }
    EXPECT_FALSE(IsTableOrColumnName("Serial\nNo"));
    for (const char* name : { "Serial No", "[Serial No]", "[dbo].[Results]", "dbo.Results", "Wert (mV)", "Größe" })
        EXPECT_TRUE(IsTableOrColumnName(QString::fromUtf8(name))) << name;

    Products("[PSU-100]\r\nSerialNumber=SN\r\nATEID=Tester] FROM secret --\r\n"
             "[RFM-24]\r\nP_ChartSubGroupColumnName=Inspected; DROP TABLE x\r\n"
             "[RFM-24 Spec]\r\n1=VOUT,1,2,,V,,Output\r\n2=<EOT>\r\n"
             "[RFM-25 Spec]\r\n1=VOUT,1,2,,V,,Output\r\n2=V] FROM secret --,1,2,,V,,Other\r\n3=<EOT>\r\n");
    EXPECT_FALSE(LoadColumnNames(state, prompt, "PSU-100"));
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0].text,
        "Not a table or column name in section PSU-100 and key ATEID (PRODUCTS.INI): Tester] FROM secret --!");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);

    lists.plotButtonEnabled = true;
    LoadProductSpec(state, prompt, lists, "RFM-24");
    EXPECT_EQ(prompt.messages.last().text,
        "Not a table or column name in section RFM-24 and key "
        "P_ChartSubGroupColumnName (PRODUCTS.INI): Inspected; DROP TABLE x!");
    EXPECT_TRUE(state.gPChartSubGroupColumn.isEmpty());
    EXPECT_FALSE(lists.plotButtonEnabled);

    LoadProductSpec(state, prompt, lists, "RFM-25");
    EXPECT_EQ(prompt.messages.last().text,
        "Not a table or column name in section RFM-25 Spec and key 2 (PRODUCTS.INI): V] FROM secret --!");
    EXPECT_EQ(lists.parameterList.last(), "<Disabled>");
    EXPECT_FALSE(lists.parameterListEnabled);
    EXPECT_FALSE(lists.plotButtonEnabled);
}

TEST_F(ConfigFolder, SpecWithGapsAndLimits)
{
    Products("[PSU-100]\r\nP_ChartNonConformitiesColumnName=Defectives\r\nC_ChartY_AxisTitle=Defects\r\n"
             "[PSU-100 Spec]\r\n1=VOUT_5V,4.75,5.25,,V,T100,Output voltage\r\n2=IDLE_CUR,,0.35,,A,,Idle current\r\n"
             "4=TEMP,abc,  60 ,,\xB0"
             "C,T300,Temperature,extra\r\n5=<eot>,ignored\r\n6=LATE,1,2,,V,,Late\r\n");
    LoadProductSpec(state, prompt, lists, "PSU-100");
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(lists.parameterList, QStringList({ "T100: [Output voltage]", "Idle current", "T300: [Temperature]" }));
    EXPECT_EQ(lists.parameterIndex, 0);
    EXPECT_TRUE(lists.parameterListEnabled);
    EXPECT_TRUE(lists.plotButtonEnabled);
    EXPECT_EQ(state.gParamColumn, QStringList({ "VOUT_5V", "IDLE_CUR", "TEMP" }));
    EXPECT_EQ(state.gSpecField4, QStringList({ "V", "A", QString::fromUtf8("°C") }));
    EXPECT_EQ(state.gLSL, QList<double>({ 4.75, -999, -999 }));
    EXPECT_EQ(state.gUSL, QList<double>({ 5.25, 0.35, 60 }));
    EXPECT_EQ(state.gPChartNonConfColumn, "Defectives");
    EXPECT_EQ(state.gPChartSubGroupColumn, "");
    EXPECT_EQ(state.gCChartYAxisTitle, "Defects");

    lists.productList = { "<Open INI>", "PSU-100" };
    lists.productIndex = 1;
    GetTestParameterName(state, prompt, lists);
    EXPECT_EQ(state.gParamName, QStringList({ "Output voltage", "Idle current", "Temperature" }));
}

TEST(SpecLine, EitherSentinelInEitherLimitIsNoLimit)
{
    const auto reversed = ParseSpecLine("P,999,-999,,V,,Name");
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->lsl, kNoLowerLimit);
    EXPECT_EQ(reversed->usl, kNoUpperLimit);
    const auto same = ParseSpecLine("P,-999,999,,V,,Name");
    EXPECT_EQ(same->lsl, kNoLowerLimit);
    EXPECT_EQ(same->usl, kNoUpperLimit);
    // Other values stay as written, a reversed pair too (the plot reports that one).
    const auto real = ParseSpecLine("P,998.5,-998.5,,V,,Name");
    EXPECT_EQ(real->lsl, 998.5);
    EXPECT_EQ(real->usl, -998.5);
}

TEST_F(ConfigFolder, FirstLineEotDisablesTheList)
{
    Products("[P Spec]\r\n1=<Eot>\r\n");
    lists.plotButtonEnabled = true;
    LoadProductSpec(state, prompt, lists, "P");
    EXPECT_EQ(lists.parameterList, QStringList({ "<Disabled>" }));
    EXPECT_EQ(lists.parameterIndex, 0);
    EXPECT_FALSE(lists.parameterListEnabled);
    EXPECT_FALSE(lists.plotButtonEnabled);
}

TEST_F(ConfigFolder, ShortLineStopsWithMessage)
{
    Products("[P Spec]\r\n1=A,1,2,,V,,Alpha\r\n2=B,1,2,,V,Beta\r\n3=<EOT>\r\n");
    lists.plotButtonEnabled = false;
    LoadProductSpec(state, prompt, lists, "P");
    EXPECT_EQ(prompt.texts(), QStringList({ "Specification Info. in INI is not completed or missing at line#2!" }));
    EXPECT_EQ(lists.parameterList, QStringList({ "Alpha" }));
    EXPECT_FALSE(lists.plotButtonEnabled);
    EXPECT_EQ(state.gParamColumn.size(), kSpecTableSlots);

    prompt.clear();
    lists.productList = { "<Open INI>", "P" };
    lists.productIndex = 1;
    GetTestParameterName(state, prompt, lists);
    EXPECT_EQ(prompt.texts(), QStringList({ "Specification Info. in INI is not completed or missing at line#2!" }));
}

TEST_F(ConfigFolder, MissingEotAndKeyLimit)
{
    QByteArray spec = "[P Spec]\r\n";
    for (int n = 1; n <= 499; ++n)
        spec += QByteArray::number(n) + "=C" + QByteArray::number(n) + ",,,,,,N\r\n";
    spec += "500=<EOT>\r\n";
    Products(spec);
    LoadProductSpec(state, prompt, lists, "P");
    EXPECT_EQ(prompt.texts(), QStringList({ "Can't reach to End Of Test <EOT> record!" }));
    EXPECT_EQ(lists.parameterList.size(), 499);

    // 498 parameters and the marker at key 499 is the largest product.
    spec.replace("499=C499,,,,,,N", "499=<EOT>");
    Products(spec);
    prompt.clear();
    LoadProductSpec(state, prompt, lists, "P");
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(state.gParamColumn.size(), 498);
}

TEST_F(ConfigFolder, NoProductsFileChangesNothingAndEmptyListIsReported)
{
    lists.parameterList = { "keep" };
    LoadProductSpec(state, prompt, lists, "P");
    EXPECT_EQ(lists.parameterList, QStringList({ "keep" }));
    lists.parameterList.clear();
    GetTestParameterName(state, prompt, lists);
    EXPECT_EQ(prompt.texts(), QStringList({ "Not found parameters!" }));
}

TEST(SpecLine, SplitAndNumbers)
{
    EXPECT_EQ(SplitSpecLine("a,,b, c "), QStringList({ "a", "", "b", " c " }));
    EXPECT_FALSE(ParseSpecLine("A,1,2,,V,T1").has_value());
    const auto line = ParseSpecLine("A,-1.5e1,+.5,x,V,,Name,more,fields");
    ASSERT_TRUE(line.has_value());
    EXPECT_CLOSE(line->lsl, -15);
    EXPECT_CLOSE(line->usl, 0.5);
    EXPECT_EQ(line->listItem(), "Name");
    EXPECT_FALSE(IsNumericText("5V"));
    EXPECT_FALSE(IsNumericText("nan"));
    EXPECT_FALSE(IsNumericText(""));
    EXPECT_TRUE(IsNumericText(" 4.75 "));
    EXPECT_EQ(NormalisePassValue("1.0"), "1.0");
}

TEST(DataSourceKind, ChosenAsTheConnectionWould)
{
    EXPECT_EQ(DataSourceKindFor("C:\\Data\\RESULTS.MDB", "dsn"), "ACCESS");
    EXPECT_EQ(DataSourceKindFor("book.xlsx", ""), "ACCESS");
    EXPECT_TRUE(IsExcelSource("book.XLS"));
    EXPECT_FALSE(IsExcelSource("old.mdb"));
    EXPECT_EQ(DataSourceKindFor("results.db", ""), "SQLITE");
    EXPECT_EQ(DataSourceKindFor("lab.SQLite3", "dsn"), "SQLITE");
    EXPECT_EQ(DataSourceKindFor("results.db.bak", ""), "MSSQL");
    EXPECT_EQ(DataSourceKindFor("Production", "SPC_DSN"), "ODBC");
    EXPECT_EQ(DataSourceKindFor("Production", ""), "MSSQL");
}
