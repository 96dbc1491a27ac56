// Shared test helpers: source and fixture folders, one numeric tolerance, demo configuration copies.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <cmath>

namespace moldrin::test
{

inline constexpr double kTolerance = 1e-9;
inline bool Near(double a, double b, double tol = kTolerance)
{
    return std::fabs(a - b) <= tol * std::max(1.0, std::fabs(b));
}

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
