// Loaders that copy an Access database or an Excel workbook into an SQLite database (in memory).
#pragma once

#include "data/access/dataerror.h"

#include <QString>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

namespace moldrin::data
{

// Every user table of the .mdb/.accdb file, read through libmdb; dates as "YYYY-MM-DD HH:MM:SS".
Status LoadAccessFile(const QString& path, sqlite3* db);

// Every worksheet as a table named <sheet>$; the first row gives the column names.
Status LoadXlsFile(const QString& path, sqlite3* db);
Status LoadXlsxFile(const QString& path, sqlite3* db);

// An OLE date (days since 1899-12-30; for negative values the fraction is still the time of day)
// as "YYYY-MM-DD HH:MM:SS", rounded to whole seconds.
QString OleDateText(double value);
// An Excel serial (1900 system with its leap-year bug, or the 1904 system) as "YYYY-MM-DD HH:MM:SS".
QString ExcelSerialText(double serial, bool date1904);

// Helper shared by the loaders: creates "name" with the columns (untyped, so values keep their own
// storage class) and prepares the INSERT. Column names that repeat get a numeric suffix.
class TableWriter
{
public:
    TableWriter(sqlite3* db, const QString& table, QStringList columns);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;
    Status status() const { return mStatus; }
    int columnCount() const { return static_cast<int>(mColumns.size()); }
    void setNull(int column);
    void setNumber(int column, double value);
    void setText(int column, const QString& value);
    Status insertRow(); // inserts the values set since the last row (unset columns are NULL)

private:
    Status fail(const QString& what);
    sqlite3* mDb;
    QStringList mColumns;
    sqlite3_stmt* mInsert = nullptr;
    Status mStatus;
};

} // namespace moldrin::data
