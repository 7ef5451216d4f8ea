#include "store/jobcopy.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/sqldialect.h"
#include "store/storedvalue.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

common::Result<int> jobCount(const Database &db)
{
    if (const auto e = db.reconnectIfLost(); e.failed())
        return e;
    QSqlQuery q(db.sql());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(tableName()))) || !q.next())
        return db.failure(q.lastError());
    return q.value(0).toInt();
}

common::Result<int> copyAllJobs(const Database &from, const Database &to)
{
    const common::Result<int> already = jobCount(to);
    if (already.failed())
        return already.error();
    if (*already > 0)
        return StoreError{code::Engine, QStringLiteral("目标数据库已有 %1 条记录，没有复制任何记录。").arg(*already)};
    if (const auto e = from.reconnectIfLost(); e.failed())
        return e;

    QStringList columns, marks;
    for (const FieldDef &f : fields()) {
        columns << quoted(f.name);
        marks << QStringLiteral("?");
    }
    QSqlQuery read(from.sql());
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                       .arg(columns.join(u", "), quoted(tableName()), quoted(fields().first().name))))
        return from.failure(read.lastError());

    QSqlDatabase target = to.sql();
    if (!target.transaction())
        return to.failure(target.lastError());
    QSqlQuery write(target);
    const auto undo = [&](const StoreError &e) -> common::Result<int> {
        write.finish();
        target.rollback();
        return e;
    };
    if (!write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(quoted(tableName()), columns.join(u", "), marks.join(u", "))))
        return undo(to.failure(write.lastError()));
    int copied = 0;
    const QVector<FieldDef> &defs = fields();
    while (read.next()) {
        // In the form each engine stores: a whole number as a whole number. A
        // value the field cannot hold stops the copy rather than go missing.
        for (int i = 0; i < defs.size(); ++i) {
            const StoredValue v = toStored(defs.at(i), fromStored(defs.at(i), read.value(i)));
            if (v.error.failed())
                return undo({v.error.code, QStringLiteral("编号 %1 的记录无法复制：%2").arg(read.value(0).toInt()).arg(v.error.text),
                             -1, defs.at(i).name});
            write.bindValue(i, v.value);
        }
        if (!write.exec()) {
            StoreError e = to.failure(write.lastError());
            e.text = QStringLiteral("第 %1 条记录（编号 %2）无法复制：%3")
                         .arg(copied + 1).arg(read.value(0).toInt()).arg(e.text);
            return undo(e);
        }
        ++copied;
    }
    if (read.lastError().isValid())
        return undo(from.failure(read.lastError()));
    if (!target.commit())
        return undo(to.failure(target.lastError()));
    return copied;
}

} // namespace store
