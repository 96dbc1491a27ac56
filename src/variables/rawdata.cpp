// The raw data window's texts and highlighting.
#include "variables/rawdata.h"

#include "common/numberformat.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cmath>

namespace moldrin
{

namespace
{

// A list text as shown through "#,##0": its number formatted, other text as it stands.
QString WholeNumberText(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? FormatNumber(v, QStringLiteral("#,##0")) : text;
}

// The integer value of a list text: its leading number with the fraction dropped, 0 when none.
long long IntegerValue(const QString& text)
{
    const QString t = text.trimmed();
    int end = 0;
    if (end < t.size() && (t[end] == '-' || t[end] == '+'))
        ++end;
    while (end < t.size() && t[end].isDigit())
        ++end;
    bool ok = false;
    const long long v = t.left(end).toLongLong(&ok);
    return ok ? v : 0;
}

} // namespace

QString RawDataColumnTitle()
{
    return QStringLiteral("Value           Source              Date/Time") + QString(40, QLatin1Char(' '))
        + QStringLiteral(" Unit Ref.");
}

QString ClickedValueText(double value)
{
    return NumberText(value).trimmed();
}

QString PlottedDataInfo(const ClickedPoint& c)
{
    const QString k = FormatNumber(c.point + 1.0, QStringLiteral("#,##0"));
    const QString n = WholeNumberText(c.sampleSizeText);
    const QString v = FormatNumber(ClickedValueText(c.value).toDouble(), QStringLiteral("#,##0.0###"));
    if (c.isIndividual)
        return QStringLiteral("Individual Chart, Sample Number = ") + k + QStringLiteral(", Value = ") + v;
    const bool combined = c.chartType == QLatin1String("X-Bar-R-Median-s");
    const QString subgroup = QStringLiteral(", Sub-Group = ") + k + QStringLiteral(" Size = ") + n;
    if (c.chartType == QLatin1String("X-Bar-R") || c.chartType == QLatin1String("X-Bar-s")
        || (combined && c.series == 5))
        return QStringLiteral("X-Bar Chart") + subgroup + QStringLiteral(", Average Value = ") + v;
    if (c.chartType == QLatin1String("Median-R") || c.chartType == QLatin1String("Median-s")
        || (combined && c.series == 0)) {
        const bool odd = IntegerValue(c.sampleSizeText) % 2 != 0;
        return QStringLiteral("Median Chart") + subgroup
            + (odd ? QStringLiteral(", Middle Value = ") : QStringLiteral(", Avg. form 2 Middle Values = ")) + v;
    }
    return QString();
}

QStringList ReadTextLines(const QString& path, QString* error)
{
    QStringList lines;
    QFile file(path);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("File not found");
        return lines;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return lines;
    }
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    if (in.status() != QTextStream::Ok && error)
        *error = file.errorString();
    return lines;
}

QStringList ReadListingLines(const QString& path, QString* error)
{
    QStringList lines = ReadTextLines(path, error);
    if (!lines.isEmpty())
        lines.removeFirst(); // the heading
    return lines;
}

RawDataHighlight HighlightRawData(const QStringList& lines, const ClickedPoint& c, int sampleSize)
{
    RawDataHighlight h;
    if (c.point < 0)
        return h;
    if (c.isIndividual) {
        if (c.point < lines.size())
            h.lines << c.point;
        return h;
    }
    if (sampleSize < 1)
        return h;
    const QString needle = ClickedValueText(c.value) + QLatin1Char('\t');
    int found = -1;
    const qint64 first = static_cast<qint64>(c.point) * sampleSize;
    for (qint64 line = first; line < first + sampleSize && line < lines.size(); ++line) {
        h.lines << static_cast<int>(line);
        if (lines[line].contains(needle))
            found = static_cast<int>(line);
    }
    if (found > 0)
        h.current = found;
    return h;
}

} // namespace moldrin
