#pragma once
// A data report ready to draw: its layout with the shop's settings. The
// preview window and corvale-render both start here.
#include "common/result.h"
#include "common/shopcontext.h"
#include "reports/forms/formrenderer.h"

namespace reports {

// The renderer of data report `report` with the shop's settings and the
// pictures of its 报表/.
common::Result<ReportRenderer> dataReportRenderer(const QString &report, const common::ShopContext &shop);

// Renders `report` for job `job` of the shop's jobs into pdfPath.
common::Result<void> renderJobToPdf(const common::ShopContext &shop, const QString &report, qint16 job,
                                    const QString &pdfPath);

} // namespace reports
