// Any format text and any number: the formatter must not crash and must keep its shape rules.
#include "common/numberformat.h"
#include "common/rounding.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(double))
        return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    const QString format
        = QString::fromUtf8(reinterpret_cast<const char*>(data + sizeof v), static_cast<qsizetype>(size - sizeof v));
    const QString out = moldrin::FormatNumber(v, format);
    if (format.endsWith('.') && std::isfinite(v) && !out.contains('.'))
        __builtin_trap();
    (void)moldrin::RoundHalfEven(v, static_cast<int>(size % 9));
    const QByteArray text = format.toUtf8();
    (void)moldrin::LeadingNumber(text.constData());
    return 0;
}
