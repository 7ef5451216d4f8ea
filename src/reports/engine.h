#pragma once
// One report request, from definition file to laid-out pages, without any window.
#include "reports/catalogue.h"
#include "reports/enginelayout.h"

namespace reports {

struct BuiltReport {
    LaidOutReport report;
    int selectedRows = 0;
    QString error; // the engine's text; empty when built
};

// Reads folder/报表/…, compiles the formula (today from the clock), selects
// from folder/新客户信息.mdb through its own connection and lays out the
// pages. Nothing is queried when the file or the formula is refused.
BuiltReport buildReport(const ReportRequest &request, const QString &folder);

} // namespace reports
