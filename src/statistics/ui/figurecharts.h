#pragma once
// The three charts of the statistics window, drawn by Qt Charts in the
// program's Chinese font. A double-click on a bar says which bar it was.
#include "statistics/figures.h"

#include <QString>
#include <functional>

class QChart;

namespace statistics {

// A bar the clerk opened: the brand and month of a monthly bar, the
// repairer of a money bar.
struct ChosenBar {
    QString name;
    QDate month; // the month's first day for a monthly bar; null otherwise
};
using BarChosen = std::function<void(const ChosenBar &)>;

// Jobs received per month over the last twelve, stacked by brand.
QChart *monthlyChart(const MonthlyReceived &monthly, const BarChosen &chosen);
// 合计金额 per repairer in the period.
QChart *repairerMoneyChart(const QVector<RepairerRow> &rows, const BarChosen &chosen);
// How many of the period's jobs took how many days.
QChart *turnaroundChart(const QVector<TurnaroundBin> &bins);

} // namespace statistics
