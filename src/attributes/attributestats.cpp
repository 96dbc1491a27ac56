// p, np, c and u charts from their rows: data, centre, limit and zone lines with labels, panel texts.
#include "attributes/attributestats.h"

#include "common/compensatedsum.h"
#include "common/numberformat.h"
#include "common/rounding.h"

#include <cmath>
#include <cstdint>

namespace moldrin
{

namespace
{

const QString kValueFormat = QStringLiteral("#,##0.0###");
const QString kCountFormat = QStringLiteral("#,##0");
const QString kBlank = QStringLiteral(" ");

struct Failure {
    QString description;
    bool check = false;
};

QString Spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}
QString Value(double v)
{
    return FormatNumber(v, kValueFormat);
}

double Divide(double a, double b)
{
    if (b == 0)
        throw Failure { QStringLiteral("Division by zero") };
    return a / b;
}

double Root(double v)
{
    if (v < 0)
        throw Failure { QStringLiteral("Invalid procedure call or argument") };
    return std::sqrt(v);
}

std::int64_t Whole(double v)
{
    return std::int64_t(RoundWhole(v));
}

// A total that may have a fraction (a u chart's inspection units): as many decimals as it needs, up to three.
QString Total(double v)
{
    QString text = FormatNumber(v, QStringLiteral("#,##0.###"));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// Refuses the first row whose count cannot be a count of nonconforming units or nonconformities: a negative
// one, or (p) more nonconforming units than units tested.
void CheckCounts(const std::vector<AttributeRow>& rows, bool withinSize)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AttributeRow& r = rows[i];
        const QString subgroup = QString::number(i + 1);
        if (r.nonconforming < 0)
            throw Failure { kNegativeCount.arg(subgroup, NumberText(r.nonconforming)), true };
        if (withinSize && r.nonconforming > r.size)
            throw Failure { kCountAboveUnits.arg(subgroup, NumberText(r.nonconforming), NumberText(r.size)), true };
    }
}

// The zone lines' values at one subgroup: B upper, B lower, C upper, C lower.
std::vector<double> ZoneValues(double centre, double sigma)
{
    return { centre + 2 * sigma, centre - 2 * sigma, centre + sigma, centre - sigma };
}

void CentreLine(AttributeChartResult& r, double centre, double k)
{
    r.centre = { { 1, centre, kBlank }, { k, centre, QStringLiteral("CL=") + Value(centre) + Spaces(30) } };
}

// A count cannot fall below 0: a lower limit below it is drawn at 0, as its line has no zone A beneath it.
double DrawnLcl(double lcl)
{
    return std::max(0.0, lcl);
}
QString LclLetter(double lcl, const QString& letter)
{
    return lcl < 0 ? kBlank : letter;
}

// p and u: one limit point per subgroup (in subgroup order, as the rules compare them), then a closing
// point at x = k repeating the last subgroup's values.
void VariableLimitLines(AttributeChartResult& r, const std::vector<AttributeRow>& rows, double centre, bool zones,
    double (*sigmaOf)(double centre, double size))
{
    const double k = double(rows.size());
    double ucl = 0, lcl = 0;
    std::vector<double> zone;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double x = double(i + 1);
        const double sigma = sigmaOf(centre, rows[i].size);
        ucl = centre + 3 * sigma;
        lcl = centre - 3 * sigma;
        r.lclComputed.push_back(lcl);
        zone = ZoneValues(centre, sigma);
        if (zones && i == 0) {
            r.ucl.push_back({ x, ucl, QStringLiteral(" A") });
            r.lcl.push_back({ x, DrawnLcl(lcl), LclLetter(lcl, QStringLiteral(" A")) });
            r.zones.resize(4);
            for (std::size_t z = 0; z < 4; ++z)
                r.zones[z].push_back({ x, zone[z], z < 2 ? QStringLiteral(" B") : QStringLiteral(" C") });
            continue;
        }
        if (zones)
            for (std::size_t z = 0; z < 4; ++z)
                r.zones[z].push_back({ x, zone[z], kBlank });
        r.ucl.push_back({ x, ucl, kBlank });
        r.lcl.push_back({ x, DrawnLcl(lcl), kBlank });
    }
    if (!zones) {
        r.ucl.push_back({ k, ucl, QStringLiteral("UCL") + Spaces(15) });
        r.lcl.push_back({ k, DrawnLcl(lcl), QStringLiteral("LCL") + Spaces(15) });
        return;
    }
    r.ucl.push_back({ k, ucl, QStringLiteral("A ") });
    r.lcl.push_back({ k, DrawnLcl(lcl), LclLetter(lcl, QStringLiteral("A ")) });
    for (std::size_t z = 0; z < 4; ++z)
        r.zones[z].push_back({ k, zone[z], z < 2 ? QStringLiteral("B ") : QStringLiteral("C ") });
}

// np and c: two points a line, at x = 1 and x = k; an LCL below 0 is drawn at 0 with the labels of a c
// chart's LCL of 0.
void ConstantLimitLines(AttributeChartResult& r, double k, double centre, double sigma, double ucl, double computedLcl,
    bool zones, bool cChart)
{
    r.lclComputed.assign(std::size_t(k), computedLcl);
    const double lcl = DrawnLcl(computedLcl);
    const bool zeroLcl = computedLcl < 0 || (cChart && lcl == 0);
    if (!zones) {
        r.ucl = { { 1, ucl, Spaces(16) }, { k, ucl, QStringLiteral("UCL=") + Value(ucl) + Spaces(30) } };
        r.lcl = { { 1, lcl, Spaces(16) },
            { k, lcl, (zeroLcl ? QStringLiteral("LCL=0") : QStringLiteral("LCL=") + Value(lcl)) + Spaces(30) } };
        return;
    }
    r.ucl = { { 1, ucl, QStringLiteral(" A") }, { k, ucl, QStringLiteral("A ") } };
    r.lcl = zeroLcl ? AttributeLine { { 1, 0, kBlank }, { k, 0, kBlank } }
                    : AttributeLine { { 1, lcl, QStringLiteral(" A") }, { k, lcl, QStringLiteral("A ") } };
    const std::vector<double> zone = ZoneValues(centre, sigma);
    for (std::size_t z = 0; z < 4; ++z) {
        const QString letter = z < 2 ? QStringLiteral("B") : QStringLiteral("C");
        r.zones.push_back({ { 1, zone[z], kBlank + letter }, { k, zone[z], letter + kBlank } });
    }
}

void PChart(AttributeChartResult& r, const std::vector<AttributeRow>& rows, bool zones)
{
    CheckCounts(rows, true);
    double sumP = 0;
    std::int64_t tested = 0, nonconforming = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double p = Divide(rows[i].nonconforming, rows[i].size);
        r.data.push_back({ double(i + 1), p, kBlank });
        sumP += p;
        tested += Whole(rows[i].size);
        nonconforming += Whole(rows[i].nonconforming);
    }
    const double pBar = sumP / double(rows.size());
    CentreLine(r, pBar, double(rows.size()));
    VariableLimitLines(r, rows, pBar, zones, [](double c, double n) { return Root(Divide(c * (1 - c), n)); });
    r.panel = { { QStringLiteral("p-Bar:"), Value(pBar), QStringLiteral("pBar") },
        { QStringLiteral("Tested:"), FormatNumber(double(tested), kCountFormat), QStringLiteral("Tested") },
        { QStringLiteral("Nonconf.:"), FormatNumber(double(nonconforming), kCountFormat), QStringLiteral("Nonconf") },
        { QStringLiteral("Yield(%):"),
            FormatNumber(Divide(double(tested - nonconforming), double(tested)) * 100, QStringLiteral("0.###")),
            QStringLiteral("Yield") } };
}

// Inspection units may be fractions (9.5 m² of paper, half a roll): they are summed as they are, so u-bar is
// the pooled ratio of the rows' own figures.
void UChart(AttributeChartResult& r, const std::vector<AttributeRow>& rows, bool zones)
{
    CheckCounts(rows, false);
    CompensatedSum defects, units;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        r.data.push_back({ double(i + 1), Divide(rows[i].nonconforming, rows[i].size), kBlank });
        defects.add(rows[i].nonconforming);
        units.add(rows[i].size);
    }
    const double uBar = Divide(defects.value(), units.value());
    CentreLine(r, uBar, double(rows.size()));
    VariableLimitLines(r, rows, uBar, zones, [](double c, double n) { return Root(Divide(c, n)); });
    r.panel = { { QStringLiteral("u-Bar:"), Value(uBar), QStringLiteral("uBar") },
        { QStringLiteral("Tested:"), Total(units.value()), QStringLiteral("Tested") },
        { QStringLiteral("Nonconf.:"), Total(defects.value()), QStringLiteral("Nonconf") } };
}

void NpChart(AttributeChartResult& r, const std::vector<AttributeRow>& rows, bool zones)
{
    const double n = rows.front().size;
    double sumD = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && rows[i].size != n)
            throw Failure { kSizeMismatch, true };
        if (rows[i].nonconforming > rows[i].size)
            throw Failure { kCountAboveSize, true };
        if (rows[i].nonconforming < 0)
            throw Failure { kNegativeCount.arg(QString::number(i + 1), NumberText(rows[i].nonconforming)), true };
        r.data.push_back({ double(i + 1), rows[i].nonconforming, kBlank });
        sumD += rows[i].nonconforming;
    }
    const double k = double(rows.size());
    const double tested = k * n;
    const double pBar = Divide(sumD, tested);
    const double npBar = sumD / k;
    const double sigma = Root(npBar * (1 - pBar));
    const double ucl = npBar + 3 * sigma, lcl = npBar - 3 * sigma;
    CentreLine(r, npBar, k);
    ConstantLimitLines(r, k, npBar, sigma, ucl, lcl, zones, false);
    r.panel = { { QStringLiteral("p-Bar:"), Value(pBar), QStringLiteral("pBar") },
        { QStringLiteral("Tested:"), FormatNumber(tested, kCountFormat), QStringLiteral("Tested") },
        { QStringLiteral("Nonconf.:"), FormatNumber(sumD, kCountFormat), QStringLiteral("Nonconf") },
        { QStringLiteral("Yield(%):"), FormatNumber((tested - sumD) / tested * 100, QStringLiteral("0.###")),
            QStringLiteral("Yield") },
        {}, { QStringLiteral("UCL:"), Value(ucl), QStringLiteral("UCL") },
        { QStringLiteral("CL:"), Value(npBar), QStringLiteral("CL") },
        { QStringLiteral("LCL:"), Value(lcl), QStringLiteral("LCL") } };
    r.valueTextEndsWithBreak = true;
}

void CChart(AttributeChartResult& r, const std::vector<AttributeRow>& rows, bool zones)
{
    CheckCounts(rows, false);
    double sumD = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        r.data.push_back({ double(i + 1), rows[i].nonconforming, kBlank });
        sumD += rows[i].nonconforming;
    }
    const double k = double(rows.size());
    const double cBar = sumD / k;
    const double sigma = Root(cBar);
    const double ucl = cBar + 3 * sigma;
    const double lcl = cBar - 3 * sigma;
    CentreLine(r, cBar, k);
    ConstantLimitLines(r, k, cBar, sigma, ucl, lcl, zones, true);
    r.panel = { { QStringLiteral("c-Bar:"), Value(cBar), QStringLiteral("cBar") },
        { QStringLiteral("Nonconf.:"), FormatNumber(sumD, QStringLiteral("#,##0.0##")), QStringLiteral("Nonconf") }, {},
        {}, {}, {}, { QStringLiteral("UCL:"), Value(ucl), QStringLiteral("UCL") },
        { QStringLiteral("CL:"), Value(cBar), QStringLiteral("CL") },
        { QStringLiteral("LCL:"), Value(DrawnLcl(lcl)), QStringLiteral("LCL") } };
}

} // namespace

QString AttributeChartResult::CaptionText() const
{
    QStringList lines;
    for (const PanelLine& l : panel)
        lines << l.caption;
    return lines.join(QStringLiteral("\r\n"));
}

QString AttributeChartResult::ValueText() const
{
    QStringList lines;
    for (const PanelLine& l : panel)
        lines << l.value;
    return lines.join(QStringLiteral("\r\n")) + (valueTextEndsWithBreak ? QStringLiteral("\r\n") : QString());
}

AttributeChartResult ComputeAttributeChart(AttributeKind kind, const std::vector<AttributeRow>& rows, bool zones)
{
    AttributeChartResult r;
    if (rows.empty())
        return r;
    try {
        switch (kind) {
        case AttributeKind::P:
            PChart(r, rows, zones);
            break;
        case AttributeKind::U:
            UChart(r, rows, zones);
            break;
        case AttributeKind::NP:
            NpChart(r, rows, zones);
            break;
        case AttributeKind::C:
            CChart(r, rows, zones);
            break;
        }
    } catch (const Failure& f) {
        r = AttributeChartResult {};
        r.failure = f.description;
        r.checkFailed = f.check;
    }
    return r;
}

} // namespace moldrin
