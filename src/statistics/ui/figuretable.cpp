#include "statistics/ui/figuretable.h"

#include "common/textrules.h"

namespace statistics {

namespace {

QString days(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'f', 1) : QString();
}

} // namespace

QStringList repairerHeaders()
{
    return {QStringLiteral("维修人员"), QStringLiteral("接修"), QStringLiteral("已修"), QStringLiteral("合计金额"),
            QStringLiteral("上门费"), QStringLiteral("维修费")};
}

QStringList brandHeaders()
{
    return {QStringLiteral("品牌"), QStringLiteral("接修"), QStringLiteral("已修"), QStringLiteral("平均周期（天）"),
            QStringLiteral("中位周期（天）"), QStringLiteral("合计金额")};
}

void FigureTable::showRepairers(const QVector<RepairerRow> &rows)
{
    QStringList names;
    QVector<QStringList> cells;
    for (const RepairerRow &r : rows) {
        names << r.repairer;
        cells << QStringList{r.repairer, QString::number(r.received), QString::number(r.repaired),
                             common::moneyText(r.total), common::moneyText(r.visitFees), common::moneyText(r.repairFees)};
    }
    show(repairerHeaders(), names, cells);
}

void FigureTable::showBrands(const QVector<BrandRow> &rows)
{
    QStringList names;
    QVector<QStringList> cells;
    for (const BrandRow &r : rows) {
        names << r.brand;
        cells << QStringList{r.brand, QString::number(r.received), QString::number(r.repaired), days(r.meanDays),
                             days(r.medianDays), common::moneyText(r.total)};
    }
    show(brandHeaders(), names, cells);
}

void FigureTable::show(const QStringList &headers, QStringList names, QVector<QStringList> cells)
{
    beginResetModel();
    m_headers = headers;
    m_names = std::move(names);
    m_cells = std::move(cells);
    endResetModel();
}

QVariant FigureTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_cells.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_cells.at(index.row()).value(index.column());
    // Figures line up on their last digit, names on their first character.
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FigureTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? QVariant(m_headers.value(section)) : QVariant(section + 1);
}

} // namespace statistics
