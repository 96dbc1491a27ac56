// Read-only sessions: the statement each engine honours, and the state read back after connecting.
#include "data/access/connection.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace moldrin::data
{

namespace
{

// How an engine's session is made read-only, and how it tells.
struct ReadOnlySwitch {
    const char* set; // the statement that makes the session read-only
    const char* read; // one row, one column: the state
    const char* readOnly; // the state's text in a read-only session
};

std::optional<ReadOnlySwitch> SwitchOf(Dialect dialect)
{
    switch (dialect) {
    case Dialect::SQLite:
        return ReadOnlySwitch { "PRAGMA query_only = 1", "PRAGMA query_only", "1" };
    case Dialect::PostgreSQL:
        return ReadOnlySwitch { "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY",
            "SELECT current_setting('transaction_read_only')", "on" };
    case Dialect::MySQL:
        return ReadOnlySwitch { "SET SESSION TRANSACTION READ ONLY", "SELECT @@SESSION.tx_read_only", "1" };
    case Dialect::Native:
        break;
    }
    // SQL Server and other engines have no such statement: the driver's access mode and the login's
    // rights are what keep them from writing.
    return std::nullopt;
}

} // namespace

Status Connection::makeSessionReadOnly()
{
    mWritableSession.reset();
    const std::optional<ReadOnlySwitch> s = SwitchOf(mDialect);
    if (!s)
        return {};
    QSqlQuery q(QSqlDatabase::database(mName, false));
    q.setForwardOnly(true);
    // A driver that refuses the statement (psqlODBC's ReadOnly refuses every statement but a SELECT) may
    // have set the state already: the state read back decides.
    q.exec(QLatin1String(s->set));
    // A client that ends without a word (killed, or a report ended by SIGINT while the server sorts) would
    // leave its statement running until the server next writes to it; PostgreSQL 14 and later look for the
    // closed connection every second instead. Older servers refuse the setting, which changes nothing else.
    if (mDialect == Dialect::PostgreSQL)
        q.exec(QStringLiteral("SET client_connection_check_interval = 1000"));
    QString state = QStringLiteral("no answer");
    if (q.exec(QLatin1String(s->read)) && q.next())
        state = q.value(0).toString();
    if (state != QLatin1String(s->readOnly))
        mWritableSession = DataError { kErrCommand,
            QStringLiteral("The %1 session could not be made read-only (%2 gives %3): no statement is run on it.")
                .arg(mDbms, QLatin1String(s->read), state) };
    return {};
}

} // namespace moldrin::data
