// Copies the user tables of an Access file into SQLite through libmdb (its SQL layer is not used).
#include "data/access/fileloaders.h"

#include <QFile>
#include <QStringList>

#include <glib.h> // before mdbtools.h, which would otherwise pull glib in with C linkage
#include <mdbtools.h>

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace moldrin::data
{

namespace
{
struct MdbCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
} // namespace

Status LoadAccessFile(const QString& path, sqlite3* db)
{
    const QByteArray native = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(native.constData(), MDB_NOFLAGS));
    if (!mdb)
        return DataError { kErrConnect,
            QStringLiteral("Cannot open the Access database ") + path
                + QStringLiteral(": unrecognized database format") };
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return DataError { kErrConnect, QStringLiteral("Cannot read the tables of ") + path };
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (unsigned int t = 0; t < mdb->num_catalog; ++t) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, t));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        MdbTableDef* table = mdb_read_table(entry);
        if (!table)
            continue;
        mdb_read_columns(table);
        mdb_rewind_table(table);
        const unsigned int ncols = table->num_cols;
        QStringList names;
        std::vector<MdbColumn*> cols(ncols);
        for (unsigned int i = 0; i < ncols; ++i) {
            cols[i] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            names << QString::fromUtf8(cols[i]->name);
        }
        std::vector<std::vector<char>> buffers(ncols, std::vector<char>(MDB_BIND_SIZE));
        std::vector<int> lengths(ncols, 0);
        mdb_set_bind_size(mdb.get(), MDB_BIND_SIZE);
        for (unsigned int i = 0; i < ncols; ++i)
            mdb_bind_column(table, static_cast<int>(i + 1), buffers[i].data(), &lengths[i]);
        TableWriter writer(db, QString::fromUtf8(entry->object_name), names);
        if (writer.status()) {
            mdb_free_tabledef(table);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return writer.status();
        }
        while (mdb_fetch_row(table)) {
            for (unsigned int i = 0; i < ncols; ++i) {
                MdbColumn* col = cols[i];
                const int c = static_cast<int>(i);
                if (col->col_type == MDB_BOOL) {
                    // a Boolean is held in the null bit: libmdb binds "1" or "0"
                    writer.setNumber(c, QByteArray(buffers[i].data(), lengths[i]).toInt());
                    continue;
                }
                if (lengths[i] == 0) {
                    writer.setNull(c);
                    continue;
                }
                const QByteArray raw(buffers[i].data(), lengths[i]);
                switch (col->col_type) {
                case MDB_BYTE:
                case MDB_INT:
                case MDB_LONGINT:
                case MDB_FLOAT:
                case MDB_DOUBLE:
                case MDB_MONEY:
                case MDB_NUMERIC:
                    writer.setNumber(c, raw.toDouble());
                    break;
                case MDB_DATETIME:
                    writer.setText(c, OleDateText(mdb_get_double(mdb->pg_buf, col->cur_value_start)));
                    break;
                default:
                    writer.setText(c, QString::fromUtf8(raw));
                }
            }
            if (Status s = writer.insertRow()) {
                mdb_free_tabledef(table);
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                return s;
            }
        }
        mdb_free_tabledef(table);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return {};
}

} // namespace moldrin::data
