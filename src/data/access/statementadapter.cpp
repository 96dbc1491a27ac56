// Statement adaptation per engine: quoting, date literals and LIKE semantics.
#include "data/access/statementadapter.h"

#include "common/dates.h"

#include <QLocale>

namespace moldrin::data {

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

QString QuoteIdent(const QString& name, const NameMap& names)
{
    QString actual = names.value(name.toLower(), name);
    actual.replace(u'"', QStringLiteral("\"\""));
    return u'"' + actual + u'"';
}

// Index of the top-level ORDER BY that ends the statement, or -1.
qsizetype TrailingOrderBy(const QString& s)
{
    qsizetype found = -1;
    int depth = 0;
    bool inQuote = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (inQuote) {
            if (c == u'\'')
                inQuote = false;
            continue;
        }
        if (c == u'\'')
            inQuote = true;
        else if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (depth == 0 && (i == 0 || !IsWordChar(s[i - 1]))
                 && s.mid(i, 8).compare(QLatin1String("ORDER BY"), Qt::CaseInsensitive) == 0)
            found = i;
    }
    return found;
}

} // namespace

QString IsoDateText(const QString& literalBody)
{
    const QString body = literalBody.trimmed();
    if (body.isEmpty())
        return {};
    // The month is written as a name, so either order reads unambiguously.
    const bool monthFirst = !body.isEmpty() && body[0].isLetter();
    const QDateTime when =
        ParseDateTimeText(body, monthFirst ? kDateOrderMonthFirst : kDateOrderDayFirst, QLocale::system());
    if (!when.isValid())
        return {};
    const bool hasTime = body.contains(u':');
    return when.toString(hasTime ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
}

QString AdaptStatement(const QString& statement, Dialect dialect, const NameMap& names)
{
    if (dialect == Dialect::Native)
        return statement;
    QString out;
    out.reserve(statement.size() + 16);
    // 0: outside BETWEEN; 1: after BETWEEN, awaiting the first literal; 2: awaiting AND; 3: awaiting
    // the second literal.
    int between = 0;
    QString lastWord;
    const qsizetype n = statement.size();
    qsizetype i = 0;
    auto dateLiteral = [&](const QString& body, QChar quote) {
        const QString iso = IsoDateText(body);
        if (dialect == Dialect::SQLite)
            return u'\'' + (iso.isEmpty() ? body : iso) + u'\'';
        // PostgreSQL reads "06/Dec/2026" under every DateStyle, as the month is a name.
        Q_UNUSED(quote);
        return u'\'' + body + u'\'';
    };
    while (i < n) {
        const QChar c = statement[i];
        if (c == u'\'' || c == u'#') {
            qsizetype j = i + 1;
            QString body;
            while (j < n) {
                if (statement[j] == c) {
                    if (c == u'\'' && j + 1 < n && statement[j + 1] == u'\'') {
                        body += QStringLiteral("''");
                        j += 2;
                        continue;
                    }
                    break;
                }
                body += statement[j++];
            }
            const bool closed = j < n;
            const bool dateSlot = between == 1 || between == 3;
            if (c == u'#' || dateSlot) {
                if (c == u'#' && !closed)
                    out += statement.mid(i); // unterminated: leave it for the engine to reject
                else
                    out += dateLiteral(body, c);
            } else {
                out += statement.mid(i, j - i + (closed ? 1 : 0));
            }
            between = between == 1 ? 2 : 0;
            i = closed ? j + 1 : n;
            continue;
        }
        if (c == u'[') {
            const qsizetype close = statement.indexOf(u']', i + 1);
            if (close < 0) {
                out += statement.mid(i);
                break;
            }
            const QString name = statement.mid(i + 1, close - i - 1);
            out += dialect == Dialect::PostgreSQL ? QuoteIdent(name, names) : statement.mid(i, close - i + 1);
            i = close + 1;
            if (between != 2)
                between = 0;
            lastWord.clear();
            continue;
        }
        if (IsWordChar(c)) {
            qsizetype j = i;
            while (j < n && IsWordChar(statement[j]))
                ++j;
            const QString word = statement.mid(i, j - i);
            const QString upper = word.toUpper();
            if (dialect == Dialect::PostgreSQL && upper == QLatin1String("LIKE")) {
                out += QStringLiteral("ILIKE");
            } else if (dialect == Dialect::PostgreSQL && lastWord == QLatin1String("FROM") && !word[0].isDigit()
                       && names.contains(word.toLower())) {
                out += QuoteIdent(word, names);
            } else {
                out += word;
            }
            if (upper == QLatin1String("BETWEEN"))
                between = 1;
            else if (upper == QLatin1String("AND") && between == 2)
                between = 3;
            else
                between = 0;
            lastWord = upper;
            i = j;
            continue;
        }
        if (!c.isSpace()) {
            lastWord.clear();
            if (between != 2)
                between = 0;
        }
        out += c;
        ++i;
    }
    return out;
}

QString CountStatement(const QString& statement)
{
    QString body = statement.trimmed();
    while (body.endsWith(u';'))
        body.chop(1);
    const qsizetype order = TrailingOrderBy(body);
    if (order >= 0)
        body.truncate(order);
    return QStringLiteral("SELECT COUNT(*) FROM (") + body.trimmed() + QStringLiteral(") AS sub");
}

} // namespace moldrin::data
