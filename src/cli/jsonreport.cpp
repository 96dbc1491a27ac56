// The reports' JSON writer over RapidJSON, and the pieces the chart kinds' reports share.
#include "cli/jsonreport.h"

#include "variables/variableschart.h"

#include <rapidjson/writer.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace moldrin::cli
{

// RapidJSON's output stream over the device, spilling every 64 KiB so memory does not grow with the report.
class JsonWriter::Output
{
public:
    using Ch = char;
    explicit Output(QIODevice& device)
        : mDevice(device)
    {
        mBuffer.reserve(kSpillAt + 4096);
    }
    void Put(char c)
    {
        mBuffer.push_back(c);
        if (mBuffer.size() >= kSpillAt)
            Flush();
    }
    // After a refused write nothing more is written, so the device keeps the first failure's reason.
    void Flush()
    {
        if (mOk && !mBuffer.empty() && mDevice.write(mBuffer.data(), qint64(mBuffer.size())) != qint64(mBuffer.size()))
            mOk = false;
        mBuffer.clear();
    }
    bool ok() const { return mOk; }

private:
    static constexpr std::size_t kSpillAt = 1 << 16;
    QIODevice& mDevice;
    std::string mBuffer;
    bool mOk = true;
};

// RapidJSON's Writer with one addition: a line break before the next member or element. The writer's own
// separator is written before it, so the next value starts the line.
class JsonWriter::Writer : public rapidjson::Writer<Output>
{
public:
    explicit Writer(Output& output)
        : rapidjson::Writer<Output>(output)
    {
    }
    void LineBreak()
    {
        if (!level_stack_.Empty()) {
            Level* level = level_stack_.template Top<Level>();
            if (level->valueCount > 0) {
                os_->Put(',');
                level->valueCount = 0; // an even count: the separator is written, a key comes next in an object
            }
        }
        os_->Put('\n');
    }
};

namespace
{

// The number's text: whole numbers as integers, others in their shortest round-trip form.
std::string_view NumberText(double v, char (&buffer)[32])
{
    const auto r = std::fabs(v) < 9007199254740992.0 && v == std::trunc(v)
        ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(v))
        : std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string_view(buffer, std::size_t(r.ptr - buffer));
}

// The text as UTF-8 in `out`, without a conversion for the plain ASCII of most labels.
void Utf8(const QString& text, std::string& out)
{
    const qsizetype n = text.size();
    const QChar* chars = text.constData();
    if (std::all_of(chars, chars + n, [](QChar c) { return c.unicode() < 0x80; })) {
        out.resize(std::size_t(n));
        for (qsizetype i = 0; i < n; ++i)
            out[std::size_t(i)] = char(chars[i].unicode());
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    out.assign(utf8.constData(), std::size_t(utf8.size()));
}

} // namespace

JsonWriter::JsonWriter(QIODevice& device)
    : mOutput(std::make_unique<Output>(device))
    , mWriter(std::make_unique<Writer>(*mOutput))
{
}

JsonWriter::~JsonWriter()
{
    mOutput->Flush();
}

JsonWriter& JsonWriter::beginObject()
{
    mWriter->StartObject();
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    mWriter->EndObject();
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    mWriter->StartArray();
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    mWriter->EndArray();
    return *this;
}

JsonWriter& JsonWriter::key(const char* name)
{
    mWriter->Key(name);
    return *this;
}

JsonWriter& JsonWriter::key(const QString& name)
{
    Utf8(name, mUtf8);
    mWriter->Key(mUtf8.data(), rapidjson::SizeType(mUtf8.size()));
    return *this;
}

JsonWriter& JsonWriter::string(const QString& text)
{
    Utf8(text, mUtf8);
    return string(std::string_view(mUtf8));
}

JsonWriter& JsonWriter::string(std::string_view utf8)
{
    mWriter->String(utf8.data(), rapidjson::SizeType(utf8.size()));
    return *this;
}

JsonWriter& JsonWriter::number(double v)
{
    if (!std::isfinite(v))
        return null();
    char buffer[32];
    const std::string_view text = NumberText(v, buffer);
    mWriter->RawValue(text.data(), text.size(), rapidjson::kNumberType);
    return *this;
}

JsonWriter& JsonWriter::boolean(bool v)
{
    mWriter->Bool(v);
    return *this;
}

JsonWriter& JsonWriter::null()
{
    mWriter->Null();
    return *this;
}

JsonWriter& JsonWriter::scalar(const JsonScalar& v)
{
    if (const double* number = std::get_if<double>(&v))
        return this->number(*number);
    if (const QString* text = std::get_if<QString>(&v))
        return string(*text);
    return null();
}

JsonWriter& JsonWriter::value(const QJsonValue& v)
{
    if (v.isDouble())
        return number(v.toDouble());
    if (v.isString())
        return string(v.toString());
    if (v.isBool())
        return boolean(v.toBool());
    return null();
}

JsonWriter& JsonWriter::strings(const QStringList& texts)
{
    beginArray();
    for (const QString& t : texts)
        string(t);
    return endArray();
}

JsonWriter& JsonWriter::lineBreak()
{
    mWriter->LineBreak();
    return *this;
}

bool JsonWriter::finish()
{
    mOutput->Put('\n');
    mOutput->Flush();
    return mOutput->ok();
}

JsonScalar FigureValue(const Figure& f)
{
    if (f.isNumber())
        return f.value();
    if (f.isText())
        return f.textValue();
    return std::monostate();
}

JsonScalar PanelFigure(const QString& text)
{
    bool ok = false;
    const double v = QString(text).remove(QLatin1Char(',')).toDouble(&ok);
    return ok ? JsonScalar(v) : JsonScalar(text);
}

void WriteFigures(JsonWriter& j, const QList<std::pair<QString, JsonScalar>>& figures)
{
    std::vector<qsizetype> order(std::size_t(figures.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(
        order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return figures[a].first < figures[b].first; });
    j.key("figures").beginObject();
    for (qsizetype i : order)
        j.key(figures[i].first).scalar(figures[i].second);
    j.endObject();
}

void WritePanel(JsonWriter& j, const QStringList& captions, const QStringList& values)
{
    j.key("panel").beginObject();
    j.key("captions").strings(captions);
    j.key("values").strings(values);
    j.endObject();
}

void WriteSeries(JsonWriter& j, const ChartModel& chart)
{
    j.lineBreak().key("series").beginArray();
    for (int i = 0; i < chart.seriesCount(); ++i) {
        const ChartSeries& s = chart.series[i];
        j.lineBreak().beginObject().key("index").number(i).key("title").string(s.title);
        j.key("axis").string(std::string_view(s.verticalAxis == VerticalAxis::Left ? "left" : "custom0"));
        j.key("points").beginArray();
        for (int k = 0; k < s.points.size(); ++k) {
            j.beginArray().number(s.points.x(k)).number(s.points.y(k));
            // A point number is written as its digits in quotes, as its label's text would be.
            if (const std::int32_t number = s.points.labelNumber(k); number >= 0) {
                char digits[16];
                j.string(
                    std::string_view(digits, std::size_t(std::to_chars(digits, digits + 16, number).ptr - digits)));
            } else
                j.string(s.points.label(k));
            j.endArray();
        }
        j.endArray().endObject();
    }
    j.endArray();
}

void WriteSkipped(JsonWriter& j, const SkippedRows& skipped)
{
    if (skipped.notNumbers > 0)
        j.key("skipped").number(double(skipped.notNumbers));
    if (skipped.unreadableTimes > 0)
        j.key("unreadableTimes").number(double(skipped.unreadableTimes));
}

void TellSkipped(QTextStream& err, const SkippedRows& skipped)
{
    if (skipped.any())
        err << SkippedRowsText(skipped) << '\n';
}

void WriteMarks(JsonWriter& j, const RuleMarks& marks, MarkSide side, int pointCount)
{
    // One string per point, written as it goes (a chart may have millions of points, few of them marked).
    j.beginArray();
    for (int i = 0; i < pointCount; ++i)
        j.string(RuleMarkText(marks[std::size_t(i)], side));
    j.endArray();
}

bool WriteReportJson(QIODevice& device, const ChartModel& chart, const QString& chartType, int subgroupSize,
    const VariablesPlotOutcome& outcome, const QStringList& panelCaptions, const std::function<void(JsonWriter&)>& more)
{
    const ControlLimits& l = outcome.limits;
    JsonWriter j(device);
    j.beginObject().key("chartType").string(chartType);
    // As the panel's "Size:": an Individual-MR chart plots single readings.
    j.key("subgroupSize").number(outcome.stat.IsSubgroupChart ? subgroupSize : 1);
    j.key("records").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.key("pointCount").number(double(outcome.pointCount));
    WriteFigures(j,
        { { "XDoubleBar", FigureValue(l.XDoubleBar) }, { "AverageVariation", FigureValue(l.AverageVariation) },
            { "EstSigma", FigureValue(l.EstSigma) }, { "StdDev", l.StdDev }, { "Cp", FigureValue(l.Cp) },
            { "CpK", FigureValue(l.CpK) }, { "CpU", FigureValue(l.CpU) }, { "CpL", FigureValue(l.CpL) },
            { "CR", l.CRText }, { "UCLCentre", FigureValue(l.UCLCentre) }, { "LCLCentre", FigureValue(l.LCLCentre) },
            { "UCLVar", FigureValue(l.UCLVar) }, { "LCLVar", FigureValue(l.LCLVar) }, { "USL", FigureValue(l.USL) },
            { "LSL", FigureValue(l.LSL) } });
    if (more)
        more(j);
    WritePanel(j, panelCaptions, l.panelValues);
    WriteSeries(j, chart);
    const ChartSeries* centre = chart.seriesAt(kSeriesXBar);
    const ChartSeries* variation = chart.seriesAt(kSeriesRange);
    const int nc = centre ? centre->count() : 0, nv = variation ? variation->count() : 0;
    const RuleEvaluation& rules = outcome.rules;
    j.lineBreak().key("rules").beginObject();
    j.key("centre").beginObject().key("upper");
    WriteMarks(j, rules.centre, MarkSide::Upper, nc);
    j.key("lower");
    WriteMarks(j, rules.centre, MarkSide::Lower, nc);
    j.endObject().key("variation").beginObject().key("upper");
    WriteMarks(j, rules.variation, MarkSide::Upper, nv);
    j.key("lower");
    WriteMarks(j, rules.variation, MarkSide::Lower, nv);
    j.endObject().endObject().endObject();
    return j.finish();
}

} // namespace moldrin::cli
