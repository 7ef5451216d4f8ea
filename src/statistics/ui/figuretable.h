#pragma once
// The by-repairer and by-brand figures as table models: each row keeps the
// name it stands for, so a row opens its own jobs.
#include "statistics/figures.h"

#include <QAbstractTableModel>

namespace statistics {

class FigureTable : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void showRepairers(const QVector<RepairerRow> &rows);
    void showBrands(const QVector<BrandRow> &rows);
    // The repairer or brand of a row.
    QString nameAt(int row) const { return m_names.value(row); }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_cells.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_headers.size()); }
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void show(const QStringList &headers, QStringList names, QVector<QStringList> cells);

    QStringList m_headers;
    QStringList m_names;
    QVector<QStringList> m_cells;
};

// The columns of the two tables, as the window and the workbook head them.
QStringList repairerHeaders();
QStringList brandHeaders();

} // namespace statistics
