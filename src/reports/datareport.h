#pragma once
// A data report ready to draw: its layout with the site settings of a data
// folder. The preview window and corvale-render both start here.
#include "common/result.h"
#include "reports/reportrenderer.h"

namespace reports {

// The renderer of data report `report` with the settings (corvale.ini) and
// pictures (报表/) of `folder`.
common::Result<ReportRenderer> dataReportRenderer(const QString &report, const QString &folder);

// Renders `report` for job `job` of the database in `folder` into pdfPath.
common::Result<void> renderJobToPdf(const QString &folder, const QString &report, qint16 job,
                             const QString &pdfPath);

} // namespace reports
