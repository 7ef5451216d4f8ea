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
    if (const auto written = ensureReportDefinitions(folder); written.failed())
        return written.error();
    common::Result<ReportDefinition> definition = loadReportDefinition(reportFilePath(folder, request.file));
    if (definition.failed())
        return definition.error();
    const QDate today = common::clock().today();
    // A formula that does not parse is said before the database is opened.
    if (const common::Result<SqlCondition> checked = compileFormula(request.formula, today); checked.failed())
        return common::Error::failed(formulaMessage(checked.error(), request.formula));
    const common::Result<std::unique_ptr<store::Database>> db =
        store::Database::open(store::jobTableLocation(folder));
    if (db.failed())
        return common::Error::failed(
            QStringLiteral("无法打开数据库 “%1”：%2").arg(store::databaseFileName(), db.error().text));
    const common::Result<SqlCondition> condition = compileFormula(request.formula, today, (*db)->engine());
    if (condition.failed())
        return common::Error::failed(formulaMessage(condition.error(), request.formula));
    common::Result<QVector<ReportRow>> rows = selectReportRows(**db, *definition, *condition);
    if (rows.failed())
        return rows.error();
    return PreparedReport{std::move(*definition), std::move(*rows), today};
}

common::Result<BuiltReport> buildReport(const ReportRequest &request, const QString &folder)
{
    common::Result<PreparedReport> prepared = prepareReport(request, folder);
    if (prepared.failed())
        return prepared.error();
    LaidOutReport report = layoutReport(prepared->definition, prepared->rows, prepared->printed);
    const int selected = int(prepared->rows.size());
    return BuiltReport{std::move(report), selected, std::move(*prepared)};
}

} // namespace reports
