// A configuration of one product whose readings are small currents and capacitances: the same 500 readings
// in microamperes (I_UA, about 1.2), in amperes (I_A, about 1.2e-6), at nano- (I_NA) and pico-scale (C_PF),
// each with limits 0 and 1.5 of its unit. Subgroups 91 to 95 (of 5) lie 0.06 uA higher.
#pragma once

#include "resultstable.h"

#include <QDir>
#include <QFile>

namespace moldrin::test
{

struct LeakageColumn {
    const char* column;
    int exponent; // the readings are the microampere figures times 10^exponent
    const char* usl;
};
inline constexpr LeakageColumn kLeakageColumns[] = { { "I_UA", 0, "1.5" }, { "I_A", -6, "0.0000015" },
    { "I_NA", -9, "0.0000000015" }, { "C_PF", -12, "0.0000000000015" } };
inline constexpr int kLeakageReadings = 500;

// Reading i in thousandths of a microampere.
inline int LeakageMilli(int i)
{
    return 1200 + (i * 37) % 101 - 50 + (i >= 450 && i < 475 ? 60 : 0);
}

// The reading as the database holds it: the nearest double to the decimal.
inline double LeakageReading(int i, int exponent)
{
    return QStringLiteral("%1e%2").arg(LeakageMilli(i)).arg(exponent - 3).toDouble();
}

// Writes ATE.INI, PRODUCTS.INI (product "LEAK") and leak.db into `dir`; "" or the failure.
inline QString WriteLeakageConfiguration(const QString& dir)
{
    QString spec;
    QStringList columns;
    int line = 1;
    for (const LeakageColumn& c : kLeakageColumns) {
        columns << QString::fromLatin1(c.column);
        spec += QStringLiteral("%1=%2,0,%3,,A,T%1,%2\n").arg(line++).arg(c.column, c.usl);
    }
    const auto write = [&](const char* name, const QString& text) {
        QFile f(QDir(dir).filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::WriteOnly) && f.write(text.toLatin1()) == text.toLatin1().size();
    };
    if (!write("ATE.INI",
            QStringLiteral("[ATE Configuration]\nTestProduct=LEAK\nTestID=FT1\nTestIDDefault=FT1\n\n[Database]\n"
                           "DatabaseName=leak.db\n"))
        || !write("PRODUCTS.INI",
            QStringLiteral("[LEAK]\nTableName=Results\nTestID=TestID\nTestStartTime=TestStartTime\nSerialNumber="
                           "SerialNumber\nPassFail=PassFail\nATEID=ATEID\nPassIdentical=PASS\n\n[LEAK Spec]\n")
                + spec + QStringLiteral("%1=<EOT>\n").arg(line)))
        return QStringLiteral("cannot write the INI files");
    QList<ResultRow> rows;
    const QDateTime start(QDate(2026, 11, 2), QTime(8, 0));
    for (int i = 0; i < kLeakageReadings; ++i) {
        ResultRow r { QStringLiteral("SN%1").arg(i), QStringLiteral("ATE-01"), start.addSecs(i), {} };
        for (const LeakageColumn& c : kLeakageColumns)
            r.values << LeakageReading(i, c.exponent);
        rows << r;
    }
    return WriteResultsTable(QDir(dir).filePath(QStringLiteral("leak.db")), columns, rows);
}

} // namespace moldrin::test
