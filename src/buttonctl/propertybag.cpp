// PropertyBag: case-insensitive name to value store that keeps the write order.
#include "buttonctl/propertybag.h"

namespace moldrin
{

qsizetype PropertyBag::IndexOf(const QString& name) const
{
    for (qsizetype i = 0; i < mEntries.size(); ++i) {
        if (mEntries[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void PropertyBag::Write(const QString& name, const QVariant& value)
{
    const qsizetype i = IndexOf(name);
    if (i >= 0)
        mEntries[i].second = value;
    else
        mEntries.append({ name, value });
}

QVariant PropertyBag::Read(const QString& name, const QVariant& fallback) const
{
    mReadLog.append(name);
    const qsizetype i = IndexOf(name);
    return i >= 0 ? mEntries[i].second : fallback;
}

bool PropertyBag::Contains(const QString& name) const
{
    return IndexOf(name) >= 0;
}

QStringList PropertyBag::Names() const
{
    QStringList names;
    for (const auto& e : mEntries)
        names.append(e.first);
    return names;
}

} // namespace moldrin
