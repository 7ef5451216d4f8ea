#include "reports/catalogue/workbook.h"

#include "reports/catalogue/csvfile.h"
#include "reports/catalogue/pdf.h"
#include "reports/catalogue/sheetlayout.h"
#include "reports/catalogue/xlsxbook.h"
#include "reports/page/outputfile.h"

#include <array>

namespace reports {

namespace {

// A margin of the PDF's, 12 mm, in inches; the foot leaves room for the page number.
constexpr double marginInches = 0.47;
constexpr double footInches = 0.75;

std::array<lxw_format *, int(SheetStyle::Sum) + 1> makeFormats(lxw_workbook *book)
{
    std::array<lxw_format *, int(SheetStyle::Sum) + 1> formats{};
    const auto add = [&](SheetStyle style, bool bold, const char *numbers = nullptr) {
        lxw_format *f = workbook_add_format(book);
        if (bold)
            format_set_bold(f);
        if (numbers)
            format_set_num_format(f, numbers);
        formats[int(style)] = f;
        return f;
    };
    format_set_font_size(add(SheetStyle::Title, true), 14);
    format_set_font_size(add(SheetStyle::Note, false), 9);
    format_set_bottom(add(SheetStyle::Heading, true), LXW_BORDER_THIN);
    add(SheetStyle::Number, false, "0.00");
    add(SheetStyle::Integer, false, "0");
    add(SheetStyle::Date, false, "yyyy-m-d");
    add(SheetStyle::Label, true);
    format_set_top(add(SheetStyle::Sum, true, "0.00"), LXW_BORDER_THIN);
    return formats;
}

lxw_error writeCell(lxw_worksheet *sheet, int row, const SheetCell &cell, lxw_format *format)
{
    switch (cell.type) {
    case SheetCell::Type::Text:
        return worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(cell.column), cell.text.toUtf8().constData(),
                                      format);
    case SheetCell::Type::Number:
        return worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(cell.column), cell.number, format);
    case SheetCell::Type::Formula:
        return worksheet_write_formula_num(sheet, lxw_row_t(row), lxw_col_t(cell.column),
                                           cell.text.toUtf8().constData(), format, cell.number);
    }
    return LXW_NO_ERROR;
}

void setUpPage(Workbook &book, lxw_worksheet *sheet, const SheetFrame &frame)
{
    for (int c = 0; c < frame.widths.size(); ++c)
        book.check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), frame.widths.at(c), nullptr));
    worksheet_freeze_panes(sheet, lxw_row_t(frame.headingRow + 1), 0);
    // Printed as the PDF is: its paper, every column on the width of the
    // page, the headings atop each page and the page number at the foot.
    worksheet_set_paper(sheet, uint8_t(frame.paper));
    if (frame.landscape)
        worksheet_set_landscape(sheet);
    else
        worksheet_set_portrait(sheet);
    worksheet_set_margins(sheet, marginInches, marginInches, marginInches, footInches);
    worksheet_fit_to_pages(sheet, 1, 0);
    book.check(worksheet_repeat_rows(sheet, lxw_row_t(frame.headingRow), lxw_row_t(frame.headingRow)));
    book.check(worksheet_set_footer(sheet, "&C第 &P 页 共 &N 页"));
    // Before the rows: with one row held at a time, nothing may name a row already written.
    book.check(worksheet_autofilter(sheet, lxw_row_t(frame.headingRow), 0, lxw_row_t(frame.lastFilteredRow),
                                    lxw_col_t(std::max<int>(0, frame.widths.size() - 1))));
}

} // namespace

common::Result<void> writePreparedSheet(const PreparedReport &prepared, const QString &path)
{
    OutputFile file(path, OutputKind::Excel);
    if (const auto e = file.open(); e.failed())
        return e;
    const SheetFrame frame = sheetFrame(prepared);
    lxw_error written = LXW_ERROR_CREATING_XLSX_FILE;
    {
        // One row held at a time: a whole table's sheet is written in a
        // fraction of the memory, and quicker.
        Workbook book(file.partPath(), true);
        if (book.get()) {
            const auto formats = makeFormats(book.get());
            lxw_worksheet *sheet = workbook_add_worksheet(book.get(), frame.name.toUtf8().constData());
            if (sheet) {
                setUpPage(book, sheet, frame);
                sheetRows(prepared, frame, [&](const SheetRow &row) {
                    for (const SheetCell &cell : row.cells)
                        book.check(writeCell(sheet, row.row, cell, formats[int(cell.style)]));
                });
            }
            written = sheet ? book.close() : LXW_ERROR_CREATING_XLSX_FILE;
        }
    }
    if (written != LXW_NO_ERROR) {
        file.discard();
        return file.writeFailed(true, QString::fromUtf8(lxw_strerror(written)));
    }
    return file.commit();
}

common::Result<void> writePreparedCsv(const PreparedReport &prepared, const QString &path)
{
    CsvFile file(path);
    if (const auto e = file.open(); e.failed())
        return e;
    // On top, as in the workbook: the title, what the report covers, the print date.
    file.add({prepared.definition.title});
    file.add({prepared.heading.scope});
    file.add({printDateLabel(prepared.heading.printed)});
    QStringList captions;
    for (const ReportColumn &c : prepared.definition.columns)
        captions << c.caption;
    file.add(captions);
    for (const ReportRow &row : prepared.rows)
        file.add(row.cells);
    return file.commit();
}

} // namespace reports
