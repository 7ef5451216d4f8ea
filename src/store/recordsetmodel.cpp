#include "store/recordsetmodel.h"

#include "common/textrules.h"
#include "store/fields.h"
#include "store/recordset.h"

#include <QSqlRecord>
#include <cmath>

namespace store {

namespace {

// The grid's text for a stored value: yes/no as 是/否, as the box beside it
// reads; numbers written out whole.
QString displayText(const FieldDef *field, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (field && field->kind == FieldKind::YesNo)
        return value.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否");
    if (field && field->kind == FieldKind::Number && value.typeId() == QMetaType::Double)
        return common::plainNumber(value.toDouble());
    return value.toString();
}

} // namespace

RecordSetModel::RecordSetModel(RecordSet &set, QStringList columns, QObject *parent)
    : QAbstractTableModel(parent), m_set(set), m_columns(std::move(columns))
{
    connect(&m_set, &RecordSet::rowsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&m_set, &RecordSet::rowChanged, this, [this](int row) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_set.recordCount();
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QString &name = m_columns.at(index.column());
    const QVariant value = m_set.rowAt(index.row()).value(name);
    return role == Qt::EditRole ? value : QVariant(displayText(findField(name), value));
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_columns.value(section);
    return section + 1;
}

} // namespace store
