// Decimal rounding shared by statistics, limits and formats.
#pragma once

namespace moldrin
{

// Rounds to `places` decimals, a half going to the even digit. The decision is taken on the
// shortest decimal text that reads back as `x` (so 1.00005 is a half, as it is written).
double RoundHalfEven(double x, int places);

// Rounds as the number formats do: a half goes away from zero, decided on the same shortest text. A
// figure shown unrounded through a format with `places` decimals reads back as this number.
double RoundHalfAway(double x, int places);

inline double Round4(double x)
{
    return RoundHalfEven(x, 4);
}
inline double Round2(double x)
{
    return RoundHalfEven(x, 2);
}
// Conversion to a whole number: halves to the even number.
inline double RoundWhole(double x)
{
    return RoundHalfEven(x, 0);
}
// The integer part: the fraction is dropped (towards zero).
double IntPart(double x);

// Leading number of a text read with '.' as decimal separator, as the classic Val() does:
// blanks are skipped, reading stops at the first character that cannot continue a number.
double LeadingNumber(const char* text, bool* found = nullptr);

} // namespace moldrin
