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

// The decimals that keep a figure's digits when it is rounded to `places`: `places` for 0 and for
// magnitudes of 0.001 and more; below, 3 more for each factor of 1,000 that brings the figure to 0.1 or
// more. A current of 1.2345e-6 A is then rounded as 1.2345 uA would be, and keeps 4 to 6 significant
// digits where 4 decimals would leave none.
int FigureDecimals(double x, int places);

// A statistic, limit or index rounded to 4 decimals, half to even; a figure below 0.001 keeps its
// significant digits (FigureDecimals).
inline double Round4(double x)
{
    return RoundHalfEven(x, FigureDecimals(x, 4));
}
// The same with halves away from zero, as a figure shown through a 4-decimal format reads back.
inline double Round4Away(double x)
{
    return RoundHalfAway(x, FigureDecimals(x, 4));
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
