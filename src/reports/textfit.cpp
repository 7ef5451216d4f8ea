#include "reports/textfit.h"

namespace reports {

namespace {

// Sizes are tried in steps of this share, large enough that a long value
// takes few measurements.
constexpr double kStep = 0.97;
// Past this a value would no longer be readable on paper at all.
constexpr double kSmallestWholeShare = 0.3;

// The largest size from `from` down to `lowest` at which text fits; 0 for none.
double largestFitting(const QString &text, double from, double lowest, const FitsBox &fits)
{
    for (double p = from; p >= lowest; p *= kStep)
        if (fits(text, p))
            return p;
    return fits(text, lowest) ? lowest : 0;
}

} // namespace

FittedText fitText(const QString &text, double points, bool whole, const FitsBox &fits)
{
    if (text.isEmpty() || fits(text, points))
        return {text, points, false};
    const double smallest = points * kSmallestShare;
    if (const double p = largestFitting(text, points * kStep, smallest, fits))
        return {text, p, false};
    if (whole) {
        const double p = largestFitting(text, smallest * kStep, points * kSmallestWholeShare, fits);
        return {text, p > 0 ? p : points * kSmallestWholeShare, false};
    }
    // The longest beginning that fits with the mark after it.
    int low = 0;
    int high = int(text.size()) - 1;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (fits(text.left(mid) + cutMark(), smallest))
            low = mid;
        else
            high = mid - 1;
    }
    // A surrogate pair is never split.
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return {text.left(low) + cutMark(), smallest, true};
}

} // namespace reports
