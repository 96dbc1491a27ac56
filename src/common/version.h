// The program's version, from the build.
#pragma once

#include <QString>

namespace moldrin
{

inline QString VersionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(MOLDRIN_VERSION_MAJOR)
        .arg(MOLDRIN_VERSION_MINOR)
        .arg(MOLDRIN_VERSION_REVISION);
}

} // namespace moldrin
