#pragma once
// A catalogue report on screen: runs a report request against the database
// file in the working folder and makes its preview window.
#include "reports/catalogue.h"

class QWidget;

namespace reports {

class EnginePreview;

// The preview of request's report, a window child of parent not yet shown.
// A missing report file, a formula that does not parse or a database error
// is shown in a message box with the engine's text; nullptr then.
EnginePreview *runReportRequest(const ReportRequest &request, QWidget *parent);

} // namespace reports
