// Shared test helpers: source and fixture folders, one numeric tolerance, demo configuration copies.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>

namespace moldrin::test
{

inline constexpr double kTolerance = 1e-9;
// `a` within `tol` of `b`: relative to b above 1, absolute below.
inline bool Near(double a, double b, double tol = kTolerance)
{
    return std::fabs(a - b) <= tol * std::max(1.0, std::fabs(b));
}
// Both values with all their digits, for the failure of the tolerance assertion.
inline std::string NotNearText(double actual, double expected, double tol = kTolerance)
{
    std::ostringstream text;
    text << std::setprecision(17) << actual << " is not within " << tol << " of " << expected;
    return text.str();
}

// The one tolerance assertion: Near(actual, expected[, tol]), a failure printing both values. EXPECT_CLOSE in
// GoogleTest, QVERIFY_CLOSE in QtTest.
#define EXPECT_CLOSE(actual, expected, ...)                                                                            \
    EXPECT_TRUE(::moldrin::test::Near(actual, expected __VA_OPT__(, ) __VA_ARGS__))                                    \
        << ::moldrin::test::NotNearText(actual, expected __VA_OPT__(, ) __VA_ARGS__)
#define QVERIFY_CLOSE(actual, expected, ...)                                                                           \
    QVERIFY2(::moldrin::test::Near(actual, expected __VA_OPT__(, ) __VA_ARGS__),                                       \
        ::moldrin::test::NotNearText(actual, expected __VA_OPT__(, ) __VA_ARGS__).c_str())

inline QString SourceDir()
{
    return QString::fromLocal8Bit(qgetenv("MOLDRIN_SOURCE_DIR"));
}
// The shared fixtures lie beside the checkout: <checkout>/../shared/fixtures.
inline QString FixturesDir()
{
    return QDir(SourceDir() + QStringLiteral("/../shared/fixtures")).absolutePath();
}

// Copies the two INI files of examples/demo into `dir`.
inline bool CopyDemoConfiguration(const QString& dir)
{
    const QDir source(SourceDir() + QStringLiteral("/examples/demo"));
    for (const QString& name : { QStringLiteral("ATE.INI"), QStringLiteral("PRODUCTS.INI") })
        if (!QFile::copy(source.filePath(name), QDir(dir).filePath(name)))
            return false;
    return true;
}

// Writes the demo results database of `units` units per product into `dir` with the generator the test
// target names (moldrin-demo-data).
inline bool GenerateDemoData(const QString& generator, const QString& dir, int units)
{
    QProcess p;
    p.start(generator, { QStringLiteral("--units"), QString::number(units), dir });
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace moldrin::test
