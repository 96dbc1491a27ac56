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

} // namespace

Status LoadXlsxFile(const QString& path, sqlite3* db)
{
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return DataError { kErrConnect, QStringLiteral("Cannot open the workbook ") + path };
    const QByteArray magic = probe.read(4);
    probe.close();
    if (magic != QByteArray("PK\x03\x04", 4))
        return DataError { kErrConnect, QStringLiteral("External table is not in the expected format: ") + path };
    int zerr = 0;
    Zip z(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &zerr));
    if (!z)
        return DataError { kErrConnect, QStringLiteral("External table is not in the expected format: ") + path };
    const Status bad
        = DataError { kErrConnect, QStringLiteral("External table is not in the expected format: ") + path };

    // Workbook: sheet names and relation ids, date system.
    QList<QPair<QString, QString>> sheets; // name, r:id
    bool date1904 = false;
    {
        MemberXml x(z.get(), QStringLiteral("xl/workbook.xml"));
        if (!x.ok())
            return bad;
        while (x.next()) {
            if (!x.isStart())
                continue;
            if (x.name() == QLatin1String("sheet"))
                sheets.append({ x.attr("name"), x.attr("id") });
            else if (x.name() == QLatin1String("workbookPr")) {
                const QString v = x.attr("date1904");
                date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            }
        }
    }
    QHash<QString, QString> targets;
    {
        MemberXml x(z.get(), QStringLiteral("xl/_rels/workbook.xml.rels"));
        while (x.ok() && x.next())
            if (x.isStart() && x.name() == QLatin1String("Relationship")) {
                QString t = x.attr("Target");
                t = t.startsWith(u'/') ? t.mid(1) : QStringLiteral("xl/") + t;
                targets.insert(x.attr("Id"), t);
            }
    }
    QStringList shared;
    if (HasMember(z.get(), QStringLiteral("xl/sharedStrings.xml"))) {
        MemberXml x(z.get(), QStringLiteral("xl/sharedStrings.xml"));
        while (x.ok() && x.next())
            if (x.isStart() && x.name() == QLatin1String("si"))
                shared << RichText(x, QStringLiteral("si"));
    }
    QList<bool> styleIsDate;
    if (HasMember(z.get(), QStringLiteral("xl/styles.xml"))) {
        MemberXml x(z.get(), QStringLiteral("xl/styles.xml"));
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
                styleIsDate << (IsBuiltInDateFormat(id) || customDates.contains(id));
            }
        }
    }

    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const auto& sheet : sheets) {
        const QString sheetName = sheet.first; // a plain name: lambdas below capture it
        const QString member = targets.value(sheet.second);
        MemberXml x(z.get(), member);
        if (!x.ok())
            continue;
        std::unique_ptr<TableWriter> writer;
        QMap<int, Cell> row;
        bool header = true;
        auto flush = [&]() -> Status {
            if (row.isEmpty())
                return {};
            if (header) {
                QStringList names;
                const int width = row.lastKey() + 1;
                for (int c = 0; c < width; ++c)
                    names << row.value(c).text;
                writer = std::make_unique<TableWriter>(db, sheetName + u'$', names);
                header = false;
                row.clear();
                return writer->status();
            }
            for (auto it = row.cbegin(); it != row.cend(); ++it) {
                if (it->kind == Cell::Number)
                    writer->setNumber(it.key(), it->number);
                else if (it->kind == Cell::Text)
                    writer->setText(it.key(), it->text);
            }
            row.clear();
            return writer->insertRow();
        };
        int nextCol = 0;
        while (x.next()) {
            if (x.isEnd() && x.name() == QLatin1String("row")) {
                if (Status s = flush()) {
                    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                    return s;
                }
                continue;
            }
            if (!x.isStart())
                continue;
            if (x.name() == QLatin1String("row")) {
                nextCol = 0;
                continue;
            }
            if (x.name() != QLatin1String("c"))
                continue;
            const QString ref = x.attr("r");
            const int col = ref.isEmpty() ? nextCol : ColumnIndex(ref);
            nextCol = col + 1;
            const QString type = x.attr("t");
            const int style = x.attr("s").toInt();
            QString value;
            bool haveValue = false;
            // Read the cell's children: <v>, or <is> for inline strings.
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
            if (!haveValue || col < 0)
                continue;
            Cell cell;
            if (type == QLatin1String("s")) {
                const int idx = value.toInt();
                cell.kind = Cell::Text;
                cell.text = idx >= 0 && idx < shared.size() ? shared[idx] : QString();
            } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str")) {
                cell.kind = Cell::Text;
                cell.text = value;
            } else if (type == QLatin1String("e")) {
                continue;
            } else if (type == QLatin1String("d")) {
                cell.kind = Cell::Text;
                cell.text = value.left(19).replace(u'T', u' ');
            } else {
                bool ok = false;
                const double d = value.toDouble(&ok);
                if (!ok)
                    continue; // formula without a cached value
                if (type != QLatin1String("b") && style >= 0 && style < styleIsDate.size() && styleIsDate[style]) {
                    cell.kind = Cell::Text;
                    cell.text = ExcelSerialText(d, date1904);
                } else {
                    cell.kind = Cell::Number;
                    cell.number = d;
                }
            }
            if (header && cell.kind == Cell::Number)
                cell.text = value;
            row.insert(col, cell);
        }
        if (x.reader.hasError()) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return bad;
        }
        if (!writer) // an empty sheet still exists as a table without rows
            writer = std::make_unique<TableWriter>(db, sheetName + u'$', QStringList { QStringLiteral("F1") });
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return {};
}

} // namespace moldrin::data
