// The JSON object of a plotted chart, as moldrin-report --json writes it.
#pragma once

#include "common/appstate.h"
#include "data/loader/sampleloader.h"
#include "variables/chartmodel.h"

#include <QIODevice>

namespace moldrin::cli {

// Writes the report object to `out` as it goes, so memory does not grow with the point count.
// False when the device refused a write.
bool WriteReportJson(QIODevice& out, const AppState& state, const ChartModel& chart, const QString& chartType,
                     int subgroupSize, const data::PlotOutcome& outcome, const QStringList& panelCaptions);

} // namespace moldrin::cli
