#include "reports/engine.h"

#include "common/clock.h"
#include "reports/enginedata.h"
#include "reports/formula.h"
#include "reports/reportdefinition.h"
#include "store/database.h"
#include "store/fields.h"

#include <QDir>

namespace reports {

BuiltReport buildReport(const ReportRequest &request, const QString &folder)
{
    BuiltReport built;
    if (const QString e = ensureReportDefinitions(folder); !e.isEmpty()) {
        built.error = e;
        return built;
    }
    const LoadedDefinition loaded = loadReportDefinition(reportFilePath(folder, request.file));
    if (!loaded.error.isEmpty()) {
        built.error = loaded.error;
        return built;
    }
    const QDate today = common::clock().today();
    const CompiledFormula formula = compileFormula(request.formula, today);
    if (formula.error) {
        built.error = formula.error->message(request.formula);
        return built;
    }
    const QString dbPath = QDir(folder).filePath(store::databaseFileName());
    store::StoreError dbError;
    const std::unique_ptr<store::Database> db = store::Database::open(dbPath, &dbError);
    if (!db) {
        built.error = QStringLiteral("无法打开数据库 “%1”：%2").arg(store::databaseFileName(), dbError.text);
        return built;
    }
    const SelectedRows selected = selectReportRows(db->sql(), loaded.definition, formula.sql);
    if (!selected.error.isEmpty()) {
        built.error = selected.error;
        return built;
    }
    built.selectedRows = selected.rows.size();
    built.report = layoutReport(loaded.definition, selected.rows, today);
    return built;
}

} // namespace reports
