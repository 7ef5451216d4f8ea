#include "reports/datareport.h"

#include "store/fields.h"

#include <QDir>

namespace reports {

common::Result<ReportRenderer> dataReportRenderer(const QString &report, const QString &folder)
{
    common::Result<ReportLayout> layout = loadLayout(report);
    if (layout.failed())
        return layout.error();
    const QDir dir(folder);
    const common::SiteSettings settings =
        common::SiteSettings::loadQuietly(dir.filePath(common::settingsFileName()));
    return ReportRenderer(std::move(*layout), settings, dir.absolutePath());
}

common::Result<void> renderJobToPdf(const QString &folder, const QString &report, qint16 job,
                             const QString &pdfPath)
{
    const common::Result<ReportRenderer> renderer = dataReportRenderer(report, folder);
    if (renderer.failed())
        return renderer.error();
    DataSource source(QDir(folder).absoluteFilePath(store::databaseFileName()));
    source.selectJob(job);
    const common::Result<QVector<Row>> rows = source.rows();
    if (rows.failed())
        return rows.error();
    if (rows->isEmpty())
        return common::Error::failed(QStringLiteral("没有编号为 %1 的记录").arg(job));
    return renderer->renderToPdf(pdfPath, *rows);
}

} // namespace reports
