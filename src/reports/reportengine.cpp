#include "reports/reportengine.h"

#include "common/prompt.h"

namespace reports {

// First cut so the panel links; the renderer follows.
bool renderRequestToPdf(const ReportRequest &request, const QString &, QString *error)
{
    if (error)
        *error = QStringLiteral("报表引擎尚未就绪：") + request.file;
    return false;
}

bool runReportRequest(const ReportRequest &request, QWidget *)
{
    QString error;
    if (renderRequestToPdf(request, QString(), &error))
        return true;
    common::say(error, common::appTitle(), common::Icon::Warning);
    return false;
}

} // namespace reports
