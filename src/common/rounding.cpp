#include "rounding.h"

#include "decimal.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace moldrin
{

double RoundHalfEven(double x, int places)
{
    if (!std::isfinite(x))
        return x;
    return detail::FromDecimal(detail::RoundDecimal(detail::ToDecimal(x), places, true));
}

double RoundHalfAway(double x, int places)
{
    if (!std::isfinite(x))
        return x;
    return detail::FromDecimal(detail::RoundDecimal(detail::ToDecimal(x), places, false));
}

int FigureDecimals(double x, int places)
{
    if (!std::isfinite(x))
        return places;
    return places + detail::ExtraDecimals(detail::ToDecimal(x));
}

double IntPart(double x)
{
    return std::trunc(x);
}

double LeadingNumber(const char* text, bool* found)
{
    std::string s;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '+' || *p == '-')
        s += *p++;
    bool digits = false;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        s += *p++;
        digits = true;
    }
    if (*p == '.') {
        s += *p++;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            s += *p++;
            digits = true;
        }
    }
    if (digits && (*p == 'e' || *p == 'E')) {
        std::string e(1, 'e');
        const char* q = p + 1;
        if (*q == '+' || *q == '-')
            e += *q++;
        if (std::isdigit(static_cast<unsigned char>(*q))) {
            while (std::isdigit(static_cast<unsigned char>(*q)))
                e += *q++;
            s += e;
        }
    }
    if (found)
        *found = digits;
    if (!digits)
        return 0.0;
    // from_chars is locale-independent; it takes no leading '+'.
    const char* b = s.c_str();
    if (*b == '+')
        ++b;
    double v = 0.0;
    std::from_chars(b, s.c_str() + s.size(), v);
    return v;
}

} // namespace moldrin
