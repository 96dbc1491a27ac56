// One small results dataset written into every engine the tests use, and helpers to read results back.
#pragma once

#include "data/access/connection.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <cmath>

namespace moldrin::test
{

struct SampleRow {
    QVariant serial, ate;
    QDateTime start;
    QString passFail, testId;
    QVariant vout; // double or null
    int inspected, defectives;
    QString startText; // the start time as a text column stores it; "yyyy-MM-dd HH:mm:ss" when empty
};

// 60 rows over 5 and 6 December 2026; rows 58 and 59 repeat rows 0 and 1 in serial, tester, time and
// value (so the grouped forms merge them); one null and one empty tester; a null, a 999 and a 0 reading.
inline QList<SampleRow> SampleRows()
{
    QList<SampleRow> rows;
    const QDateTime base(QDate(2026, 12, 5), QTime(8, 0));
    for (int i = 0; i < 60; ++i) {
        const int src = i >= 58 ? i - 58 : i;
        SampleRow r;
        r.serial = QStringLiteral("SN%1").arg(src, 3, 10, QLatin1Char('0'));
        r.ate = QStringLiteral("ATE-0%1").arg(src % 3 + 1);
        if (i == 7)
            r.ate = QVariant();
        if (i == 13)
            r.ate = QStringLiteral("");
        r.start = base.addSecs(qint64(src) * 37 * 60);
        r.passFail = i % 9 == 4 ? QStringLiteral("FAIL") : QStringLiteral("PASS");
        r.testId = i % 2 ? QStringLiteral("FT1") : QStringLiteral("FT2");
        r.vout = 5.0 + ((src * 7) % 11 - 5) * 0.01;
        if (i == 20)
            r.vout = QVariant();
        if (i == 21)
            r.vout = 999.0;
        if (i == 22)
            r.vout = 0.0;
        r.inspected = 40 + i % 7;
        r.defectives = (i * 5) % 4;
        rows << r;
    }
    return rows;
}

// Rows as sites write them: serials, verdicts, Test IDs and testers in other letter case, start times
// spelled with 'T' or with fractions of a second, and serials of digits that are text. The times fall
// between the minutes of SampleRows, so that no two rows of the same time differ.
inline QList<SampleRow> MixedRows()
{
    struct Mixed {
        const char *serial, *ate, *start, *passFail, *testId;
        double vout;
    };
    const Mixed mixed[] = {
        { "sn005", "ate 3", "2026-12-06T10:00:07", "Pass", "ft1", 5.03 },
        { "Sn105", "ATE 3", "2026-12-06 10:15:30.250", "pass", "FT1", 4.98 },
        { "SN106", "Ate 3", "2026-12-05T09:00:11.25", "PASS", "Ft1", 5.01 },
        { "12345678901234567890", "ATE-01", "2026-12-06T11:00:13", "PASS", "FT2", 5.02 },
        { "1E5", "ate-02", "2026-12-06T23:59:59", "PASS", "ft2", 4.99 },
        { "4711.50", "ATE-03", "2026-12-06 12:34:17", "fail", "FT1", 5.04 },
        { "0815", "ate-01", "2026-12-04T00:00:19", "PASS", "FT1", 5.05 },
    };
    QList<SampleRow> rows;
    int i = 0;
    for (const Mixed& m : mixed) {
        SampleRow r;
        r.serial = QString::fromLatin1(m.serial);
        r.ate = QString::fromLatin1(m.ate);
        r.startText = QString::fromLatin1(m.start);
        r.start = QDateTime::fromString(QString(r.startText).replace(u'T', u' '),
            r.startText.contains(u'.') ? QStringLiteral("yyyy-MM-dd HH:mm:ss.z")
                                       : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        r.passFail = QString::fromLatin1(m.passFail);
        r.testId = QString::fromLatin1(m.testId);
        r.vout = m.vout;
        r.inspected = 50 + i;
        r.defectives = i++ % 3;
        rows << r;
    }
    return rows;
}

inline const char* kSampleCreate
    = "CREATE TABLE Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, PassFail TEXT, TestID TEXT, "
      "VOUT_5V REAL, Inspected INTEGER, Defectives INTEGER)";

// Writes the rows into `db` (table Results), created by `create`.
inline bool WriteSampleRows(QSqlDatabase db, const QString& create = QString::fromLatin1(kSampleCreate),
    const QList<SampleRow>& rows = SampleRows())
{
    QSqlQuery q(db);
    if (!q.exec(create) || !db.transaction())
        return false;
    if (!q.prepare(QStringLiteral("INSERT INTO \"Results\" VALUES (?,?,?,?,?,?,?,?)")))
        return false;
    for (const SampleRow& r : rows) {
        q.bindValue(0, r.serial);
        q.bindValue(1, r.ate.isNull() ? QVariant(QMetaType(QMetaType::QString)) : r.ate);
        q.bindValue(2, r.startText.isEmpty() ? r.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : r.startText);
        q.bindValue(3, r.passFail);
        q.bindValue(4, r.testId);
        q.bindValue(5, r.vout.isNull() ? QVariant(QMetaType(QMetaType::Double)) : r.vout);
        q.bindValue(6, r.inspected);
        q.bindValue(7, r.defectives);
        if (!q.exec())
            return false;
    }
    return db.commit();
}

// Python (Debian's, which has openpyxl and xlwt) that writes the rows as sheet "Results".
inline QString SamplePython(bool xlsx, const QString& path, const QList<SampleRow>& sample = SampleRows())
{
    QString rows;
    for (const SampleRow& r : sample) {
        auto str = [](const QVariant& v) { return v.isNull() ? QStringLiteral("None") : u'\'' + v.toString() + u'\''; };
        rows += QStringLiteral("[%1,%2,datetime.datetime(%3),'%4','%5',%6,%7,%8],\n")
                    .arg(str(r.serial), str(r.ate),
                        r.start.toString(QStringLiteral("yyyy,M,d,H,m,s"))
                            + QStringLiteral(",%1").arg(r.start.time().msec() * 1000),
                        r.passFail, r.testId,
                        r.vout.isNull() ? QStringLiteral("None") : QString::number(r.vout.toDouble(), 'g', 17))
                    .arg(r.inspected)
                    .arg(r.defectives);
    }
    QString py = QStringLiteral("import datetime\nrows=[\n") + rows + QStringLiteral("]\n");
    py += QStringLiteral(
        "head=['SerialNumber','ATEID','TestStartTime','PassFail','TestID','VOUT_5V','Inspected','Defectives']\n");
    if (xlsx) {
        py += QStringLiteral("import openpyxl\nwb=openpyxl.Workbook()\nws=wb.active\nws.title='Results'\n"
                             "ws.append(head)\nfor r in rows:\n    ws.append([v if v!='' else None for v in r])\n"
                             "wb.create_sheet('Other data').append(['x',1])\nwb.save(r'%1')\n")
                  .arg(path);
    } else {
        py += QStringLiteral("import xlwt\nwb=xlwt.Workbook()\nws=wb.add_sheet('Results')\n"
                             "ds=xlwt.easyxf(num_format_str='YYYY-MM-DD hh:mm:ss')\n"
                             "for c,h in enumerate(head): ws.write(0,c,h)\n"
                             "for i,r in enumerate(rows):\n    for c,v in enumerate(r):\n"
                             "        if v is None or v=='': continue\n"
                             "        if isinstance(v,datetime.datetime): ws.write(i+1,c,v,ds)\n"
                             "        else: ws.write(i+1,c,v)\n"
                             "wb.add_sheet('Other data').write(0,0,'x')\nwb.save(r'%1')\n")
                  .arg(path);
    }
    return py;
}

// Runs Debian's python3 on the script; "" on success, else its error output.
inline QString RunDebianPython(const QString& script)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral("-c"), script });
    if (!p.waitForFinished(60000))
        return QStringLiteral("python3 did not finish");
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAllStandardError());
    return {};
}

inline QString CanonicalText(const QVariant& v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 10);
    return v.toString();
}

// All rows of the statement as canonical texts; the first item is the record count, or the error.
inline QList<QStringList> ReadAll(data::Connection& c, const QString& sql, const QStringList& aliases)
{
    QList<QStringList> out;
    data::Recordset rs;
    if (data::Status s = rs.Open(sql, c))
        return { { QStringLiteral("error %1: %2").arg(s->number).arg(s->description) } };
    out << QStringList { QString::number(rs.RecordCount()) };
    while (!rs.Eof()) {
        QStringList row;
        for (const QString& a : aliases) {
            auto f = rs.Fields(a);
            row << (f.error ? QStringLiteral("error") : CanonicalText(f.value));
        }
        out << row;
        if (rs.MoveNext())
            break;
    }
    return out;
}

inline QByteArray FileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace moldrin::test
