#pragma once
// The table by repairer as a CSV file, for the bookkeeper's spreadsheet or
// payroll: as every CSV of the program (reports/catalogue/csvfile.h), the
// title and the period on top, the sheet's headings, a line per repairer and
// the total.
#include "common/result.h"
#include "statistics/figures.h"

namespace statistics {

common::Result<void> writeRepairerCsv(const ShopFigures &f, const QString &path);

} // namespace statistics
