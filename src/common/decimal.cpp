#include "decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace moldrin::detail {

Decimal ToDecimal(double x)
{
    Decimal d;
    if (x == 0.0 || !std::isfinite(x))
        return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    std::string s(buf, res.ptr);
    std::size_t pos = 0;
    if (s[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    const std::size_t e = s.find('e');
    std::string mant = s.substr(pos, e - pos);
    const int exp10 = std::atoi(s.c_str() + e + 1);
    std::string digits;
    for (char c : mant)
        if (c != '.')
            digits += c;
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    d.digits = digits;
    d.exponent = exp10 + 1; // d.ddd e X  ==  0.dddd e X+1
    return d;
}

Decimal RoundDecimal(Decimal d, int places, bool halfEven)
{
    if (d.digits.empty())
        return d;
    // number of digits kept = exponent + places
    const int keep = d.exponent + places;
    if (keep >= static_cast<int>(d.digits.size()))
        return d;
    if (keep < 0) {
        d.digits.clear();
        d.exponent = 0;
        return d;
    }
    const char first = d.digits[keep];
    bool restNonZero = false;
    for (std::size_t i = keep + 1; i < d.digits.size(); ++i)
        if (d.digits[i] != '0')
            restNonZero = true;
    std::string kept = d.digits.substr(0, keep);
    bool up = false;
    if (first > '5' || (first == '5' && restNonZero))
        up = true;
    else if (first == '5') {
        if (!halfEven)
            up = true;
        else {
            const int last = kept.empty() ? 0 : kept.back() - '0';
            up = (last % 2) == 1;
        }
    }
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            d.exponent += 1;
        } else {
            kept[i] = static_cast<char>(kept[i] + 1);
        }
    }
    while (!kept.empty() && kept.back() == '0')
        kept.pop_back();
    if (kept.empty()) {
        d.digits.clear();
        d.exponent = 0;
        d.negative = false;
        return d;
    }
    d.digits = kept;
    return d;
}

double FromDecimal(const Decimal& d)
{
    if (d.digits.empty())
        return 0.0;
    std::string s = (d.negative ? "-0." : "0.") + d.digits + "e" + std::to_string(d.exponent);
    double v = 0.0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

} // namespace moldrin::detail
