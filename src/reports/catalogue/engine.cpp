#include "reports/catalogue/engine.h"

#include "common/clock.h"
#include "common/shopcontext.h"
#include "reports/catalogue/rows.h"
#include "reports/catalogue/pdf.h"
#include "reports/catalogue/workbook.h"
#include "reports/formula/formula.h"
#include "reports/catalogue/definition.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/rowreader.h"


namespace reports {

common::Result<PreparedReport> prepareReport(const ReportRequest &request, const common::ShopContext &shop)
{
    if (const auto written = ensureReportDefinitions(shop.folder); written.failed())
        return written.error();
    const QString file = reportFilePath(shop.folder, request.file);
    if (!insideReportFolder(shop.folder, file))
        return common::Error::failed(QStringLiteral("报表文件 “%1” 不在数据文件夹的“报表”中；本程序只使用那里的报表定义。")
                                         .arg(QDir::toNativeSeparators(request.file)));
    common::Result<ReportDefinition> definition = loadReportDefinition(file);
    if (definition.failed())
        return definition.error();
    const QDate today = common::clock().today();
    // A formula that is refused is said before the database is opened; an
    // empty one selects every record.
    FormulaTree tree;
    if (!request.formula.trimmed().isEmpty()) {
        common::Result<FormulaTree> parsed = parseFormula(request.formula);
        if (parsed.failed())
            return common::Error::failed(formulaMessage(parsed.error(), request.formula));
        tree = std::move(*parsed);
    }
    if (const common::Result<SqlCondition> checked = compileFormula(tree, today); checked.failed())
        return common::Error::failed(formulaMessage(checked.error(), request.formula));
    const common::Result<std::unique_ptr<store::Database>> db = store::Database::open(shop.jobTable);
    if (db.failed())
        return db.error().reworded(
            QStringLiteral("无法打开数据库 “%1”：%2").arg(store::displayedAddress(shop.jobTable), db.error().text));
    const common::Result<SqlCondition> condition = compileFormula(tree, today, (*db)->engine());
    if (condition.failed())
        return common::Error::failed(formulaMessage(condition.error(), request.formula));
    common::Result<QVector<ReportRow>> rows = selectReportRows(**db, *definition, *condition);
    if (rows.failed())
        return rows.error();
    return PreparedReport{std::move(*definition), std::move(*rows), {describeSelection(tree, today), today}};
}

common::Result<BuiltReport> buildReport(const ReportRequest &request, const common::ShopContext &shop)
{
    common::Result<PreparedReport> prepared = prepareReport(request, shop);
    if (prepared.failed())
        return prepared.error();
    LaidOutReport report = layoutReport(prepared->definition, prepared->rows, prepared->heading);
    const int selected = int(prepared->rows.size());
    return BuiltReport{std::move(report), selected, std::move(*prepared)};
}

common::Result<void> renderRequest(const ReportRequest &request, const common::ShopContext &shop, const QString &path)
{
    const common::Result<PreparedReport> prepared = prepareReport(request, shop);
    if (prepared.failed())
        return prepared.error();
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return writePreparedSheet(*prepared, path);
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        return writePreparedCsv(*prepared, path);
    return writePreparedPdf(*prepared, path, pdfHalvesFromPages);
}

} // namespace reports
