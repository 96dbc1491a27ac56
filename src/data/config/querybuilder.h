// SELECT statements for every chart kind, built from the current selection.
#pragma once

#include "common/appstate.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace moldrin::data
{

// What the statements read from the main window's controls besides their arguments.
struct QueryWindowInputs {
    bool acceptZero = false; // chkAcceptZero checked
    QString testIdText = QStringLiteral("<All>"); // cboTestID text
    QDate today; // invalid: the current date
};

// Doubles every single quote, so that a value stays one SQL string literal.
QString QuoteLiteralValue(const QString& value);

// The interval literal for a BETWEEN ("#start# AND #end#" for ACCESS, quoted otherwise) and the
// readable description in `RangeTitle`.
// The range names of the main window's list, in list order: "All", the ranges GetTestedRange knows, "Custom".
const QStringList& RangeNames();

QString GetTestedRange(const AppState& state, const QString& strRange, QString& RangeTitle, const QDate& today = {});

// The second title line of the further charts: the product followed by " as " and the custom dates in the
// system's short date form for "Custom", else by the `RangeTitle` GetTestedRange gives for the range.
QString RangeTitleLine(const AppState& state, const QString& product, const QString& strRange, const QDate& today = {});

QString MakeSQL(const AppState& state, const QueryWindowInputs& window, const QString& strParameter,
    const QString& strRange, const QString& strATE, const QString& strSortBy, const QString& strSerialNumber,
    const QString& strTestID, const QString& strPassFail, bool blnOnlyLastData, const QString& strChartType = {},
    const QString& strXSource = {}, const QString& strYsource = {});

// MakeSQL with the interval of the range name and the window's Test ID text.
QString GetSQL(const AppState& state, const QueryWindowInputs& window, const QString& strParameter,
    const QString& strRange, const QString& strATE, const QString& strSortBy, const QString& strSerialNumberFilter,
    const QString& strPassFail, bool blnOnlyLastData, const QString& strChartType = {}, const QString& strXSource = {},
    const QString& strYsource = {});

// The rows of every parameter's ungrouped Pareto statement in one statement: the bare results columns
// `columns` as Value0, Value1, ... under the conditions those statements share (all verdicts, tester,
// serial number, range, the window's Test ID). Each column's own validity (not null, not 999 or -999) is
// left to the reader.
QString GetParetoColumnsSQL(const AppState& state, const QueryWindowInputs& window, const QStringList& columns,
    const QString& strRange, const QString& strATE, const QString& strSerialNumberFilter);
// The pieces MakeSQL writes its statements with, for a statement over several parameter columns.
// " FROM T WHERE PF PFC ATEC SNC AND TST BETWEEN R TIDC": the selection's conditions, `strRange`
// being the interval literal.
QString SelectionWhere(const AppState& state, const QString& strRange, const QString& strATE,
    const QString& strSerialNumber, const QString& strTestID, const QString& strPassFail);
// "AND [col] IS NOT NULL AND [col] <> 999 AND [col] <> -999 ": a reading that is there.
QString ValidCondition(const QString& col);
// "AND [col] <> 0 " while Accept Zero is unchecked, else "".
QString ZeroCondition(const QueryWindowInputs& window, const QString& col);
// "GROUP BY SN, ATE, TST": the grouping of the last-data forms.
QString LastDataGroupBy(const AppState& state);

// The pass condition written after the verdict column.
inline QString PassCondition(const AppState& state, bool passOnly)
{
    return passOnly ? QStringLiteral("= ") + state.gPassValue : QStringLiteral("LIKE '%'");
}

} // namespace moldrin::data
