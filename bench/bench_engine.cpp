// Catalogue reports at full table size, from request to finished PDF.
#include "bench.h"

#include "reports/catalogue.h"
#include "reports/reportengine.h"

#include <QDir>
#include <stdexcept>

namespace bench {
namespace {

void render(const Context &ctx, const reports::ReportRequest &request)
{
    QString error;
    if (!reports::renderRequestToPdf(request, QDir(ctx.folder).filePath(QStringLiteral("bench.pdf")), &error))
        throw std::runtime_error(error.toStdString());
}

reports::ReportRequest catalogueEntry(const QString &entry)
{
    reports::PanelInputs in;
    in.month = QStringLiteral("六月");
    in.quarterBox = QStringLiteral("2nd");
    in.partsLedgerStart = QStringLiteral("2003,7,22");
    in.area = QStringLiteral("新乡");
    in.store = QStringLiteral("苏宁");
    reports::PanelState state;
    return *reports::catalogueRequest(entry, in, state);
}

const Registrar wholeTable{Case{
    QStringLiteral("report 新飞月报表 over every row to PDF"), {},
    [](Context &ctx) { render(ctx, {QStringLiteral("报表\\新飞月报表.PRN"), QString(), 1}); }, {}, 3, 100}};

const Registrar eachEntry{Case{
    QStringLiteral("report each catalogue entry to PDF (all twelve)"), {},
    [](Context &ctx) {
        for (const char *entry : {"新飞月报表", "新飞申请配件单", "配件库存单", "配件流水帐", "佳利季报表",
                                  "容声月报表", "未修记录单", "维修人员报表", "商场报表", "新飞回访记录表",
                                  "新飞配件库存单", "新飞配件流水帐"})
            render(ctx, catalogueEntry(QString::fromUtf8(entry)));
    },
    {}, 1, 101}};

} // namespace
} // namespace bench
