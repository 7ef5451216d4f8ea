#pragma once
// What the workbook, the CSV file and the pages of the figures say alike:
// the names of the figures, the headings of the tables, the period and the
// day the open jobs are counted on. One place, so the three never differ.
#include "statistics/figures.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace statistics {

QString statisticsTitle(); // 经营统计

// "期间：2026-11-20 至 2026-12-19".
QString periodLine(const ShopFigures &f);
// "截至 2026-12-9（超期：接货超过 7 天仍未修）": the day the open jobs stand on.
QString asOfLine(const ShopFigures &f);

// One figure as the summary states it.
struct FigureLine {
    QString name;
    double value = 0;
    bool money = false;
};
// 接修, 已修, 已发货, 合计金额: the jobs received in the period.
QVector<FigureLine> periodLines(const ShopFigures &f);
// 在修, 超期未修, 待配件, 已修未取: the whole table as of today.
QVector<FigureLine> nowLines(const ShopFigures &f);
// A figure's value as printed: money with two decimals, a count whole.
QString figureText(const FigureLine &line);

// The headings of the table by repairer and by brand; the last row of each is totalLabel().
QStringList repairerCaptions(); // 维修人员 接修 已修 合计金额 上门费 维修费
QStringList brandCaptions();    // 品牌 接修 已修 平均周期（天） 中位周期（天） 合计金额
QString totalLabel();           // 合计
// A turnaround in days with one decimal; empty for none.
QString daysText(const std::optional<double> &days);
// "2026-01".
QString monthLabel(const QDate &month);

// The cells of a repairer's row as printed (money with two decimals).
QStringList repairerCells(const RepairerRow &row);
// The repairers' total row as printed: the sums of their rows.
QStringList repairerTotalCells(const QVector<RepairerRow> &rows);

} // namespace statistics
