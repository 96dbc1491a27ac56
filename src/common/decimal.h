// Exact decimal digits of a double (shortest round-trip form), for rounding and formatting.
#pragma once

#include <string>

namespace moldrin::detail {

struct Decimal {
    bool negative = false;
    std::string digits; // without leading zeros; empty for zero
    int exponent = 0;   // value = 0.digits * 10^exponent
};

Decimal ToDecimal(double x);
// Rounds to `places` decimals. halfEven false: halves go away from zero.
Decimal RoundDecimal(Decimal d, int places, bool halfEven);
double FromDecimal(const Decimal& d);

} // namespace moldrin::detail
