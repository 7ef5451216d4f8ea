#include "reports/engine.h"

#include "common/clock.h"
#include "reports/enginedata.h"
#include "reports/formula.h"
#include "reports/reportdefinition.h"
#include "store/database.h"
#include "store/fields.h"

#include <QDir>

namespace reports {

PreparedReport prepareReport(const ReportRequest &request, const QString &folder)
{
    PreparedReport prepared;
    if (const QString e = ensureReportDefinitions(folder); !e.isEmpty()) {
        prepared.error = e;
        return prepared;
    }
    const LoadedDefinition loaded = loadReportDefinition(reportFilePath(folder, request.file));
    if (!loaded.error.isEmpty()) {
        prepared.error = loaded.error;
        return prepared;
    }
    const QDate today = common::clock().today();
    const CompiledFormula formula = compileFormula(request.formula, today);
    if (formula.error) {
        prepared.error = formula.error->message(request.formula);
        return prepared;
    }
    const QString dbPath = QDir(folder).filePath(store::databaseFileName());
    store::StoreError dbError;
    const std::unique_ptr<store::Database> db = store::Database::open(dbPath, &dbError);
    if (!db) {
        prepared.error = QStringLiteral("无法打开数据库 “%1”：%2").arg(store::databaseFileName(), dbError.text);
        return prepared;
    }
    SelectedRows selected = selectReportRows(db->sql(), loaded.definition, formula.sql);
    if (!selected.error.isEmpty()) {
        prepared.error = selected.error;
        return prepared;
    }
    prepared.definition = loaded.definition;
    prepared.rows = std::move(selected.rows);
    prepared.printed = today;
    return prepared;
}

BuiltReport buildReport(const ReportRequest &request, const QString &folder)
{
    const PreparedReport prepared = prepareReport(request, folder);
    BuiltReport built;
    built.error = prepared.error;
    if (built.error.isEmpty()) {
        built.selectedRows = prepared.rows.size();
        built.report = layoutReport(prepared.definition, prepared.rows, prepared.printed);
    }
    return built;
}

} // namespace reports
