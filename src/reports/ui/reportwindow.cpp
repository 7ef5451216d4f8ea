#include "reports/ui/reportwindow.h"

#include "common/ui/busycursor.h"
#include "common/ui/prompt.h"
#include "reports/catalogue/engine.h"
#include "reports/ui/enginepreview.h"


namespace reports {

EnginePreview *runReportRequest(const ReportRequest &request, const common::ShopContext &shop, QWidget *parent)
{
    common::Result<BuiltReport> built = [&] {
        const common::BusyCursor busy;
        return buildReport(request, shop);
    }();
    if (built.failed()) {
        common::say(built.error(), common::appTitle(), common::Icon::Warning);
        return nullptr;
    }
    return new EnginePreview(std::move(*built), parent);
}

} // namespace reports
