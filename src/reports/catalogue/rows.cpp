#include "reports/catalogue/rows.h"

#include "common/textrules.h"
#include "reports/catalogue/sheetlayout.h"
#include "store/fields.h"
#include "store/rowreader.h"

namespace reports {

namespace {

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
    if (!f)
        return value.toString();
    switch (f->kind) {
    case store::FieldKind::YesNo:
        return value.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否");
    case store::FieldKind::Number: {
        // Text an older program left in a number column prints as it stands.
        bool number = false;
        const double n = value.toDouble(&number);
        if (!number)
            return value.toString();
        return f->isFee() ? common::moneyText(n) : common::plainNumber(n);
    }
    case store::FieldKind::Date:
    case store::FieldKind::PurchaseDate:
        return common::shortDateText(value.toString());
    default:
        return value.toString();
    }
}

namespace {

// What a spreadsheet takes for a stored value: a number or job number as
// it is, a date as its day; NaN for anything else.
double sheetValue(const QVariant &value, const store::FieldDef *f)
{
    if (value.isNull() || !f)
        return qQNaN();
    switch (f->kind) {
    case store::FieldKind::Number:
    case store::FieldKind::JobNumber:
        return value.toDouble();
    case store::FieldKind::Date:
    case store::FieldKind::PurchaseDate:
        if (const std::optional<QDate> date = common::parseDate(value.toString()))
            return sheetDayNumber(*date).value_or(qQNaN());
        return qQNaN();
    default:
        return qQNaN();
    }
}

} // namespace

common::Result<QVector<ReportRow>> selectReportRows(const store::Database &db, const ReportDefinition &d,
                                                    const SqlCondition &condition)
{
    const QStringList fields = selectedFields(d);
    QVector<int> cellIndex; // -1: a blank column
    for (const ReportColumn &c : d.columns)
        cellIndex << (c.field.isEmpty() ? -1 : int(fields.indexOf(c.field)));
    QVector<const store::FieldDef *> defs;
    for (const QString &f : fields)
        defs << store::findField(f);
    QVector<int> sumIndex;
    for (const QString &t : d.totals)
        sumIndex << int(fields.indexOf(t));
    const int groupIndex = d.groupField.isEmpty() ? -1 : int(fields.indexOf(d.groupField));

    QStringList order;
    if (!d.groupField.isEmpty())
        order << d.groupField;
    order += d.sort;
    QVector<QString> texts(fields.size());
    QVector<ReportRow> rows;
    const common::Result<void> e = store::forEachRow(
        db, {fields, condition.where, condition.values, order}, [&](const store::FieldValues &values) {
            for (int i = 0; i < fields.size(); ++i)
                texts[i] = cellText(values.at(i), defs.at(i));
            ReportRow row;
            row.cells.reserve(cellIndex.size());
            row.numbers.reserve(cellIndex.size());
            for (int i : cellIndex) {
                row.cells << (i < 0 ? QString() : texts.at(i));
                row.numbers << (i < 0 ? qQNaN() : sheetValue(values.at(i), defs.at(i)));
            }
            for (int i : sumIndex)
                row.sums << values.at(i).toDouble();
            if (groupIndex >= 0)
                row.group = texts.at(groupIndex);
            rows.append(std::move(row));
        });
    if (e.failed())
        return e.error().reworded(QStringLiteral("读取数据库出错：") + e.error().text);
    return rows;
}

QString groupHeading(const ReportDefinition &definition, const QString &group)
{
    return definition.groupCaption + QStringLiteral("：") + (group.isEmpty() ? QStringLiteral("（空）") : group);
}

QString printDateLabel(const QDate &printed)
{
    return QStringLiteral("打印日期：") + common::shortDate(printed);
}

QString subtotalLabel(int rows)
{
    return QStringLiteral("小计（%1 条）").arg(rows);
}

QString totalLabel(int rows)
{
    return QStringLiteral("总计（共 %1 条）").arg(rows);
}

} // namespace reports
