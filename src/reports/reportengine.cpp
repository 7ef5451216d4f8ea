#include "reports/reportengine.h"

#include "common/busycursor.h"
#include "common/prompt.h"
#include "reports/engine.h"
#include "reports/enginepdf.h"
#include "reports/enginepreview.h"

#include <QDir>

namespace reports {

bool runReportRequest(const ReportRequest &request, QWidget *parent)
{
    BuiltReport built;
    {
        common::BusyCursor busy;
        built = buildReport(request, QDir::currentPath());
    }
    if (!built.error.isEmpty()) {
        common::say(built.error, common::appTitle(), common::Icon::Warning);
        return false;
    }
    auto *preview = new EnginePreview(std::move(built.report), parent);
    preview->show();
    preview->raise();
    preview->activateWindow();
    return true;
}

bool renderRequestToPdf(const ReportRequest &request, const QString &pdfPath, QString *error)
{
    const PreparedReport prepared = prepareReport(request, QDir::currentPath());
    if (!prepared.error.isEmpty()) {
        if (error)
            *error = prepared.error;
        return false;
    }
    return writePreparedPdf(prepared, pdfPath, pdfHalvesFromPages, error);
}

} // namespace reports
