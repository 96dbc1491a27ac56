// The look every chart starts from, and the rules by which stored look values are read: one place for the
// chart templates, the windows and moldrin-report.
#pragma once

#include <QString>

#include <optional>

namespace moldrin
{

inline const QString kDefaultAxisLabelFormat = QStringLiteral("#,##0.00");
inline constexpr int kDefaultLabelArea = 38;
// Wider than any screen: a stored label area beyond it is no width.
inline constexpr int kMaximumLabelArea = 10000;
inline constexpr int kDefaultBarWidth = 75;
// A bar width in percent of the room a bar has, as the windows' scroll bars keep it.
inline constexpr int kMinimumBarWidth = 1;
inline constexpr int kMaximumBarWidth = 100;

// A stored label format: the text when not empty, else `fallback`.
QString LabelFormatFromText(const QString& stored, const QString& fallback = kDefaultAxisLabelFormat);
// A stored label area: the integer part of a number within +-kMaximumLabelArea, else `fallback`.
int LabelAreaFromText(const QString& stored, int fallback = kDefaultLabelArea);
// A stored check box of a chart window: a number 0 or 1; nothing for any other text (the box stays as built).
std::optional<bool> CheckFromText(const QString& stored);
// A stored bar width: the classic 16-bit whole number of the text; kDefaultBarWidth for 0 or a text that is
// not one.
int BarWidthFromText(const QString& stored);
// A bar width within kMinimumBarWidth..kMaximumBarWidth.
int BarWidthPercent(int width);
// The number a whole text reads as, blanks around it allowed ("38", " 40.7 "); nothing for any other text.
std::optional<double> NumberFromText(const QString& text);

} // namespace moldrin
