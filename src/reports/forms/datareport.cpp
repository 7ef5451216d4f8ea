#include "reports/forms/datareport.h"

#include <QDir>

namespace reports {

common::Result<ReportRenderer> dataReportRenderer(const QString &report, const common::ShopContext &shop)
{
    common::Result<ReportLayout> layout = loadLayout(report);
    if (layout.failed())
        return layout.error();
    return ReportRenderer(std::move(*layout), shop.settings, QDir(shop.folder).absolutePath());
}

common::Result<void> renderJobToPdf(const common::ShopContext &shop, const QString &report, qint16 job,
                                    const QString &pdfPath)
{
    const common::Result<ReportRenderer> renderer = dataReportRenderer(report, shop);
    if (renderer.failed())
        return renderer.error();
    DataSource source(shop.jobTable);
    source.selectJob(job);
    const common::Result<QVector<Row>> rows = source.rows();
    if (rows.failed())
        return rows.error();
    if (rows->isEmpty())
        return common::Error::failed(QStringLiteral("没有编号为 %1 的记录").arg(job));
    return renderer->renderToPdf(pdfPath, *rows);
}

} // namespace reports
