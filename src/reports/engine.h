#pragma once
// One report request, from definition file to laid-out pages, without any window.
#include "reports/catalogue.h"
#include "reports/enginedata.h"
#include "reports/enginelayout.h"
#include "reports/reportdefinition.h"

namespace reports {

struct BuiltReport {
    LaidOutReport report;
    int selectedRows = 0;
    QString error; // the engine's text; empty when built
};

// What a report is made from, before layout.
struct PreparedReport {
    ReportDefinition definition;
    QVector<ReportRow> rows;
    QDate printed;
    QString error; // the engine's text; empty when prepared
};

// Reads folder/报表/…, compiles the formula (today from the clock) and
// selects from folder/新客户信息.mdb through its own connection. Nothing is
// queried when the file or the formula is refused.
PreparedReport prepareReport(const ReportRequest &request, const QString &folder);

// prepareReport, then lays out every page.
BuiltReport buildReport(const ReportRequest &request, const QString &folder);

} // namespace reports
