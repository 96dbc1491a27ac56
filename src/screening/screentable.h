// The screen as a table, shared by the HTML page and the window: columns, cell texts and sort keys, the
// CpK colour bands, the sort, and the selection the screen was read with.
#pragma once

#include "screening/screening.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace moldrin::screening
{

// Rows are coloured by CpK: below kCpKPoor, below kCpKMarginal, capable from there, and N/A.
inline constexpr double kCpKPoor = 1.0;
inline constexpr double kCpKMarginal = 1.33;
enum class CpKBand { Poor, Marginal, Capable, NA };
inline constexpr CpKBand kCpKBands[] = { CpKBand::Poor, CpKBand::Marginal, CpKBand::Capable, CpKBand::NA };
CpKBand BandOf(const Figure& cpk);
// The band in a colour key: "below 1.00", "below 1.33", "capable", "N/A".
QString BandLabel(CpKBand band);

// A band's colours as "#rrggbb": the row's background, and the stronger one of its CpK cell and legend key.
struct BandColours {
    const char* row;
    const char* key;
};
BandColours ColoursOf(CpKBand band);

// The marker of a parameter whose testers differ, and its colour.
inline const QString kTesterFlag = QStringLiteral("\u2691");
inline constexpr const char* kTesterFlagColour = "#bb0000";

// Figures are shown with up to four decimals, counts with thousands separators.
inline const QString kScreenFigureFormat = QStringLiteral("#,##0.0###");
inline const QString kScreenCountFormat = QStringLiteral("#,##0");

// The table's columns: Parameter, Unit, LSL, USL, n, Mean, Std Dev, Est Sigma, Cp, CpK, Pp, PpK, Out of
// spec, ppm, R1 ... R7, Tester p.
enum ScreenColumn : int {
    kColParameter,
    kColUnit,
    kColLsl,
    kColUsl,
    kColN,
    kColMean,
    kColStdDev,
    kColEstSigma,
    kColCp,
    kColCpK,
    kColPp,
    kColPpK,
    kColOutOfSpec,
    kColPpm,
    kColR1,
    kColTesterP = kColR1 + kRuleHitCount,
    kScreenColumnCount
};
QStringList ScreenHeadings();
bool IsTextColumn(int column); // Parameter and Unit

// A cell: its text and what it sorts by: a QString (text columns), a double, or nothing for "N/A" and an
// empty text.
struct ScreenCell {
    QString text;
    QVariant key;
};
// The cells of one parameter, by ScreenColumn. The Tester p cell carries no marker (the page and the window
// mark it their own way).
QList<ScreenCell> ScreenCells(const ParameterScreen& p);
// The p-value as shown: "<0.0001" below 0.0001, else four decimals; "N/A" where absent.
QString TesterPText(const Figure& p);
// "ATE-01: 99.9912": a tester's name and mean.
QString TesterMeanText(const TesterFigures& t);
QString CountText(std::int64_t n);

// The order in which to show `rows` sorted by `column`: numbers by value, texts without regard to case,
// "N/A" last in either order; rows that compare equal keep their order.
QList<int> ScreenOrder(const QList<QList<ScreenCell>>& rows, int column, Qt::SortOrder order);

// One condition of the selection: its JSON key and value (text, flag or number).
struct SelectionEntry {
    QString key;
    QJsonValue value;
};
// The selection a screen was read with, in the order of the main window's panel: range (with from and to
// for Custom), tester, Test ID, serial, the three switches, the chart of the rule hits and its group size.
QList<SelectionEntry> ScreenSelection(
    const AppState& state, const data::PlotSelection& selection, const ScreenResult& result);
// The entries as one line of HTML: "Range <b>All</b> &middot; Tester <b>&lt;All&gt;</b> ...", flags shown as
// yes / no and an empty text as "any".
QString SelectionHtml(const QList<SelectionEntry>& selection);

} // namespace moldrin::screening
