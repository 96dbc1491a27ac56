// Copies the worksheets of an .xls workbook (BIFF, read through FreeXL) into SQLite.
#include "data/access/fileloaders.h"

#include <QFile>
#include <QStringList>

#include <freexl.h>
#include <sqlite3.h>

namespace moldrin::data
{

namespace
{
struct XlsHandle {
    const void* h = nullptr;
    ~XlsHandle()
    {
        if (h)
            freexl_close(h);
    }
};

QString CellText(const FreeXL_CellValue& v)
{
    switch (v.type) {
    case FREEXL_CELL_INT:
        return QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return QString::number(v.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(v.value.text_value);
    default:
        return {};
    }
}
} // namespace

Status LoadXlsFile(const QString& path, sqlite3* db)
{
    XlsHandle xls;
    const QByteArray native = QFile::encodeName(path);
    if (freexl_open(native.constData(), &xls.h) != FREEXL_OK)
        return DataError { kErrConnect, QStringLiteral("External table is not in the expected format: ") + path };
    unsigned int sheets = 0;
    freexl_get_info(xls.h, FREEXL_BIFF_SHEET_COUNT, &sheets);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (unsigned int s = 0; s < sheets; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(xls.h, static_cast<unsigned short>(s), &name) != FREEXL_OK
            || freexl_select_active_worksheet(xls.h, static_cast<unsigned short>(s)) != FREEXL_OK)
            continue;
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_worksheet_dimensions(xls.h, &rows, &cols) != FREEXL_OK)
            continue;
        QStringList header;
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            header << (rows > 0 && freexl_get_cell_value(xls.h, 0, c, &v) == FREEXL_OK ? CellText(v) : QString());
        }
        TableWriter writer(db, QString::fromUtf8(name) + u'$', header);
        if (writer.status()) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return writer.status();
        }
        for (unsigned int r = 1; r < rows; ++r) {
            bool any = false;
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(xls.h, r, c, &v) != FREEXL_OK)
                    v.type = FREEXL_CELL_NULL;
                switch (v.type) {
                case FREEXL_CELL_INT:
                    writer.setNumber(c, v.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    writer.setNumber(c, v.value.double_value);
                    break;
                case FREEXL_CELL_DATE:
                    writer.setText(c, QString::fromUtf8(v.value.text_value) + QStringLiteral(" 00:00:00"));
                    break;
                case FREEXL_CELL_TIME:
                    writer.setText(c, QStringLiteral("1899-12-30 ") + QString::fromUtf8(v.value.text_value));
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATETIME:
                    writer.setText(c, QString::fromUtf8(v.value.text_value));
                    break;
                default:
                    writer.setNull(c);
                    continue;
                }
                any = true;
            }
            if (!any)
                continue; // a blank row is no record
            if (Status st = writer.insertRow()) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                return st;
            }
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return {};
}

} // namespace moldrin::data
