#pragma once
// The one page model every report is laid out into before anything is
// drawn: sheets of positioned texts, lines, boxes and pictures, in points
// from the paper's top left corner. The catalogue reports, the data reports
// and the calibration sheets are all made of it, and one painter
// (pagepaint.h) puts it on screen, on a printer and into a PDF.
#include <QColor>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QVector>

namespace reports {

constexpr double kPointsPerMm = 72.0 / 25.4;

// True for the characters report text is made of (Chinese, full-width
// forms, digits, Latin, the cut mark): each is drawn as the font's glyph for
// it alone, so a string of them is as wide as its characters.
inline bool drawnAlone(char16_t c)
{
    return c < 0x0300 || c == 0x2026 || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFF00 && c <= 0xFFEF);
}

struct PageFont {
    QString family = QStringLiteral("宋体");
    double points = 9;
    bool bold = false;
    bool underline = false;

    // Spelled out: the PDF joiner's sources are built as C++17.
    bool operator==(const PageFont &o) const
    {
        return family == o.family && points == o.points && bold == o.bold && underline == o.underline;
    }
};

struct PageItem {
    enum class Kind { Text, Line, Box, Circle, Picture };
    Kind kind = Kind::Text;
    // Points from the paper's top left corner. A line runs from the rect's
    // top left to its bottom right corner; a text stands on one line in it,
    // at the top with Qt::AlignTop and in the middle otherwise.
    QRectF rect;
    QString text; // a text's characters; a picture's file
    Qt::Alignment align = Qt::AlignLeft;
    int font = 0; // a text's font: an index into its report's fonts
    double pen = 0.6; // points, for lines, boxes and circles
    QColor colour = Qt::black;
    QString name; // the form's control a data report's item prints, for whoever reads the pages
    QColor fill;  // a box's inside; none when invalid (a chart's bars are filled)

    static PageItem textAt(const QRectF &rect, const QString &text, Qt::Alignment align, int font,
                           const QColor &colour = Qt::black, const QString &name = {})
    {
        return {Kind::Text, rect, text, align, font, 0, colour, name, {}};
    }
    // A line, box or circle, drawn with a pen pen points wide.
    static PageItem drawn(Kind kind, const QRectF &rect, double pen, const QColor &colour = Qt::black,
                          const QString &name = {})
    {
        return {kind, rect, {}, {}, 0, pen, colour, name, {}};
    }
    // A box filled with fill and no outline.
    static PageItem filledBox(const QRectF &rect, const QColor &fill, const QString &name = {})
    {
        return {Kind::Box, rect, {}, {}, 0, 0, fill, name, fill};
    }
    static PageItem picture(const QRectF &rect, const QString &file, const QString &name)
    {
        return {Kind::Picture, rect, file, {}, 0, 0, Qt::black, name, {}};
    }
};

struct ReportPage {
    QVector<PageItem> items;
    QVector<int> rows; // indices of the selected rows placed on this page, in order
};

struct LaidOutReport {
    QString title;
    QSizeF pageSize; // points
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QVector<PageFont> fonts;
    QVector<ReportPage> pages;

    // The index of font in fonts, added when it is new.
    int fontIndex(const PageFont &font);
};

// The sheet of a report for a printer or a PDF: the whole paper from its
// corner, no margins; what the report places is where it lands.
QPageLayout paperLayout(const LaidOutReport &report);
// A report with no pages yet on that paper.
LaidOutReport blankReport(const QString &title, QPageSize::PageSizeId paper, QPageLayout::Orientation orientation);

} // namespace reports
