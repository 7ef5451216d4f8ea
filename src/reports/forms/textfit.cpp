#include "reports/forms/textfit.h"

#include <algorithm>
#include <optional>

namespace reports {

namespace {

// Sizes are tried in steps of this share, large enough that a long value
// takes few measurements.
constexpr double kStep = 0.97;
// Measurements are in floating point; a hair over is still inside.
constexpr double kSlack = 0.01;

// The first fit from size `from` down to `lowest`, `lowest` tried last.
template <typename Try>
std::optional<FittedText> firstSize(double from, double lowest, const Try &attempt)
{
    for (double p = from; p > lowest; p *= kStep)
        if (std::optional<FittedText> fitted = attempt(p))
            return fitted;
    return attempt(lowest);
}

bool linesFit(const QStringList &lines, double points, const QSizeF &space, TextMeasure &measure)
{
    if (lines.size() * measure.lineHeight(points) > space.height() + measure.descent(points) + kSlack)
        return false;
    return std::all_of(lines.begin(), lines.end(), [&](const QString &line) {
        return measure.width(line, points) <= space.width() + kSlack;
    });
}

// How many lines of size points a height holds; at least one.
int linesIn(double height, double points, TextMeasure &measure)
{
    return std::max(1, int((height + measure.descent(points) + kSlack) / measure.lineHeight(points)));
}

// On one line, or broken over the lines the box holds; inside words only when anywhere.
std::optional<FittedText> inBox(const QString &text, double points, const QSizeF &box, TextMeasure &measure,
                                bool anywhere)
{
    if (measure.width(text, points) <= box.width() + kSlack)
        return FittedText{{text}, points};
    if (linesIn(box.height(), points, measure) < 2)
        return std::nullopt;
    const QStringList lines = measure.lines(text, points, box.width(), anywhere);
    if (linesFit(lines, points, box, measure))
        return FittedText{lines, points};
    return std::nullopt;
}

// A value that must stay whole, at any size down to the smallest readable
// one: on one line in its box or running on into the blank paper to its
// right; else broken over the lines its box holds, or over the blank paper
// beside and below it.
FittedText fitWhole(const QString &text, double points, double smallest, const FitSpace &space,
                    TextMeasure &measure)
{
    const bool roomIsWider = space.room.width() > space.box.width() + kSlack;
    std::optional<FittedText> fitted = firstSize(points, smallest, [&](double p) -> std::optional<FittedText> {
        if (measure.width(text, p) <= space.box.width() + kSlack)
            return FittedText{{text}, p};
        if (measure.width(text, p) <= space.runOn.width() + kSlack)
            return FittedText{{text}, p, false, true};
        return std::nullopt;
    });
    if (!fitted)
        fitted = firstSize(points, smallest, [&](double p) -> std::optional<FittedText> {
            if (std::optional<FittedText> boxed = inBox(text, p, space.box, measure, true))
                return boxed;
            const QStringList lines = measure.lines(text, p, space.room.width(), true);
            if (linesFit(lines, p, space.room, measure))
                return FittedText{lines, p, false, roomIsWider};
            return std::nullopt;
        });
    if (fitted)
        return *fitted;
    // Longer than the form has room for: still whole and readable, reaching below.
    return {measure.lines(text, smallest, space.room.width(), true), smallest, false, roomIsWider};
}

// Free text: the longest beginning that fits the box with the mark after it.
FittedText cutToBox(const QString &text, double points, const QSizeF &box, TextMeasure &measure)
{
    const int maxLines = linesIn(box.height(), points, measure);
    const auto linesOf = [&](int length) {
        const QString shown = text.left(length) + cutMark();
        return maxLines > 1 ? measure.lines(shown, points, box.width(), true) : QStringList{shown};
    };
    const auto fits = [&](int length) {
        const QStringList lines = linesOf(length);
        return lines.size() <= maxLines && linesFit(lines, points, box, measure);
    };
    int low = 0;
    int high = int(text.size()) - 1;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (fits(mid))
            low = mid;
        else
            high = mid - 1;
    }
    // A surrogate pair is never split.
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return {linesOf(low), points, true};
}

} // namespace

FittedText fitText(const QString &text, double points, bool whole, const FitSpace &space, TextMeasure &measure)
{
    if (text.isEmpty() || measure.width(text, points) <= space.box.width() + kSlack)
        return {{text}, points};
    const double smallest = std::min(points, kSmallestPoints);
    const double shrunk = std::max(points * kSmallestShare, smallest);
    if (std::optional<FittedText> fitted =
            firstSize(points, shrunk, [&](double p) { return inBox(text, p, space.box, measure, false); }))
        return *fitted;
    if (whole)
        return fitWhole(text, points, smallest, space, measure);
    return cutToBox(text, shrunk, space.box, measure);
}

} // namespace reports
