#pragma once
// Rows of 客户信息 for those that only read them (the reports): chosen by an
// SQL condition whose values are bound, each row holding the fields asked
// for in the order asked for. The statement is the store's, not the reader's.
#include "common/result.h"

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

namespace store {

class Database;

struct RowSelection {
    QStringList fields;   // what each row holds, in this order
    QString where;        // a condition over 客户信息 with "?" placeholders; empty: every row
    QVariantList values;  // bound to the placeholders in order
    QStringList orderBy;  // ascending; ties are broken by 编号
};

// One row: the selection's fields in its order.
using FieldValues = QVector<QVariant>;

// Refuses a field that is not in the table before anything is read.
common::Result<QVector<FieldValues>> readRows(const Database &db, const RowSelection &selection);
// The same, each row handed to take as it is read (the values are reused for
// the next row), so a long selection need not be held twice.
common::Result<void> forEachRow(const Database &db, const RowSelection &selection,
                         const std::function<void(const FieldValues &)> &take);

// The job numbered `number` with `fields`; nothing when there is no such job.
common::Result<std::optional<FieldValues>> readJob(const Database &db, qint16 number,
                                                   const QStringList &fields);

} // namespace store
