#include "store/rowreader.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/sqldialect.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

common::Error checkFields(const QStringList &names)
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

common::Result<std::unique_ptr<Database>> openDatabase(const QString &path)
{
    StoreError e;
    std::unique_ptr<Database> db = Database::open(path, &e);
    if (!db)
        return e ? e : StoreError{code::FileNotFound, path};
    return db;
}

common::Error forEachRow(const Database &db, const RowSelection &selection,
                         const std::function<void(const FieldValues &)> &take)
{
    if (selection.fields.isEmpty())
        return common::Error{code::Syntax, QStringLiteral("没有要读取的字段")};
    if (common::Error e = checkFields(selection.fields + selection.orderBy))
        return e;
    if (common::Error e = db.reconnectIfLost())
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
    if (common::Error e = forEachRow(db, selection, [&rows](const FieldValues &row) { rows.append(row); }))
        return e;
    return rows;
}

common::Result<std::optional<FieldValues>> readJob(const Database &db, qint16 number,
                                                   const QStringList &fields)
{
    const RowSelection one{fields, quoted(store::fields().first().name) + QStringLiteral(" = ?"),
                           {int(number)}, {}};
    common::Result<QVector<FieldValues>> rows = readRows(db, one);
    if (!rows)
        return rows.error();
    if (rows->isEmpty())
        return std::optional<FieldValues>();
    return std::optional<FieldValues>(rows->first());
}

} // namespace store
