// Engine values as the component hands them out.
#include "data/access/values.h"

#include <QDateTime>

namespace moldrin::data
{

QVariant NormalizeValue(const QVariant& raw)
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
    if (const auto when = ParseIsoDateTime(text))
        return *when;
    return text;
}

} // namespace moldrin::data
