// Statement adaptation per engine: quoting, date literals, letter case and one statement at a time.
#include "data/access/statementadapter.h"

#include "common/dates.h"

#include <QLocale>
#include <QRegularExpression>

#include <vector>

namespace moldrin::data
{

namespace
{

const QString kDateError = QStringLiteral("Syntax error in date in query expression %1.");
const QString kTrailingError = QStringLiteral("Characters found after end of SQL statement.");

enum class Tok { Space, Comment, Word, Bracket, Ident, String, Hash, Punct };

struct Token {
    Tok kind;
    qsizetype from;
    qsizetype to; // one past the end
    bool closed = true; // a delimited token that found its closing delimiter
};

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The end of the delimited token that starts at `from`; a doubled delimiter stands for itself when
// `doubling`.
Token Delimited(Tok kind, const QString& s, qsizetype from, QChar close, bool doubling)
{
    for (qsizetype i = from + 1; i < s.size(); ++i) {
        if (s[i] != close)
            continue;
        if (doubling && i + 1 < s.size() && s[i + 1] == close) {
            ++i;
            continue;
        }
        return { kind, from, i + 1, true };
    }
    return { kind, from, s.size(), false };
}

std::vector<Token> Tokenize(const QString& s)
{
    std::vector<Token> tokens;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = s[i];
        const QChar after = i + 1 < n ? s[i + 1] : QChar();
        Token t { Tok::Punct, i, i + 1 };
        if (c.isSpace()) {
            while (t.to < n && s[t.to].isSpace())
                ++t.to;
            t.kind = Tok::Space;
        } else if (c == u'-' && after == u'-') {
            const qsizetype end = s.indexOf(u'\n', i);
            t = { Tok::Comment, i, end < 0 ? n : end };
        } else if (c == u'/' && after == u'*') {
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            t = { Tok::Comment, i, end < 0 ? n : end + 2, end >= 0 };
        } else if (c == u'\'') {
            t = Delimited(Tok::String, s, i, u'\'', true);
        } else if (c == u'#') {
            t = Delimited(Tok::Hash, s, i, u'#', false);
        } else if (c == u'[') {
            t = Delimited(Tok::Bracket, s, i, u']', false);
        } else if (c == u'"') {
            t = Delimited(Tok::Ident, s, i, u'"', true);
        } else if (IsWordChar(c)) {
            while (t.to < n && IsWordChar(s[t.to]))
                ++t.to;
            t.kind = Tok::Word;
        } else if ((c == u'<' && (after == u'>' || after == u'=')) || ((c == u'>' || c == u'!') && after == u'=')) {
            t.to = i + 2;
        }
        tokens.push_back(t);
        i = t.to;
    }
    return tokens;
}

bool IsKeyword(const QString& upper)
{
    static const QSet<QString> keywords
        = { QStringLiteral("SELECT"), QStringLiteral("FROM"), QStringLiteral("WHERE"), QStringLiteral("GROUP"),
              QStringLiteral("ORDER"), QStringLiteral("BY"), QStringLiteral("HAVING"), QStringLiteral("AND"),
              QStringLiteral("OR"), QStringLiteral("NOT"), QStringLiteral("NULL"), QStringLiteral("IS"),
              QStringLiteral("LIKE"), QStringLiteral("BETWEEN"), QStringLiteral("AS"), QStringLiteral("ASC"),
              QStringLiteral("DESC"), QStringLiteral("IN"), QStringLiteral("DISTINCT"), QStringLiteral("TOP"),
              QStringLiteral("ON"), QStringLiteral("JOIN"), QStringLiteral("UNION"), QStringLiteral("ALL"),
              QStringLiteral("CASE"), QStringLiteral("WHEN"), QStringLiteral("THEN"), QStringLiteral("ELSE"),
              QStringLiteral("END"), QStringLiteral("ESCAPE"), QStringLiteral("COLLATE"), QStringLiteral("EXISTS") };
    return keywords.contains(upper);
}

const QLocale& English()
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english;
}

// A literal's text without its delimiters (a doubled quote read as one).
QString LiteralBody(const QString& s, const Token& t)
{
    QString body = s.mid(t.from + 1, t.to - t.from - (t.closed ? 2 : 1));
    if (t.kind == Tok::String)
        body.replace(QStringLiteral("''"), QStringLiteral("'"));
    return body;
}

// A quoted literal of a BETWEEN is a date when it has the shape the builder writes, is ISO or is empty
// (the start of a range name the builder does not know).
bool LooksLikeDate(const QString& body)
{
    static const QRegularExpression iso(QStringLiteral(R"(^\s*\d{4}-\d{2}-\d{2})"));
    return body.trimmed().isEmpty() || body.contains(u'/') || iso.match(body).hasMatch();
}

QString Quoted(const QString& text)
{
    return u'\'' + text + u'\'';
}

// The start of a range: the day alone at midnight, so that a stamp stored as a date alone is inside.
QString IsoStart(const DateLiteral& d)
{
    return d.time == QTime(0, 0) ? IsoDateText(d.day) : IsoDateTimeText(d.day, d.time);
}
QString IsoEnd(const DateLiteral& d)
{
    return IsoDateTimeText(d.day, d.time);
}

// The literal as the builder writes it, with the English month name SQL Server reads in any language.
QString EnglishText(const DateLiteral& d)
{
    const QString format = ShortDateFormat(d.monthFirst ? kDateOrderMonthFirst : kDateOrderDayFirst)
        + (d.hasTime ? QStringLiteral(" hh:nn:ss") : QString());
    return FormatDateTime(QDateTime(d.day, d.time), format, English());
}

enum class Clause { Other, Select, From, Where, GroupBy, OrderBy };

// A column reference just written: [T].[C], "C" or C, as positions in the output.
struct NameChain {
    qsizetype start = -1;
    qsizetype end = -1;
    QString key; // lower-case names joined by '.'
    QString column; // lower-case last name
    QString after; // the keyword before it, upper case; empty after anything else
    bool Valid() const { return start >= 0; }
};

class Adapter
{
public:
    Adapter(const QString& statement, Dialect dialect, const Schema& schema)
        : mText(statement)
        , mDialect(dialect)
        , mSchema(schema)
        , mTokens(Tokenize(statement))
    {
    }

    AdaptedStatement Run()
    {
        mOut.reserve(mText.size() + 64);
        mTable = StatementTable();
        for (mAt = 0; mAt < mTokens.size(); ++mAt) {
            if (Status error = Step()) {
                AdaptedStatement refused;
                refused.error = error;
                return refused;
            }
        }
        EndChain();
        if (mWhereEnd < 0) {
            mWhereEnd = mOut.size();
            while (mWhereEnd > 0 && (mOut[mWhereEnd - 1].isSpace() || mOut[mWhereEnd - 1] == u';'))
                --mWhereEnd;
            mParametersInWhere = mParameters.size() - mParametersBeforeFrom;
        }
        AdaptedStatement adapted;
        adapted.parameters = mParameters;
        adapted.unreadableTimes = UnreadableTimes();
        if (!adapted.unreadableTimes.isEmpty())
            adapted.unreadableParameters = mParameters.mid(mParametersBeforeFrom, mParametersInWhere);
        BreakTies();
        adapted.sql = mOut;
        adapted.fromAt = mFromAt;
        adapted.orderAt = mOrderKeywordAt;
        adapted.orderTermsAt = mOrderAt;
        if (!adapted.unreadableTimes.isEmpty())
            adapted.countingTimes = CountingTimes();
        return adapted;
    }

private:
    QString Text(const Token& t) const { return mText.mid(t.from, t.to - t.from); }
    QString UpperWord(const Token& t) const { return t.kind == Tok::Word ? Text(t).toUpper() : QString(); }

    // The next token after `from` that is no blank or comment; the token count when none.
    std::size_t Next(std::size_t from) const
    {
        std::size_t j = from + 1;
        while (j < mTokens.size() && (mTokens[j].kind == Tok::Space || mTokens[j].kind == Tok::Comment))
            ++j;
        return j;
    }
    // The blanks and comments between two tokens, as written.
    QString Gap(std::size_t a, std::size_t b) const
    {
        return b > a + 1 ? mText.mid(mTokens[a].to, mTokens[b].from - mTokens[a].to) : QString();
    }

    bool IsName(const Token& t) const
    {
        if (t.kind == Tok::Bracket || t.kind == Tok::Ident)
            return t.closed;
        return t.kind == Tok::Word && !Text(t)[0].isDigit() && !IsKeyword(Text(t).toUpper());
    }
    QString NameKey(const Token& t) const
    {
        if (t.kind == Tok::Word)
            return Text(t).toLower();
        QString inner = mText.mid(t.from + 1, t.to - t.from - 2);
        if (t.kind == Tok::Ident)
            inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        return inner.toLower();
    }
    // Engines that quote names their own way: with '"' (PostgreSQL) or '`' (MySQL, MariaDB).
    bool QuotesNames() const { return mDialect == Dialect::PostgreSQL || mDialect == Dialect::MySQL; }
    QString QuoteName(const QString& name) const
    {
        const QChar quote = mDialect == Dialect::MySQL ? u'`' : u'"';
        QString actual = mSchema.names.value(name.toLower(), name);
        actual.replace(quote, QString(2, quote));
        return quote + actual + quote;
    }

    // The first name after a FROM outside parentheses: the table the statement reads.
    QString StatementTable() const
    {
        int level = 0;
        for (std::size_t j = 0; j < mTokens.size(); ++j) {
            const Token& t = mTokens[j];
            if (t.kind == Tok::Punct)
                level += Text(t) == u"(" ? 1 : Text(t) == u")" ? -1 : 0;
            if (level == 0 && UpperWord(t) == u"FROM") {
                const std::size_t k = Next(j);
                return k < mTokens.size() && IsName(mTokens[k]) ? NameKey(mTokens[k]) : QString();
            }
        }
        return {};
    }

    // A chain ends at the first token that continues no name; in GROUP BY and ORDER BY the time column
    // of the statement's range compares as a time, whether its stamps are written with 'T' or a blank
    // (julianday() reads both and gives a number: no text is made for each row).
    void EndChain()
    {
        if (mChain.Valid() && mDialect == Dialect::SQLite && (mClause == Clause::GroupBy || mClause == Clause::OrderBy)
            && !mTimeKey.isEmpty() && mChain.key == mTimeKey)
            Wrap(mChain, QStringLiteral("julianday("), QStringLiteral(")"));
        if (mChain.Valid())
            mLastChain = mChain;
        mChain = {};
        mAfterDot = false;
    }
    void Wrap(const NameChain& c, const QString& before, const QString& after)
    {
        mOut.insert(c.end, after);
        mOut.insert(c.start, before);
    }

    Status Step()
    {
        const Token& t = mTokens[mAt];
        switch (t.kind) {
        case Tok::Space:
            // MySQL and MariaDB read "MAX (x)" as a call of a stored function MAX: a name's call is
            // written without the blank.
            if (mDialect == Dialect::MySQL && mAt > 0 && mTokens[mAt - 1].kind == Tok::Word && mAt + 1 < mTokens.size()
                && Text(mTokens[mAt + 1]) == u"(")
                return {};
            mOut += Text(t);
            return {};
        case Tok::Comment:
            mOut += Text(t);
            return {};
        case Tok::Hash: {
            EndChain();
            const auto date = t.closed ? ReadDateLiteral(LiteralBody(mText, t)) : std::nullopt;
            if (!date)
                return DataError { kErrCommand, kDateError.arg(Text(t)) };
            mOut += Quoted(mDialect == Dialect::Native ? EnglishText(*date) : IsoStart(*date));
            return {};
        }
        case Tok::String:
            EndChain();
            String(t);
            return {};
        case Tok::Punct:
            return Punct(t);
        case Tok::Word:
            if (!IsName(t))
                return Keyword(t);
            [[fallthrough]];
        case Tok::Bracket:
        case Tok::Ident:
            if (!t.closed) {
                EndChain();
                mOut += Text(t); // unterminated: left for the engine to reject
                return {};
            }
            Name(t);
            return {};
        }
        return {};
    }

    // A text literal reaches the engine as a bound value; an unterminated one is left for the engine to reject.
    void String(const Token& t) { mOut += t.closed ? Value(t) : Text(t); }

    // A text literal's value for the engine: '?' with the value bound, or where the engine's driver cannot
    // bind, the value quoted by the rules the engine applies (a quote doubled; a backslash doubled where the
    // engine reads it as an escape).
    QString Value(const Token& t)
    {
        QString body = LiteralBody(mText, t);
        if (mSchema.literals == Literals::Bound) {
            mParameters << body;
            return QStringLiteral("?");
        }
        if (mSchema.literals == Literals::QuotedBackslashEscapes)
            body.replace(u'\\', QStringLiteral("\\\\"));
        return u'\'' + body.replace(u'\'', QStringLiteral("''")) + u'\'';
    }

    void Name(const Token& t)
    {
        if (t.kind == Tok::Word && mDepth == 0 && mLastWord == u"AS" && mDialect == Dialect::PostgreSQL) {
            // An alias: quoted, so that the engine reports it as the statement writes it.
            EndChain();
            mOut += QuoteName(Text(t));
            mLastWord.clear();
            return;
        }
        if (!(mAfterDot && mChain.Valid())) {
            EndChain();
            mChain.start = mOut.size();
            mChain.after = mLastWord;
        }
        if (!QuotesNames() || t.kind == Tok::Ident)
            mOut += Text(t);
        else if (t.kind == Tok::Bracket)
            mOut += QuoteName(mText.mid(t.from + 1, t.to - t.from - 2));
        else // a bare table name is quoted when the engine stores it in other letter case
            mOut += mLastWord == u"FROM" && mSchema.names.contains(NameKey(t)) ? QuoteName(Text(t)) : Text(t);
        mChain.end = mOut.size();
        mChain.column = NameKey(t);
        mChain.key += (mChain.key.isEmpty() ? QString() : QStringLiteral(".")) + mChain.column;
        mAfterDot = false;
        mLastWord.clear();
    }

    Status Punct(const Token& t)
    {
        const QString p = Text(t);
        if (p == u"." && mChain.Valid()) {
            mAfterDot = true;
            mOut += p;
            return {};
        }
        const NameChain operand = mChain.Valid() && !mAfterDot ? mChain : NameChain {};
        EndChain();
        mLastWord.clear();
        if (p == u"," && mDepth == 0 && mClause == Clause::Select) {
            EndSelectItem();
            mOut += p;
            mItemStart = mOut.size();
            return {};
        }
        if (p == u"(") {
            // A call in the select list may aggregate: its rows are not the table's.
            mPlainRows = mPlainRows && !(mDepth == 0 && mClause == Clause::Select);
            ++mDepth;
        } else if (p == u")")
            --mDepth;
        else if (p == u";" && mDepth == 0) {
            for (std::size_t j = Next(mAt); j < mTokens.size(); j = Next(j)) {
                if (Text(mTokens[j]) != u";")
                    return DataError { kErrCommand, kTrailingError };
            }
        } else if ((p == u"=" || p == u"<>" || p == u"!=") && operand.Valid()) {
            const std::size_t j = Next(mAt);
            if (j < mTokens.size() && mTokens[j].kind == Tok::String && mTokens[j].closed) {
                CompareText(operand, p, j);
                return {};
            }
        }
        mOut += p;
        return {};
    }

    // `column = 'text'`: equal without regard to letter case, as Jet and SQL Server compare, letters outside
    // ASCII too ("ÉCLAIR" is "éclair", "STRASSE" is "straße"). SQLite compares with the collation the
    // connection registers; the servers compare both sides in one folded form.
    void CompareText(const NameChain& operand, const QString& op, std::size_t literal)
    {
        const QString compare = op + Gap(mAt, literal);
        const QString value = Value(mTokens[literal]);
        mAt = literal;
        if (mDialect == Dialect::SQLite) {
            mOut += compare + value + QStringLiteral(" COLLATE ") + QLatin1String(kFoldedCollation);
            return;
        }
        if (!QuotesNames() || !mSchema.textColumns.contains(mTable + u'.' + operand.column)) {
            mOut += compare + value;
            return;
        }
        // Upper case first, so that a letter with two lower forms (σ, ς) folds to one; ß as "ss", as the
        // program's capitals write it. MySQL's case mappings know no capital ẞ, and its collations take "e"
        // for "é": the folded texts are compared as UTF-8 bytes there.
        const bool mysql = mDialect == Dialect::MySQL;
        const QString before = mysql ? QStringLiteral("CAST(REPLACE(REPLACE(LOWER(UPPER(CONVERT(")
                                     : QStringLiteral("replace(lower(upper(");
        const QString after = mysql ? QStringLiteral(" USING utf8mb4))), 'ß', 'ss'), 'ẞ', 'ss') AS BINARY)")
                                    : QStringLiteral(")), 'ß', 'ss')");
        Wrap(operand, before, after);
        mOut += compare + before + value + after;
    }

    Status Keyword(const Token& t)
    {
        const QString word = Text(t);
        const QString upper = word.toUpper();
        const NameChain operand = mChain.Valid() && !mAfterDot ? mChain : NameChain {};
        EndChain();
        if (upper == u"BETWEEN")
            return Between(operand);
        if (upper == u"LIKE" && MatchesEveryValue(operand)) {
            mAt = Next(mAt);
            mOut += QStringLiteral("IS NOT NULL");
            mLastWord.clear();
            return {};
        }
        // Grouped, distinct, united or alternative rows: a row more or less is not one row of the result.
        if (mDepth == 0
            && (upper == u"GROUP" || upper == u"HAVING" || upper == u"DISTINCT" || upper == u"TOP" || upper == u"UNION"
                || (upper == u"OR" && mClause == Clause::Where)))
            mPlainRows = false;
        if (mDepth == 0 && upper == u"FROM" && mFromAt < 0) {
            mFromAt = mOut.size();
            mParametersBeforeFrom = mParameters.size();
        }
        if (mDepth == 0 && (upper == u"GROUP" || upper == u"ORDER") && mWhereEnd < 0) {
            mWhereEnd = mOut.size();
            mParametersInWhere = mParameters.size() - mParametersBeforeFrom;
        }
        if ((upper == u"AS" || upper == u"FROM") && mDepth == 0 && mClause == Clause::Select)
            EndSelectItem();
        if (upper == u"ORDER" && mDepth == 0)
            mOrderKeywordAt = mOut.size();
        if (upper == u"BY" && mLastWord == u"ORDER" && mDepth == 0)
            mOrderAt = mOut.size() + word.size();
        if (upper == u"SELECT" && mDepth == 0 && mItems.empty())
            mItemStart = mOut.size() + word.size();
        if (upper == u"SELECT")
            mClause = Clause::Select;
        else if (upper == u"FROM" && mDepth == 0)
            mClause = Clause::From;
        else if (upper == u"WHERE" || upper == u"HAVING")
            mClause = Clause::Where;
        else if (upper == u"BY" && mLastWord == u"GROUP")
            mClause = Clause::GroupBy;
        else if (upper == u"BY" && mLastWord == u"ORDER")
            mClause = Clause::OrderBy;
        mOut += mDialect == Dialect::PostgreSQL && upper == u"LIKE" ? QStringLiteral("ILIKE") : word;
        mLastWord = upper;
        return {};
    }

    // `column LIKE '%'` (a pattern of only '%'), as the filters write "any", holds for every value but NULL: the
    // servers match the pattern against each row's text (a number's too), where `column IS NOT NULL` reads the
    // null flag. The two differ only where NULL and false differ: under NOT. A condition of the WHERE clause
    // joined by AND or OR and not negated keeps the same rows either way.
    bool MatchesEveryValue(const NameChain& operand) const
    {
        if (!QuotesNames() || !operand.Valid() || mDepth != 0 || mClause != Clause::Where
            || (operand.after != u"WHERE" && operand.after != u"AND" && operand.after != u"OR"))
            return false;
        const std::size_t literal = Next(mAt);
        if (literal >= mTokens.size() || mTokens[literal].kind != Tok::String || !mTokens[literal].closed)
            return false;
        const QString pattern = LiteralBody(mText, mTokens[literal]);
        if (pattern.isEmpty() || pattern.count(u'%') != pattern.size())
            return false;
        const std::size_t next = Next(literal);
        if (next >= mTokens.size() || Text(mTokens[next]) == u";")
            return true;
        const QString word = UpperWord(mTokens[next]);
        return word == u"AND" || word == u"OR" || word == u"ORDER" || word == u"GROUP";
    }

    // The select list's items as written for the engine, each a tie-breaker of the ORDER BY.
    void EndSelectItem()
    {
        if (mItemStart < 0)
            return;
        qsizetype from = mItemStart, to = mOut.size();
        while (from < to && mOut[from].isSpace())
            ++from;
        while (to > from && mOut[to - 1].isSpace())
            --to;
        mItemStart = -1;
        if (from == to)
            return;
        // A text column sorts by its bytes on the servers too, as SQLite sorts it: in the engine's own
        // collation "ATE 3" and "ate 3" (or "a" and "B") come in an order of its own.
        const bool text = QuotesNames() && mLastChain.start == from && mLastChain.end == to
            && mSchema.textColumns.contains(mTable + u'.' + mLastChain.column);
        const QString item = mOut.mid(from, to - from);
        if (!text)
            mItems.append({ item, item });
        else if (mDialect == Dialect::MySQL)
            mItems.append({ item, QStringLiteral("CAST(") + item + QStringLiteral(" AS BINARY)") });
        else
            mItems.append({ item, item + QStringLiteral(" COLLATE \"C\"") });
    }

    // Rows the ORDER BY leaves tied (the same start time and tester) come in an order of the engine's own;
    // ordered further by the serial number and every other selected column, they come in one order on
    // every engine.
    // An item the ORDER BY already orders by, in the same way, is left out (the tester list orders by its one
    // column).
    void BreakTies()
    {
        if (mOrderAt < 0)
            return;
        qsizetype end = mOut.size();
        while (end > 0 && (mOut[end - 1].isSpace() || mOut[end - 1] == u';'))
            --end;
        QStringList ordered;
        for (const QString& term : mOut.mid(mOrderAt, end - mOrderAt).split(u','))
            ordered << term.trimmed();
        QString ties;
        for (const auto& [item, written] : std::as_const(mItems)) {
            if (item != written || !ordered.contains(item))
                ties += QStringLiteral(", ") + written;
        }
        mOut.insert(end, ties);
    }

    // `x BETWEEN d1 AND d2` with two date literals: the engine's own date comparison. Stamps stored as
    // ISO text may be written with 'T' instead of the blank: on SQLite those of the last day are looked
    // up in a second range, which keeps an index on the column usable.
    Status Between(const NameChain& operand)
    {
        const std::size_t first = Next(mAt);
        const std::size_t andWord = first < mTokens.size() ? Next(first) : first;
        const std::size_t second = andWord < mTokens.size() ? Next(andWord) : andWord;
        auto isLiteral = [&](std::size_t j) {
            return j < mTokens.size() && (mTokens[j].kind == Tok::String || mTokens[j].kind == Tok::Hash);
        };
        mLastWord = QStringLiteral("BETWEEN");
        if (!isLiteral(first) || andWord >= mTokens.size() || UpperWord(mTokens[andWord]) != u"AND"
            || !isLiteral(second)
            || (mTokens[first].kind == Tok::String && mTokens[second].kind == Tok::String
                && !LooksLikeDate(LiteralBody(mText, mTokens[first]))
                && !LooksLikeDate(LiteralBody(mText, mTokens[second])))) {
            mOut += Text(mTokens[mAt]);
            return {};
        }
        std::optional<DateLiteral> from, to;
        for (const auto& [j, date] : { std::pair { first, &from }, std::pair { second, &to } }) {
            *date = mTokens[j].closed ? ReadDateLiteral(LiteralBody(mText, mTokens[j])) : std::nullopt;
            if (!*date)
                return DataError { kErrCommand, kDateError.arg(Text(mTokens[j])) };
        }
        mAt = second;
        mLastWord.clear();
        if (mDialect == Dialect::Native) {
            mOut += QStringLiteral("BETWEEN ") + Quoted(EnglishText(*from)) + QStringLiteral(" AND ")
                + Quoted(EnglishText(*to));
            return {};
        }
        const QString range
            = QStringLiteral("BETWEEN ") + Quoted(IsoStart(*from)) + QStringLiteral(" AND ") + Quoted(IsoEnd(*to));
        if (mDialect != Dialect::SQLite || !operand.Valid()) {
            mOut += range;
            return {};
        }
        mTimeKey = operand.key;
        mPlainRows = mPlainRows && mDepth == 0;
        const QString column = mOut.mid(operand.start, operand.end - operand.start);
        // Stored text that is no ISO time (or a number) lies outside every range of texts: such rows are counted.
        mRange = { operand.start, -1,
            u'(' + column + QStringLiteral(" IS NOT NULL AND (typeof(") + column + QStringLiteral(") <> 'text' OR ")
                + column + QStringLiteral(" NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*' OR julianday(")
                + column + QStringLiteral(") IS NULL))") };
        if (from->time != QTime(0, 0)) {
            // A start inside a day: every stamp compared as a time. Every stamp from the start on is written
            // at or after the start's minute, so the text comparison before it lets an index on the column
            // find the rows of a short range in a long table.
            const QString minute = IsoDateText(from->day) + u' ' + from->time.toString(QStringLiteral("HH:mm"));
            Wrap(operand, u'(' + column + QStringLiteral(" >= ") + Quoted(minute) + QStringLiteral(" AND julianday("),
                QStringLiteral(")"));
            mOut += QStringLiteral("BETWEEN julianday(") + Quoted(IsoStart(*from)) + QStringLiteral(") AND julianday(")
                + Quoted(IsoEnd(*to)) + QStringLiteral("))");
            mRange.end = mOut.size();
            return {};
        }
        const QString lastDayT = IsoDateText(to->day) + u'T';
        Wrap(operand, QStringLiteral("("), QString());
        mOut += range + QStringLiteral(" OR ") + column + QStringLiteral(" BETWEEN ")
            + Quoted(std::max(IsoStart(*from), lastDayT)) + QStringLiteral(" AND ")
            + Quoted(IsoDateTimeText(to->day, to->time).replace(u' ', u'T')) + u')';
        mRange.end = mOut.size();
        return {};
    }

    // "SELECT COUNT(*) FROM ... WHERE ..." of the rows whose time cannot be read, under the statement's other
    // conditions (no grouping); empty where the engine stores times as times.
    QString UnreadableTimes() const
    {
        if (mRange.end < 0 || mWhereEnd < 0 || mFromAt < 0 || mRange.start < mFromAt || mRange.end > mWhereEnd)
            return {};
        // A stamp the range holds is read, whatever it holds: only the rows the range passes over are counted.
        return (QStringLiteral("SELECT COUNT(*) ") + mOut.mid(mFromAt, mRange.start - mFromAt) + mRange.notATime
            + QStringLiteral(" AND NOT (") + mOut.mid(mRange.start, mRange.end - mRange.start) + u')'
            + mOut.mid(mRange.end, mWhereEnd - mRange.end))
            .trimmed();
    }

    // The statement itself, its time range widened to the rows whose time is no time, and one more column
    // (is the row in the range) so that one scan gives the rows and the count of the others. Empty where a
    // row more would change the result (grouping, DISTINCT, a call in the select list, the range not one of
    // the conditions that must all hold).
    QString CountingTimes() const
    {
        if (!mPlainRows || mRange.end > mOut.size())
            return {};
        qsizetype itemsEnd = mFromAt;
        while (itemsEnd > 0 && mOut[itemsEnd - 1].isSpace())
            --itemsEnd;
        const QString range = u'(' + mOut.mid(mRange.start, mRange.end - mRange.start) + u')';
        return mOut.left(itemsEnd) + QStringLiteral(", ") + range + u' ' + mOut.mid(mFromAt, mRange.start - mFromAt)
            + u'(' + range + QStringLiteral(" OR ") + mRange.notATime + u')' + mOut.mid(mRange.end);
    }

    const QString& mText;
    const Dialect mDialect;
    const Schema& mSchema;
    const std::vector<Token> mTokens;
    std::size_t mAt = 0;
    QString mOut;
    QStringList mParameters;
    QString mTable; // lower-case name of the table read
    QString mTimeKey; // the column of the statement's date range
    QString mLastWord;
    NameChain mChain;
    NameChain mLastChain; // the name chain that ended last
    QList<std::pair<QString, QString>> mItems; // the select list as written, and as it breaks ties
    qsizetype mItemStart = -1; // where the select item being written starts, or -1
    qsizetype mOrderAt = -1; // where the terms of the statement's ORDER BY start
    qsizetype mOrderKeywordAt = -1; // where its ORDER is written
    // The time range of an SQLite statement, and what replaces it in the count of unreadable times.
    struct {
        qsizetype start = -1, end = -1;
        QString notATime;
    } mRange;
    qsizetype mFromAt = -1; // where the statement's FROM is written
    qsizetype mWhereEnd = -1; // where its conditions end (GROUP BY, ORDER BY or the end)
    qsizetype mParametersBeforeFrom = 0, mParametersInWhere = 0;
    bool mAfterDot = false;
    bool mPlainRows = true; // the result's rows are rows of the table, each read once
    int mDepth = 0;
    Clause mClause = Clause::Other;
};

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

std::optional<DateLiteral> ReadDateLiteral(const QString& body)
{
    return ReadDateText(body, DetectDateOrder(QLocale()), DateForm::Literal);
}

AdaptedStatement AdaptStatement(const QString& statement, Dialect dialect, const Schema& schema)
{
    return Adapter(statement, dialect, schema).Run();
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
