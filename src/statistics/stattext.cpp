#include "statistics/stattext.h"

#include "common/textrules.h"

namespace statistics {

QString statisticsTitle()
{
    return QStringLiteral("经营统计");
}

QString periodLine(const ShopFigures &f)
{
    return QStringLiteral("期间：") + periodText(f.period);
}

QString asOfLine(const ShopFigures &f)
{
    return QStringLiteral("截至 %1（超期：接货超过 %2 天仍未修）").arg(common::shortDate(f.today)).arg(f.overdueDays);
}

QVector<FigureLine> periodLines(const ShopFigures &f)
{
    return {{QStringLiteral("接修"), double(f.inPeriod.received)},
            {QStringLiteral("已修"), double(f.inPeriod.repaired)},
            {QStringLiteral("已发货"), double(f.inPeriod.shipped)},
            {QStringLiteral("合计金额"), f.inPeriod.total, true}};
}

QVector<FigureLine> nowLines(const ShopFigures &f)
{
    return {{QStringLiteral("在修"), double(f.now.open)},
            {QStringLiteral("超期未修"), double(f.now.overdue)},
            {QStringLiteral("待配件"), double(f.now.awaitingParts)},
            {QStringLiteral("已修未取"), double(f.now.repairedNotCollected)}};
}

QString figureText(const FigureLine &line)
{
    return line.money ? common::moneyText(line.value) : QString::number(qint64(line.value));
}

QStringList repairerCaptions()
{
    return {QStringLiteral("维修人员"), QStringLiteral("接修"), QStringLiteral("已修"),
            QStringLiteral("合计金额"), QStringLiteral("上门费"), QStringLiteral("维修费")};
}

QStringList brandCaptions()
{
    return {QStringLiteral("品牌"), QStringLiteral("接修"), QStringLiteral("已修"),
            QStringLiteral("平均周期（天）"), QStringLiteral("中位周期（天）"), QStringLiteral("合计金额")};
}

QString totalLabel()
{
    return QStringLiteral("合计");
}

QString daysText(const std::optional<double> &days)
{
    return days ? QString::number(*days, 'f', 1) : QString();
}

QString monthLabel(const QDate &month)
{
    return month.toString(QStringLiteral("yyyy-MM"));
}

QStringList repairerCells(const RepairerRow &row)
{
    return {row.repairer, QString::number(row.received), QString::number(row.repaired),
            common::moneyText(row.total), common::moneyText(row.visitFees), common::moneyText(row.repairFees)};
}

QStringList repairerTotalCells(const QVector<RepairerRow> &rows)
{
    RepairerRow sum;
    sum.repairer = totalLabel();
    for (const RepairerRow &r : rows) {
        sum.received += r.received;
        sum.repaired += r.repaired;
        sum.total += r.total;
        sum.visitFees += r.visitFees;
        sum.repairFees += r.repairFees;
    }
    return repairerCells(sum);
}

} // namespace statistics
