#include "statistics/statworkbook.h"

#include "reports/catalogue/sheetlayout.h"
#include "reports/catalogue/xlsxbook.h"
#include "reports/page/outputfile.h"
#include "statistics/stattext.h"

#include <algorithm>
#include <array>

namespace statistics {

namespace {

struct Formats {
    lxw_format *title = nullptr;
    lxw_format *heading = nullptr;
    lxw_format *label = nullptr;
    lxw_format *count = nullptr;
    lxw_format *money = nullptr;
    lxw_format *days = nullptr;
    lxw_format *month = nullptr;
    lxw_format *countSum = nullptr;
    lxw_format *moneySum = nullptr;
};

Formats makeFormats(lxw_workbook *book)
{
    const auto add = [&](bool bold, const char *numbers, bool ruleAbove = false) {
        lxw_format *f = workbook_add_format(book);
        if (bold)
            format_set_bold(f);
        if (numbers)
            format_set_num_format(f, numbers);
        if (ruleAbove)
            format_set_top(f, LXW_BORDER_THIN);
        return f;
    };
    Formats f;
    f.title = add(true, nullptr);
    format_set_font_size(f.title, 14);
    f.heading = add(true, nullptr);
    format_set_bottom(f.heading, LXW_BORDER_THIN);
    f.label = add(true, nullptr, true);
    f.count = add(false, "0");
    f.money = add(false, "0.00");
    f.days = add(false, "0.0");
    f.month = add(false, "yyyy-mm");
    f.countSum = add(true, "0", true);
    f.moneySum = add(true, "0.00", true);
    return f;
}

// A column's letters: 0 → A, 26 → AA.
QString columnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

QString cellName(int row, int column)
{
    return columnName(column) + QString::number(row + 1);
}

// =SUM over rows first..last of column, or over columns first..last of row.
QString columnSum(int column, int first, int last)
{
    return QStringLiteral("=SUM(%1:%2)").arg(cellName(first, column), cellName(last, column));
}

QString rowSum(int row, int first, int last)
{
    return QStringLiteral("=SUM(%1:%2)").arg(cellName(row, first), cellName(row, last));
}

class Sheet {
public:
    Sheet(reports::Workbook &book, const QString &name)
        : m_book(book), m_name(name.toUtf8()), m_sheet(workbook_add_worksheet(book.get(), m_name.constData()))
    {
        if (!m_sheet)
            book.check(LXW_ERROR_CREATING_XLSX_FILE);
    }

    bool ok() const { return m_sheet; }
    const char *name() const { return m_name.constData(); }

    void text(int row, int column, const QString &text, lxw_format *format = nullptr)
    {
        m_book.check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), text.toUtf8().constData(),
                                            format));
    }
    void number(int row, int column, double value, lxw_format *format)
    {
        m_book.check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, format));
    }
    // The formula with the value this program computed for it, which a
    // reader shows before it calculates anything.
    void formula(int row, int column, const QString &formula, double value, lxw_format *format)
    {
        m_book.check(worksheet_write_formula_num(m_sheet, lxw_row_t(row), lxw_col_t(column),
                                                 formula.toUtf8().constData(), format, value));
    }
    void widths(const QVector<double> &characters)
    {
        for (int c = 0; c < characters.size(); ++c)
            m_book.check(worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), characters.at(c), nullptr));
    }
    // Printed on A4 upright, the table on the width of the page.
    void upright(int frozenRows)
    {
        if (frozenRows > 0)
            worksheet_freeze_panes(m_sheet, lxw_row_t(frozenRows), 0);
        worksheet_set_paper(m_sheet, 9);
        worksheet_set_portrait(m_sheet);
        worksheet_fit_to_pages(m_sheet, 1, 0);
    }
    // A chart of the given kind, placed with its top left at row, column and
    // widened by xScale.
    lxw_chart *chart(uint8_t kind, const QString &title, int row, int column, double xScale)
    {
        lxw_chart *chart = workbook_add_chart(m_book.get(), kind);
        if (!chart) {
            m_book.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return nullptr;
        }
        chart_title_set_name(chart, title.toUtf8().constData());
        lxw_chart_options options{};
        options.x_scale = xScale;
        options.y_scale = 1.2;
        m_pending.append({chart, row, column, options});
        return chart;
    }
    // Series are added after the chart is made and before it is placed.
    void placeCharts()
    {
        for (Pending &p : m_pending)
            m_book.check(worksheet_insert_chart_opt(m_sheet, lxw_row_t(p.row), lxw_col_t(p.column), p.chart,
                                                    &p.options));
        m_pending.clear();
    }
    // A series over rows first..last: names in nameColumn, values in valueColumn,
    // the series named after the heading in headingRow.
    void series(lxw_chart *chart, int headingRow, int first, int last, int nameColumn, int valueColumn)
    {
        lxw_chart_series *s = chart_add_series(chart, nullptr, nullptr);
        if (!s) {
            m_book.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        chart_series_set_categories(s, name(), lxw_row_t(first), lxw_col_t(nameColumn), lxw_row_t(last),
                                    lxw_col_t(nameColumn));
        chart_series_set_values(s, name(), lxw_row_t(first), lxw_col_t(valueColumn), lxw_row_t(last),
                                lxw_col_t(valueColumn));
        chart_series_set_name_range(s, name(), lxw_row_t(headingRow), lxw_col_t(valueColumn));
    }

private:
    struct Pending {
        lxw_chart *chart;
        int row;
        int column;
        lxw_chart_options options;
    };
    reports::Workbook &m_book;
    QByteArray m_name; // held: the library keeps a pointer to it until the book is closed
    lxw_worksheet *m_sheet;
    QVector<Pending> m_pending;
};

// A chart wide enough for its bars: one chart's width holds about a dozen.
double chartScale(int bars)
{
    return std::max(1.0, bars / 12.0);
}

void writeSummary(Sheet &sheet, const Formats &fmt, const ShopFigures &f)
{
    sheet.text(0, 0, statisticsTitle(), fmt.title);
    sheet.text(1, 0, periodLine(f));
    sheet.text(2, 0, asOfLine(f));
    int row = 4;
    for (const FigureLine &line : periodLines(f) + nowLines(f)) {
        sheet.text(row, 0, line.name);
        sheet.number(row, 1, line.value, line.money ? fmt.money : fmt.count);
        ++row;
    }
    const QStringList notes = leftOutNotes(f.leftOut);
    if (!notes.isEmpty()) {
        ++row;
        for (const QString &note : notes)
            sheet.text(row++, 0, note);
    }
    sheet.widths({14, 16});
    sheet.upright(0);
}

void writeHeadings(Sheet &sheet, const Formats &fmt, const QStringList &captions)
{
    for (int c = 0; c < captions.size(); ++c)
        sheet.text(0, c, captions.at(c), fmt.heading);
}

// The total row below rows 1..count of the given columns: a formula each, or
// nothing to sum over when there are no rows.
void writeTotals(Sheet &sheet, const Formats &fmt, int count, const QVector<std::pair<int, double>> &sums,
                 const QVector<int> &moneyColumns)
{
    const int row = count + 1;
    sheet.text(row, 0, totalLabel(), fmt.label);
    for (const auto &[column, sum] : sums) {
        lxw_format *format = moneyColumns.contains(column) ? fmt.moneySum : fmt.countSum;
        if (count > 0)
            sheet.formula(row, column, columnSum(column, 1, count), sum, format);
        else
            sheet.number(row, column, 0, format);
    }
}

void writeRepairers(Sheet &sheet, const Formats &fmt, const QVector<RepairerRow> &rows)
{
    writeHeadings(sheet, fmt, repairerCaptions());
    std::array<double, 6> sums{};
    for (int i = 0; i < rows.size(); ++i) {
        const RepairerRow &r = rows.at(i);
        const std::array<double, 6> values{0, double(r.received), double(r.repaired), r.total, r.visitFees,
                                           r.repairFees};
        sheet.text(i + 1, 0, r.repairer);
        for (int c = 1; c < 6; ++c) {
            sheet.number(i + 1, c, values.at(c), c <= 2 ? fmt.count : fmt.money);
            sums[c] += values.at(c);
        }
    }
    const int n = int(rows.size());
    writeTotals(sheet, fmt, n, {{1, sums[1]}, {2, sums[2]}, {3, sums[3]}, {4, sums[4]}, {5, sums[5]}}, {3, 4, 5});
    sheet.widths({14, 8, 8, 12, 12, 12});
    sheet.upright(1);
    if (n > 0) {
        lxw_chart *chart = sheet.chart(LXW_CHART_COLUMN, QStringLiteral("合计金额（按维修人员）"), 1, 7, chartScale(n));
        if (chart) {
            sheet.series(chart, 0, 1, n, 0, 3);
            chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
        }
    }
    sheet.placeCharts();
}

void writeBrands(Sheet &sheet, const Formats &fmt, const QVector<BrandRow> &rows)
{
    writeHeadings(sheet, fmt, brandCaptions());
    double received = 0, repaired = 0, total = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const BrandRow &b = rows.at(i);
        const int row = i + 1;
        sheet.text(row, 0, b.brand);
        sheet.number(row, 1, b.received, fmt.count);
        sheet.number(row, 2, b.repaired, fmt.count);
        // No turnaround without a timed job: the cell stays empty, never 0.
        if (b.meanDays)
            sheet.number(row, 3, *b.meanDays, fmt.days);
        if (b.medianDays)
            sheet.number(row, 4, *b.medianDays, fmt.days);
        sheet.number(row, 5, b.total, fmt.money);
        received += b.received;
        repaired += b.repaired;
        total += b.total;
    }
    const int n = int(rows.size());
    writeTotals(sheet, fmt, n, {{1, received}, {2, repaired}, {5, total}}, {5});
    sheet.widths({14, 8, 8, 14, 14, 12});
    sheet.upright(1);
    if (n > 0) {
        lxw_chart *chart = sheet.chart(LXW_CHART_COLUMN, QStringLiteral("接修与已修（按品牌）"), 1, 7, chartScale(n));
        if (chart) {
            sheet.series(chart, 0, 1, n, 0, 1);
            sheet.series(chart, 0, 1, n, 0, 2);
            chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
        }
    }
    sheet.placeCharts();
}

void writeMonths(Sheet &sheet, const Formats &fmt, const MonthlyReceived &monthly)
{
    const int brands = int(monthly.brands.size());
    const int totalColumn = brands + 1;
    sheet.text(0, 0, QStringLiteral("月份"), fmt.heading);
    for (int b = 0; b < brands; ++b)
        sheet.text(0, b + 1, monthly.brands.at(b), fmt.heading);
    sheet.text(0, totalColumn, totalLabel(), fmt.heading);
    const int months = int(monthly.months.size());
    for (int m = 0; m < months; ++m) {
        const int row = m + 1;
        // The month's first day, shown as the month: a spreadsheet sorts and groups it as a date.
        if (const std::optional<double> day = reports::sheetDayNumber(monthly.months.at(m)))
            sheet.number(row, 0, *day, fmt.month);
        else
            sheet.text(row, 0, monthLabel(monthly.months.at(m)));
        const QVector<int> counts = monthly.counts.value(m);
        double sum = 0;
        for (int b = 0; b < brands; ++b) {
            sheet.number(row, b + 1, counts.value(b), fmt.count);
            sum += counts.value(b);
        }
        if (brands > 0)
            sheet.formula(row, totalColumn, rowSum(row, 1, brands), sum, fmt.countSum);
        else
            sheet.number(row, totalColumn, 0, fmt.countSum);
    }
    QVector<double> widths{10};
    for (const QString &brand : monthly.brands)
        widths << std::max(6.0, reports::sheetTextWidth(brand) + 2);
    widths << 8;
    sheet.widths(widths);
    sheet.upright(1);
    if (months > 0 && brands > 0) {
        lxw_chart *chart = sheet.chart(LXW_CHART_COLUMN_STACKED, QStringLiteral("每月接修（按品牌）"), months + 3,
                                       0, std::max(1.5, brands / 8.0));
        if (chart) {
            for (int b = 0; b < brands; ++b)
                sheet.series(chart, 0, 1, months, 0, b + 1);
            chart_legend_set_position(chart, LXW_CHART_LEGEND_RIGHT);
        }
    }
    sheet.placeCharts();
}

} // namespace

common::Result<void> writeStatisticsWorkbook(const ShopFigures &f, const QString &path)
{
    reports::OutputFile file(path, reports::OutputKind::Excel);
    if (const auto e = file.open(); e.failed())
        return e;
    lxw_error written = LXW_ERROR_CREATING_XLSX_FILE;
    {
        reports::Workbook book(file.partPath(), false);
        if (book.get()) {
            const Formats fmt = makeFormats(book.get());
            Sheet summary(book, QStringLiteral("概况"));
            Sheet repairers(book, QStringLiteral("维修人员"));
            Sheet brands(book, QStringLiteral("品牌"));
            Sheet months(book, QStringLiteral("月份"));
            if (summary.ok() && repairers.ok() && brands.ok() && months.ok()) {
                writeSummary(summary, fmt, f);
                writeRepairers(repairers, fmt, f.repairers);
                writeBrands(brands, fmt, f.brands);
                writeMonths(months, fmt, f.monthly);
            }
            written = book.close();
        }
    }
    if (written != LXW_NO_ERROR) {
        file.discard();
        return file.cannotWrite(QString::fromUtf8(lxw_strerror(written)));
    }
    return file.commit();
}

} // namespace statistics
