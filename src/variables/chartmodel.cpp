// The chart model's operations: series copies and removal, axis ranges and paging.
#include "variables/chartmodel.h"

#include <algorithm>

namespace moldrin
{

namespace
{

template <typename Get, typename Better> std::optional<double> Extreme(const PointList& points, Get get, Better better)
{
    if (points.isEmpty())
        return std::nullopt;
    double v = get(points, 0);
    for (int i = 1; i < points.size(); ++i)
        if (better(get(points, i), v))
            v = get(points, i);
    return v;
}

double X(const PointList& p, int i)
{
    return p.x(i);
}
double Y(const PointList& p, int i)
{
    return p.y(i);
}

} // namespace

namespace
{

// The value of a label that reads back unchanged through QString::number: digits without a leading
// zero, below a billion; -1 for any other text.
std::int32_t PlainWholeNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 9 || (text.size() > 1 && text[0] == u'0'))
        return -1;
    std::int32_t v = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

} // namespace

void PointList::append(const ChartPoint& p)
{
    store(p.x, p.y, p.colour, PlainWholeNumber(p.label), p.label);
}

void PointList::appendNumbered(double x, double y, std::int64_t number)
{
    // Beyond what PlainWholeNumber reads back, the label is kept as text.
    if (number >= 0 && number <= 999999999)
        store(x, y, kTeeColor, std::int32_t(number), QString());
    else
        append({ x, y, QString::number(number), kTeeColor });
}

void PointList::store(double x, double y, OleColour colour, std::int32_t number, const QString& text)
{
    if (mDense) {
        const int i = int(mValues.size());
        const bool numbered = i == 0 ? number == 1 : mNumbered;
        if (x == double(i) && colour == kTeeColor && (numbered ? number == i + 1 : number < 0 && text.isEmpty())) {
            mNumbered = numbered;
            mValues.push_back(y);
            return;
        }
        toGeneral();
    }
    std::int32_t label = kNoLabel;
    if (number >= 0) {
        label = kNoLabel - 1 - number;
    } else if (!text.isEmpty()) {
        label = std::int32_t(mLabels.size());
        mLabels.append(text);
    }
    mPoints.push_back({ x, y, colour, label });
}

void PointList::toGeneral()
{
    mPoints.reserve(mValues.size() + 1);
    for (std::size_t i = 0; i < mValues.size(); ++i)
        mPoints.push_back(
            { double(i), mValues[i], kTeeColor, mNumbered ? kNoLabel - 1 - std::int32_t(i + 1) : kNoLabel });
    mValues = {};
    mDense = false;
}

void PointList::truncate(int count)
{
    if (count <= 0) {
        clear();
    } else if (mDense) {
        if (std::size_t(count) < mValues.size())
            mValues.resize(std::size_t(count));
    } else if (std::size_t(count) < mPoints.size()) {
        mPoints.resize(std::size_t(count));
        // Labels are stored in the order of their points: those of the removed points go with them.
        std::int32_t kept = 0;
        for (auto p = mPoints.rbegin(); p != mPoints.rend() && kept == 0; ++p)
            kept = p->label >= 0 ? p->label + 1 : 0;
        mLabels.resize(kept);
    }
}

void PointList::clear()
{
    mDense = true;
    mNumbered = false;
    mValues = {};
    mPoints = {};
    mLabels.clear();
}

void ChartSeries::add(double y, const QString& label, OleColour c)
{
    addXY(count(), y, label, c);
}

void ChartSeries::addXY(double x, double y, const QString& label, OleColour c)
{
    points.append(ChartPoint { x, y, label, c });
}

std::optional<double> ChartSeries::minY() const
{
    return Extreme(points, Y, std::less<>());
}
std::optional<double> ChartSeries::maxY() const
{
    return Extreme(points, Y, std::greater<>());
}
std::optional<double> ChartSeries::minX() const
{
    return Extreme(points, X, std::less<>());
}
std::optional<double> ChartSeries::maxX() const
{
    return Extreme(points, X, std::greater<>());
}

ChartSeries* ChartModel::seriesAt(int index)
{
    return index >= 0 && index < seriesCount() ? &series[index] : nullptr;
}

const ChartSeries* ChartModel::seriesAt(int index) const
{
    return index >= 0 && index < seriesCount() ? &series[index] : nullptr;
}

int ChartModel::copySeries(int templateIndex)
{
    const ChartSeries* source = seriesAt(templateIndex);
    if (!source)
        return -1;
    const ChartSeries copy = *source;
    series.append(copy);
    return seriesCount() - 1;
}

bool ChartModel::removeSeries(int index)
{
    if (!seriesAt(index))
        return false;
    series.removeAt(index);
    return true;
}

void ChartModel::clearAllPoints()
{
    for (ChartSeries& s : series)
        s.clear();
    panelCaptions.clear();
    panelValues.clear();
}

ChartAxis& ChartModel::axis(AxisId id)
{
    return const_cast<ChartAxis&>(std::as_const(*this).axis(id));
}

const ChartAxis& ChartModel::axis(AxisId id) const
{
    switch (id) {
    case AxisId::Left:
        return left;
    case AxisId::Bottom:
        return bottom;
    case AxisId::Top:
        return top;
    case AxisId::Custom0:
        break;
    }
    return custom0;
}

std::pair<double, double> ChartModel::automaticRange(AxisId id) const
{
    std::optional<double> lo, hi;
    for (const ChartSeries& s : series) {
        if (!s.visible || s.points.isEmpty())
            continue;
        bool onAxis = false;
        switch (id) {
        case AxisId::Left:
            onAxis = s.verticalAxis == VerticalAxis::Left;
            break;
        case AxisId::Custom0:
            onAxis = s.verticalAxis == VerticalAxis::Custom0;
            break;
        case AxisId::Top:
            onAxis = s.horizontalAxis == HorizontalAxis::Top;
            break;
        case AxisId::Bottom:
            onAxis = s.horizontalAxis == HorizontalAxis::Bottom;
            break;
        }
        if (!onAxis)
            continue;
        const bool vertical = id == AxisId::Left || id == AxisId::Custom0;
        const double sMin = *(vertical ? s.minY() : s.minX());
        const double sMax = *(vertical ? s.maxY() : s.maxX());
        lo = lo ? std::min(*lo, sMin) : sMin;
        hi = hi ? std::max(*hi, sMax) : sMax;
    }
    return { lo.value_or(0.0), hi.value_or(0.0) };
}

double ChartModel::axisMinimum(AxisId id) const
{
    const ChartAxis& a = axis(id);
    return a.automatic ? automaticRange(id).first : a.minimum;
}

double ChartModel::axisMaximum(AxisId id) const
{
    const ChartAxis& a = axis(id);
    return a.automatic ? automaticRange(id).second : a.maximum;
}

int ChartModel::pageCount() const
{
    const int points = series.isEmpty() ? 0 : series.front().count();
    if (maxPointsPerPage <= 0 || points == 0)
        return 1;
    return (points + maxPointsPerPage - 1) / maxPointsPerPage;
}

void ChartModel::setPage(int page)
{
    mPage = std::clamp(page, 1, pageCount());
}

bool ChartModel::nextPage()
{
    if (mPage >= pageCount())
        return false;
    ++mPage;
    return true;
}

bool ChartModel::previousPage()
{
    if (mPage <= 1)
        return false;
    --mPage;
    return true;
}

std::pair<int, int> ChartModel::pageRange() const
{
    const int points = series.isEmpty() ? 0 : series.front().count();
    const int page = std::min(mPage, pageCount());
    if (maxPointsPerPage <= 0)
        return { 0, std::max(0, points - 1) };
    const int first = (page - 1) * maxPointsPerPage;
    return { first, first + maxPointsPerPage - 1 };
}

} // namespace moldrin
