#pragma once
// A catalogue report as a spreadsheet, decided before anything is written:
// which cell holds what in which style, how wide each column is, how the
// sheet prints. The Excel writer (workbook.cpp) only carries it out.
//
// From the top: the title, what the report covers, the print date, the
// column headings, then the records in the report's order, each group opened
// by its heading and closed by its subtotal, and the total last. Subtotals and the total are formulas
// (SUBTOTAL, so a filter narrows them and they do not count each other),
// with the sums the PDF prints as their values.
#include "reports/catalogue/rows.h"

#include <QString>
#include <QVector>
#include <functional>
#include <optional>

namespace reports {

enum class SheetStyle {
    Text,
    Title,
    Note,
    Heading,  // bold, the autofilter's row
    Number,   // two decimals, as the report prints them
    Integer,  // job numbers
    Date,     // the short date form, 2025-5-18
    Label,    // group headings and the labels of subtotals and total: bold
    Sum,      // a subtotal or the total: bold, two decimals
};

struct SheetCell {
    enum class Type { Text, Number, Formula };
    int column = 0;
    Type type = Type::Text;
    QString text;       // Text: the text; Formula: the formula, "=SUBTOTAL(9,F4:F20)"
    double number = 0;  // Number: the value (a date: its day number); Formula: its value
    SheetStyle style = SheetStyle::Text;
};

struct SheetRow {
    int row = 0;               // from 0
    QVector<SheetCell> cells;  // left to right; empty cells are left out
};

struct SheetFrame {
    QString name;             // the sheet's tab: the title, as a tab may be named
    QVector<double> widths;   // per column, in characters of the body font
    int headingRow = 3;       // frozen below it; the autofilter starts here
    int lastFilteredRow = 3;  // the autofilter's last row: the last record or subtotal
    int paper = 9;            // the sheet's paper number (9: A4)
    bool landscape = false;
    bool labelsAlone = false; // the subtotal and total labels take a row above their sums
};

// Measures every cell of the report (Chinese characters count two).
SheetFrame sheetFrame(const PreparedReport &report);

// Hands each row to take, top to bottom.
void sheetRows(const PreparedReport &report, const SheetFrame &frame,
              const std::function<void(const SheetRow &)> &take);

// The day number a spreadsheet keeps for a date, counted as Excel counts
// them; nothing for a date before 1900.
std::optional<double> sheetDayNumber(const QDate &date);

// The columns a text takes in the sheet's body font.
double sheetTextWidth(const QString &text);

} // namespace reports
