#pragma once
// A data report ready to draw: its layout with the site settings of a data
// folder. The preview window and corvale-render both start here.
#include "reports/reportrenderer.h"

#include <optional>

namespace reports {

// The renderer of data report `report` with the settings (corvale.ini) and
// pictures (报表/) of `folder`.
std::optional<ReportRenderer> dataReportRenderer(const QString &report, const QString &folder,
                                                 QString *error);

// Renders `report` for job `job` of the database in `folder` into pdfPath.
bool renderJobToPdf(const QString &folder, const QString &report, qint16 job,
                    const QString &pdfPath, QString *error);

} // namespace reports
