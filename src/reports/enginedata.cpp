#include "reports/enginedata.h"

#include "store/fields.h"

#include <QSqlError>
#include <QSqlQuery>

namespace reports {

namespace {

QString quoted(const QString &field)
{
    return u'"' + field + u'"';
}

// Every field the report reads, each once; the row's cells are picked from these.
QStringList selectedFields(const ReportDefinition &d)
{
    QStringList fields;
    for (const ReportColumn &c : d.columns)
        if (!c.field.isEmpty() && !fields.contains(c.field))
            fields << c.field;
    if (!d.groupField.isEmpty() && !fields.contains(d.groupField))
        fields << d.groupField;
    if (fields.isEmpty())
        fields << store::fields().first().name;
    return fields;
}

} // namespace

QString cellText(const QVariant &value, const QString &field)
{
    return cellText(value, store::findField(field));
}

QString cellText(const QVariant &value, const store::FieldDef *f)
{
    if (value.isNull())
        return {};
    if (f && f->kind == store::FieldKind::YesNo)
        return value.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否");
    if (f && f->kind == store::FieldKind::Number)
        return QString::number(value.toDouble(), 'f', 2);
    return value.toString();
}

QString reportSelectSql(const ReportDefinition &d, const SqlCondition &condition)
{
    QStringList columns;
    for (const QString &f : selectedFields(d))
        columns << quoted(f);
    QStringList order;
    if (!d.groupField.isEmpty())
        order << quoted(d.groupField);
    for (const QString &f : d.sort)
        order << quoted(f);
    order << quoted(QStringLiteral("编号")); // a stable order for equal keys

    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u", "), quoted(store::tableName()));
    if (!condition.where.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition.where;
    return sql + QStringLiteral(" ORDER BY ") + order.join(u", ");
}

SelectedRows selectReportRows(const QSqlDatabase &db, const ReportDefinition &d,
                              const SqlCondition &condition)
{
    SelectedRows result;
    const QStringList fields = selectedFields(d);
    QVector<int> cellIndex; // -1: a blank column
    for (const ReportColumn &c : d.columns)
        cellIndex << (c.field.isEmpty() ? -1 : int(fields.indexOf(c.field)));
    QVector<int> sumIndex;
    for (const QString &t : d.totals)
        sumIndex << int(fields.indexOf(t));
    const int groupIndex = d.groupField.isEmpty() ? -1 : int(fields.indexOf(d.groupField));

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(reportSelectSql(d, condition))) {
        result.error = QStringLiteral("读取数据库出错：") + q.lastError().text();
        return result;
    }
    for (const QVariant &v : condition.values)
        q.addBindValue(v);
    if (!q.exec()) {
        result.error = QStringLiteral("读取数据库出错：") + q.lastError().text();
        return result;
    }
    QVector<const store::FieldDef *> defs;
    for (const QString &f : fields)
        defs << store::findField(f);
    QVector<QString> texts(fields.size());
    while (q.next()) {
        for (int i = 0; i < fields.size(); ++i)
            texts[i] = cellText(q.value(i), defs.at(i));
        ReportRow row;
        row.cells.reserve(cellIndex.size());
        for (int i : cellIndex)
            row.cells << (i < 0 ? QString() : texts.at(i));
        for (int i : sumIndex)
            row.sums << q.value(i).toDouble();
        if (groupIndex >= 0)
            row.group = texts.at(groupIndex);
        result.rows.append(std::move(row));
    }
    if (q.lastError().isValid())
        result.error = QStringLiteral("读取数据库出错：") + q.lastError().text();
    return result;
}

} // namespace reports
