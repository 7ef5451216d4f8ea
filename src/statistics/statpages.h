#pragma once
// The figures on paper, A4 upright, laid out into the program's one page
// model (reports/page/pagemodel.h), so they print, preview and go to PDF
// through the one painter as every report does: the title and period, the
// open jobs and the period's figures as boxed numbers, the tables by
// repairer and by brand, and three charts drawn of boxes, lines and texts
// (jobs received per month by brand, 合计金额 per repairer, how long jobs
// took). Tables and the repairers' bars run on over as many pages as they
// need; every text is measured in its font and shortened with "…" rather
// than ever leaving its place or the paper.
#include "common/result.h"
#include "reports/page/pagemodel.h"
#include "statistics/figures.h"

namespace statistics {

reports::LaidOutReport layoutStatistics(const ShopFigures &f);

common::Result<void> writeStatisticsPdf(const ShopFigures &f, const QString &path);

} // namespace statistics
