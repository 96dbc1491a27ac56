// The Pareto's sums formed by the engine: the statements, in the dialect of each engine.
#pragma once

#include "data/access/statementadapter.h"

#include <QList>

namespace moldrin
{

// Over the statement of every parameter's column in one pass (its columns Value0, Value1, ...): one row of
// CountX (the rows whose Value0 is a reading), BadX (the values of any column that are no number, which the
// client skips and counts) and Sum0, Sum1, ...: each column's readings summed, as the client sums them: values
// that are numbers, neither null nor 999 nor -999.
data::AdaptedStatement ParetoColumnSums(const data::AdaptedStatement& columns, data::Dialect dialect, int count);

// Over each parameter's own Pareto statement (its readings ValueX): one row a parameter, in their order, of
// ParamX (its index), CountX (its readings), SumX (their sum) and BadX (its values that are no number).
data::AdaptedStatement ParetoParameterSums(const QList<data::AdaptedStatement>& statements, data::Dialect dialect);

} // namespace moldrin
