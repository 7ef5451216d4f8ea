#pragma once
// Draws laid-out pages. Preview, printer and PDF all go through paintReportPage.
#include "reports/enginelayout.h"

class QPainter;
class QPrinter;

namespace reports {

// Draws page `index` with the page's top left at the painter's origin, scale
// device units per point.
void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale);

// Writes every page to a PDF file; on failure error receives the reason.
bool writeReportPdf(const LaidOutReport &report, const QString &path, QString *error);

// Prints the printer's page range (all pages when none is set).
void printReport(const LaidOutReport &report, QPrinter &printer);

} // namespace reports
