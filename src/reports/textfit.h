#pragma once
// Fitting a printed value into its box on a form. Nothing is cut silently:
// a value too wide is first drawn smaller, down to about three quarters of
// its size; free text that still does not fit is cut with a mark where it
// was cut, and a value that must stay whole is drawn as small as it takes.
#include <QString>
#include <functional>

namespace reports {

// The smallest share of its size a value is drawn at before it is cut.
constexpr double kSmallestShare = 0.75;
// Where a value was cut.
inline QString cutMark() { return QStringLiteral("…"); }

struct FittedText {
    QString text;
    double points = 0;
    bool cut = false;

    bool operator==(const FittedText &) const = default;
};

// fits(text, points): whether text at that size fits the box.
using FitsBox = std::function<bool(const QString &text, double points)>;

// text at points, fitted by the rules above. whole: never cut.
FittedText fitText(const QString &text, double points, bool whole, const FitsBox &fits);

} // namespace reports
