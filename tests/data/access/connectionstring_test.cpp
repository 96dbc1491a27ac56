// The described connection strings, byte for byte, and reading them back.
#include "data/access/connectionstring.h"

#include <gtest/gtest.h>

using namespace moldrin::data;

namespace
{
IniDatabase Values()
{
    IniDatabase v;
    v.DatabaseName = QStringLiteral("C:\\Data\\Results.mdb");
    v.DataSourceName = QStringLiteral("spc_pg");
    v.UserName = QStringLiteral("reader");
    v.Password = QStringLiteral("s3cr;et");
    v.ServerName = QStringLiteral("sql01,1433");
    v.TableName = QStringLiteral("Results");
    return v;
}
} // namespace

TEST(ConnectionString, BuiltByteForByte)
{
    IniDatabase v = Values();
    EXPECT_EQ(BuildConnectionString(SourceKind::Access, v),
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\Results.mdb;"));
    v.DatabaseName = QStringLiteral("book.xls");
    EXPECT_EQ(BuildConnectionString(SourceKind::Excel, v),
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=book.xls;Extended Properties=\"Excel "
                       "8.0;HRD=YES;\""));
    v.DatabaseName = QStringLiteral("spcdata");
    EXPECT_EQ(BuildConnectionString(SourceKind::Odbc, v),
        QStringLiteral("Provider=MSDASQL;UID=reader;PWD=s3cr;et;Database=spcdata;DSN=spc_pg;"));
    EXPECT_EQ(BuildConnectionString(SourceKind::SqlServer, v),
        QStringLiteral("Provider=SQLOLEDB;Network Library=DBMSSOCN;uid=reader;pwd=s3cr;et;server=sql01,1433;"
                       "database=spcdata;DSN=;"));
    v.DatabaseName = QStringLiteral("results.db");
    EXPECT_EQ(BuildConnectionString(SourceKind::SQLite, v), QStringLiteral("Provider=SQLite;Data Source=results.db;"));
    IniDatabase empty;
    empty.DataSourceName = QStringLiteral("dsn");
    EXPECT_EQ(BuildConnectionString(SourceKind::Odbc, empty),
        QStringLiteral("Provider=MSDASQL;UID=;PWD=;Database=;DSN=dsn;"));
}

TEST(ConnectionString, KindFollowsTheDatabaseName)
{
    IniDatabase v;
    v.DatabaseName = QStringLiteral("X:\\RESULTS.MDB");
    EXPECT_EQ(KindOf(v), SourceKind::Access);
    v.DatabaseName = QStringLiteral("book.XLSX");
    EXPECT_EQ(KindOf(v), SourceKind::Excel);
    v.DatabaseName = QStringLiteral("results.sqlite3");
    EXPECT_EQ(KindOf(v), SourceKind::SQLite);
    v.DataSourceName = QStringLiteral("dsn");
    EXPECT_EQ(KindOf(v), SourceKind::Odbc); // a DSN with a database file name stays ODBC
    v.DataSourceName.clear();
    v.DatabaseName = QStringLiteral("spcdata");
    EXPECT_EQ(KindOf(v), SourceKind::SqlServer);
    EXPECT_EQ(KindName(SourceKind::Excel), QStringLiteral("ACCESS"));
    EXPECT_EQ(KindName(SourceKind::SQLite), QStringLiteral("SQLITE"));
    EXPECT_EQ(KindName(SourceKind::SqlServer), QStringLiteral("MSSQL"));
}

TEST(ConnectionString, ParsedBack)
{
    const ParsedConnectionString x = ParseConnectionString(BuildConnectionString(SourceKind::Excel, Values()));
    EXPECT_EQ(x.value(QStringLiteral("provider")), QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(x.value(QStringLiteral("DATA SOURCE")), QStringLiteral("C:\\Data\\Results.mdb"));
    EXPECT_EQ(x.value(QStringLiteral("Extended Properties")), QStringLiteral("Excel 8.0;HRD=YES;"));
    SourceKind k;
    ASSERT_TRUE(KindFromConnectionString(x, &k));
    EXPECT_EQ(k, SourceKind::Excel);

    IniDatabase v = Values();
    v.Password = QStringLiteral("pw");
    const ParsedConnectionString s = ParseConnectionString(BuildConnectionString(SourceKind::SqlServer, v));
    EXPECT_EQ(s.value(QStringLiteral("server")), QStringLiteral("sql01,1433"));
    EXPECT_EQ(s.value(QStringLiteral("PWD")), QStringLiteral("pw"));
    EXPECT_EQ(s.value(QStringLiteral("Network Library")), QStringLiteral("DBMSSOCN"));
    EXPECT_TRUE(s.has(QStringLiteral("DSN")));
    EXPECT_EQ(s.value(QStringLiteral("DSN")), QString());
    ASSERT_TRUE(KindFromConnectionString(s, &k));
    EXPECT_EQ(k, SourceKind::SqlServer);

    ASSERT_TRUE(KindFromConnectionString(ParseConnectionString(BuildConnectionString(SourceKind::Odbc, v)), &k));
    EXPECT_EQ(k, SourceKind::Odbc);
    EXPECT_FALSE(KindFromConnectionString(ParseConnectionString(QStringLiteral("Provider=Nope;")), &k));
    EXPECT_FALSE(KindFromConnectionString(ParseConnectionString(QStringLiteral("garbage without keys")), &k));
    // An unterminated quote takes the rest of the text rather than failing.
    EXPECT_EQ(ParseConnectionString(QStringLiteral("A=\"x;y")).value(QStringLiteral("A")), QStringLiteral("x;y"));
}

TEST(ConnectionString, MappedOntoTheDriverManager)
{
    IniDatabase v = Values();
    v.Password = QStringLiteral("pw");
    v.DatabaseName = QStringLiteral("spcdata");
    EXPECT_EQ(OdbcDriverString(ParseConnectionString(BuildConnectionString(SourceKind::Odbc, v))),
        QStringLiteral("spc_pg;UID=reader;PWD=pw;DATABASE=spcdata"));
    IniDatabase bare;
    bare.DataSourceName = QStringLiteral("spc_sqlite");
    // Empty UID=, PWD= and Database= leave the DSN's own values in force.
    EXPECT_EQ(OdbcDriverString(ParseConnectionString(BuildConnectionString(SourceKind::Odbc, bare))),
        QStringLiteral("spc_sqlite"));

    const QString sql = BuildConnectionString(SourceKind::SqlServer, v);
    EXPECT_EQ(SqlServerDriverString(ParseConnectionString(sql), QStringLiteral("{FreeTDS}")),
        QStringLiteral("DRIVER={FreeTDS};SERVER=sql01;PORT=1433;DATABASE=spcdata;UID=reader;PWD=pw;"
                       "TDS_Version=7.4;ApplicationIntent=ReadOnly;"));
    v.ServerName = QStringLiteral("db.example.com,14330");
    EXPECT_TRUE(SqlServerDriverString(
        ParseConnectionString(BuildConnectionString(SourceKind::SqlServer, v)), QStringLiteral("{FreeTDS}"))
                    .startsWith(QStringLiteral("DRIVER={FreeTDS};SERVER=db.example.com;PORT=14330;")));
    v.ServerName = QStringLiteral("HOST\\SQLEXPRESS");
    EXPECT_TRUE(
        SqlServerDriverString(ParseConnectionString(BuildConnectionString(SourceKind::SqlServer, v)),
            QStringLiteral("/usr/lib/odbc/libtdsodbc.so"))
            .startsWith(QStringLiteral("DRIVER=/usr/lib/odbc/libtdsodbc.so;SERVER=HOST\\SQLEXPRESS;DATABASE=")));
}
