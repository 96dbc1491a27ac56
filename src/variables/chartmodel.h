// The chart model: series by index with points, labels and marks, four axes, paging and titles.
#pragma once

// Plain data that every chart window fills and a view renders; tests assert on it directly.
// How a view reads it:
// - Series are drawn in index order. A point's x is its position on the series' horizontal axis (the
//   point number in the paged charts), y its value on the series' vertical axis. A colour kTeeColor means
//   "use the series colour".
// - Line series join their points with the pen (style and colour), Points series draw the pointer only;
//   a pointer None draws no symbol; Bar series draw a bar centred on each x (or, with barFromX, centred
//   between x and the next x: a histogram cell from its lower edge), barWidthPercent of the spacing
//   between neighbouring bars wide. Where marks.visible is set, each point's label is drawn
//   marks.offset pixels above the point (below when negative, centred on it when 0), the text centred on
//   the point's x (so leading or trailing blanks move it sideways); labels of invisible marks and blank
//   labels are not drawn. Labels always lie inside their band. A line series without pointers drawn left
//   to right (a limit, zone or centre line) carries the labels of its first and last point beside its
//   ends instead, at its height, blanks left out: on every page, at the page's edges where the line runs
//   on, in the order of the lines, with the room for them left beside the points. marks.ruleMarks labels
//   stand over (under) their marks, clear of the data, and never overlap another label: neighbours that
//   cannot be kept apart share one label with all their codes, drawn over exactly them.
// - When a series uses custom axis 0 the chart has two bands: the left axis over startPercent..endPercent
//   of the height (0..70 in the variables chart) with the point numbers on the top axis, custom axis 0
//   below it (from 74) on the bottom axis. Otherwise one band: the left axis and the bottom axis, which
//   every series then uses. An automatic axis scales to its series' points. An axis labels round steps
//   (1, 2 or 5 times a power of ten) that keep its labels apart, each label its tick's value in the
//   axis' format, never a finer step than the format shows.
// - With maxPointsPerPage > 0 only the point numbers of pageRange() are shown on the horizontal axes.
// - header lines are the title (in one band followed by the subHeader lines; in two bands the subHeader
//   names the point axis); subFooter lines always show under the chart (a one-band chart's axis title),
//   the footer lines below them while footerVisible; visible false hides the whole chart.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

namespace moldrin
{

// Colours are OLE colour values (0x00BBGGRR), as the chart templates give them.
using OleColour = std::uint32_t;
inline constexpr OleColour kTeeColor = 0x20000000; // "default colour": the series colour is used
inline constexpr OleColour kClRed = 0x0000FF;
inline constexpr OleColour kClMaroon = 0x000080;
inline constexpr OleColour kClYellow = 0x00FFFF;
inline constexpr OleColour kClBlack = 0x000000;
inline constexpr OleColour kClWhite = 0xFFFFFF;
inline constexpr OleColour kClSilver = 0xC0C0C0;
inline constexpr OleColour kClGray = 0x808080;
inline constexpr OleColour kClNavy = 0x800000;
inline constexpr OleColour kClBlue = 0xFF0000;
inline constexpr OleColour kClOrange = 0x0080FF; // RGB 255, 128, 0
// 0xRRGGBB of an OLE colour, for renderers.
constexpr std::uint32_t RgbFromOle(OleColour c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

enum class SeriesKind { Line, Points, Bar };
enum class PointerStyle { None, Diamond, Triangle, DownTriangle, Circle, Rectangle };
enum class PenStyle { Solid, Dot, Dash };
enum class MarkShape { Rectangle, RoundRectangle };
enum class VerticalAxis { Left, Custom0 };
enum class HorizontalAxis { Top, Bottom };

struct ChartPoint {
    double x = 0;
    double y = 0;
    QString label;
    OleColour colour = kTeeColor;
};

// The points of a series, stored compactly, since a chart may hold millions of them. A series whose points
// stand at the point numbers 0, 1, 2 ... in the default colour, without labels or each labelled with its
// number counted from 1 (the data series of the paged charts), keeps its values alone: 8 bytes a point.
// Any other point turns the series to 24 bytes a point, labels apart (most points have none).
// Read by value: points[i], iteration, front()/back().
class PointList
{
public:
    PointList() = default;
    PointList(std::initializer_list<ChartPoint> points)
    {
        for (const ChartPoint& p : points)
            append(p);
    }

    int size() const { return int(mDense ? mValues.size() : mPoints.size()); }
    int count() const { return size(); }
    bool isEmpty() const { return size() == 0; }
    bool empty() const { return isEmpty(); }

    double x(int i) const { return mDense ? double(i) : mPoints[std::size_t(i)].x; }
    double y(int i) const { return mDense ? mValues[std::size_t(i)] : mPoints[std::size_t(i)].y; }
    OleColour colour(int i) const { return mDense ? kTeeColor : mPoints[std::size_t(i)].colour; }
    // The y values in order while the series keeps its values alone (see above), else empty.
    std::span<const double> values() const
    {
        return mDense ? std::span<const double>(mValues) : std::span<const double>();
    }
    QString label(int i) const
    {
        const std::int32_t at = labelAt(i);
        if (at == kNoLabel)
            return {};
        return at >= 0 ? mLabels[at] : QString::number(kNoLabel - 1 - at);
    }
    // The number of a label that is a whole number written plainly (a point number), else -1: for writers
    // of every label, without a QString each.
    std::int32_t labelNumber(int i) const
    {
        const std::int32_t at = labelAt(i);
        return at < kNoLabel ? kNoLabel - 1 - at : -1;
    }
    ChartPoint at(int i) const { return { x(i), y(i), label(i), colour(i) }; }
    ChartPoint operator[](int i) const { return at(i); }
    ChartPoint front() const { return at(0); }
    ChartPoint back() const { return at(size() - 1); }
    ChartPoint first() const { return front(); }
    ChartPoint last() const { return back(); }

    void append(const ChartPoint& p);
    // The same as appending the point labelled with `number`'s plain text in the default colour, without
    // making the text: for point numbers, one for every point of a series.
    void appendNumbered(double x, double y, std::int64_t number);
    // Keeps the first `count` points.
    void truncate(int count);
    void clear();

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ChartPoint;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = ChartPoint;
        const_iterator(const PointList* list, int i)
            : mList(list)
            , mIndex(i)
        {
        }
        ChartPoint operator*() const { return mList->at(mIndex); }
        const_iterator& operator++()
        {
            ++mIndex;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return mIndex == o.mIndex && mList == o.mList; }
        bool operator!=(const const_iterator& o) const { return !(*this == o); }

    private:
        const PointList* mList;
        int mIndex;
    };
    const_iterator begin() const { return { this, 0 }; }
    const_iterator end() const { return { this, size() }; }

private:
    struct Stored {
        double x, y;
        OleColour colour;
        // kNoLabel, an index into mLabels, or below kNoLabel a label that is a whole number written
        // plainly (point numbers: one for every point of a series), kept as the number itself.
        std::int32_t label;
    };
    static constexpr std::int32_t kNoLabel = -1;
    std::int32_t labelAt(int i) const
    {
        return mDense ? (mNumbered ? kNoLabel - 1 - (i + 1) : kNoLabel) : mPoints[std::size_t(i)].label;
    }
    // `number` >= 0: the label is its plain text; otherwise `text`.
    void store(double x, double y, OleColour colour, std::int32_t number, const QString& text);
    void toGeneral();
    bool mDense = true;
    bool mNumbered = false; // dense points labelled with their number counted from 1
    std::vector<double> mValues; // while dense
    std::vector<Stored> mPoints; // otherwise
    QList<QString> mLabels;
};

// The labels drawn beside the points of a series.
struct SeriesMarks {
    bool visible = false; // label visibility (what the rule-mark blinking toggles)
    int offset = 0; // distance from the point in pixels ("arrow length"); negative: below
    bool transparent = false;
    OleColour colour = kClYellow;
    OleColour backColour = kClYellow;
    bool italic = false;
    bool bold = false;
    OleColour fontColour = kClBlack;
    MarkShape shape = MarkShape::Rectangle;
    // The labels are rule-mark codes ("R2+,R3+"): drawn at any point count, never overlapping.
    bool ruleMarks = false;
};

struct ChartSeries {
    SeriesKind kind = SeriesKind::Line;
    QString title;
    PointerStyle pointer = PointerStyle::None; // None: no pointer drawn
    OleColour colour = kClBlack; // line (or bar) colour
    OleColour pointerColour = kTeeColor; // kTeeColor: the series colour
    OleColour frameColour = kTeeColor; // pointer outline
    PenStyle pen = PenStyle::Solid;
    OleColour penColour = kTeeColor;
    VerticalAxis verticalAxis = VerticalAxis::Left;
    HorizontalAxis horizontalAxis = HorizontalAxis::Top;
    SeriesMarks marks;
    QString valueFormat; // format of the value read-out, "" for the default
    bool handCursor = false;
    int barWidthPercent = 70;
    bool barFromX = false; // a bar stands on the interval from its x to the next x
    bool visible = true;
    PointList points;

    // Adds a value at x = count (the next point number).
    void add(double y, const QString& label = {}, OleColour colour = kTeeColor);
    void addXY(double x, double y, const QString& label = {}, OleColour colour = kTeeColor);
    // Adds a value at x = count labelled with `number` (as add(y, QString::number(number)) does).
    void addNumbered(double y, std::int64_t number) { points.appendNumbered(count(), y, number); }
    void clear() { points.clear(); }
    int count() const { return int(points.size()); }
    // Extremes of the points; nullopt for an empty series.
    std::optional<double> minY() const;
    std::optional<double> maxY() const;
    std::optional<double> minX() const;
    std::optional<double> maxX() const;
};

struct ChartAxis {
    bool automatic = true; // scale from the points of the series on this axis
    double minimum = 0; // the set range while not automatic
    double maximum = 0;
    QString labelFormat = QStringLiteral("#,##0.###");
    int labelSize = 0; // width reserved for the labels, 0: automatic
    double increment = 0; // the finest label step, 0: as the axis' length allows
    bool wholeNumbers = false; // the axis counts: whole steps, labels without decimals
    bool gridVisible = true;
    QString title;
    double startPercent = 0; // position of the axis along the chart's height or width
    double endPercent = 100;
    bool visible = true;
    // Horizontal axes: the labels of the points of the first series drawn on the axis stand at their
    // x values in place of numbers; a label may hold several lines ("\r" or "\n" between them).
    bool pointLabels = false;

    void setRange(double min, double max)
    {
        automatic = false;
        minimum = min;
        maximum = max;
    }
};

enum class AxisId { Left, Bottom, Top, Custom0 };

class ChartModel
{
public:
    QList<ChartSeries> series;
    ChartAxis left, bottom, top, custom0;
    QStringList header, subHeader, footer, subFooter;
    bool footerVisible = true;
    bool visible = true;
    // The window's statistics panel, a caption and a value a line, for the pages that leave the window:
    // a view drawing for a file or a printer shows it at the chart's right (the window shows its own).
    QStringList panelCaptions, panelValues;
    int maxPointsPerPage = 0; // 0: all points on one page

    int seriesCount() const { return int(series.size()); }
    // The series at index, or nullptr when there is none.
    ChartSeries* seriesAt(int index);
    const ChartSeries* seriesAt(int index) const;
    // Copies series templateIndex with its points as the new last series; returns its index or -1.
    int copySeries(int templateIndex);
    bool removeSeries(int index);
    // Empties every series, and the panel texts that went with the points.
    void clearAllPoints();

    ChartAxis& axis(AxisId id);
    const ChartAxis& axis(AxisId id) const;
    ChartAxis& axis(VerticalAxis v) { return axis(v == VerticalAxis::Left ? AxisId::Left : AxisId::Custom0); }
    const ChartAxis& axis(VerticalAxis v) const
    {
        return axis(v == VerticalAxis::Left ? AxisId::Left : AxisId::Custom0);
    }
    // The axis' range: the set one, or while automatic the extremes of the y values of the series on the
    // vertical axis (x values for the horizontal axes); 0..0 when no series there has points.
    double axisMinimum(AxisId id) const;
    double axisMaximum(AxisId id) const;

    // Paging counts the points of series 0.
    int pageCount() const;
    int currentPage() const { return mPage; }
    void setPage(int page);
    bool nextPage();
    bool previousPage();
    // The x range of the current page (first and last point number shown).
    std::pair<int, int> pageRange() const;

private:
    std::pair<double, double> automaticRange(AxisId id) const;
    int mPage = 1;
};

} // namespace moldrin
