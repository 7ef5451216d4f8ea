#pragma once
// Lays a catalogue report out into pages of the page model (pagemodel.h)
// before anything is drawn: measured, then placed; "第 N 页 共 M 页" is filled in once
// the page count is known.
#include "reports/catalogue/rows.h"
#include "reports/page/pagemodel.h"
#include "reports/catalogue/definition.h"

#include <QDate>
#include <QFont>
#include <QHash>
#include <QRectF>
#include <QVector>
#include <functional>

namespace reports {

// The fonts of a catalogue report, in this order in its LaidOutReport's fonts.
enum class FontRole { Title, Note, Caption, Body, Bold };

// The font a role is drawn in, for a report whose body text has bodyPoints.
PageFont roleFont(FontRole role, double bodyPoints);
QFont reportFont(FontRole role, double bodyPoints);

// Measures report text, shortens free text to a width in points with "…"
// and breaks a value that must stay whole into lines of that width.
class TextFitter {
public:
    explicit TextFitter(double bodyPoints);
    double width(const QString &text, FontRole role);
    // The width of the widest cell of each of columns, in their order.
    QVector<double> widest(const QVector<ReportRow> &rows, const QVector<int> &columns, FontRole role);
    QString fit(const QString &text, FontRole role, double width);
    // Lines of at most width (a character too wide on its own takes a line),
    // broken after a "-", "/" or blank where that keeps half a line.
    QStringList wrap(const QString &text, FontRole role, double width);

private:
    struct Metrics;
    Metrics &metrics(FontRole role);
    double m_bodyPoints;
    QHash<int, std::shared_ptr<Metrics>> m_metrics;
};

// A report's title, paper and fonts, without pages.
LaidOutReport reportFrame(const ReportDefinition &definition);

// Hands each page to take as soon as it is complete, so a long report need
// not be held whole; page numbers already carry the count.
//
// Free text that does not fit its column ends in "…"; identifiers, dates and
// figures never do: their columns are widened to hold the widest value, from
// the room free text leaves unused, then from free text itself (down to three
// fifths of its column), and a value wider still takes more lines in its row.
void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const ReportHeading &heading, const std::function<void(ReportPage &&)> &take);

// The number of pages layoutReportPages hands on, found without placing anything.
int countReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                     const ReportHeading &heading);

// Hands on only pages first .. end-1 (from 0) of a report of pageCount pages,
// numbered as in the whole report; the pages before are counted, not placed.
void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const ReportHeading &heading, int pageCount, int first, int end,
                       const std::function<void(ReportPage &&)> &take);

LaidOutReport layoutReport(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                           const ReportHeading &heading);

} // namespace reports
