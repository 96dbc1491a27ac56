#include "decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace moldrin::detail
{

bool ShortDecimal(double x, std::int64_t& m, int& k)
{
    constexpr double kLimit = 1e15;
    double scale = 1;
    for (k = 0; k <= 15; ++k, scale *= 10) {
        const double scaled = x * scale;
        if (!(std::fabs(scaled) < kLimit))
            return false;
        const double whole = std::nearbyint(scaled);
        // Exact whole number and power of ten: the quotient is the double nearest to m / 10^k.
        if (whole / scale == x) {
            m = std::int64_t(whole);
            return true;
        }
    }
    return false;
}

Decimal ToDecimal(double x)
{
    Decimal d;
    if (x == 0.0 || !std::isfinite(x))
        return d;
    std::int64_t m = 0;
    int k = 0;
    if (ShortDecimal(x, m, k)) {
        d.negative = m < 0;
        char buf[24];
        const auto res = std::to_chars(buf, buf + sizeof buf, m < 0 ? -m : m);
        const char* end = res.ptr;
        while (end[-1] == '0')
            --end;
        d.digits.assign(buf, std::size_t(end - buf));
        d.exponent = int(res.ptr - buf) - k;
        return d;
    }
    // The shortest form that reads back, "-d.ddde-X": read straight from the characters.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    const char* e = std::find(p, static_cast<const char*>(res.ptr), 'e');
    for (; p != e; ++p)
        if (*p != '.')
            d.digits += *p;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    int exp10 = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exp10);
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

int ExtraDecimals(const Decimal& d)
{
    // 0.digits * 10^exponent is below 0.001 exactly when exponent <= -3, and 0.1 or more when exponent >= 0.
    if (d.digits.empty() || d.exponent > -3)
        return 0;
    return 3 * ((-d.exponent + 2) / 3);
}

} // namespace moldrin::detail
