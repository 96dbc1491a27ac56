// Engine values as the component hands them out: numbers, wall-clock dates, texts and nulls.
#pragma once

#include "common/dates.h"

#include <QString>
#include <QVariant>

namespace moldrin::data
{

// The component's dates are the common wall-clock dates.
using moldrin::ParseIsoDateTime;
using moldrin::ParseIsoWallTime;
using moldrin::WallClock;
using moldrin::WallTime;

// Converts an engine value to the component's value kinds (number, date, text, null): ISO text is a date.
QVariant NormalizeValue(const QVariant& raw);

} // namespace moldrin::data
