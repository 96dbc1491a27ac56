// Copies the worksheets of an .xlsx workbook (read with libzip and QXmlStreamReader) into SQLite.
#include "data/access/fileloaders.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QXmlStreamReader>

#include <sqlite3.h>
#include <zip.h>

#include <memory>
#include <optional>

namespace moldrin::data
{

namespace
{

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

// One archive member read by an XML reader. The member is read whole: readElementText cannot
// resume across chunk boundaries.
class MemberXml
{
public:
    MemberXml(zip_t* z, const QString& name)
    {
        zip_file_t* f = zip_fopen(z, name.toUtf8().constData(), 0);
        if (!f)
            return;
        QByteArray data;
        char buf[65536];
        zip_int64_t got;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0)
            data.append(buf, static_cast<qsizetype>(got));
        zip_fclose(f);
        mOk = got == 0;
        reader.addData(data);
    }
    bool ok() const { return mOk; }
    // Next token; false at the end or on an error.
    bool next()
    {
        reader.readNext();
        return !reader.atEnd() && !reader.hasError();
    }
    QString name() const { return reader.name().toString(); }
    bool isStart() const { return reader.isStartElement(); }
    bool isEnd() const { return reader.isEndElement(); }
    QString attr(const char* local) const
    {
        for (const QXmlStreamAttribute& a : reader.attributes())
            if (a.name() == QLatin1String(local))
                return a.value().toString();
        return {};
    }
    // Text up to the end of the current element (children's text included).
    QString text() { return reader.readElementText(QXmlStreamReader::IncludeChildElements); }
    QXmlStreamReader reader;

private:
    bool mOk = false;
};

bool HasMember(zip_t* z, const QString& name)
{
    return zip_name_locate(z, name.toUtf8().constData(), 0) >= 0;
}

bool IsDateFormatCode(QString code)
{
    code.remove(QRegularExpression(QStringLiteral(R"("[^"]*")")));
    code.remove(QRegularExpression(QStringLiteral(R"(\[[^\]]*\])")));
    code.remove(QRegularExpression(QStringLiteral(R"(\\.)")));
    return code.contains(QRegularExpression(QStringLiteral("[dmyhsDMYHS]")));
}

bool IsBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// Text of the <si>/<is> element the reader stands on: runs concatenated, phonetic runs skipped.
QString RichText(MemberXml& x, const QString& endName)
{
    QString out;
    int skip = 0;
    while (x.next()) {
        if (x.isStart()) {
            if (x.name() == QLatin1String("rPh"))
                ++skip;
            else if (x.name() == QLatin1String("t") && skip == 0)
                out += x.text();
        } else if (x.isEnd()) {
            if (x.name() == QLatin1String("rPh"))
                --skip;
            else if (x.name() == endName)
                break;
        }
    }
    return out;
}

int ColumnIndex(const QString& ref)
{
    int col = 0;
    for (QChar c : ref) {
        if (!c.isLetter())
            break;
        col = col * 26 + (c.toUpper().unicode() - 'A' + 1);
    }
    return col - 1;
}

struct Cell {
    enum Kind { Null, Number, Text } kind = Null;
    double number = 0;
    QString text;
};

// What the worksheets are read with: names and parts, the date system, shared strings and date styles.
struct Workbook {
    QList<QPair<QString, QString>> sheets; // name, r:id
    bool date1904 = false;
    QHash<QString, QString> targets; // r:id -> member
    QStringList shared;
    QList<bool> styleIsDate;
};

bool ReadSheetList(zip_t* z, Workbook& book)
{
    MemberXml x(z, QStringLiteral("xl/workbook.xml"));
    if (!x.ok())
        return false;
    while (x.next()) {
        if (!x.isStart())
            continue;
        if (x.name() == QLatin1String("sheet"))
            book.sheets.append({ x.attr("name"), x.attr("id") });
        else if (x.name() == QLatin1String("workbookPr")) {
            const QString v = x.attr("date1904");
            book.date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        }
    }
    MemberXml rels(z, QStringLiteral("xl/_rels/workbook.xml.rels"));
    while (rels.ok() && rels.next())
        if (rels.isStart() && rels.name() == QLatin1String("Relationship")) {
            QString t = rels.attr("Target");
            t = t.startsWith(u'/') ? t.mid(1) : QStringLiteral("xl/") + t;
            book.targets.insert(rels.attr("Id"), t);
        }
    return true;
}

void ReadSharedStringsAndStyles(zip_t* z, Workbook& book)
{
    if (HasMember(z, QStringLiteral("xl/sharedStrings.xml"))) {
        MemberXml x(z, QStringLiteral("xl/sharedStrings.xml"));
        while (x.ok() && x.next())
            if (x.isStart() && x.name() == QLatin1String("si"))
                book.shared << RichText(x, QStringLiteral("si"));
    }
    if (!HasMember(z, QStringLiteral("xl/styles.xml")))
        return;
    MemberXml x(z, QStringLiteral("xl/styles.xml"));
    QSet<int> customDates;
    bool inXfs = false;
    while (x.ok() && x.next()) {
        if (x.isStart() && x.name() == QLatin1String("numFmt")) {
            if (IsDateFormatCode(x.attr("formatCode")))
                customDates.insert(x.attr("numFmtId").toInt());
        } else if (x.isStart() && x.name() == QLatin1String("cellXfs")) {
            inXfs = true;
        } else if (x.isEnd() && x.name() == QLatin1String("cellXfs")) {
            inXfs = false;
        } else if (inXfs && x.isStart() && x.name() == QLatin1String("xf")) {
            const int id = x.attr("numFmtId").toInt();
            book.styleIsDate << (IsBuiltInDateFormat(id) || customDates.contains(id));
        }
    }
}

// The cell the reader stands on (<c>), read to its end: its value by its type and style, or nothing for
// an empty cell, an error value and a formula without a cached value. `header` keeps a number's text.
std::optional<Cell> ReadCell(MemberXml& x, const Workbook& book, bool header)
{
    const QString type = x.attr("t");
    const int style = x.attr("s").toInt();
    QString value;
    bool haveValue = false;
    // The cell's children: <v>, or <is> for inline strings.
    while (x.next()) {
        if (x.isEnd() && x.name() == QLatin1String("c"))
            break;
        if (x.isStart() && x.name() == QLatin1String("v")) {
            value = x.text();
            haveValue = true;
        } else if (x.isStart() && x.name() == QLatin1String("is")) {
            value = RichText(x, QStringLiteral("is"));
            haveValue = true;
        }
    }
    if (!haveValue || type == QLatin1String("e"))
        return std::nullopt;
    Cell cell;
    cell.kind = Cell::Text;
    if (type == QLatin1String("s")) {
        const int idx = value.toInt();
        cell.text = idx >= 0 && idx < book.shared.size() ? book.shared[idx] : QString();
    } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str")) {
        cell.text = value;
    } else if (type == QLatin1String("d")) {
        cell.text = value.left(19).replace(u'T', u' ');
    } else {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok)
            return std::nullopt; // formula without a cached value
        if (type != QLatin1String("b") && style >= 0 && style < book.styleIsDate.size() && book.styleIsDate[style]) {
            cell.text = ExcelSerialText(d, book.date1904);
        } else {
            cell.kind = Cell::Number;
            cell.number = d;
            if (header)
                cell.text = value;
        }
    }
    return cell;
}

// One worksheet as the table <name>$: its first row gives the column names.
class SheetCopy
{
public:
    SheetCopy(sqlite3* db, const QString& table)
        : mDb(db)
        , mTable(table)
    {
    }
    Status copy(MemberXml& x, const Workbook& book)
    {
        int nextCol = 0;
        while (x.next()) {
            if (x.isEnd() && x.name() == QLatin1String("row")) {
                if (Status s = flush())
                    return s;
            } else if (x.isStart() && x.name() == QLatin1String("row")) {
                nextCol = 0;
            } else if (x.isStart() && x.name() == QLatin1String("c")) {
                const QString ref = x.attr("r");
                const int col = ref.isEmpty() ? nextCol : ColumnIndex(ref);
                nextCol = col + 1;
                const std::optional<Cell> cell = ReadCell(x, book, !mWriter);
                if (cell && col >= 0)
                    mRow.insert(col, *cell);
            }
        }
        if (!mWriter) // an empty sheet still exists as a table without rows
            mWriter = std::make_unique<TableWriter>(mDb, mTable, QStringList { QStringLiteral("F1") });
        return {};
    }

private:
    Status flush()
    {
        if (mRow.isEmpty())
            return {};
        if (!mWriter) {
            QStringList names;
            const int width = mRow.lastKey() + 1;
            for (int c = 0; c < width; ++c)
                names << mRow.value(c).text;
            mWriter = std::make_unique<TableWriter>(mDb, mTable, names);
            mRow.clear();
            return mWriter->status();
        }
        for (auto it = mRow.cbegin(); it != mRow.cend(); ++it) {
            if (it->kind == Cell::Number)
                mWriter->setNumber(it.key(), it->number);
            else if (it->kind == Cell::Text)
                mWriter->setText(it.key(), it->text);
        }
        mRow.clear();
        return mWriter->insertRow();
    }
    sqlite3* mDb;
    QString mTable;
    std::unique_ptr<TableWriter> mWriter;
    QMap<int, Cell> mRow;
};

} // namespace

Status LoadXlsxFile(const QString& path, sqlite3* db)
{
    const Status bad
        = DataError { kErrConnect, QStringLiteral("External table is not in the expected format: ") + path };
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return DataError { kErrConnect, QStringLiteral("Cannot open the workbook ") + path };
    const QByteArray magic = probe.read(4);
    probe.close();
    if (magic != QByteArray("PK\x03\x04", 4))
        return bad;
    int zerr = 0;
    Zip z(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &zerr));
    Workbook book;
    if (!z || !ReadSheetList(z.get(), book))
        return bad;
    ReadSharedStringsAndStyles(z.get(), book);

    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const auto& sheet : std::as_const(book.sheets)) {
        MemberXml x(z.get(), book.targets.value(sheet.second));
        if (!x.ok())
            continue;
        Status s = SheetCopy(db, sheet.first + u'$').copy(x, book);
        if (!s && x.reader.hasError())
            s = bad;
        if (s) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return s;
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return {};
}

} // namespace moldrin::data
