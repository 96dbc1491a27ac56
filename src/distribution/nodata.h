// The message of a scatter or Pareto drawing whose selection gave nothing to draw.
#pragma once

#include <QString>

namespace moldrin
{

inline const QString kNoDataCollection
    = QStringLiteral("No data collection for this selected range of filter condition!");

} // namespace moldrin
