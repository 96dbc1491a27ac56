// Engine values as the component hands them out: numbers, wall-clock dates, texts and nulls.
#pragma once

#include "common/dates.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace moldrin::data
{

// The component's dates are the common wall-clock dates.
using moldrin::ParseIsoDateTime;
using moldrin::ParseIsoWallTime;
using moldrin::WallClock;
using moldrin::WallTime;

// The number SQLite wrote as this text: an integer, or a real number to 15 significant digits with a
// decimal point ("5.0", "1.0e+20"). Nothing for any other text ("4711.50", "1E5", "00123").
std::optional<double> SqliteNumberText(const QString& text);

// Converts an engine value to the component's value kinds (number, date, text, null). With
// `textNumbers` (a column the engine hands over as text without a type), a number SQLite wrote as text
// is a number.
QVariant NormalizeValue(const QVariant& raw, bool textNumbers = false);

} // namespace moldrin::data
