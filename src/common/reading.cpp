#include "reading.h"

#include "numberformat.h"

#include <charconv>
#include <cmath>

namespace moldrin
{

FieldReading ReadingOfText(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    double v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return { FieldReading::Kind::NotANumber, 0 };
    return { FieldReading::Kind::Number, v };
}

FieldReading ReadingOf(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const double v = value.toDouble();
        return std::isfinite(v) ? FieldReading { FieldReading::Kind::Number, v }
                                : FieldReading { FieldReading::Kind::NotANumber, 0 };
    }
    case QMetaType::QString:
        return ReadingOfText(value.toString().toStdString());
    case QMetaType::QByteArray:
        return ReadingOfText(value.toByteArray().toStdString());
    default:
        return { FieldReading::Kind::NotANumber, 0 };
    }
}

QString SkippedRowsText(const SkippedRows& skipped)
{
    const auto count = [](long n) { return FormatNumber(double(n), QStringLiteral("#,##0")); };
    QStringList lines;
    if (skipped.notNumbers > 0)
        lines << QStringLiteral("Skipped, not a number: ") + count(skipped.notNumbers);
    if (skipped.unreadableTimes > 0)
        lines << QStringLiteral("Skipped, start time unreadable: ") + count(skipped.unreadableTimes);
    return lines.join(QLatin1Char('\n'));
}

} // namespace moldrin
