// 经营统计 at full size: the figures beside raw SQLite aggregating the same
// columns, and the workbook beside libxlsxwriter writing the same cells bare.
#include "bench.h"
#include "rawsqlite.h"

#include "statistics/figures.h"
#include "statistics/statworkbook.h"
#include "store/database.h"

#include <QDir>
#include <memory>
#include <xlsxwriter.h>

namespace bench {
namespace {

const statistics::Period kYear{QDate(2020, 1, 1), QDate(2020, 12, 31)};
const QDate kToday(2024, 12, 31);

// The statements a bare program would send for the same figures: the open
// jobs and those whose 接货日期 is no date, the period by repairer and model
// with the fees that are no number, turnaround days and the twelve months.
#define IS_DATE(c) "(" c " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND date(" c ", '+0 days') IS " c ")"
#define NOT_NUMBER(c) ", SUM(typeof(" c ") = 'text' AND trim(" c ") <> '')"
const std::vector<std::string> kRawFigures = {
    "SELECT SUM(已修否 = 0), SUM(CASE WHEN 已修否 = 0 AND " IS_DATE("接货日期") " AND 接货日期 < '2024-12-24' THEN 1 END),"
    " SUM(已修否 = 0 AND 是否申请 = '是' AND (到货日期 IS NULL OR 到货日期 = '')),"
    " SUM(已修否 <> 0 AND (发货日期 IS NULL OR 发货日期 = '')), SUM(CASE WHEN " IS_DATE("接货日期") " THEN 0 ELSE 1 END)"
    " FROM 客户信息",
    "SELECT 修理人员, 型号, COUNT(*), SUM(已修否 <> 0), SUM(发货日期 <> ''), SUM(合计), SUM(上门费), SUM(维修费)"
    NOT_NUMBER("合计") NOT_NUMBER("上门费") NOT_NUMBER("维修费")
    " FROM 客户信息 WHERE " IS_DATE("接货日期") " AND 接货日期 >= '2020-01-01' AND 接货日期 <= '2020-12-31'"
    " GROUP BY 修理人员, 型号",
    "SELECT 型号, julianday(发货日期) - julianday(接货日期) AS d, COUNT(*) FROM 客户信息"
    " WHERE " IS_DATE("接货日期") " AND 接货日期 >= '2020-01-01' AND 接货日期 <= '2020-12-31' AND " IS_DATE("发货日期")
    " GROUP BY 型号, d",
    "SELECT substr(接货日期, 1, 7), 型号, COUNT(*) FROM 客户信息"
    " WHERE " IS_DATE("接货日期") " AND 接货日期 >= '2024-01-01' AND 接货日期 <= '2024-12-31' GROUP BY 1, 2",
};
#undef IS_DATE
#undef NOT_NUMBER

struct StatisticsFixture {
    std::unique_ptr<store::Database> db;
    std::unique_ptr<RawDb> raw;
    statistics::ShopFigures figures;

    void open(const Context &ctx)
    {
        if (db)
            return;
        auto opened = store::Database::open(ctx.database);
        check(opened);
        db = std::move(opened).value();
        raw = std::make_unique<RawDb>(ctx.database);
        const auto computed = statistics::computeFigures(*db, kYear, kToday, 7);
        check(computed);
        figures = *computed;
    }
};

StatisticsFixture &fixture()
{
    static StatisticsFixture f;
    return f;
}

QString bookPath(const Context &ctx, const char *name) { return QDir(ctx.folder).filePath(QString::fromLatin1(name)); }

// The workbook's cells written bare: the summary, then a sheet per table.
void bareWorkbook(const Context &ctx)
{
    const statistics::ShopFigures &f = fixture().figures;
    lxw_workbook *book = workbook_new(bookPath(ctx, "bare.xlsx").toUtf8().constData());
    if (!book)
        throw std::runtime_error("libxlsxwriter could not start the workbook");
    const auto sheet = [&](const char *name, int rows, int columns) {
        lxw_worksheet *s = workbook_add_worksheet(book, name);
        for (int r = 0; r < rows; ++r) {
            worksheet_write_string(s, lxw_row_t(r), 0, "名称", nullptr);
            for (int c = 1; c < columns; ++c)
                worksheet_write_number(s, lxw_row_t(r), lxw_col_t(c), r * c, nullptr);
        }
    };
    sheet("summary", 12, 2);
    sheet("repairers", int(f.repairers.size()) + 2, 6);
    sheet("brands", int(f.brands.size()) + 2, 6);
    sheet("months", int(f.monthly.months.size()) + 1, int(f.monthly.brands.size()) + 1);
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("libxlsxwriter could not write the workbook");
}

Registrar figures({
    QStringLiteral("statistics: every figure for a year"),
    [](Context &ctx) { fixture().open(ctx); },
    [](Context &) { check(statistics::computeFigures(*fixture().db, kYear, kToday, 7)); },
    [](Context &) {
        for (const std::string &sql : kRawFigures)
            fixture().raw->readAll(sql);
    },
    5, 400});

Registrar workbook({
    QStringLiteral("statistics: workbook"),
    [](Context &ctx) { fixture().open(ctx); },
    [](Context &ctx) { check(statistics::writeStatisticsWorkbook(fixture().figures, bookPath(ctx, "figures.xlsx"))); },
    bareWorkbook,
    5, 410});

} // namespace
} // namespace bench
