// The message of a chart whose selection gave nothing to draw (Individual-MR, scatter, Pareto).
#pragma once

#include <QString>

namespace moldrin
{

inline const QString kNoDataCollection
    = QStringLiteral("No data collection for this selected range of filter condition!");

} // namespace moldrin
