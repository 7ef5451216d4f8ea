#pragma once
// One report request, from definition file to laid-out pages, without any window.
#include "reports/catalogue/catalogue.h"
#include "reports/catalogue/rows.h"
#include "reports/catalogue/pagelayout.h"
#include "reports/catalogue/definition.h"

namespace common { struct ShopContext; }

namespace reports {

struct BuiltReport {
    LaidOutReport report;
    int selectedRows = 0;
    // What the pages were laid out from: a spreadsheet of them holds the
    // same rows, whatever the table holds by then.
    PreparedReport prepared;
};

// Reads the shop's 报表/…, compiles the formula (today from the clock) and
// selects from the shop's jobs through a connection of its own; the heading
// says in words what the formula selects. Nothing is
// queried when the file or the formula is refused. A failure's text is the
// engine's message to the user.
common::Result<PreparedReport> prepareReport(const ReportRequest &request, const common::ShopContext &shop);

// prepareReport, then lays out every page.
common::Result<BuiltReport> buildReport(const ReportRequest &request, const common::ShopContext &shop);

// prepareReport, then writes the report to path as its extension asks:
// .xlsx, .csv, anything else PDF. On failure nothing is left at path.
common::Result<void> renderRequest(const ReportRequest &request, const common::ShopContext &shop, const QString &path);

} // namespace reports
