#pragma once
// A catalogue report on screen: runs a report request against the shop's
// jobs and makes its preview window.
#include "common/shopcontext.h"
#include "reports/catalogue/catalogue.h"

class QWidget;

namespace reports {

class EnginePreview;

// The preview of request's report, a window child of parent not yet shown.
// A missing report file, a formula that does not parse or a database error
// is shown in a message box with the engine's text; nullptr then.
EnginePreview *runReportRequest(const ReportRequest &request, const common::ShopContext &shop, QWidget *parent);

} // namespace reports
