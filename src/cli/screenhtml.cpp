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
using screening::ScreenCell;

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

QString SortKey(const ScreenCell& cell)
{
    if (cell.key.isNull())
        return {};
    return cell.key.typeId() == QMetaType::Double ? NumberText(cell.key.toDouble()) : cell.key.toString();
}

// The CpK bands as the classes of the rows.
const std::pair<screening::CpKBand, const char*> kBandClasses[]
    = { { screening::CpKBand::Poor, "poor" }, { screening::CpKBand::Marginal, "marginal" },
          { screening::CpKBand::Capable, "capable" }, { screening::CpKBand::NA, "na" } };

// The colour key: one span a band.
QString LegendKeys()
{
    QString keys;
    for (const auto& [band, cls] : kBandClasses)
        keys += QStringLiteral("<span class=\"key %1\">%2</span>")
                    .arg(QLatin1String(cls), Escaped(screening::BandLabel(band)));
    return keys;
}

QString Band(const Figure& cpk)
{
    const screening::CpKBand band = screening::BandOf(cpk);
    for (const auto& [b, cls] : kBandClasses)
        if (b == band)
            return QLatin1String(cls);
    return {};
}

// The colours of the bands and of the tester marker, as the window shows them.
QString ColourRules()
{
    QString rules;
    for (const auto& [band, cls] : kBandClasses) {
        const screening::BandColours c = screening::ColoursOf(band);
        rules += QStringLiteral(".%1{background:%2}.%1 td.k,.legend .%1{background:%3}\n")
                     .arg(QLatin1String(cls), QLatin1String(c.row), QLatin1String(c.key));
    }
    return rules + QStringLiteral(".flag,td.differs{color:%1}\n").arg(QLatin1String(screening::kTesterFlagColour));
}

QString TesterCell(const ParameterScreen& p, const ScreenCell& cell)
{
    QString text = Escaped(cell.text);
    if (p.testerDiffers)
        text = QStringLiteral("<span class=\"flag\" title=\"testers differ\">") + screening::kTesterFlag
            + QStringLiteral("</span> ") + text;
    QStringList means;
    for (const screening::TesterFigures& t : p.testers)
        means << Escaped(screening::TesterMeanText(t)) + QStringLiteral(" <span class=\"dim\">(n ")
                + screening::CountText(t.n) + QStringLiteral(")</span>");
    text += QStringLiteral("<div class=\"means\">") + means.join(QStringLiteral("<br>")) + QStringLiteral("</div>");
    return Cell(text, SortKey(cell), p.testerDiffers ? QStringLiteral("t differs") : QStringLiteral("t"));
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
td.k{font-weight:bold}
.flag{font-size:15px}
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
        + Escaped(page.product) + QStringLiteral("</title>\n<style>") + QLatin1String(kStyle) + ColourRules()
        + QStringLiteral("</style></head>\n<body>\n<h1>Screening: ") + Escaped(page.product)
        + QStringLiteral("</h1>\n<p class=\"sel\">") + screening::SelectionHtml(page.selection)
        + QStringLiteral(" &middot; <b>") + screening::CountText(r.records)
        + QStringLiteral("</b> rows read</p>\n<p class=\"legend\">CpK: ") + LegendKeys()
        + QStringLiteral(" <span class=\"flag\">") + screening::kTesterFlag
        + QStringLiteral("</span> testers differ (p &lt; 0.001 and tester means more than one Est Sigma apart). "
                         "Click a heading to sort.</p>\n");

    const QStringList heads = screening::ScreenHeadings() << QStringLiteral("X-Bar trend");
    html += QStringLiteral("<table id=\"screen\"><thead><tr><th>") + heads.join(QStringLiteral("</th><th>"))
        + QStringLiteral("</th></tr></thead>\n<tbody>\n");

    for (const ParameterScreen& p : r.parameters) {
        const QString title = p.name.isEmpty() || p.item.contains(p.name)
            ? QString()
            : QStringLiteral(" title=\"") + Escaped(p.name) + u'"';
        html += QStringLiteral("<tr class=\"") + Band(p.cpk) + QStringLiteral("\"") + title + u'>';
        const QList<ScreenCell> cells = screening::ScreenCells(p);
        for (int c = 0; c < screening::kColTesterP; ++c)
            html += Cell(Escaped(cells[c].text), SortKey(cells[c]),
                screening::IsTextColumn(c)    ? QStringLiteral("t")
                    : c == screening::kColCpK ? QStringLiteral("k")
                                              : QString());
        html += TesterCell(p, cells[screening::kColTesterP]) + Cell(TrendChart(p), QString::number(p.subgroups))
            + QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</tbody></table>\n<script>") + QLatin1String(kScript)
        + QStringLiteral("</script>\n</body></html>\n");
    return html.toUtf8();
}

} // namespace moldrin::cli
