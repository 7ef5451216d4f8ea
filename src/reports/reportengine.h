#pragma once
// The report engine: runs a report request against the database file in the
// working folder and shows it in a preview window (print, save as PDF).
#include "reports/catalogue.h"

#include <QString>

class QWidget;

namespace reports {

// Shows the report of request in a modeless preview window. A missing report
// file, a formula that does not parse or a database error is shown in a
// message box with the engine's text; returns false then.
bool runReportRequest(const ReportRequest &request, QWidget *parent);

// The same render written to a PDF file, without any window. On failure
// error receives the engine's text.
bool renderRequestToPdf(const ReportRequest &request, const QString &pdfPath, QString *error);

} // namespace reports
