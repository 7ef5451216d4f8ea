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

QString selectSql(const RowSelection &s, Engine engine)
{
    QStringList columns;
    for (const QString &f : s.fields)
        columns << quoted(f);
    // Where NULLs and texts go is said, so both engines give one order.
    QStringList order;
    for (const QString &f : s.orderBy)
        order << plainOrderTerm(engine, *findField(f));
    order << plainOrderTerm(engine, jobNumberField());
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
    FieldValues row(selection.fields.size());
    bool delivered = false;
    const auto attempt = [&]() -> common::Result<void> {
        if (const auto e = db.reconnectIfLost(); e.failed())
            return e;
        QSqlQuery q(db.sql());
        q.setForwardOnly(true);
        if (!db.prepare(q, selectSql(selection, db.engine())))
            return db.failure(q.lastError());
        for (const QVariant &v : selection.values)
            q.addBindValue(v);
        if (!db.exec(q))
            return db.failure(q.lastError());
        while (db.next(q)) {
            for (int i = 0; i < row.size(); ++i)
                row[i] = q.value(i);
            delivered = true;
            take(row);
        }
        if (q.lastError().isValid())
            return db.failure(q.lastError());
        return {};
    };
    common::Result<void> read = attempt();
    // Rows already handed on are never handed on twice.
    if (read.failed() && !delivered && db.mayRetry(read.error()) && db.reconnectIfLost().ok())
        read = attempt();
    return read;
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
    const RowSelection one{fields, quoted(jobNumberField().name) + QStringLiteral(" = ?"),
                           {int(number)}, {}};
    common::Result<QVector<FieldValues>> rows = readRows(db, one);
    if (rows.failed())
        return rows.error();
    if (rows->isEmpty())
        return std::optional<FieldValues>();
    return std::optional<FieldValues>(rows->first());
}

} // namespace store
