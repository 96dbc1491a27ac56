// ConnectDataSource: its messages, the tester list, SourceFilter, ODBC and an unreachable SQL Server.
#include "data/access/connectdatasource.h"

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connection.h"
#include "odbcenv.h"
#include "qtprinters.h"
#include "sampledata.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

// One private ODBC set-up for the whole program (see UsePrivateOdbc).
QString OdbcDir()
{
    static QTemporaryDir dir;
    static const bool ready = test::UsePrivateOdbc(dir.path(),
        QStringLiteral("[spc_sqlite]\nDriver=SQLite3\nDatabase=%1\n[spc_mdb]\nDriver=MDBTools\nDatabase=%2\n")
            .arg(dir.filePath(QStringLiteral("odbc.db")),
                test::FixturesDir() + QStringLiteral("/jackcess-testIndexCodesV1997.mdb")));
    return ready ? dir.path() : QString();
}

class ConnectDataSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_FALSE(OdbcDir().isEmpty()); // before any ODBC use, whatever the test order
        state = std::make_unique<AppState>(dir.filePath(QStringLiteral("settings")));
        state->gINIPath = dir.path();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(dir.filePath(QStringLiteral("results.db")));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(test::WriteSampleRows(db));
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE Blank (ATEID TEXT)"));
        QSqlQuery(db).exec(QStringLiteral("INSERT INTO Blank VALUES (NULL), ('')"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    }
    ConnectResult Connect(const IniDatabase& v, const QString& product = QStringLiteral("PSU-100"))
    {
        return ConnectDataSource(product, v, *state, prompt);
    }
    static IniDatabase Sqlite(const QString& table = QStringLiteral("Results"))
    {
        IniDatabase v;
        v.DatabaseName = QStringLiteral("results.db");
        v.TableName = table;
        return v;
    }
    QTemporaryDir dir;
    std::unique_ptr<AppState> state;
    ScriptedPrompt prompt;
};

} // namespace

TEST_F(ConnectDataSourceTest, MissingValuesGiveTheirMessages)
{
    IniDatabase v;
    v.TableName = QStringLiteral("Results");
    EXPECT_FALSE(Connect(v).ok);
    v.DatabaseName = QStringLiteral("x.mdb");
    v.TableName.clear();
    EXPECT_FALSE(Connect(v).ok);
    v.TableName = QStringLiteral("Results");
    v.DatabaseName = QStringLiteral("C:\\data\\GONE.MDB");
    EXPECT_FALSE(Connect(v).ok);
    v.DatabaseName = QStringLiteral("gone.xlsx");
    EXPECT_FALSE(Connect(v).ok);
    v.DatabaseName = QStringLiteral("spcdata");
    EXPECT_FALSE(Connect(v).ok);
    v.UserName = QStringLiteral("u");
    EXPECT_FALSE(Connect(v).ok);
    EXPECT_EQ(prompt.texts(),
        QStringList({ QStringLiteral(
                          "Not found value in section Database, key DatabaseName or DataSourceName (ATE.INI)!"),
            QStringLiteral("Not found value in section PSU-100 and key TableName (PRODUCTS.INI)!"),
            QStringLiteral("Not found Database C:\\data\\GONE.MDB!"), QStringLiteral("Not found Excel file gone.xlsx!"),
            QStringLiteral("Not found user name in section Database and key UserName (ATE.INI)!"),
            QStringLiteral("Not found server name in section Database and key ServerName (ATE.INI)!") }));
    for (const PromptMessage& m : prompt.messages) {
        EXPECT_EQ(m.icon, PromptIcon::Exclamation);
        EXPECT_EQ(m.title, kAppTitle);
    }
    EXPECT_TRUE(state->gDataSourceKind.isEmpty());
}

TEST_F(ConnectDataSourceTest, TesterListFromSQLite)
{
    const ConnectResult r = Connect(Sqlite());
    ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(r.testers,
        QStringList(
            { QStringLiteral("ATE-01"), QStringLiteral("ATE-02"), QStringLiteral("ATE-03"), QStringLiteral("<All>") }));
    EXPECT_EQ(r.selected, QStringLiteral("<All>"));
    EXPECT_EQ(state->gDataSourceKind, QStringLiteral("SQLITE"));
    EXPECT_EQ(state->gTableName, QStringLiteral("Results"));
    ASSERT_TRUE(state->gConnection);
    EXPECT_EQ(state->gConnection->State(), ObjectState::Open);

    // The saved filter is restored when the list holds it, and ignored otherwise.
    state->registry.write(QStringLiteral("SourceFilter"), QStringLiteral("ATE-02"));
    EXPECT_EQ(Connect(Sqlite()).selected, QStringLiteral("ATE-02"));
    state->registry.write(QStringLiteral("SourceFilter"), QStringLiteral("ATE-99"));
    EXPECT_EQ(Connect(Sqlite()).selected, QStringLiteral("<All>"));

    const ConnectResult blank = Connect(Sqlite(QStringLiteral("Blank")));
    EXPECT_TRUE(blank.ok);
    EXPECT_EQ(blank.testers, QStringList { QStringLiteral("<All>") });
}

TEST_F(ConnectDataSourceTest, DatabaseNameInOtherLetterCaseFindsTheFile)
{
    // ATE.INI written on Windows names the file as Windows found it, whatever its case on disk.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Site/Data")));
    ASSERT_TRUE(
        QFile::copy(dir.filePath(QStringLiteral("results.db")), dir.filePath(QStringLiteral("Site/Data/Results.db"))));
    for (const char* name : { "RESULTS.DB", "site/DATA/results.DB", "./Site/../site/data/RESULTS.db" }) {
        IniDatabase v = Sqlite();
        v.DatabaseName = QString::fromLatin1(name);
        const ConnectResult r = Connect(v);
        EXPECT_TRUE(r.ok) << name << ": " << qPrintable(prompt.texts().join(u'\n'));
        EXPECT_EQ(r.testers.size(), 4) << name;
    }
    IniDatabase absolute = Sqlite();
    absolute.DatabaseName = dir.filePath(QStringLiteral("SITE/data/results.db"));
    EXPECT_TRUE(Connect(absolute).ok);
    EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(ConnectDataSourceTest, AfterTheUnspecifiedFailureNoTesterIsSelected)
{
    // A view whose rows fail part way: the tester read before the failure stays listed, none is selected
    // (a selected tester would filter the next plot), and no message is shown.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("viewer"));
    db.setDatabaseName(dir.filePath(QStringLiteral("results.db")));
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE INDEX ByTester ON Results (ATEID)")));
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE VIEW Failing AS SELECT ATEID FROM Results WHERE ATEID IS NULL OR "
                                      "ATEID <= 'ATE-02' OR abs(-9223372036854775808)")));
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("viewer"));
    state->registry.write(QStringLiteral("SourceFilter"), QStringLiteral("ATE-01"));
    const ConnectResult r = Connect(Sqlite(QStringLiteral("Failing")));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.testers, QStringList { QStringLiteral("ATE-01") });
    EXPECT_TRUE(r.selected.isNull());
    EXPECT_TRUE(prompt.messages.isEmpty()) << qPrintable(prompt.texts().join(u'\n'));
}

TEST_F(ConnectDataSourceTest, ATableNameThatIsNoNameIsRefused)
{
    for (const char* table : { "Results; DELETE FROM Results", "Results --", "Results /* x */" }) {
        prompt.messages.clear();
        const ConnectResult r = Connect(Sqlite(QString::fromLatin1(table)));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(prompt.texts(),
            QStringList { QStringLiteral("Not a table or column name in section PSU-100 and key TableName "
                                         "(PRODUCTS.INI): ")
                + QString::fromLatin1(table) + u'!' });
        EXPECT_TRUE(state->gTableName.isEmpty());
    }
}

TEST_F(ConnectDataSourceTest, ProviderErrorsAreShownAndTheListReset)
{
    const ConnectResult r = Connect(Sqlite(QStringLiteral("NoSuchTable")));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.testers, QStringList { QStringLiteral("<All>") });
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_TRUE(prompt.messages[0].text.contains(QStringLiteral("NoSuchTable"))) << qPrintable(prompt.messages[0].text);
    // The SQLite kind keeps its kind once opened; a wrong tester column is an error as well.
    state->gColATEID = QStringLiteral("[NoColumn]");
    EXPECT_FALSE(Connect(Sqlite()).ok);
    EXPECT_EQ(prompt.messages.size(), 2);
}

TEST_F(ConnectDataSourceTest, ExcelTableIsTheSheet)
{
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    const QString err = test::RunDebianPython(test::SamplePython(true, path));
    ASSERT_TRUE(err.isEmpty()) << qPrintable(err);
    IniDatabase v;
    v.DatabaseName = QStringLiteral("book.xlsx");
    v.TableName = QStringLiteral("Results");
    const ConnectResult r = Connect(v);
    ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
    EXPECT_EQ(state->gTableName, QStringLiteral("[Results$]"));
    EXPECT_EQ(state->gDataSourceKind, QStringLiteral("ACCESS"));
    EXPECT_EQ(r.testers.size(), 4);
}

TEST_F(ConnectDataSourceTest, AccessFixtureByItsPath)
{
    IniDatabase v;
    v.DatabaseName = test::FixturesDir() + QStringLiteral("/jackcess-testIndexCodesV1997.mdb");
    v.TableName = QStringLiteral("Table4");
    state->gColATEID = QStringLiteral("[name]");
    const ConnectResult r = Connect(v);
    ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
    EXPECT_EQ(state->gDataSourceKind, QStringLiteral("ACCESS"));
    EXPECT_EQ(r.testers.last(), QStringLiteral("<All>"));
    EXPECT_GT(r.testers.size(), 1);
}

TEST_F(ConnectDataSourceTest, OdbcSQLiteDsnIsReadOnly)
{
    ASSERT_FALSE(OdbcDir().isEmpty());
    const QString db = QDir(OdbcDir()).filePath(QStringLiteral("odbc.db"));
    QFile::remove(db);
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("results.db")), db));
    const QByteArray before = test::FileHash(db);
    IniDatabase v;
    v.DataSourceName = QStringLiteral("spc_sqlite");
    v.TableName = QStringLiteral("Results");
    const ConnectResult r = Connect(v);
    ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(state->gDataSourceKind, QStringLiteral("ODBC"));
    EXPECT_EQ(state->gConnection->DbmsName(), QStringLiteral("SQLite"));
    EXPECT_EQ(r.testers.size(), 4);
    QSqlQuery raw(QSqlDatabase::database(state->gConnection->connectionName()));
    EXPECT_FALSE(raw.exec(QStringLiteral("DELETE FROM Results")));
    state->gConnection->Close();
    EXPECT_EQ(test::FileHash(db), before);

    v.DataSourceName = QStringLiteral("no_such_dsn");
    EXPECT_FALSE(Connect(v).ok);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_TRUE(prompt.messages[0].text.contains(QStringLiteral("Data source name not found")))
        << qPrintable(prompt.messages[0].text);
}

TEST_F(ConnectDataSourceTest, UnreachableSqlServerShowsTheProviderMessage)
{
    // A port that was free a moment ago: nothing listens there.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const int port = ntohs(addr.sin_port);
    close(fd);
    IniDatabase v;
    v.DatabaseName = QStringLiteral("spcdata");
    v.UserName = QStringLiteral("reader");
    v.Password = QStringLiteral("Very$ecret1");
    v.ServerName = QStringLiteral("127.0.0.1,%1").arg(port);
    v.TableName = QStringLiteral("Results");
    const ConnectResult r = Connect(v);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.testers, QStringList { QStringLiteral("<All>") });
    ASSERT_EQ(prompt.messages.size(), 1);
    const QString text = prompt.messages[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("Unable to connect"))) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Very$ecret1")));
    EXPECT_TRUE(state->gDataSourceKind.isEmpty());
    // The program stays usable: the next product opens its source.
    EXPECT_TRUE(Connect(Sqlite()).ok);
}

TEST_F(ConnectDataSourceTest, ServerThatHangsUpIsAnErrorNotSuccess)
{
    // A listener on 127.0.0.1 that accepts each connection and closes it at once.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(fd, 8), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    std::atomic<bool> stop { false };
    std::thread server([&] {
        while (!stop) {
            const int c = accept(fd, nullptr, nullptr);
            if (c >= 0)
                close(c);
        }
    });
    IniDatabase v;
    v.DatabaseName = QStringLiteral("spcdata");
    v.UserName = QStringLiteral("reader");
    v.Password = QStringLiteral("Hang$Up");
    v.ServerName = QStringLiteral("127.0.0.1,%1").arg(ntohs(addr.sin_port));
    v.TableName = QStringLiteral("Results");
    const ConnectResult r = Connect(v);
    stop = true;
    shutdown(fd, SHUT_RDWR);
    close(fd);
    server.join();
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_FALSE(prompt.messages[0].text.isEmpty());
    EXPECT_FALSE(prompt.messages[0].text.contains(QStringLiteral("Hang$Up")));
    EXPECT_EQ(state->gConnection->State(), ObjectState::Closed);
}

TEST(DataErrors, PasswordsNeverReachDescriptions)
{
    EXPECT_EQ(ScrubPassword(QStringLiteral("login failed: PWD=abc;UID=x pw abc"), QStringLiteral("abc")),
        QStringLiteral("login failed: PWD=***;UID=x pw ***"));
    EXPECT_EQ(ScrubPassword(QStringLiteral("Password = p q;"), QString()), QStringLiteral("Password=***;"));
    EXPECT_EQ(
        ClassifyError(QStringLiteral("ODBC"), QStringLiteral("42S22"), QStringLiteral("x"), false), kErrInvalidData1);
    EXPECT_EQ(ClassifyError(QStringLiteral("ODBC"), QString(),
                  QStringLiteral("ERROR: invalid input syntax for type double"), false),
        kErrInvalidData2);
    EXPECT_EQ(
        ClassifyError(QStringLiteral("ODBC"), QString(), QStringLiteral("lost connection"), true), kErrUnspecified);
    EXPECT_EQ(ClassifyError(QStringLiteral("ODBC"), QString(), QStringLiteral("syntax error"), false), kErrCommand);
}

TEST_F(ConnectDataSourceTest, AccessThroughOdbcIsRefusedWithAClearMessage)
{
    ASSERT_FALSE(OdbcDir().isEmpty());
    IniDatabase v;
    v.DataSourceName = QStringLiteral("spc_mdb");
    v.TableName = QStringLiteral("Table4");
    const ConnectResult r = Connect(v);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0].text,
        QStringLiteral("Access databases are read from their file: name the .mdb file "
                       "in DatabaseName instead of an ODBC data source."));
    EXPECT_EQ(state->gConnection->State(), ObjectState::Closed);
}
