// Shared test helpers: source and fixture folders, one numeric tolerance.
#pragma once

#include <QDir>
#include <QString>

#include <cmath>

namespace moldrin::test {

inline constexpr double kTolerance = 1e-9;
inline bool Near(double a, double b, double tol = kTolerance) { return std::fabs(a - b) <= tol * std::max(1.0, std::fabs(b)); }

inline QString SourceDir() { return QString::fromLocal8Bit(qgetenv("MOLDRIN_SOURCE_DIR")); }
// The shared fixtures lie beside the checkout: <checkout>/../shared/fixtures.
inline QString FixturesDir() { return QDir(SourceDir() + QStringLiteral("/../shared/fixtures")).absolutePath(); }

} // namespace moldrin::test
