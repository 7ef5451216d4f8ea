#include "reports/engine.h"

#include "common/clock.h"
#include "reports/enginedata.h"
#include "reports/formula.h"
#include "reports/reportdefinition.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/rowreader.h"

#include <QDir>

namespace reports {

common::Result<PreparedReport> prepareReport(const ReportRequest &request, const QString &folder)
{
    if (const QString e = ensureReportDefinitions(folder); !e.isEmpty())
        return common::Error::failed(e);
    common::Result<ReportDefinition> definition = loadReportDefinition(reportFilePath(folder, request.file));
    if (!definition)
        return definition.error();
    const QDate today = common::clock().today();
    const common::Result<SqlCondition> condition = compileFormula(request.formula, today);
    if (!condition)
        return common::Error::failed(formulaMessage(condition.error(), request.formula));
    const common::Result<std::unique_ptr<store::Database>> db =
        store::openDatabase(QDir(folder).filePath(store::databaseFileName()));
    if (!db)
        return common::Error::failed(
            QStringLiteral("无法打开数据库 “%1”：%2").arg(store::databaseFileName(), db.error().text));
    common::Result<QVector<ReportRow>> rows = selectReportRows(**db, *definition, *condition);
    if (!rows)
        return rows.error();
    return PreparedReport{std::move(*definition), std::move(*rows), today};
}

common::Result<BuiltReport> buildReport(const ReportRequest &request, const QString &folder)
{
    common::Result<PreparedReport> prepared = prepareReport(request, folder);
    if (!prepared)
        return prepared.error();
    LaidOutReport report = layoutReport(prepared->definition, prepared->rows, prepared->printed);
    const int selected = int(prepared->rows.size());
    return BuiltReport{std::move(report), selected, std::move(*prepared)};
}

} // namespace reports
