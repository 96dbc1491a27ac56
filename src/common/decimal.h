// Exact decimal digits of a double (shortest round-trip form), for rounding and formatting.
#pragma once

#include <cstdint>
#include <string>

namespace moldrin::detail
{

struct Decimal {
    bool negative = false;
    std::string digits; // without leading zeros; empty for zero
    int exponent = 0; // value = 0.digits * 10^exponent
};

Decimal ToDecimal(double x);
// Readings are mostly short decimals: x == m / 10^k for a whole m of at most 15 digits and the least such
// k. Then "m with k decimals" is x's shortest form that reads back (two decimals of 15 digits at one
// scale never read as one double), found without the general shortest-form search. False otherwise.
bool ShortDecimal(double x, std::int64_t& m, int& k);
// Rounds to `places` decimals. halfEven false: halves go away from zero.
Decimal RoundDecimal(Decimal d, int places, bool halfEven);
double FromDecimal(const Decimal& d);
// The decimals beyond `places` that a number of this decimal form needs to keep its digits (see
// FigureDecimals): 0 unless it is below 0.001, then 3 for each factor of 1,000 that brings it to 0.1.
int ExtraDecimals(const Decimal& d);

} // namespace moldrin::detail
