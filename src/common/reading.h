// A field of a value column read as a reading: a finite number, a null, or something that is no number.
#pragma once

#include <QString>
#include <QVariant>

#include <string_view>

namespace moldrin
{

struct FieldReading {
    enum class Kind { Null, Number, NotANumber } kind = Kind::Null;
    double value = 0;
    bool isNumber() const { return kind == Kind::Number; }
};

// A number the engine holds is a reading when it is finite. A text is one when all of it, blanks around
// aside, reads as a finite number with '.' as the decimal point: "abc", "n/a", "5,05", "NaN" and "Inf" are
// not, and neither is a date. Such a field is skipped like a null and counted, never read as 0.
FieldReading ReadingOf(const QVariant& value);
FieldReading ReadingOfText(std::string_view text);

// What a plot left out of the rows its statement returned, to be told: fields of the value column that
// are no number, and rows whose start time cannot be read as a time (not in any date range).
struct SkippedRows {
    long notNumbers = 0;
    long unreadableTimes = 0;
    bool any() const { return notNumbers > 0 || unreadableTimes > 0; }
};

// The lines that tell them ("" when nothing was skipped), one a kind, for a window's status line and a
// report's messages.
QString SkippedRowsText(const SkippedRows& skipped);

} // namespace moldrin
