#include "cli/jsonreport.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace moldrin::cli {

namespace {

QJsonValue FigureJson(const Figure& f)
{
    if (f.isNumber())
        return f.value();
    if (f.isText())
        return f.textValue();
    return QJsonValue::Null;
}

QJsonArray Lines(const QStringList& lines)
{
    QJsonArray a;
    for (const QString& l : lines)
        a.append(l);
    return a;
}

// A buffered writer of JSON tokens.
class JsonOut {
public:
    explicit JsonOut(QIODevice& device) : mDevice(device) {}
    ~JsonOut() { flush(); }
    JsonOut& raw(const char* s)
    {
        mBuffer += s;
        return spill();
    }
    JsonOut& raw(const QByteArray& s)
    {
        mBuffer += s;
        return spill();
    }
    JsonOut& number(double v)
    {
        if (!std::isfinite(v))
            return raw("null");
        char buf[32];
        // Whole numbers as integers ("1000000", not the shortest form "1e+06").
        const auto r = std::fabs(v) < 9007199254740992.0 && v == std::trunc(v)
            ? std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v))
            : std::to_chars(buf, buf + sizeof buf, v);
        mBuffer.append(buf, int(r.ptr - buf));
        return spill();
    }
    // A JSON string: quotes, backslashes and control characters escaped, the rest as UTF-8. Written
    // directly, as it runs for every point's label.
    JsonOut& string(const QString& s)
    {
        mBuffer += '"';
        qsizetype plain = 0; // start of the run not yet appended
        for (qsizetype i = 0; i < s.size(); ++i) {
            const char16_t c = s[i].unicode();
            if (c >= 0x20 && c != u'"' && c != u'\\')
                continue;
            mBuffer += QStringView(s).sliced(plain, i - plain).toUtf8();
            plain = i + 1;
            switch (c) {
            case u'"': mBuffer += "\\\""; break;
            case u'\\': mBuffer += "\\\\"; break;
            case u'\n': mBuffer += "\\n"; break;
            case u'\r': mBuffer += "\\r"; break;
            case u'\t': mBuffer += "\\t"; break;
            default: {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(c));
                mBuffer += esc;
            }
            }
        }
        mBuffer += QStringView(s).sliced(plain).toUtf8();
        mBuffer += '"';
        return spill();
    }
    JsonOut& value(const QJsonObject& o) { return raw(QJsonDocument(o).toJson(QJsonDocument::Compact)); }
    bool flush()
    {
        if (!mBuffer.isEmpty() && mDevice.write(mBuffer) != mBuffer.size())
            mOk = false;
        mBuffer.clear();
        return mOk;
    }
    bool ok() const { return mOk; }

private:
    JsonOut& spill()
    {
        if (mBuffer.size() > (1 << 16))
            flush();
        return *this;
    }
    QIODevice& mDevice;
    QByteArray mBuffer;
    bool mOk = true;
};

// One string per point, written as it goes (a chart may have millions of points, few of them marked).
template <class MarkAt>
void MarkArray(JsonOut& j, int pointCount, MarkAt markAt)
{
    j.raw("[");
    for (int i = 0; i < pointCount; ++i)
        (i ? j.raw(",") : j).string(markAt(i));
    j.raw("]");
}

// The centre chart's marks from the labels of an arrow series.
void MarksFromSeries(JsonOut& j, const ChartModel& chart, int series, int pointCount)
{
    QHash<int, QString> marks;
    if (const ChartSeries* s = chart.seriesAt(series))
        for (int k = 0; k < s->points.size(); ++k)
            marks.insert(int(s->points.x(k)), s->points.label(k));
    MarkArray(j, pointCount, [&](int i) { return marks.value(i); });
}

// The variation chart's marks from the mark arrays, which hold its findings after an evaluation.
void MarksFromState(JsonOut& j, const QStringList& marks, int pointCount, bool evaluated)
{
    MarkArray(j, pointCount, [&](int i) { return evaluated ? marks.value(i) : QString(); });
}

} // namespace

bool WriteReportJson(QIODevice& device, const AppState& state, const ChartModel& chart, const QString& chartType,
                     int subgroupSize, const data::PlotOutcome& outcome, const QStringList& panelCaptions)
{
    const ControlLimits& l = outcome.limits;
    const QJsonObject figures{
        {"XDoubleBar", FigureJson(l.XDoubleBar)}, {"AverageVariation", FigureJson(l.AverageVariation)},
        {"EstSigma", FigureJson(l.EstSigma)},     {"StdDev", l.StdDev},
        {"Cp", FigureJson(l.Cp)},                 {"CpK", FigureJson(l.CpK)},
        {"CpU", FigureJson(l.CpU)},               {"CpL", FigureJson(l.CpL)},
        {"CR", l.CRText},                         {"UCLCentre", FigureJson(l.UCLCentre)},
        {"LCLCentre", FigureJson(l.LCLCentre)},   {"UCLVar", FigureJson(l.UCLVar)},
        {"LCLVar", FigureJson(l.LCLVar)},         {"USL", FigureJson(l.USL)},
        {"LSL", FigureJson(l.LSL)},
    };
    JsonOut j(device);
    j.raw("{\"chartType\":").string(chartType);
    j.raw(",\"subgroupSize\":").number(subgroupSize);
    j.raw(",\"records\":").number(double(outcome.records));
    j.raw(",\"pointCount\":").number(double(outcome.pointCount));
    j.raw(",\"figures\":").value(figures);
    j.raw(",\"panel\":").value(QJsonObject{{"captions", Lines(panelCaptions)}, {"values", Lines(l.panelValues)}});
    j.raw(",\n\"series\":[");
    for (int i = 0; i < chart.seriesCount(); ++i) {
        const ChartSeries& s = chart.series[i];
        j.raw(i ? ",\n{\"index\":" : "\n{\"index\":").number(i);
        j.raw(",\"title\":").string(s.title);
        j.raw(s.verticalAxis == VerticalAxis::Left ? ",\"axis\":\"left\",\"points\":[" : ",\"axis\":\"custom0\",\"points\":[");
        for (int k = 0; k < s.points.size(); ++k)
            j.raw(k ? ",[" : "[").number(s.points.x(k)).raw(",").number(s.points.y(k)).raw(",").string(s.points.label(k)).raw("]");
        j.raw("]}");
    }
    const ChartSeries* centre = chart.seriesAt(5);
    const ChartSeries* variation = chart.seriesAt(6);
    const int nc = centre ? centre->count() : 0, nv = variation ? variation->count() : 0;
    const bool evaluated = outcome.rules.completed;
    j.raw("],\n\"rules\":{\"centre\":{\"upper\":");
    MarksFromSeries(j, chart, 7, nc);
    j.raw(",\"lower\":");
    MarksFromSeries(j, chart, 8, nc);
    j.raw("},\"variation\":{\"upper\":");
    MarksFromState(j, state.gUpperRuleMarks, nv, evaluated);
    j.raw(",\"lower\":");
    MarksFromState(j, state.gLowerRuleMarks, nv, evaluated);
    j.raw("}}}\n");
    return j.flush();
}

} // namespace moldrin::cli
