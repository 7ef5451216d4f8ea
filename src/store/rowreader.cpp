#include "store/rowreader.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/sqldialect.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

common::Result<void> checkFields(const QStringList &names)
{
    for (const QString &name : names)
        if (!findField(name))
            return {code::Syntax, QStringLiteral("表 %1 没有字段 “%2”").arg(tableName(), name)};
    return {};
}

QString selectSql(const RowSelection &s)
{
    QStringList columns;
    for (const QString &f : s.fields)
        columns << quoted(f);
    QStringList order;
    for (const QString &f : s.orderBy)
        order << quoted(f);
    order << quoted(fields().first().name);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u", "), quoted(tableName()));
    if (!s.where.isEmpty())
        sql += QStringLiteral(" WHERE ") + s.where;
    return sql + QStringLiteral(" ORDER BY ") + order.join(u", ");
}

} // namespace

common::Result<void> forEachRow(const Database &db, const RowSelection &selection,
                         const std::function<void(const FieldValues &)> &take)
{
    if (selection.fields.isEmpty())
        return common::Error{code::Syntax, QStringLiteral("没有要读取的字段")};
    if (const auto e = checkFields(selection.fields + selection.orderBy); e.failed())
        return e;
    if (const auto e = db.reconnectIfLost(); e.failed())
        return e;
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.prepare(selectSql(selection)))
        return db.failure(q.lastError());
    for (const QVariant &v : selection.values)
        q.addBindValue(v);
    if (!q.exec())
        return db.failure(q.lastError());
    FieldValues row(selection.fields.size());
    while (q.next()) {
        for (int i = 0; i < row.size(); ++i)
            row[i] = q.value(i);
        take(row);
    }
    return q.lastError().isValid() ? db.failure(q.lastError()) : common::Error{};
}

common::Result<QVector<FieldValues>> readRows(const Database &db, const RowSelection &selection)
{
    QVector<FieldValues> rows;
    if (const auto e = forEachRow(db, selection, [&rows](const FieldValues &row) { rows.append(row); }); e.failed())
        return e;
    return rows;
}

common::Result<std::optional<FieldValues>> readJob(const Database &db, qint16 number,
                                                   const QStringList &fields)
{
    const RowSelection one{fields, quoted(store::fields().first().name) + QStringLiteral(" = ?"),
                           {int(number)}, {}};
    common::Result<QVector<FieldValues>> rows = readRows(db, one);
    if (rows.failed())
        return rows.error();
    if (rows->isEmpty())
        return std::optional<FieldValues>();
    return std::optional<FieldValues>(rows->first());
}

} // namespace store
