// The JSON object of a plotted chart, as moldrin-report --json writes it.
#pragma once

#include "common/appstate.h"
#include "data/loader/sampleloader.h"
#include "variables/chartmodel.h"

#include <QIODevice>

#include <string>

namespace moldrin::cli {

// Writes the report object to `out` as it goes, so memory does not grow with the point count.
// False when the device refused a write.
bool WriteReportJson(QIODevice& out, const AppState& state, const ChartModel& chart, const QString& chartType,
                     int subgroupSize, const data::PlotOutcome& outcome, const QStringList& panelCaptions);

// Appends `text` as a JSON string: quoted, with quotes, backslashes and control characters escaped and
// everything else as UTF-8.
void AppendJsonString(std::string& out, const QString& text);

} // namespace moldrin::cli
