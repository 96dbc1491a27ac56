// An axis' ticks: round steps that fit its length, each label the text of its value.
#pragma once

#include <QString>

#include <functional>

namespace moldrin
{

// The text of an axis label: the value in the axis' format, without a trailing decimal point ("20." reads
// "20"), and "0" where the format leaves zero blank ("#,###"). `extraDecimals`: the decimals beyond the
// format's that every label of the axis shares (AxisExtraDecimals). Every axis label passes through here.
QString AxisLabelText(double value, const QString& format, int extraDecimals = 0);

// The decimals a format shows at most ("#,##0.0#" 2, "#,##0." 0).
int FormatDecimals(const QString& format);

// What an axis asks of its step.
struct TickRequest {
    double lower = 0, upper = 1; // the range the ticks cover
    double length = 0; // pixels along the axis
    double minimumStep = 0; // no finer step than this (the axis' set increment, 1 for whole numbers)
    int decimals = 2; // labels show this many decimals at most: the step is never finer than 10^-decimals
    // Pixels a label takes along the axis (its height on a vertical axis, its width on a horizontal one),
    // with the room kept free beside it; the axis' label of a value.
    std::function<double(double value)> labelExtent;
};

// The finest step of 1, 2 or 5 times a power of ten not below the request's minimum and decimals whose
// labels, at their values along the axis, stay apart. 0 when the range is empty or not finite.
double ChooseTickStep(const TickRequest& request);

} // namespace moldrin
