#pragma once
// The grid's view of a record set: one row per row of the set, the columns
// chosen by field name, rows fetched only when shown.
#include <QAbstractTableModel>
#include <QStringList>

namespace store {

class RecordSet;

class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RecordSetModel(RecordSet &set, QStringList columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RecordSet &m_set;
    QStringList m_columns;
};

} // namespace store
