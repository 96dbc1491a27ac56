// Engine values as the component hands them out.
#include "data/access/values.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace moldrin::data
{

std::optional<double> SqliteNumberText(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral(R"(^-?(?:0|[1-9]\d{0,18})$)"));
    bool ok = false;
    if (integer.match(text).hasMatch()) {
        const qlonglong whole = text.toLongLong(&ok);
        return ok ? std::optional<double>(double(whole)) : std::nullopt;
    }
    const double real = text.toDouble(&ok);
    if (!ok || !std::isfinite(real))
        return std::nullopt;
    // SQLite writes a real number to 15 significant digits and always with a decimal point.
    QString written = QString::number(real, 'g', 15);
    if (!written.contains(u'.')) {
        const qsizetype exponent = written.indexOf(u'e');
        written.insert(exponent < 0 ? written.size() : exponent, QStringLiteral(".0"));
    }
    return written == text ? std::optional<double>(real) : std::nullopt;
}

QVariant NormalizeValue(const QVariant& raw, bool textNumbers)
{
    if (!raw.isValid() || raw.isNull())
        return {};
    switch (raw.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime when = raw.toDateTime();
        return when.timeSpec() == Qt::UTC ? raw : QVariant(WallClock(when.date(), when.time()));
    }
    case QMetaType::QDate:
        return WallClock(raw.toDate(), QTime(0, 0));
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Float:
    case QMetaType::Double:
        return raw.toDouble();
    default:
        break;
    }
    QString text = raw.toString();
    if (textNumbers) {
        if (const auto number = SqliteNumberText(text))
            return *number;
    }
    if (const auto when = ParseIsoDateTime(text))
        return *when;
    return text;
}

} // namespace moldrin::data
