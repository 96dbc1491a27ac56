// PropertyBag: the host's store of a control's design-time properties (case-insensitive names, insertion order).
#pragma once

#include "buttonctl/lumexport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace moldrin
{

class LUMVISUALSTYLE_EXPORT PropertyBag
{
public:
    // Stores a value; a name already present (in any case) keeps its place and takes the new value.
    void Write(const QString& name, const QVariant& value);
    // The stored value, or fallback when the name is absent. Each call is logged in ReadLog().
    QVariant Read(const QString& name, const QVariant& fallback = {}) const;
    bool Contains(const QString& name) const;
    // Names in the order they were first written.
    QStringList Names() const;
    // Names asked for through Read(), in call order; lets a host (and tests) see the read order.
    QStringList ReadLog() const { return mReadLog; }
    void ClearReadLog() { mReadLog.clear(); }
    qsizetype Count() const { return mEntries.size(); }

private:
    qsizetype IndexOf(const QString& name) const;

    QList<QPair<QString, QVariant>> mEntries;
    mutable QStringList mReadLog;
};

} // namespace moldrin
