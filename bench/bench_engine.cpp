// Catalogue reports at full table size, from request to finished PDF or spreadsheet.
#include "bench.h"

#include "common/fonts.h"
#include "reports/catalogue/catalogue.h"
#include "reports/page/deflatelevel.h"
#include "reports/catalogue/engine.h"
#include "reports/catalogue/workbook.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <stdexcept>

namespace bench {
namespace {

void render(const Context &ctx, const reports::ReportRequest &request, const QString &suffix = QStringLiteral("pdf"))
{
    if (const auto e = reports::renderRequest(request, ctx.shop, QDir(ctx.folder).filePath(QStringLiteral("bench.") + suffix)); e.failed())
        throw std::runtime_error(e.error().text.toStdString());
}

reports::ReportRequest catalogueEntry(const QString &entry)
{
    reports::PanelInputs in;
    in.month = QStringLiteral("六月");
    in.year = 2003; // the generated jobs begin in 2003
    in.quarterBox = QStringLiteral("2nd");
    in.partsLedgerStart = QStringLiteral("2003,7,22");
    in.area = QStringLiteral("江北");
    in.store = QStringLiteral("苏宁");
    reports::PanelState state = reports::panelStateAtLoad(QDate(2003, 7, 1));
    return *reports::catalogueRequest(entry, in, state);
}

// Whether the PDF figures below were taken with the fastest deflate level.
void sayDeflateLevel(Context &)
{
    if (reports::pdfWriterDeflatesFastest())
        std::printf("PDF page streams: zlib's fastest level (the program's deflateInit_ is in effect)\n");
    else
        std::printf("PDF page streams: zlib's DEFAULT level -- the program's deflateInit_ is NOT in effect "
                    "(Qt's PDF writer does not call it, e.g. a Qt with its own zlib); PDF figures are slower\n");
}

const reports::ReportRequest kWholeTable{QStringLiteral("报表\\新飞月报表.PRN"), QString(), 1};

// The whole table's pages, laid out once, for the bare writer to draw.
reports::LaidOutReport &wholeTablePages()
{
    static reports::LaidOutReport pages;
    return pages;
}

void layOutWholeTable(Context &ctx)
{
    sayDeflateLevel(ctx);
    common::Result<reports::BuiltReport> built = reports::buildReport(kWholeTable, ctx.shop);
    if (!built.ok())
        throw std::runtime_error(built.error().text.toStdString());
    wholeTablePages() = std::move(built->report);
}

// The same texts and rules at the same places, drawn by QPdfWriter and
// QPainter alone: what the PDF costs without the program's own work.
void bareWriter(Context &ctx)
{
    const reports::LaidOutReport &report = wholeTablePages();
    QPdfWriter writer(QDir(ctx.folder).filePath(QStringLiteral("bare.pdf")));
    writer.setPageLayout(reports::paperLayout(report));
    writer.setResolution(600);
    QPainter painter(&writer);
    const double scale = writer.resolution() / 72.0;
    QVector<QFont> fonts;
    for (const reports::PageFont &f : report.fonts)
        fonts << common::cjkFont(f.family, f.points, f.bold, f.underline);
    for (int p = 0; p < report.pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        for (const reports::PageItem &item : report.pages.at(p).items) {
            const QRectF r(item.rect.topLeft() * scale, item.rect.size() * scale);
            if (item.kind == reports::PageItem::Kind::Line) {
                painter.drawLine(r.topLeft(), r.bottomRight());
                continue;
            }
            painter.setFont(fonts.at(item.font));
            painter.drawText(r, int(item.align | Qt::AlignVCenter) | Qt::TextDontClip, item.text);
        }
    }
}

const Registrar wholeTable{Case{
    QStringLiteral("report 新飞月报表 over every row to PDF"), layOutWholeTable,
    [](Context &ctx) { render(ctx, kWholeTable); }, bareWriter, 3, 110, {},
    [](Context &) { wholeTablePages() = {}; }}};

// One line per catalogue entry, as the panel's captions run them.
const bool eachEntry = [] {
    int order = 120;
    for (const char *entry : {"新飞月报表", "新飞申请配件单", "配件库存单", "配件流水帐", "佳利季报表",
                              "容声月报表", "未修记录单", "维修人员报表", "商场报表", "新飞回访记录表",
                              "新飞配件库存单", "新飞配件流水帐"}) {
        const QString name = QString::fromUtf8(entry);
        registry().push_back(Case{QStringLiteral("catalogue report %1 to PDF").arg(name), {},
                                  [name](Context &ctx) { render(ctx, catalogueEntry(name)); }, {}, 3, order++});
    }
    return true;
}();

// Every definition over the whole table: the heaviest each report can get,
// as PDF and as an Excel workbook; CSV for the widest definition.
const bool eachDefinitionWholeTable = [] {
    const auto add = [](const QString &name, const QString &suffix) {
        registry().push_back(Case{QStringLiteral("whole table through %1 to %2").arg(name, suffix), {},
                                  [name, suffix](Context &ctx) {
                                      render(ctx,
                                             {QStringLiteral("报表\\") + name,
                                              QStringLiteral("{客户信息.型号} StartsWith ''"), 1},
                                             suffix);
                                  },
                                  {}, 3, 100});
    };
    for (const QString suffix : {QStringLiteral("pdf"), QStringLiteral("xlsx")})
        for (const char *file : {"新飞月报表.PRN", "新飞申请配件单.PRN", "配件库存单.RPT", "配件流水帐.RPT",
                                 "佳利季报表.PRN", "容声月报表.RPT", "未修记录单.RPT", "维修人员报表.RPT",
                                 "商场报表.RPT", "新飞回访记录表.RPT"})
            add(QString::fromUtf8(file), suffix);
    add(QStringLiteral("新飞月报表.PRN"), QStringLiteral("csv"));
    return true;
}();

} // namespace
} // namespace bench
