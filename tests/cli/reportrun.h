// Runs of the built moldrin-report in tests: a private settings file, the C locale, a demo copy made once.
#pragma once

#include "common/dates.h"

#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace moldrin::test
{

struct ProgramRun {
    int code = -1;
    QString out, err;
    bool crashed = false; // ended by a signal
};

class Report : public ::testing::Test
{
protected:
    QTemporaryDir home;
    const QString demo = DemoCopy();

    // A copy of examples/demo with a small generated results database, made once for the suite.
    static QString DemoCopy()
    {
        static QTemporaryDir dir;
        static bool made = false;
        if (!made) {
            made = true;
            EXPECT_TRUE(CopyDemoConfiguration(dir.path()));
            EXPECT_TRUE(GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, dir.path(), 600));
        }
        return dir.path();
    }

    // The environment of a run: the test's settings file, the C locale; headless: no display and no platform
    // named, as on a build server.
    QProcessEnvironment Environment(bool headless = false) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (headless)
            for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
                env.remove(name);
        env.insert("MOLDRIN_SETTINGS_FILE", home.filePath("settings"));
        env.insert("LC_ALL", "C");
        env.insert("LANG", "C");
        return env;
    }
    ProgramRun Start(const QStringList& args, bool headless = false) { return Run(args, Environment(headless)); }
    // outputFile: where standard output goes ("": read by the test).
    static ProgramRun Run(const QStringList& args, const QProcessEnvironment& env, const QString& outputFile = {})
    {
        QProcess p;
        p.setProcessEnvironment(env);
        if (!outputFile.isEmpty())
            p.setStandardOutputFile(outputFile);
        p.start(MOLDRIN_REPORT_EXE, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError()), p.exitStatus() == QProcess::CrashExit };
    }
    // The interval of the range "All" as the program writes it today, in the C locale.
    static QString AllRange()
    {
        const QString format = ShortDateFormat(DetectDateOrder(QLocale::c()));
        return "'" + FormatDate(QDate(1900, 1, 1), format, QLocale::c()) + "' AND '"
            + FormatDate(QDate::currentDate(), format, QLocale::c()) + " 23:59:59'";
    }
};

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace moldrin::test
