// Any file bytes: the INI reader must not crash, and a value stays one line within the length limit.
#include "data/config/inifile.h"

#include <cstdint>

using moldrin::data::IniFile;
using moldrin::data::kIniValueLimit;

namespace
{

void Check(const QString& value)
{
    if (value.size() > kIniValueLimit || value.contains(QLatin1Char('\n')))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Names taken from the input reach the matching paths; the fixed head reaches a value.
    const qsizetype cut = bytes.indexOf('\n');
    const QString name = moldrin::data::DecodeIniText(bytes.constData(), cut < 0 ? bytes.size() : cut);
    const IniFile raw = IniFile::fromBytes(bytes);
    Check(raw.value(name, name));
    Check(raw.value(QStringLiteral("S"), QStringLiteral("K")));
    const IniFile headed = IniFile::fromBytes("[S]\r\nK=" + bytes);
    Check(headed.value(QStringLiteral("s"), QStringLiteral("k")));
    return 0;
}
