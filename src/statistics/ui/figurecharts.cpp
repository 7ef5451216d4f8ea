#include "statistics/ui/figurecharts.h"

#include "common/fonts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace statistics {

namespace {

QFont chartFont(double points)
{
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(points);
    return f;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(chartFont(11));
    chart->legend()->setFont(chartFont(9));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

// Categories along x, counts or money up y from zero.
void addAxes(QChart *chart, QAbstractBarSeries *series, const QStringList &categories, double highest, bool money)
{
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsFont(chartFont(8));
    auto *y = new QValueAxis;
    // Whole steps of 1, 2 or 5 × 10ⁿ, so no label repeats a rounded number.
    double step = 1;
    while (highest / step > 5)
        step *= (QString::number(step).startsWith(u'2') ? 2.5 : 2);
    const double top = std::max(step, std::ceil(highest / step) * step);
    y->setRange(0, top);
    y->setTickCount(int(top / step) + 1);
    y->setLabelFormat(money ? QStringLiteral("%.0f") : QStringLiteral("%d"));
    y->setLabelsFont(chartFont(8));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

} // namespace

QChart *monthlyChart(const MonthlyReceived &monthly, const BarChosen &chosen)
{
    QChart *chart = newChart(QStringLiteral("近十二个月每月接修（按品牌）"));
    auto *series = new QStackedBarSeries;
    QVector<int> perMonth(monthly.months.size(), 0);
    for (int b = 0; b < monthly.brands.size(); ++b) {
        auto *set = new QBarSet(monthly.brands.at(b));
        for (int m = 0; m < monthly.months.size(); ++m) {
            const int n = monthly.counts.value(m).value(b);
            *set << n;
            perMonth[m] += n;
        }
        const QString brand = monthly.brands.at(b);
        QObject::connect(set, &QBarSet::doubleClicked, set, [chosen, brand, months = monthly.months](int index) {
            chosen({brand, months.value(index)});
        });
        series->append(set);
    }
    chart->addSeries(series);
    QStringList categories;
    for (const QDate &month : monthly.months)
        categories << month.toString(QStringLiteral("yyyy-M"));
    addAxes(chart, series, categories, perMonth.isEmpty() ? 0 : *std::max_element(perMonth.cbegin(), perMonth.cend()),
            false);
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

namespace {

// One series of bars, one a name, with no legend.
QChart *barsChart(const QString &title, const QString &setName, const QStringList &names,
                  const QVector<double> &values, bool money, QBarSet **bars = nullptr)
{
    QChart *chart = newChart(title);
    auto *series = new QBarSeries;
    auto *set = new QBarSet(setName);
    for (double v : values)
        *set << v;
    series->append(set);
    chart->addSeries(series);
    addAxes(chart, series, names, values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend()), money);
    chart->legend()->hide();
    if (bars)
        *bars = set;
    return chart;
}

} // namespace

QChart *repairerMoneyChart(const QVector<RepairerRow> &rows, const BarChosen &chosen)
{
    QStringList names;
    QVector<double> totals;
    for (const RepairerRow &r : rows) {
        names << r.repairer;
        totals << r.total;
    }
    QBarSet *set = nullptr;
    QChart *chart = barsChart(QStringLiteral("期间内每位维修人员的合计金额"), QStringLiteral("合计金额"), names, totals,
                              true, &set);
    QObject::connect(set, &QBarSet::doubleClicked, set, [chosen, names](int index) { chosen({names.value(index), {}}); });
    return chart;
}

QChart *turnaroundChart(const QVector<TurnaroundBin> &bins)
{
    QStringList labels;
    QVector<double> jobs;
    for (const TurnaroundBin &bin : bins) {
        labels << bin.label;
        jobs << bin.jobs;
    }
    return barsChart(QStringLiteral("期间内从接货到发货的天数"), QStringLiteral("记录数"), labels, jobs, false);
}

} // namespace statistics
