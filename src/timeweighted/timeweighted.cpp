// EWMA and tabular CUSUM: statistics, limits and marks of each point, and the statistics panel.
#include "timeweighted/timeweighted.h"

#include "common/chartlook.h"
#include "common/numberformat.h"
#include "rules/ruleengine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace moldrin
{

namespace
{

const QString kBlank = QStringLiteral(" ");

QString Spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString Count(std::size_t n)
{
    return FormatNumber(double(n), QStringLiteral("#,##0"));
}

// The settings as the user typed them: the shortest text that reads back.
QString Setting(double v)
{
    return NumberText(v);
}

// What every chart's panel starts and ends with.
struct PanelFrame {
    std::size_t points;
    int groupSize;
    const ProcessBasis& basis;
};

std::vector<PanelLine> PanelHead(const PanelFrame& f)
{
    return { { QStringLiteral("Points:"), Count(f.points), QStringLiteral("Points") },
        { QStringLiteral("Size:"), Count(std::size_t(f.groupSize)), QStringLiteral("Size") },
        { QStringLiteral("Target:"), FigureText(f.basis.target), QStringLiteral("Target") },
        { QStringLiteral("Sigma:"), FigureText(f.basis.sigma), QStringLiteral("Sigma") } };
}

void PanelTail(std::vector<PanelLine>& panel, const PanelFrame& f, const std::vector<ShiftMark>& marks)
{
    panel.push_back({ QStringLiteral("Signals:"), Count(marks.size()), QStringLiteral("Signals") });
    panel.push_back({ QStringLiteral("First signal:"),
        marks.empty() ? QStringLiteral("None") : Count(marks.front().point + 1), QStringLiteral("FirstSignal") });
    panel.push_back({});
    panel.push_back({ QStringLiteral("Target from:"), f.basis.targetFrom, {} });
    panel.push_back({ QStringLiteral("Sigma from:"), f.basis.sigmaFrom, {} });
}

void CentreLine(TimeWeightedResult& r, double centre, double lastX)
{
    r.centre = { { 1, centre, kBlank }, { lastX, centre, QStringLiteral("CL=") + FigureText(centre) + Spaces(30) } };
}

// The check common to both charts: a basis and points that are numbers, a sigma above 0.
QString CheckInputs(std::span<const double> points, const ProcessBasis& basis)
{
    if (!std::isfinite(basis.sigma) || basis.sigma <= 0 || !std::isfinite(basis.target))
        return kNoSpread;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!std::isfinite(points[i]))
            return kPointNotNumber.arg(i + 1);
    return {};
}

// The points beyond their limits, as rule R1 judges them: `upper` against `ucl`, `lower` against `lcl`; each
// mark labelled with its side's code. In point order, an upper mark before a lower one.
std::vector<ShiftMark> BeyondLimits(std::span<const double> upper, std::span<const double> lower, RuleLine ucl,
    RuleLine lcl, const std::array<QString, 2>& codes)
{
    RuleLines lines;
    lines.ucl = std::move(ucl);
    lines.lcl = std::move(lcl);
    const RuleMarks above = EvaluateRules({ upper, lines, RuleGroupBit(RuleGroup::R1Upper) });
    const RuleMarks below = EvaluateRules({ lower, lines, RuleGroupBit(RuleGroup::R1Lower) });
    std::vector<ShiftMark> marks;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (above[i] & kR1Above)
            marks.push_back({ i, true, codes[0] });
        if (below[i] & kR1Below)
            marks.push_back({ i, false, codes[1] });
    }
    return marks;
}

void Ewma(TimeWeightedResult& r, const TimeWeightedSettings& s, std::span<const double> points, double pointSigma,
    double target)
{
    const double lambda = s.lambda;
    const double keep = 1 - lambda;
    const double steady = s.widthL * pointSigma * std::sqrt(lambda / (2 - lambda));
    double deviation = 0; // z(i) - target
    double decay = 1; // (1 - lambda)^(2i)
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = double(i + 1);
        deviation = lambda * (points[i] - target) + keep * deviation;
        decay *= keep * keep;
        const double width = steady * std::sqrt(1 - decay);
        const bool last = i + 1 == points.size();
        r.statistic.push_back({ x, target + deviation, {} });
        r.ucl.push_back({ x, target + width, last ? QStringLiteral("UCL") + Spaces(15) : kBlank });
        r.lcl.push_back({ x, target - width, last ? QStringLiteral("LCL") + Spaces(15) : kBlank });
    }
    CentreLine(r, target, double(points.size()));
    const std::vector<double> z = LineValues(r.statistic);
    r.marks = BeyondLimits(
        z, z, RuleLine(LineValues(r.ucl)), RuleLine(LineValues(r.lcl)), { QStringLiteral("E+"), QStringLiteral("E-") });
}

std::vector<PanelLine> EwmaPanel(
    const TimeWeightedSettings& s, const PanelFrame& f, double pointSigma, const std::vector<ShiftMark>& marks)
{
    const double steady = s.widthL * pointSigma * std::sqrt(s.lambda / (2 - s.lambda));
    std::vector<PanelLine> panel = PanelHead(f);
    panel.push_back({ QStringLiteral("Lambda:"), Setting(s.lambda), QStringLiteral("Lambda") });
    panel.push_back({ QStringLiteral("L:"), Setting(s.widthL), QStringLiteral("L") });
    panel.push_back({ QStringLiteral("UCL:"), FigureText(f.basis.target + steady), QStringLiteral("UCL") });
    panel.push_back({ QStringLiteral("LCL:"), FigureText(f.basis.target - steady), QStringLiteral("LCL") });
    PanelTail(panel, f, marks);
    return panel;
}

// Where a side of the CUSUM first signalled: the point, and how many points its sum had been rising.
struct CusumSignal {
    std::size_t point = 0;
    std::size_t run = 0;
    double sum = 0;
    bool upper = true;
};

// The first mark's side: the point, its sum and the points that sum has been rising (nonzero).
std::optional<CusumSignal> FirstSignal(const TimeWeightedResult& r)
{
    if (r.marks.empty())
        return std::nullopt;
    const ShiftMark& m = r.marks.front();
    const std::vector<LinePoint>& line = m.upper ? r.statistic : r.lowerStatistic;
    std::size_t run = 0;
    while (run <= m.point && line[m.point - run].y != 0)
        ++run;
    return CusumSignal { m.point, run, std::fabs(line[m.point].y), m.upper };
}

std::optional<CusumSignal> Cusum(
    TimeWeightedResult& r, std::span<const double> points, double allowance, double interval, double target)
{
    double up = 0, down = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double d = points[i] - target;
        up = std::max(0.0, d - allowance + up);
        down = std::max(0.0, -d - allowance + down);
        r.statistic.push_back({ double(i + 1), up, {} });
        r.lowerStatistic.push_back({ double(i + 1), -down, {} });
    }
    const double k = double(points.size());
    CentreLine(r, 0, k);
    r.ucl = { { 1, interval, kBlank }, { k, interval, QStringLiteral("H=") + FigureText(interval) + Spaces(24) } };
    r.lcl = { { 1, -interval, kBlank }, { k, -interval, QStringLiteral("-H=") + FigureText(-interval) + Spaces(24) } };
    r.marks = BeyondLimits(LineValues(r.statistic), LineValues(r.lowerStatistic), interval, -interval,
        { QStringLiteral("C+"), QStringLiteral("C-") });
    return FirstSignal(r);
}

// After a signal the panel names the last point before the sum began to rise, and the mean the process
// has moved to: target + K + C+/N+ (or target - K - C-/N-).
std::vector<PanelLine> CusumPanel(const TimeWeightedSettings& s, const PanelFrame& f, double allowance, double interval,
    const std::optional<CusumSignal>& signal, const std::vector<ShiftMark>& marks)
{
    std::vector<PanelLine> panel = PanelHead(f);
    panel.push_back({ QStringLiteral("k:"), Setting(s.k), QStringLiteral("k") });
    panel.push_back({ QStringLiteral("h:"), Setting(s.h), QStringLiteral("h") });
    panel.push_back({ QStringLiteral("K:"), FigureText(allowance), QStringLiteral("K") });
    panel.push_back({ QStringLiteral("H:"), FigureText(interval), QStringLiteral("H") });
    PanelTail(panel, f, marks);
    const QString none = QStringLiteral("None");
    QString after = none, mean = none;
    if (signal) {
        after = Count(signal->point + 1 - signal->run);
        const double step = allowance + signal->sum / double(signal->run);
        mean = FigureText(f.basis.target + (signal->upper ? step : -step));
    }
    // Before the blank line that parts the figures from the basis texts.
    const auto at = panel.end() - 3;
    panel.insert(at,
        { { QStringLiteral("Shift after:"), after, QStringLiteral("ShiftAfter") },
            { QStringLiteral("New mean:"), mean, QStringLiteral("NewMean") } });
    return panel;
}

} // namespace

QString FigureText(double value)
{
    return FormatNumber(value, kFineAxisLabelFormat);
}

TimeWeightedResult ComputeTimeWeighted(
    const TimeWeightedSettings& s, std::span<const double> points, int groupSize, const ProcessBasis& basis)
{
    TimeWeightedResult r;
    const bool ewma = s.kind == TimeWeightedKind::Ewma;
    const bool settingsOk = ewma ? s.lambda > 0 && s.lambda <= 1 && s.widthL > 0 && std::isfinite(s.widthL)
                                 : s.k >= 0 && std::isfinite(s.k) && s.h > 0 && std::isfinite(s.h);
    if (!settingsOk) {
        r.failure = ewma ? kEwmaSettingsRefused : kCusumSettingsRefused;
        return r;
    }
    if (points.empty())
        return r;
    if (groupSize < 1)
        groupSize = 1;
    if (const QString failure = CheckInputs(points, basis); !failure.isEmpty()) {
        r.failure = failure;
        return r;
    }
    const double pointSigma = basis.sigma / std::sqrt(double(groupSize));
    const PanelFrame frame { points.size(), groupSize, basis };
    if (ewma) {
        Ewma(r, s, points, pointSigma, basis.target);
        r.panel = EwmaPanel(s, frame, pointSigma, r.marks);
        return r;
    }
    const double allowance = s.k * pointSigma, interval = s.h * pointSigma;
    const std::optional<CusumSignal> signal = Cusum(r, points, allowance, interval, basis.target);
    r.panel = CusumPanel(s, frame, allowance, interval, signal, r.marks);
    return r;
}

} // namespace moldrin
