#pragma once
// A prepared report written as a spreadsheet: an Excel workbook of one sheet
// laid out as sheetlayout.h says, or CSV (title, what the report covers and
// print date a line each, then the headings and one line per record). Both take the rows the PDF is made from; like the PDF, each is
// renamed into place only once complete.
#include "reports/catalogue/rows.h"

namespace reports {

common::Result<void> writePreparedSheet(const PreparedReport &prepared, const QString &path);

// UTF-8 with a byte-order mark, so a spreadsheet program reads the Chinese
// right; fields quoted as RFC 4180 has them, lines ended by CR LF. Cells are
// the texts the report prints.
common::Result<void> writePreparedCsv(const PreparedReport &prepared, const QString &path);

} // namespace reports
