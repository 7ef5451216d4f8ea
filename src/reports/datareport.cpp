#include "reports/datareport.h"

#include "store/fields.h"

#include <QDir>

namespace reports {

std::optional<ReportRenderer> dataReportRenderer(const QString &report, const QString &folder,
                                                 QString *error)
{
    const std::optional<ReportLayout> layout = loadLayout(report, error);
    if (!layout)
        return std::nullopt;
    const QDir dir(folder);
    const common::SiteSettings settings =
        common::SiteSettings::load(dir.filePath(common::settingsFileName()));
    return ReportRenderer(*layout, settings, dir.absolutePath());
}

bool renderJobToPdf(const QString &folder, const QString &report, qint16 job,
                    const QString &pdfPath, QString *error)
{
    const std::optional<ReportRenderer> renderer = dataReportRenderer(report, folder, error);
    if (!renderer)
        return false;
    DataSource source;
    source.setDatabasePath(QDir(folder).absoluteFilePath(store::databaseFileName()));
    store::StoreError storeError;
    source.selectJob(job, &storeError);
    const QVector<Row> rows = source.rows(&storeError);
    if (storeError) {
        if (error)
            *error = storeError.text;
        return false;
    }
    if (rows.isEmpty()) {
        if (error)
            *error = QStringLiteral("没有编号为 %1 的记录").arg(job);
        return false;
    }
    return renderer->renderToPdf(pdfPath, rows, error);
}

} // namespace reports
