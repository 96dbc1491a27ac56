// The desktop program's command line: the folder it starts on, from --config or a plain argument.
#include "shell/startarguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

struct Parsed {
    StartArguments arguments;
    QString error;
};

Parsed Parse(const QStringList& words)
{
    QCommandLineParser parser;
    AddStartOptions(parser);
    EXPECT_TRUE(parser.parse(QStringList { "moldrin" } + words)) << parser.errorText().toStdString();
    Parsed p;
    p.arguments = ReadStartArguments(parser, p.error);
    return p;
}

} // namespace

TEST(StartArguments, FolderFromOptionOrPlainArgument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile ate(dir.filePath("ATE.INI"));
    ASSERT_TRUE(ate.open(QIODevice::WriteOnly));
    ate.close();

    EXPECT_EQ(Parse({ "--config", dir.path() }).arguments.configDir, dir.path());
    // The desktop entry's "moldrin %f": a folder, or a file inside one.
    EXPECT_EQ(Parse({ dir.path() }).arguments.configDir, dir.path());
    EXPECT_EQ(Parse({ ate.fileName() }).arguments.configDir, dir.path());
    // Relative names are taken from the current folder; a missing folder is passed on for the start-up to refuse.
    EXPECT_EQ(Parse({ "examples/demo" }).arguments.configDir, QDir::current().absoluteFilePath("examples/demo"));
    EXPECT_EQ(Parse({ dir.filePath("missing") }).arguments.configDir, dir.filePath("missing"));
    // Nothing given: the saved folder is used.
    EXPECT_TRUE(Parse({}).arguments.configDir.isEmpty());
    EXPECT_TRUE(Parse({}).error.isEmpty());
}

TEST(StartArguments, TwoFoldersAreRefused)
{
    QTemporaryDir dir;
    EXPECT_FALSE(Parse({ dir.path(), dir.path() }).error.isEmpty());
    EXPECT_FALSE(Parse({ "--config", dir.path(), dir.path() }).error.isEmpty());
}
