#pragma once
// Lays a catalogue report out into pages of the page model (pagemodel.h)
// before anything is drawn: measured, then placed; "第 N 页 共 M 页" is filled in once
// the page count is known.
#include "reports/enginedata.h"
#include "reports/pagemodel.h"
#include "reports/reportdefinition.h"

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
