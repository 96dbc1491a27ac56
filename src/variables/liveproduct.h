// Every parameter of a product kept live from one read per interval: the variables chart of each, and the
// rule marks that were not there before.
#pragma once

#include "variables/liveplot.h"

#include <QList>

#include <vector>

namespace moldrin
{

// The statement of every parameter's readings in one read: ATEX, DateX, SNX and Value1, Value2, ... (a
// null where the parameter's own statement would not select the row), in start time and tester order.
// `interval` is the range's literal.
QString ProductReadingsSQL(
    const AppState& state, const data::PlotSelection& s, int parameterCount, const QString& interval);

// The parameter a new mark lies on.
struct ProductMark {
    int parameter = 0; // index of the selection
    NewRuleMark mark;
};

struct ProductRead {
    std::vector<ProductMark> marks; // new marks of every parameter, in parameter order
    bool fromStart = false;
    bool changed = false; // the read changed what Save writes (beyond the late-row check's times)
    std::optional<data::DataError> failure; // the charts show the read before
};

// The charts of `selections` (one per parameter, the same product, range and filters; "Show Zones" for
// the rules), each equal to the chart PlotVariablesChart draws for its selection from the same rows.
class LiveProduct
{
public:
    LiveProduct(QList<data::PlotSelection> selections, std::int64_t overlapSeconds = kDefaultOverlapSeconds);

    ProductRead Refresh(AppState& state, data::PlotHost& host);

    const ChartModel& chart(int parameter) const { return mCharts[std::size_t(parameter)]; }
    const VariablesPlotOutcome& outcome(int parameter) const { return mOutcomes[std::size_t(parameter)]; }

    // After a read: what the next one needs (the selection's statement, the product's rows before the
    // overlap, the late-row check's times, every chart's state), for a run that goes on from it.
    void Save(QDataStream& out) const;
    // Before the first read: the state Save wrote, where it was made for this selection. Else "", or why
    // it is not used; the first read then reads from the range's start and takes its marks as seen.
    QString Restore(QDataStream& in, AppState& state);

private:
    QString Made(AppState& state) const;
    void Start(AppState& state);
    data::Status Read(AppState& state, data::PlotHost& host, const std::optional<WallTime>& from);

    QList<data::PlotSelection> mSelections;
    std::int64_t mOverlapSeconds;
    std::vector<LiveChart> mLive;
    std::vector<ChartModel> mCharts;
    std::vector<VariablesPlotOutcome> mOutcomes;
    QString mMade; // the statement with the range's start: another one starts over
    long mRowsBefore = 0; // the product's rows before the second of the earliest overlap
    LateRowCheck mLateRows;
    bool mReconnect = false;
};

} // namespace moldrin
