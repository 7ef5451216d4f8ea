#pragma once
// Lays a report out into pages of placed text and lines, in points, before
// anything is drawn: measured, then placed; "第 N 页 共 M 页" is filled in once
// the page count is known.
#include "reports/enginedata.h"
#include "reports/reportdefinition.h"

#include <QDate>
#include <QFont>
#include <QHash>
#include <QRectF>
#include <QVector>
#include <functional>

namespace reports {

enum class FontRole { Title, Note, Caption, Body, Bold };

struct PageItem {
    enum class Kind { Text, Line };
    Kind kind = Kind::Text;
    QRectF rect; // points from the page's top left; a line runs along the rect's top edge
    QString text;
    Qt::Alignment align = Qt::AlignLeft;
    FontRole font = FontRole::Body;
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
    double bodyPoints = 9;
    QVector<ReportPage> pages;
};

// The font a role is drawn in, for a report whose body text has bodyPoints.
QFont reportFont(FontRole role, double bodyPoints);

// True for the characters report text is made of (Chinese, full-width
// forms, digits, Latin): each is drawn as the font's glyph for it alone, so
// a string of them is as wide as its characters.
bool drawnAlone(char16_t c);

// Shortens text to a width in points with "…", measuring only when it may not fit.
class TextFitter {
public:
    explicit TextFitter(double bodyPoints);
    QString fit(const QString &text, FontRole role, double width);

private:
    struct Metrics;
    double m_bodyPoints;
    QHash<int, std::shared_ptr<Metrics>> m_metrics;
};

// What a report says above a group, below it and at its end; its spreadsheet
// says the same.
QString groupHeading(const ReportDefinition &definition, const QString &group);
QString subtotalLabel(int rows);
QString totalLabel(int rows);

// A report's title, paper and fonts, without pages.
LaidOutReport reportFrame(const ReportDefinition &definition);

// Hands each page to take as soon as it is complete, so a long report need
// not be held whole; page numbers already carry the count.
void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const QDate &printed, const std::function<void(ReportPage &&)> &take);

// The number of pages layoutReportPages hands on, found without placing anything.
int countReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows, const QDate &printed);

// Hands on only pages first .. end-1 (from 0) of a report of pageCount pages,
// numbered as in the whole report; the pages before are counted, not placed.
void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const QDate &printed, int pageCount, int first, int end,
                       const std::function<void(ReportPage &&)> &take);

LaidOutReport layoutReport(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                           const QDate &printed);

} // namespace reports
