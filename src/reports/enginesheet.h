#pragma once
// A prepared report written as a spreadsheet: an Excel workbook of one sheet
// laid out as sheetlayout.h says, or CSV (the headings and one line per
// record). Both take the rows the PDF is made from; like the PDF, each is
// renamed into place only once complete.
#include "reports/engine.h"

namespace reports {

common::Result<void> writePreparedSheet(const PreparedReport &prepared, const QString &path);

// UTF-8 with a byte-order mark, so a spreadsheet program reads the Chinese
// right; fields quoted as RFC 4180 has them, lines ended by CR LF. Cells are
// the texts the report prints.
common::Result<void> writePreparedCsv(const PreparedReport &prepared, const QString &path);

// Runs request against the database in the working folder and writes the
// report to path as its extension asks: .xlsx, .csv, anything else PDF.
common::Result<void> renderRequest(const ReportRequest &request, const QString &path);

} // namespace reports
