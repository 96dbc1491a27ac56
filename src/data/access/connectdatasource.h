// Opening the product's data source and reading its tester list ("Source Filter").
#pragma once

#include "data/access/connectionstring.h"

#include <QStringList>

namespace moldrin
{
struct AppState;
class Prompt;
} // namespace moldrin

namespace moldrin::data
{

struct ConnectResult {
    bool ok = false;
    QStringList testers; // the tester list's items, "<All>" last
    QString selected; // the list's text after the restore of SourceFilter
};

// Opens state.gConnection for the product (created when absent), sets gTableName and gDataSourceKind
// and reads the tester list. `values` are the [Database] values of ATE.INI and the product's TableName.
// Relative file names are taken from state.gINIPath when set (the configuration folder).
ConnectResult ConnectDataSource(const QString& product, const IniDatabase& values, AppState& state, Prompt& prompt);

// The [Database] values of the configuration folder's ATE.INI and the product's TableName of PRODUCTS.INI.
IniDatabase ReadIniDatabase(const QString& product, const AppState& state);

} // namespace moldrin::data
