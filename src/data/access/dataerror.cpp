// Mapping engine failures onto the component's error numbers, and keeping passwords out of texts.
#include "data/access/dataerror.h"

#include <QRegularExpression>

namespace moldrin::data
{

long ClassifyError(const QString& engine, const QString& nativeCode, const QString& text, bool duringFetch)
{
    const QString t = text.toLower();
    // Before the name checks: "operator does not exist" is a type error, not a missing name.
    if (t.contains(QLatin1String("invalid input syntax")) || t.contains(QLatin1String("operator does not exist"))
        || (t.contains(QLatin1String("function ")) && t.contains(QLatin1String("does not exist")))
        || t.contains(QLatin1String("conversion failed")) || t.contains(QLatin1String("datatype mismatch"))
        || t.contains(QLatin1String("type mismatch")) || nativeCode.startsWith(QLatin1String("22"))
        || nativeCode == QLatin1String("42804") || nativeCode == QLatin1String("42883")
        || nativeCode == QLatin1String("07006")
        || (engine == QLatin1String("SQLITE") && nativeCode == QLatin1String("20")))
        return kErrInvalidData2;
    if (t.contains(QLatin1String("no such column")) || t.contains(QLatin1String("no such table"))
        || t.contains(QLatin1String("does not exist")) || t.contains(QLatin1String("invalid column name"))
        || t.contains(QLatin1String("invalid object name")) || nativeCode == QLatin1String("42703")
        || nativeCode == QLatin1String("42P01") || nativeCode.startsWith(QLatin1String("42S"))
        || nativeCode == QLatin1String("07002"))
        return kErrInvalidData1;
    if (duringFetch)
        return kErrUnspecified;
    return kErrCommand;
}

bool IsConnectionLost(const QString& nativeCode, const QString& text)
{
    static const QRegularExpression lost(
        QStringLiteral(
            "server closed the connection|no connection to the server|could not (receive|send) data (from|to) server|"
            "terminating connection|connection (is|was) (closed|lost|broken)|lost connection|server has gone away|"
            "communication link failure"),
        QRegularExpression::CaseInsensitiveOption);
    return nativeCode.startsWith(QLatin1String("08")) || nativeCode.startsWith(QLatin1String("57P"))
        || lost.match(text).hasMatch();
}

QString ScrubPassword(QString text, const QString& password)
{
    static const QRegularExpression keyed(
        QStringLiteral(R"(\b(PWD|Password)\s*=\s*[^;]*)"), QRegularExpression::CaseInsensitiveOption);
    text.replace(keyed, QStringLiteral("\\1=***"));
    if (!password.isEmpty())
        text.replace(password, QStringLiteral("***"));
    return text;
}

} // namespace moldrin::data
