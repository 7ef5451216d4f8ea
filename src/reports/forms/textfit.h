#pragma once
// Fitting a printed value into its box on a form. Nothing is cut silently
// and nothing is printed too small to read: a value too wide is first drawn
// smaller, down to three quarters of its size but never under 6.5 pt. A
// value that must stay whole (a date, a number, a code) then breaks onto
// further lines within its box's height, or runs on to the right into blank
// paper where the form has room, or breaks within that room; free text that
// still does not fit is cut with a mark where it was cut.
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace reports {

// The smallest share of its size a value is drawn at before anything else.
constexpr double kSmallestShare = 0.75;
// No value is printed smaller than this (unless its form gives it smaller).
constexpr double kSmallestPoints = 6.5;
// Where a value was cut.
inline QString cutMark() { return QStringLiteral("…"); }

// How texts measure in a font at a size, in points.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual double width(const QString &text, double points) = 0;
    // text broken into lines no wider than width where it can be: at word
    // boundaries (between any two Chinese characters); with anywhere, a run
    // longer than width is broken inside too.
    virtual QStringList lines(const QString &text, double points, double width, bool anywhere) = 0;
    virtual double lineHeight(double points) = 0;
    // How far glyphs may reach below a box and still count as inside it.
    virtual double descent(double points) = 0;
};

// Where a value may go, in points. runOn: as wide as the blank paper to the
// box's right allows, one line high; room: the box grown right and down
// into blank paper. Both start at the box's corner and hold the box.
struct FitSpace {
    QSizeF box;
    QSizeF runOn;
    QSizeF room;
};

struct FittedText {
    QStringList lines;  // one item a line, top to bottom
    double points = 0;
    bool cut = false;
    bool runsOn = false; // wider than the box: into the room to its right

    bool operator==(const FittedText &) const = default;
};

// text at points, fitted by the rules above. whole: never cut.
FittedText fitText(const QString &text, double points, bool whole, const FitSpace &space, TextMeasure &measure);

} // namespace reports
