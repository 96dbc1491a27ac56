// The number formatter for the format texts of the program ("#,##0.0###", "0000000", "#,##0.", ...).
#pragma once

#include "figure.h"

#include <QString>

#include <string>

namespace moldrin
{

// "0" is a digit always shown, "#" a digit shown only when significant, "," in the integer part
// groups thousands, "." is the decimal point (always shown when the format has one). Other
// characters before the first or after the last placeholder are copied. Halves round away
// from zero, as the classic Format() does. A number below 0.001 (not 0) is too small for the decimals
// of such formats: it gets the decimals that keep its digits (FigureDecimals), so that 1.2345e-6 shows
// "0.0000012345" through "#,##0.0###" as Round4 keeps it.
QString FormatNumber(double value, const QString& format);

// A format text read once, for formatting many numbers with it.
class NumberFormat
{
public:
    // extraDecimals: the decimals every number gets beyond the format's (the labels of an axis share one
    // scale, AxisExtraDecimals); -1: those a number below 0.001 needs to keep its digits.
    explicit NumberFormat(const QString& format, int extraDecimals = -1);
    QString format(double value) const;
    void appendTo(QString& out, double value) const;
    // The same text in UTF-8, for writers of many lines (no QString per number).
    void appendTo(std::string& out, double value) const;

private:
    std::string mPrefix, mSuffix; // UTF-8
    int mIntZeros = 0; // '0' placeholders in the integer part
    bool mGrouping = false;
    bool mHasPoint = false;
    int mFracZeros = 0; // required decimals
    int mFracDigits = 0; // all decimal placeholders
    int mExtraDecimals = -1;
};

// The decimals the labels of an axis from `lower` to `upper` show beyond its format: those its larger end
// needs to keep its digits, so that an axis of readings in amperes reads as one in microamperes would.
int AxisExtraDecimals(double lower, double upper);
// A number is formatted; a text such as "N/A" passes unchanged; an empty figure gives "".
QString FormatFigure(const Figure& value, const QString& format);

// Default text form of a number (shortest form that reads back, no exponent for the
// usual magnitudes), as a number converted to text without formatting.
QString NumberText(double value);
void AppendNumberText(std::string& out, double value);

} // namespace moldrin
