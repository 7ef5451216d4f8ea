#pragma once
// A catalogue report on screen: runs a report request against the database
// file in the working folder and shows it in a preview window.
#include "reports/catalogue.h"

#include <QString>

class QWidget;

namespace reports {

// Shows the report of request in a modeless preview window. A missing report
// file, a formula that does not parse or a database error is shown in a
// message box with the engine's text; returns false then.
bool runReportRequest(const ReportRequest &request, QWidget *parent);

} // namespace reports
