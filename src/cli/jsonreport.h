// The JSON object of a plotted chart, as moldrin-report --json writes it.
#pragma once

#include "common/appstate.h"
#include "data/loader/sampleloader.h"
#include "variables/chartmodel.h"

#include <QJsonObject>

namespace moldrin::cli {

QJsonObject ReportJson(const AppState& state, const ChartModel& chart, const QString& chartType, int subgroupSize,
                       const data::PlotOutcome& outcome, const QStringList& panelCaptions);

} // namespace moldrin::cli
