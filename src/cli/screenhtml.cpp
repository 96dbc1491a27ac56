// The screen as one self-contained HTML page: a sortable table coloured by CpK, a small chart per parameter.
#include "cli/screenhtml.h"

#include "common/numberformat.h"

#include <algorithm>
#include <cmath>

namespace moldrin::cli
{

namespace
{

using screening::ParameterScreen;

const QString kFigureFormat = QStringLiteral("#,##0.0###");
constexpr double kCpKPoor = 1.0;
constexpr double kCpKMarginal = 1.33;

QString Escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// A cell; `sortKey` orders the column (a number, or "" for N/A, which sorts last either way).
QString Cell(const QString& text, const QString& sortKey, const QString& cls = {})
{
    return QStringLiteral("<td") + (cls.isEmpty() ? QString() : QStringLiteral(" class=\"") + cls + u'"')
        + QStringLiteral(" data-v=\"") + Escaped(sortKey) + QStringLiteral("\">") + text + QStringLiteral("</td>");
}

QString FigureCell(const Figure& f, const QString& format = kFigureFormat, const QString& cls = {})
{
    return Cell(Escaped(FormatFigure(f, format)), f.isNumber() ? NumberText(f.value()) : QString(), cls);
}

QString CountCell(std::int64_t n)
{
    return Cell(FormatNumber(double(n), QStringLiteral("#,##0")), QString::number(n));
}

QString TextCell(const QString& text)
{
    return Cell(Escaped(text), text, QStringLiteral("t"));
}

// The CpK band a row is coloured by.
QString Band(const Figure& cpk)
{
    if (!cpk.isNumber())
        return QStringLiteral("na");
    if (cpk.value() < kCpKPoor)
        return QStringLiteral("poor");
    return cpk.value() < kCpKMarginal ? QStringLiteral("marginal") : QStringLiteral("capable");
}

QString TesterCell(const ParameterScreen& p)
{
    QString text;
    if (p.testerP.isNumber())
        text = p.testerP.value() < 0.0001 ? QStringLiteral("&lt;0.0001")
                                          : FormatNumber(p.testerP.value(), QStringLiteral("0.0000"));
    else
        text = Escaped(p.testerP.textValue());
    if (p.testerDiffers)
        text = QStringLiteral("<span class=\"flag\" title=\"testers differ\">&#9873;</span> ") + text;
    QStringList means;
    for (const screening::TesterFigures& t : p.testers)
        means << Escaped(t.tester) + QStringLiteral(": ") + FormatFigure(t.mean, kFigureFormat)
                + QStringLiteral(" <span class=\"dim\">(n ") + FormatNumber(double(t.n), QStringLiteral("#,##0"))
                + QStringLiteral(")</span>");
    text += QStringLiteral("<div class=\"means\">") + means.join(QStringLiteral("<br>")) + QStringLiteral("</div>");
    return Cell(text, p.testerP.isNumber() ? NumberText(p.testerP.value()) : QString(),
        p.testerDiffers ? QStringLiteral("t differs") : QStringLiteral("t"));
}

// The X-Bar trend with its centre and control limits, and the specification limits where they fall in
// view: an inline SVG.
QString TrendChart(const ParameterScreen& p)
{
    constexpr double kWidth = 180, kHeight = 48, kPad = 3;
    if (p.trend.isEmpty())
        return QStringLiteral("<span class=\"dim\">no subgroup</span>");
    QList<double> shown = p.trend;
    for (const Figure* f : { &p.ucl, &p.lcl })
        if (f->isNumber())
            shown << f->value();
    // A specification limit within two control bands of the centre is drawn: it is close to the process.
    if (p.ucl.isNumber() && p.centre.isNumber())
        for (const Figure* f : { &p.usl, &p.lsl })
            if (f->isNumber() && std::abs(f->value() - p.centre.value()) <= 2 * (p.ucl.value() - p.centre.value()))
                shown << f->value();
    double lo = *std::min_element(shown.begin(), shown.end());
    double hi = *std::max_element(shown.begin(), shown.end());
    if (hi == lo) {
        lo -= 1;
        hi += 1;
    }
    const auto y = [&](double v) { return kPad + (hi - v) / (hi - lo) * (kHeight - 2 * kPad); };
    const auto num = [](double v) { return QString::number(v, 'f', 1); };
    QString svg = QStringLiteral("<svg width=\"%1\" height=\"%2\" "
                                 "viewBox=\"0 0 %1 %2\" role=\"img\">")
                      .arg(kWidth)
                      .arg(kHeight);
    const auto line = [&](const Figure& f, const QString& cls) {
        if (f.isNumber() && f.value() >= lo && f.value() <= hi)
            svg += QStringLiteral("<line class=\"%1\" x1=\"0\" x2=\"%2\" y1=\"%3\" y2=\"%3\"/>")
                       .arg(cls, num(kWidth), num(y(f.value())));
    };
    line(p.usl, QStringLiteral("spec"));
    line(p.lsl, QStringLiteral("spec"));
    line(p.ucl, QStringLiteral("limit"));
    line(p.lcl, QStringLiteral("limit"));
    line(p.centre, QStringLiteral("centre"));
    QStringList points;
    const qsizetype n = p.trend.size();
    for (qsizetype i = 0; i < n; ++i) {
        const double x = n == 1 ? kWidth / 2 : kPad + double(i) / double(n - 1) * (kWidth - 2 * kPad);
        points << num(x) + u',' + num(y(p.trend[i]));
    }
    svg += QStringLiteral("<polyline class=\"trend\" points=\"") + points.join(u' ') + QStringLiteral("\"/></svg>");
    return svg;
}

QString SelectionText(const QList<SelectionEntry>& selection)
{
    static const QList<std::pair<QString, QString>> kLabels { { QStringLiteral("range"), QStringLiteral("Range") },
        { QStringLiteral("from"), QStringLiteral("from") }, { QStringLiteral("to"), QStringLiteral("to") },
        { QStringLiteral("tester"), QStringLiteral("Tester") }, { QStringLiteral("testId"), QStringLiteral("Test ID") },
        { QStringLiteral("serial"), QStringLiteral("Serial") },
        { QStringLiteral("passOnly"), QStringLiteral("Pass Only") },
        { QStringLiteral("lastDataOnly"), QStringLiteral("Last Data Only") },
        { QStringLiteral("acceptZero"), QStringLiteral("Accept Zero") },
        { QStringLiteral("chartType"), QStringLiteral("rule hits on") },
        { QStringLiteral("subgroupSize"), QStringLiteral("group size") } };
    QStringList parts;
    for (const SelectionEntry& e : selection) {
        QString label = e.key;
        for (const auto& [key, text] : kLabels)
            if (key == e.key)
                label = text;
        QString value;
        if (e.value.isBool())
            value = e.value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        else if (e.value.isDouble())
            value = NumberText(e.value.toDouble());
        else
            value = e.value.toString().isEmpty() ? QStringLiteral("any") : e.value.toString();
        parts << Escaped(label) + QStringLiteral(" <b>") + Escaped(value) + QStringLiteral("</b>");
    }
    return parts.join(QStringLiteral(" &middot; "));
}

const char* const kStyle = R"(
body{font-family:"DejaVu Sans",Verdana,Arial,sans-serif;margin:16px;color:#222;background:#f7f7f7}
h1{font-size:20px;margin:0 0 6px}
.sel,.legend{font-size:13px;color:#444;margin:0 0 8px}
.legend span.key{display:inline-block;padding:1px 8px;margin-right:6px;border:1px solid #bbb}
table{border-collapse:collapse;font-size:13px;background:#fff}
th,td{border:1px solid #ccc;padding:3px 6px;text-align:right;white-space:nowrap;vertical-align:top}
th{background:#e6e6e6;cursor:pointer;user-select:none;position:sticky;top:0}
th.asc::after{content:" \25B2"}th.desc::after{content:" \25BC"}
td.t{text-align:left}
.poor{background:#fbe3e3}.poor td.k,.legend .poor{background:#f2a5a5}
.marginal{background:#fdf3dc}.marginal td.k,.legend .marginal{background:#f6d487}
.capable{background:#eaf6ea}.capable td.k,.legend .capable{background:#a9d8a9}
.na td.k,.legend .na{background:#e4e4e4}
td.k{font-weight:bold}
.flag{color:#b00;font-size:15px}
td.differs{color:#b00}
.means{font-size:11px;color:#555;margin-top:2px}
.dim{color:#888}
svg line.spec{stroke:#d00;stroke-width:1}
svg line.limit{stroke:#800;stroke-width:1;stroke-dasharray:2 2}
svg line.centre{stroke:#00c;stroke-width:1;stroke-dasharray:4 2}
svg polyline.trend{fill:none;stroke:#333;stroke-width:1.3}
)";

// Sorts the table by a clicked column; a second click reverses. N/A cells stay last.
const char* const kScript = R"(
(function () {
  var table = document.getElementById('screen');
  var heads = table.tHead.rows[0].cells;
  var column = -1, ascending = true;
  function key(row) { return row.cells[column].getAttribute('data-v'); }
  function compare(a, b) {
    var x = key(a), y = key(b);
    if (x === '' || y === '') return (x === '') - (y === '');
    var nx = Number(x), ny = Number(y);
    var order = !isNaN(nx) && !isNaN(ny) ? nx - ny : x.localeCompare(y);
    return ascending ? order : -order;
  }
  Array.prototype.forEach.call(heads, function (th, i) {
    th.addEventListener('click', function () {
      ascending = column === i ? !ascending : true;
      column = i;
      Array.prototype.forEach.call(heads, function (h) { h.className = ''; });
      th.className = ascending ? 'asc' : 'desc';
      var body = table.tBodies[0];
      Array.prototype.slice.call(body.rows).sort(compare).forEach(function (r) { body.appendChild(r); });
    });
  });
})();
)";

} // namespace

QByteArray ScreenHtml(const ScreenPage& page)
{
    const screening::ScreenResult& r = page.result;
    QString html
        = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Screening: ")
        + Escaped(page.product) + QStringLiteral("</title>\n<style>") + QLatin1String(kStyle)
        + QStringLiteral("</style></head>\n<body>\n<h1>Screening: ") + Escaped(page.product)
        + QStringLiteral("</h1>\n<p class=\"sel\">") + SelectionText(page.selection) + QStringLiteral(" &middot; <b>")
        + FormatNumber(double(r.records), QStringLiteral("#,##0"))
        + QStringLiteral("</b> rows read</p>\n<p class=\"legend\">CpK: <span class=\"key poor\">below ")
        + FormatNumber(kCpKPoor, QStringLiteral("0.00")) + QStringLiteral("</span><span class=\"key marginal\">below ")
        + FormatNumber(kCpKMarginal, QStringLiteral("0.00"))
        + QStringLiteral("</span><span class=\"key capable\">capable</span><span class=\"key na\">N/A</span> "
                         "<span class=\"flag\">&#9873;</span> testers differ (p &lt; 0.001 and tester means "
                         "more than one Est Sigma apart). Click a heading to sort.</p>\n");

    QStringList heads { QStringLiteral("Parameter"), QStringLiteral("Unit"), QStringLiteral("LSL"),
        QStringLiteral("USL"), QStringLiteral("n"), QStringLiteral("Mean"), QStringLiteral("Std Dev"),
        QStringLiteral("Est Sigma"), QStringLiteral("Cp"), QStringLiteral("CpK"), QStringLiteral("Pp"),
        QStringLiteral("PpK"), QStringLiteral("Out of spec"), QStringLiteral("ppm") };
    for (int k = 1; k <= screening::kRuleHitCount; ++k)
        heads << QStringLiteral("R") + QString::number(k);
    heads << QStringLiteral("Tester p") << QStringLiteral("X-Bar trend");
    html += QStringLiteral("<table id=\"screen\"><thead><tr><th>") + heads.join(QStringLiteral("</th><th>"))
        + QStringLiteral("</th></tr></thead>\n<tbody>\n");

    for (const ParameterScreen& p : r.parameters) {
        const QString title = p.name.isEmpty() || p.item.contains(p.name)
            ? QString()
            : QStringLiteral(" title=\"") + Escaped(p.name) + u'"';
        html += QStringLiteral("<tr class=\"") + Band(p.cpk) + QStringLiteral("\"") + title + u'>';
        html += TextCell(p.item.isEmpty() ? p.column : p.item) + TextCell(p.unit) + FigureCell(p.lsl)
            + FigureCell(p.usl) + CountCell(p.n) + FigureCell(p.mean) + FigureCell(p.stdDev) + FigureCell(p.estSigma)
            + FigureCell(p.cp) + FigureCell(p.cpk, kFigureFormat, QStringLiteral("k")) + FigureCell(p.pp)
            + FigureCell(p.ppk) + CountCell(p.outOfSpec) + FigureCell(p.ppm);
        for (std::int64_t hits : p.ruleHits)
            html += CountCell(hits);
        html += TesterCell(p) + Cell(TrendChart(p), QString::number(p.subgroups)) + QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</tbody></table>\n<script>") + QLatin1String(kScript)
        + QStringLiteral("</script>\n</body></html>\n");
    return html.toUtf8();
}

} // namespace moldrin::cli
