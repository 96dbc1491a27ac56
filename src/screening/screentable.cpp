// The screen as a table, shared by the HTML page and the window.
#include "screening/screentable.h"

#include "common/numberformat.h"
#include "data/config/configfiles.h"

#include <algorithm>
#include <numeric>

namespace moldrin::screening
{

namespace
{

ScreenCell FigureCell(const Figure& f)
{
    return { FormatFigure(f, kScreenFigureFormat), f.isNumber() ? QVariant(f.value()) : QVariant() };
}

ScreenCell CountCell(std::int64_t n)
{
    return { CountText(n), QVariant(double(n)) };
}

// An empty text sorts as "N/A" does: last.
ScreenCell TextCell(const QString& text)
{
    return { text, text.isEmpty() ? QVariant() : QVariant(text) };
}

// Less for two keys of one column that are not N/A.
bool KeyLess(const QVariant& a, const QVariant& b)
{
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
    return a.toDouble() < b.toDouble();
}

} // namespace

CpKBand BandOf(const Figure& cpk)
{
    if (!cpk.isNumber())
        return CpKBand::NA;
    if (cpk.value() < kCpKPoor)
        return CpKBand::Poor;
    return cpk.value() < kCpKMarginal ? CpKBand::Marginal : CpKBand::Capable;
}

QString BandLabel(CpKBand band)
{
    switch (band) {
    case CpKBand::Poor:
        return QStringLiteral("below ") + FormatNumber(kCpKPoor, QStringLiteral("0.00"));
    case CpKBand::Marginal:
        return QStringLiteral("below ") + FormatNumber(kCpKMarginal, QStringLiteral("0.00"));
    case CpKBand::Capable:
        return QStringLiteral("capable");
    case CpKBand::NA:
        break;
    }
    return QStringLiteral("N/A");
}

BandColours ColoursOf(CpKBand band)
{
    switch (band) {
    case CpKBand::Poor:
        return { "#fbe3e3", "#f2a5a5" };
    case CpKBand::Marginal:
        return { "#fdf3dc", "#f6d487" };
    case CpKBand::Capable:
        return { "#eaf6ea", "#a9d8a9" };
    case CpKBand::NA:
        break;
    }
    return { "#ffffff", "#e4e4e4" };
}

QStringList ScreenHeadings()
{
    QStringList heads { QStringLiteral("Parameter"), QStringLiteral("Unit"), QStringLiteral("LSL"),
        QStringLiteral("USL"), QStringLiteral("n"), QStringLiteral("Mean"), QStringLiteral("Std Dev"),
        QStringLiteral("Est Sigma"), QStringLiteral("Cp"), QStringLiteral("CpK"), QStringLiteral("Pp"),
        QStringLiteral("PpK"), QStringLiteral("Out of spec"), QStringLiteral("ppm") };
    for (int k = 1; k <= kRuleHitCount; ++k)
        heads << QStringLiteral("R") + QString::number(k);
    heads << QStringLiteral("Tester p");
    return heads;
}

bool IsTextColumn(int column)
{
    return column == kColParameter || column == kColUnit;
}

QList<ScreenCell> ScreenCells(const ParameterScreen& p)
{
    QList<ScreenCell> cells { TextCell(p.item.isEmpty() ? p.column : p.item), TextCell(p.unit), FigureCell(p.lsl),
        FigureCell(p.usl), CountCell(p.n), FigureCell(p.mean), FigureCell(p.stdDev), FigureCell(p.estSigma),
        FigureCell(p.cp), FigureCell(p.cpk), FigureCell(p.pp), FigureCell(p.ppk), CountCell(p.outOfSpec),
        FigureCell(p.ppm) };
    for (std::int64_t hits : p.ruleHits)
        cells << CountCell(hits);
    cells << ScreenCell { TesterPText(p.testerP), p.testerP.isNumber() ? QVariant(p.testerP.value()) : QVariant() };
    return cells;
}

QString TesterPText(const Figure& p)
{
    if (!p.isNumber())
        return p.textValue();
    return p.value() < 0.0001 ? QStringLiteral("<0.0001") : FormatNumber(p.value(), QStringLiteral("0.0000"));
}

QString TesterMeanText(const TesterFigures& t)
{
    return t.tester + QStringLiteral(": ") + FormatFigure(t.mean, kScreenFigureFormat);
}

QString CountText(std::int64_t n)
{
    return FormatNumber(double(n), kScreenCountFormat);
}

QList<int> ScreenOrder(const QList<QList<ScreenCell>>& rows, int column, Qt::SortOrder order)
{
    QList<int> indexes(rows.size());
    std::iota(indexes.begin(), indexes.end(), 0);
    const auto key = [&](int row) { return rows[row].value(column).key; };
    std::stable_sort(indexes.begin(), indexes.end(), [&](int a, int b) {
        const QVariant x = key(a), y = key(b);
        if (x.isNull() || y.isNull())
            return !x.isNull() && y.isNull();
        return order == Qt::AscendingOrder ? KeyLess(x, y) : KeyLess(y, x);
    });
    return indexes;
}

QList<SelectionEntry> ScreenSelection(const AppState& state, const data::PlotSelection& s, const ScreenResult& r)
{
    QList<SelectionEntry> e { { QStringLiteral("range"), s.range } };
    if (s.range == QLatin1String("Custom"))
        e << SelectionEntry { QStringLiteral("from"), state.gCustomStart.toString(Qt::ISODate) }
          << SelectionEntry { QStringLiteral("to"), state.gCustomEnd.toString(Qt::ISODate) };
    e << SelectionEntry { QStringLiteral("tester"), s.tester.isEmpty() ? data::kAllItem : s.tester }
      << SelectionEntry { QStringLiteral("testId"), s.query.testIdText }
      << SelectionEntry { QStringLiteral("serial"), s.serialFilter.toUpper() }
      << SelectionEntry { QStringLiteral("passOnly"), s.passOnly }
      << SelectionEntry { QStringLiteral("lastDataOnly"), s.lastDataOnly }
      << SelectionEntry { QStringLiteral("acceptZero"), s.query.acceptZero }
      << SelectionEntry { QStringLiteral("chartType"), r.chartType }
      << SelectionEntry { QStringLiteral("subgroupSize"), r.subgroupSize };
    return e;
}

QString SelectionHtml(const QList<SelectionEntry>& selection)
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
        parts << label.toHtmlEscaped() + QStringLiteral(" <b>") + value.toHtmlEscaped() + QStringLiteral("</b>");
    }
    return parts.join(QStringLiteral(" &middot; "));
}

} // namespace moldrin::screening
