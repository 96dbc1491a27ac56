// Tests of the INI reader: line endings, quotes, comments, case, code pages, the length cut.
#include "data/config/inifile.h"

#include <QFile>
#include <QTemporaryDir>

#include "qtprinters.h"

#include <gtest/gtest.h>

using moldrin::data::IniFile;
using moldrin::data::ReadINI;

namespace
{

QString WriteFile(const QTemporaryDir& dir, const QByteArray& bytes, const QString& name = QStringLiteral("T.INI"))
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

} // namespace

TEST(ReadINI, CrLfCaseAndFirstMatch)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir,
        "[Database]\r\nDatabaseName=results.db\r\nUserName = sa \r\n"
        "databasename=second.db\r\n[database]\r\nServerName=late\r\n"
        "[Other]\r\nKey=other\r\n");
    EXPECT_EQ(ReadINI("Database", "DatabaseName", path), "results.db");
    EXPECT_EQ(ReadINI("DATABASE", "databasename", path), "results.db");
    EXPECT_EQ(ReadINI("Database", "UserName", path), "sa");
    EXPECT_EQ(ReadINI("other", "KEY", path), "other");
    // Only the first section of a name is read.
    EXPECT_EQ(ReadINI("Database", "ServerName", path), "");
}

TEST(ReadINI, MissingFileSectionOrKeyReadsEmpty)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "[A]\nK=v\n");
    EXPECT_EQ(ReadINI("A", "K", path), "v");
    EXPECT_EQ(ReadINI("A", "Missing", path), "");
    EXPECT_EQ(ReadINI("B", "K", path), "");
    EXPECT_EQ(ReadINI("A", "K", dir.filePath("none.ini")), "");
    EXPECT_EQ(ReadINI("A", "K", dir.path()), ""); // a folder is no file
}

TEST(ReadINI, QuotesBlanksAndComments)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir,
        "; comment [A]\n[A]\n;K=commented\n  K =  \"  quoted \"  \nS='single'\n"
        "Q=\"one\"\"\nU=\"unbalanced\nE=\nI=a ; not a comment\n\tT\t=\ttabs\t\n");
    // The reader trims the blanks that begin a quoted value and keeps those that end it.
    EXPECT_EQ(ReadINI("A", "K", path), "quoted ");
    EXPECT_EQ(ReadINI("A", "S", path), "single");
    EXPECT_EQ(ReadINI("A", "Q", path), "one\"");
    EXPECT_EQ(ReadINI("A", "U", path), "\"unbalanced");
    EXPECT_EQ(ReadINI("A", "E", path), "");
    EXPECT_EQ(ReadINI("A", "I", path), "a ; not a comment");
    EXPECT_EQ(ReadINI("A", "T", path), "tabs");
}

TEST(ReadINI, Windows1252AndUtf8)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir,
        "[S]\r\nUnit=\xB0"
        "C\r\nEuro=\x80 5\r\nUtf=\xC2\xB0"
        "C\r\nName=Caf\xC3\xA9\r\n"
        "Bad=\xC3\x28\r\n");
    EXPECT_EQ(ReadINI("S", "Unit", path), QString::fromUtf8("°C"));
    EXPECT_EQ(ReadINI("S", "Euro", path), QString::fromUtf8("€ 5"));
    EXPECT_EQ(ReadINI("S", "Utf", path), QString::fromUtf8("°C"));
    EXPECT_EQ(ReadINI("S", "Name", path), QString::fromUtf8("Café"));
    EXPECT_EQ(ReadINI("S", "Bad", path), QString::fromUtf8("Ã("));
}

TEST(ReadINI, ValueCutAt1022Characters)
{
    QTemporaryDir dir;
    const QByteArray longValue(1500, 'x');
    const QByteArray exact(1022, 'y');
    const QString path = WriteFile(dir, "[S]\nLong=" + longValue + "\nExact=" + exact + "\n");
    EXPECT_EQ(ReadINI("S", "Long", path), QString(1022, 'x'));
    EXPECT_EQ(ReadINI("S", "Exact", path), QString(1022, 'y'));
}

TEST(ReadINI, LastLineWithoutNewlineAndBom)
{
    const IniFile ini = IniFile::fromBytes("\xEF\xBB\xBF[S]\r\nK=last");
    EXPECT_EQ(ini.value("S", "K"), "last");
    EXPECT_EQ(IniFile().value("S", "K"), "");
}

TEST(ReadINI, Utf16FilesWithAByteOrderMark)
{
    // As Notepad saves "Unicode" (little endian) and "Unicode big endian".
    const QString text = QString::fromUtf8("; Site\r\n[ATE Configuration]\r\nTestProduct=PSU-100,RFM-24\r\n"
                                           "[Database]\r\nDatabaseName=r\u00e9sultats.db\r\nPadded=\"  padded  \"\r\n");
    QByteArray little("\xFF\xFE"), big("\xFE\xFF");
    for (const QChar c : text) {
        little.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    QTemporaryDir dir;
    for (const QByteArray& bytes : { little, big }) {
        const QString path = WriteFile(dir, bytes);
        EXPECT_EQ(ReadINI("ATE Configuration", "TestProduct", path), "PSU-100,RFM-24");
        EXPECT_EQ(ReadINI("database", "DatabaseName", path), QString::fromUtf8("r\u00e9sultats.db"));
        EXPECT_EQ(ReadINI("Database", "Padded", path), "padded  ");
    }
}
