// Fuzz target: the connection-string parser, the statement adapter and the ISO date reader on arbitrary text.
#include "data/access/connection.h"
#include "data/access/connectionstring.h"
#include "data/access/statementadapter.h"

#include <QString>

#include <algorithm>

#include <cstddef>
#include <cstdint>

namespace
{

// How much text the adapter may drop for `dialect` outside literals, at most: on the servers a pattern of only
// '%' (`x LIKE '%'` becomes `x IS NOT NULL`), and for MySQL the blanks before a parenthesis (a name's call).
qsizetype Droppable(const QString& text, moldrin::data::Dialect dialect)
{
    using moldrin::data::Dialect;
    qsizetype dropped = 0;
    const bool servers = dialect == Dialect::PostgreSQL || dialect == Dialect::MySQL;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype run = 0;
        if (servers && text[i] == u'\'') {
            while (i + 1 + run < text.size() && text[i + 1 + run] == u'%')
                ++run;
            if (run > 0 && i + 1 + run < text.size() && text[i + 1 + run] == u'\'')
                dropped += run;
        } else if (dialect == Dialect::MySQL && text[i].isSpace()) {
            while (i + run < text.size() && text[i + run].isSpace())
                ++run;
            if (i + run < text.size() && text[i + run] == u'(')
                dropped += run;
            i += run - 1;
        }
    }
    return dropped;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const moldrin::data::ParsedConnectionString parsed = moldrin::data::ParseConnectionString(text);
    moldrin::data::SourceKind kind;
    moldrin::data::KindFromConnectionString(parsed, &kind);
    moldrin::data::Schema schema;
    schema.names = { { QStringLiteral("results"), QStringLiteral("Results") } };
    schema.textColumns = { QStringLiteral("results.sn") };
    for (auto dialect : { moldrin::data::Dialect::Native, moldrin::data::Dialect::SQLite,
             moldrin::data::Dialect::PostgreSQL, moldrin::data::Dialect::MySQL }) {
        const moldrin::data::AdaptedStatement adapted = moldrin::data::AdaptStatement(text, dialect, schema);
        // A refused statement gives no text. Otherwise, where no date is rewritten, text outside literals
        // and names is never dropped but what the dialect drops: the result and its bound values are at least
        // as long, minus the delimiters that change.
        const bool dates = text.contains(u'#') || text.contains(QLatin1String("between"), Qt::CaseInsensitive);
        qsizetype bound = 0;
        for (const QString& value : adapted.parameters)
            bound += value.size();
        const bool shorter = !dates
            && adapted.sql.size() + bound + text.count(u'[') + text.count(u']') + Droppable(text, dialect)
                < text.size() - text.count(u'\'');
        if (adapted.error ? !adapted.sql.isEmpty() || adapted.error->description.isEmpty()
                          : shorter || adapted.sql.count(u'?') < adapted.parameters.size())
            __builtin_trap();
    }
    moldrin::data::CountStatement(text);
    moldrin::data::ReadDateLiteral(text);
    // A text read as a date is that date written back (a 'T' read as the blank, fractions to the millisecond).
    if (const auto when = moldrin::data::ParseIsoDateTime(text)) {
        const qsizetype shown = std::min<qsizetype>(text.size(), 19);
        const QString back = when->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).left(shown);
        if (back != QString(text.left(shown)).replace(u'T', u' '))
            __builtin_trap();
    }
    return 0;
}
