#include "cli/jsonreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moldrin::cli
{

JsonOut::JsonOut(QIODevice& device)
    : mDevice(device)
{
    mBuffer.reserve(kSpillAt + 4096);
}

JsonOut::~JsonOut()
{
    flush();
}

JsonOut& JsonOut::raw(std::string_view s)
{
    mBuffer += s;
    return spill();
}

JsonOut& JsonOut::number(double v)
{
    if (!std::isfinite(v))
        return raw("null");
    char buf[32];
    // Whole numbers as integers ("1000000", not the shortest form "1e+06").
    const auto r = std::fabs(v) < 9007199254740992.0 && v == std::trunc(v)
        ? std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v))
        : std::to_chars(buf, buf + sizeof buf, v);
    return raw(std::string_view(buf, std::size_t(r.ptr - buf)));
}

JsonOut& JsonOut::string(const QString& s)
{
    AppendJsonString(mBuffer, s);
    return spill();
}

JsonOut& JsonOut::value(const QJsonValue& v)
{
    if (v.isObject() || v.isArray()) {
        const QByteArray text = v.isObject() ? QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact)
                                             : QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
        return raw(std::string_view(text.constData(), std::size_t(text.size())));
    }
    if (v.isDouble())
        return number(v.toDouble());
    if (v.isString())
        return string(v.toString());
    if (v.isBool())
        return raw(v.toBool() ? "true" : "false");
    return raw("null");
}

bool JsonOut::flush()
{
    if (!mBuffer.empty() && mDevice.write(mBuffer.data(), qint64(mBuffer.size())) != qint64(mBuffer.size()))
        mOk = false;
    mBuffer.clear();
    return mOk;
}

JsonOut& JsonOut::spill()
{
    if (mBuffer.size() > kSpillAt)
        flush();
    return *this;
}

void WriteMarks(JsonOut& j, const RuleMarks& marks, MarkSide side, int pointCount)
{
    // One string per point, written as it goes (a chart may have millions of points, few of them marked).
    j.raw("[");
    for (int i = 0; i < pointCount; ++i)
        (i ? j.raw(",") : j).string(RuleMarkText(marks[std::size_t(i)], side));
    j.raw("]");
}

QJsonValue FigureJson(const Figure& f)
{
    if (f.isNumber())
        return f.value();
    if (f.isText())
        return f.textValue();
    return QJsonValue::Null;
}

QJsonObject PanelJson(const QStringList& captions, const QStringList& values)
{
    return QJsonObject { { "captions", QJsonArray::fromStringList(captions) },
        { "values", QJsonArray::fromStringList(values) } };
}

void WriteSeries(JsonOut& j, const ChartModel& chart)
{
    j.raw("[");
    for (int i = 0; i < chart.seriesCount(); ++i) {
        const ChartSeries& s = chart.series[i];
        j.raw(i ? ",\n{\"index\":" : "\n{\"index\":").number(i);
        j.raw(",\"title\":").string(s.title);
        j.raw(s.verticalAxis == VerticalAxis::Left ? ",\"axis\":\"left\",\"points\":["
                                                   : ",\"axis\":\"custom0\",\"points\":[");
        for (int k = 0; k < s.points.size(); ++k) {
            j.raw(k ? ",[" : "[").number(s.points.x(k)).raw(",").number(s.points.y(k)).raw(",");
            // A point number is written as its digits in quotes, as its label's text would be.
            if (const std::int32_t number = s.points.labelNumber(k); number >= 0)
                j.raw("\"").number(number).raw("\"]");
            else
                j.string(s.points.label(k)).raw("]");
        }
        j.raw("]}");
    }
    j.raw("]");
}

void AppendJsonString(std::string& out, const QString& s)
{
    out += '"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x80) {
            qsizetype end = i + 1;
            while (end < s.size() && s[end].unicode() >= 0x80)
                ++end;
            const QByteArray utf8 = QStringView(s).sliced(i, end - i).toUtf8();
            out.append(utf8.constData(), std::size_t(utf8.size()));
            i = end - 1;
        } else if (c >= 0x20 && c != u'"' && c != u'\\') {
            out += char(c);
        } else {
            switch (c) {
            case u'"':
                out += "\\\"";
                break;
            case u'\\':
                out += "\\\\";
                break;
            case u'\n':
                out += "\\n";
                break;
            case u'\r':
                out += "\\r";
                break;
            case u'\t':
                out += "\\t";
                break;
            default: {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(c));
                out += esc;
            }
            }
        }
    }
    out += '"';
}

bool WriteReportJson(QIODevice& device, const ChartModel& chart, const QString& chartType, int subgroupSize,
    const VariablesPlotOutcome& outcome, const QStringList& panelCaptions)
{
    const ControlLimits& l = outcome.limits;
    const QJsonObject figures {
        { "XDoubleBar", FigureJson(l.XDoubleBar) },
        { "AverageVariation", FigureJson(l.AverageVariation) },
        { "EstSigma", FigureJson(l.EstSigma) },
        { "StdDev", l.StdDev },
        { "Cp", FigureJson(l.Cp) },
        { "CpK", FigureJson(l.CpK) },
        { "CpU", FigureJson(l.CpU) },
        { "CpL", FigureJson(l.CpL) },
        { "CR", l.CRText },
        { "UCLCentre", FigureJson(l.UCLCentre) },
        { "LCLCentre", FigureJson(l.LCLCentre) },
        { "UCLVar", FigureJson(l.UCLVar) },
        { "LCLVar", FigureJson(l.LCLVar) },
        { "USL", FigureJson(l.USL) },
        { "LSL", FigureJson(l.LSL) },
    };
    JsonOut j(device);
    j.raw("{\"chartType\":").string(chartType);
    // As the panel's "Size:": an Individual-MR chart plots single readings.
    j.raw(",\"subgroupSize\":").number(outcome.stat.IsSubgroupChart ? subgroupSize : 1);
    j.raw(",\"records\":").number(double(outcome.records));
    j.raw(",\"pointCount\":").number(double(outcome.pointCount));
    j.raw(",\"figures\":").value(figures);
    j.raw(",\"panel\":").value(PanelJson(panelCaptions, l.panelValues));
    j.raw(",\n\"series\":");
    WriteSeries(j, chart);
    const ChartSeries* centre = chart.seriesAt(5);
    const ChartSeries* variation = chart.seriesAt(6);
    const int nc = centre ? centre->count() : 0, nv = variation ? variation->count() : 0;
    const RuleEvaluation& rules = outcome.rules;
    j.raw(",\n\"rules\":{\"centre\":{\"upper\":");
    WriteMarks(j, rules.centre, MarkSide::Upper, nc);
    j.raw(",\"lower\":");
    WriteMarks(j, rules.centre, MarkSide::Lower, nc);
    j.raw("},\"variation\":{\"upper\":");
    WriteMarks(j, rules.variation, MarkSide::Upper, nv);
    j.raw(",\"lower\":");
    WriteMarks(j, rules.variation, MarkSide::Lower, nv);
    j.raw("}}}\n");
    return j.flush();
}

} // namespace moldrin::cli
