// The print command's side at full table size: the report panel's opening and
// each data report from the job's selection to finished PDF.
#include "bench.h"

#include "reports/forms/datareport.h"
#include "reports/ui/paizi.h"
#include "reports/ui/printing.h"
#include "reports/forms/formlayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>
#include <stdexcept>

namespace bench {
namespace {

const Registrar panelOpening{Case{
    QStringLiteral("report panel opening"), {},
    [](Context &ctx) {
        QWidget workspace;
        auto *print = new reports::PrintCommand(&workspace, ctx.shop);
        print->run(std::nullopt);
        print->panel()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    },
    {}, 5, 130}};

Case dataReport(const QString &report, int order)
{
    return Case{QStringLiteral("data report %1 for one job to PDF").arg(report), {},
                [report](Context &ctx) {
                    if (const auto e = reports::renderJobToPdf(
                            ctx.shop, report, 1000, QDir(ctx.folder).filePath(QStringLiteral("job.pdf")));
                        e.failed())
                        throw std::runtime_error(e.error().text.toStdString());
                },
                {}, 5, order};
}

const bool eachDataReport = [] {
    const QStringList names = reports::dataReportNames();
    for (int i = 0; i < names.size(); ++i)
        registry().push_back(dataReport(names.at(i), 140 + i));
    return true;
}();

} // namespace
} // namespace bench
