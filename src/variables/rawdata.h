// The raw data window's texts and highlighting: information line, column title, listing lines (no widgets).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace moldrin
{

// What the raw data window is told about the clicked point.
struct ClickedPoint {
    int series = 0; // gClickedSeries: 0 or 5
    int point = 0; // gClickedPoint, zero-based
    bool isIndividual = false; // gClickedIsIndividual
    double value = 0; // the clicked series' value at the point
    QString chartType; // chart type list text
    QString sampleSizeText; // sample size list text
};

// The heading of the listing columns.
QString RawDataColumnTitle();

// The clicked value as plain text, trimmed: what the listing lines are searched for.
QString ClickedValueText(double value);

// "Individual Chart, ...", "X-Bar Chart, ...", "Median Chart, ..." or "" for another chart type.
QString PlottedDataInfo(const ClickedPoint& clicked);

// The lines of a text file, unchanged. On failure `error` holds the description ("File not found" for a
// missing file) and the lines read up to then are returned.
QStringList ReadTextLines(const QString& path, QString* error);

// Lines of the listing file after its heading line, as ReadTextLines reads them.
QStringList ReadListingLines(const QString& path, QString* error);

struct RawDataHighlight {
    QList<int> lines; // list lines to select, ascending
    int current = -1; // line to make current, -1 for none
};

// The lines of the clicked reading (individual chart) or of the clicked subgroup of `sampleSize`
// readings; lines past the end of the listing are left out. The current line is the last of the
// subgroup's lines containing the clicked value text followed by a tab, when it lies above line 0.
RawDataHighlight HighlightRawData(const QStringList& lines, const ClickedPoint& clicked, int sampleSize);

} // namespace moldrin
