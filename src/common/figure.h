// A statistic that is a number, the text "N/A" (cannot be computed), or not set yet.
#pragma once

#include <QString>

namespace moldrin
{

class Figure
{
public:
    Figure() = default; // empty: not computed yet
    Figure(double v)
        : mKind(Kind::Number)
        , mValue(v)
    {
    } // NOLINT: a number is a figure
    static Figure na() { return text(QStringLiteral("N/A")); }
    static Figure text(const QString& t)
    {
        Figure f;
        f.mKind = Kind::Text;
        f.mText = t;
        return f;
    }

    bool isEmpty() const { return mKind == Kind::Empty; }
    bool isNumber() const { return mKind == Kind::Number; }
    bool isText() const { return mKind == Kind::Text; }
    bool isNA() const { return isText() && mText == QLatin1String("N/A"); }
    double value() const { return mKind == Kind::Number ? mValue : 0.0; }
    const QString& textValue() const { return mText; }

    bool operator==(const Figure& o) const
    {
        return mKind == o.mKind && (mKind != Kind::Number || mValue == o.mValue)
            && (mKind != Kind::Text || mText == o.mText);
    }

private:
    enum class Kind { Empty, Number, Text };
    Kind mKind = Kind::Empty;
    double mValue = 0.0;
    QString mText;
};

// Specification-limit sentinels: either value in either limit means "no limit".
inline constexpr double kNoUpperLimit = 999.0;
inline constexpr double kNoLowerLimit = -999.0;
inline bool IsLimitSentinel(double v)
{
    return v == kNoUpperLimit || v == kNoLowerLimit;
}

} // namespace moldrin
