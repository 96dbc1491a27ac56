// The JSON object of a plotted chart, as moldrin-report --json writes it, and the pieces every chart kind's
// report is written with.
#pragma once

#include "common/appstate.h"
#include "common/figure.h"
#include "variables/chartmodel.h"
#include "variables/variablesplot.h"

#include <QIODevice>
#include <QJsonObject>
#include <QJsonValue>

#include <string>
#include <string_view>

namespace moldrin::cli
{

// A buffered writer of JSON tokens, so memory does not grow with the point count.
class JsonOut
{
public:
    explicit JsonOut(QIODevice& device);
    ~JsonOut();
    JsonOut(const JsonOut&) = delete;
    JsonOut& operator=(const JsonOut&) = delete;

    JsonOut& raw(std::string_view s);
    // Whole numbers as integers, others in their shortest form; null when not finite.
    JsonOut& number(double v);
    // Written directly, as it runs for every point's label.
    JsonOut& string(const QString& s);
    JsonOut& value(const QJsonValue& v);
    // False once the device refused a write.
    bool flush();
    bool ok() const { return mOk; }

private:
    static constexpr std::size_t kSpillAt = 1 << 16;
    JsonOut& spill();
    QIODevice& mDevice;
    std::string mBuffer;
    bool mOk = true;
};

// A figure as the panel holds it: its number, its text ("N/A") or null.
QJsonValue FigureJson(const Figure& f);
// {"captions": [...], "values": [...]}: the statistics panel's two labels, line by line.
QJsonObject PanelJson(const QStringList& captions, const QStringList& values);
// The array of every series of the chart in index order: index, title, axis and points [x, y, "label"].
void WriteSeries(JsonOut& j, const ChartModel& chart);
// The rule codes of one side of each of pointCount points ("R1+,R2+"), empty strings where a point has
// none or the chart was not evaluated.
void WriteMarks(JsonOut& j, const RuleMarks& marks, MarkSide side, int pointCount);

// Writes the variables chart's report object to `out`. False when the device refused a write.
bool WriteReportJson(QIODevice& out, const ChartModel& chart, const QString& chartType, int subgroupSize,
    const VariablesPlotOutcome& outcome, const QStringList& panelCaptions);

// Appends `text` as a JSON string: quoted, with quotes, backslashes and control characters escaped and
// everything else as UTF-8.
void AppendJsonString(std::string& out, const QString& text);

} // namespace moldrin::cli
