#pragma once
// The figures as an Excel workbook for the owner's own sums: a sheet of the
// figures with their period, the tables by repairer and by brand, and jobs
// received per month by brand. Every number is stored as a number, every
// total as a formula over exactly the rows above it (with the value computed
// here stored for it), and each table has a native chart a spreadsheet
// program redraws from its cells. Renamed into place only once complete.
#include "common/result.h"
#include "statistics/figures.h"

namespace statistics {

common::Result<void> writeStatisticsWorkbook(const ShopFigures &f, const QString &path);

} // namespace statistics
