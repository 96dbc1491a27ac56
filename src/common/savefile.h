// Writing a file so that it is either whole and new or untouched: a full disk or a failed write never leaves
// a truncated or emptied file.
#pragma once

#include <QIODevice>
#include <QString>

#include <functional>

namespace moldrin
{

// Writes `path` with `write`: into a temporary file beside it that replaces it only when every write, the
// flush and the close succeeded, so an existing file is never truncated first. A path that names something
// other than a regular file (a pipe, a terminal, /dev/stdout) is written directly. "" when written, else the
// failure's description; `write` returns false when the device refused a write.
QString SaveFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

} // namespace moldrin
