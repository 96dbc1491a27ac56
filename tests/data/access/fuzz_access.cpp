// Fuzz target: the connection-string parser, the statement adapter and the ISO date reader on arbitrary text.
#include "data/access/connection.h"
#include "data/access/connectionstring.h"
#include "data/access/statementadapter.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const moldrin::data::ParsedConnectionString parsed = moldrin::data::ParseConnectionString(text);
    moldrin::data::SourceKind kind;
    moldrin::data::KindFromConnectionString(parsed, &kind);
    const moldrin::data::NameMap names{{QStringLiteral("results"), QStringLiteral("Results")}};
    for (auto dialect : {moldrin::data::Dialect::SQLite, moldrin::data::Dialect::PostgreSQL}) {
        const QString adapted = moldrin::data::AdaptStatement(text, dialect, names);
        // Text outside literals and names is never dropped: the result is at least as long, minus '#'.
        if (adapted.size() + text.count(u'#') + text.count(u'[') + text.count(u']') < text.size() - text.count(u'\''))
            __builtin_trap();
    }
    moldrin::data::CountStatement(text);
    // A text read as a date is exactly that date written back.
    if (const auto when = moldrin::data::ParseIsoDateTime(text)) {
        const QString back = when->toString(text.size() == 10 ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (back != text)
            __builtin_trap();
    }
    return 0;
}
