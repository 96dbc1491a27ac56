// Any Spec line of PRODUCTS.INI: splitting and parsing must not crash, and the fields rebuild the line.
#include "data/config/configfiles.h"
#include "data/config/inifile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line
        = moldrin::data::DecodeIniText(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList fields = moldrin::data::SplitSpecLine(line);
    if (fields.join(QLatin1Char(',')) != line)
        __builtin_trap();
    const auto parsed = moldrin::data::ParseSpecLine(line);
    if (parsed.has_value() != (fields.size() >= 7))
        __builtin_trap();
    if (parsed && (!parsed->listItem().contains(parsed->name) || parsed->column != fields.at(0)))
        __builtin_trap();
    return 0;
}
