// The one JSON writer of moldrin-report's reports (RapidJSON's streaming Writer, no document in memory), and
// the pieces every chart kind's report is written with.
#pragma once

#include "common/figure.h"
#include "common/reading.h"
#include "variables/chartmodel.h"
#include "variables/variablesplot.h"

#include <QIODevice>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace moldrin::cli
{

// A value of a report's figures: null, a number or a text ("N/A").
using JsonScalar = std::variant<std::monostate, double, QString>;

class JsonWriter
{
public:
    explicit JsonWriter(QIODevice& device);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const char* name);
    JsonWriter& key(const QString& name);
    JsonWriter& string(const QString& text);
    JsonWriter& string(std::string_view utf8);
    // Whole numbers as integers ("1000000", not "1e+06"), others in their shortest form; null when not finite.
    JsonWriter& number(double v);
    JsonWriter& boolean(bool v);
    JsonWriter& null();
    JsonWriter& scalar(const JsonScalar& v);
    // A number, text, boolean or null as Qt holds it (the screen's selection).
    JsonWriter& value(const QJsonValue& v);
    JsonWriter& strings(const QStringList& texts);
    // Starts the next member or element on a line of its own (a report's long arrays, one item a line).
    JsonWriter& lineBreak();
    // Ends the document with a line break and writes what is left; false when the device refused a write.
    bool finish();

private:
    class Output;
    class Writer;
    std::unique_ptr<Output> mOutput;
    std::unique_ptr<Writer> mWriter;
    std::string mUtf8; // the text being written, reused
};

// A figure as the panel holds it: its number, its text ("N/A") or null.
JsonScalar FigureValue(const Figure& f);
// A panel text as the number it shows ("1,234.5" is 1234.5), so a figure is what the panel says; a text such
// as "N/A" stays a text.
JsonScalar PanelFigure(const QString& text);
// The figures object, its keys in the sorted order the reports have always listed them in.
void WriteFigures(JsonWriter& j, const QList<std::pair<QString, JsonScalar>>& figures);
// "panel": {"captions": [...], "values": [...]}: the statistics panel's two labels, line by line.
void WritePanel(JsonWriter& j, const QStringList& captions, const QStringList& values);
// "series": every series of the chart in index order (index, title, axis, points [x, y, "label"]), one a line.
void WriteSeries(JsonWriter& j, const ChartModel& chart);
// The rule codes of one side of each of pointCount points ("R1+,R2+"), empty strings where a point has
// none or the chart was not evaluated.
void WriteMarks(JsonWriter& j, const RuleMarks& marks, MarkSide side, int pointCount);
// After "records": what the run skipped of the rows it read, where it skipped any: "skipped" (fields
// that are no number) and "unreadableTimes" (rows whose start time is no time).
void WriteSkipped(JsonWriter& j, const SkippedRows& skipped);
// The same told on standard error, one line a kind; the run's exit status stays as it is.
void TellSkipped(QTextStream& err, const SkippedRows& skipped);

// Writes the variables chart's report object to `out`. False when the device refused a write.
// `more` writes members of the report's own after its figures (where its limits come from).
bool WriteReportJson(QIODevice& out, const ChartModel& chart, const QString& chartType, int subgroupSize,
    const VariablesPlotOutcome& outcome, const QStringList& panelCaptions,
    const std::function<void(JsonWriter&)>& more = {});

} // namespace moldrin::cli
