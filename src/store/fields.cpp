#include "store/fields.h"

namespace store {

const QVector<FieldDef> &fields()
{
    using K = FieldKind;
    static const QVector<FieldDef> all = {
        {QStringLiteral("编号"), K::JobNumber, 0, Empty::NeverEmpty},
        {QStringLiteral("客户姓名"), K::Text, 50},
        {QStringLiteral("地址"), K::Text, 100},
        {QStringLiteral("宅电"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("购店"), K::Text, 50},
        {QStringLiteral("移动电话"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("购买日期"), K::PurchaseDate, 50},
        {QStringLiteral("发票号码"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("出厂日期"), K::Date, 0},
        {QStringLiteral("产品编号"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("到货日期"), K::Date, 0},
        {QStringLiteral("接货日期"), K::Date, 0},
        {QStringLiteral("发货日期"), K::Date, 0},
        {QStringLiteral("里程数"), K::Number, 0},
        {QStringLiteral("上门费"), K::Number, 0},
        {QStringLiteral("维修费"), K::Number, 0},
        {QStringLiteral("车补"), K::Number, 0},
        {QStringLiteral("差旅费"), K::Number, 0},
        {QStringLiteral("搬运费"), K::Number, 0},
        {QStringLiteral("合计"), K::Number, 0},
        {QStringLiteral("材料费"), K::Number, 0},
        {QStringLiteral("地区"), K::Text, 50},
        {QStringLiteral("邮编"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("型号"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("保修期"), K::Text, 50},
        {QStringLiteral("信息来源"), K::Text, 50},
        {QStringLiteral("备注"), K::Text, 255},
        {QStringLiteral("故障修理"), K::Text, 255},
        {QStringLiteral("检修结果"), K::Text, 255},
        {QStringLiteral("修理内容"), K::Text, 255},
        {QStringLiteral("代码"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("维修类别"), K::Text, 50},
        {QStringLiteral("修理人员"), K::Text, 50},
        {QStringLiteral("已修否"), K::YesNo, 0, Empty::NeverEmpty},
        {QStringLiteral("制冷者"), K::Text, 50},
        {QStringLiteral("小修者"), K::Text, 50},
        {QStringLiteral("钣金者"), K::Text, 50},
        {QStringLiteral("运来者1"), K::Text, 50},
        {QStringLiteral("运去者1"), K::Text, 50},
        {QStringLiteral("配件"), K::Text, 50, Empty::EmptyText},
        {QStringLiteral("物料代码"), K::Text, 50, Empty::Null, true},
        {QStringLiteral("是否申请"), K::Text, 50},
        {QStringLiteral("是否库存"), K::Text, 50},
        {QStringLiteral("入档"), K::Text, 50},
        {QStringLiteral("开票时间"), K::Time, 0},
        {QStringLiteral("Photo"), K::Text, 255, Empty::EmptyText},
    };
    return all;
}

QVariant noValue(const FieldDef &field)
{
    if (field.empty == Empty::EmptyText)
        return QStringLiteral(""); // empty, not null: bound as ''
    if (field.kind == FieldKind::YesNo)
        return 0;
    return {};
}

QString conditionOperand(const FieldDef &field)
{
    const QString quoted = u'"' + field.name + u'"';
    return field.kind == FieldKind::YesNo ? QStringLiteral("coalesce(%1, 0)").arg(quoted) : quoted;
}

const FieldDef *findField(const QString &name)
{
    for (const FieldDef &f : fields())
        if (f.name == name)
            return &f;
    return nullptr;
}

QStringList fieldNames()
{
    QStringList names;
    for (const FieldDef &f : fields())
        names << f.name;
    return names;
}

namespace {

// Constraint names carry the error they stand for: len_ → 524, range_ → 6, kind_ → type.
// A CHECK passes on NULL, hence IS rather than =; '+0 days' turns 2003-02-30 into 03-02.
QString columnSql(const FieldDef &f)
{
    const QString n = f.name;
    switch (f.kind) {
    case FieldKind::JobNumber:
        return QStringLiteral("%1 INTEGER NOT NULL CONSTRAINT range_%1 CHECK (typeof(%1) = 'integer' AND %1 BETWEEN -32768 AND 32767)").arg(n);
    case FieldKind::Text:
    case FieldKind::PurchaseDate:
        return QStringLiteral("%1 TEXT%3 CONSTRAINT len_%1 CHECK (length(%1) <= %2)")
            .arg(n).arg(f.maxLength)
            .arg(f.neverNull() ? QStringLiteral(" NOT NULL DEFAULT ''") : QString());
    case FieldKind::Date:
        return QStringLiteral("%1 TEXT CONSTRAINT kind_%1 CHECK (%1 IS NULL OR (%1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND date(%1, '+0 days') IS %1))").arg(n);
    case FieldKind::Number:
        return QStringLiteral("%1 NUMERIC CONSTRAINT kind_%1 CHECK (typeof(%1) IN ('integer', 'real', 'null'))").arg(n);
    case FieldKind::YesNo:
        return QStringLiteral("%1 INTEGER NOT NULL DEFAULT 0 CONSTRAINT kind_%1 CHECK (%1 IN (-1, 0))").arg(n);
    case FieldKind::Time:
        return QStringLiteral("%1 TEXT CONSTRAINT kind_%1 CHECK (%1 IS NULL OR (%1 GLOB '[0-2][0-9]:[0-5][0-9]:[0-5][0-9]' AND time(%1) IS %1))").arg(n);
    }
    return n;
}

// The same constraints, by the same names, on the server: its own types
// hold numbers and the job number, the patterns keep dates and times in the
// form the program writes.
QString serverColumnSql(const FieldDef &f)
{
    const QString n = u'"' + f.name + u'"';
    switch (f.kind) {
    case FieldKind::JobNumber:
        return QStringLiteral("%1 INTEGER NOT NULL CONSTRAINT %2 CHECK (%1 BETWEEN -32768 AND 32767)")
            .arg(n, QStringLiteral("\"range_%1\"").arg(f.name));
    case FieldKind::Text:
    case FieldKind::PurchaseDate:
        return QStringLiteral("%1 TEXT%3 CONSTRAINT %4 CHECK (char_length(%1) <= %2)")
            .arg(n).arg(f.maxLength)
            .arg(f.neverNull() ? QStringLiteral(" NOT NULL DEFAULT ''") : QString(), QStringLiteral("\"len_%1\"").arg(f.name));
    case FieldKind::Date:
        return QStringLiteral("%1 TEXT CONSTRAINT %2 CHECK (%1 ~ '^[0-9]{4}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$')")
            .arg(n, QStringLiteral("\"kind_%1\"").arg(f.name));
    case FieldKind::Number:
        return QStringLiteral("%1 DOUBLE PRECISION").arg(n);
    case FieldKind::YesNo:
        return QStringLiteral("%1 INTEGER NOT NULL DEFAULT 0 CONSTRAINT %2 CHECK (%1 IN (-1, 0))")
            .arg(n, QStringLiteral("\"kind_%1\"").arg(f.name));
    case FieldKind::Time:
        return QStringLiteral("%1 TEXT CONSTRAINT %2 CHECK (%1 ~ '^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$')")
            .arg(n, QStringLiteral("\"kind_%1\"").arg(f.name));
    }
    return n;
}

} // namespace

QStringList serverSchemaStatements()
{
    QStringList columns;
    for (const FieldDef &f : fields())
        columns << serverColumnSql(f);
    return {
        QStringLiteral("CREATE TABLE \"%1\" (\n  %2\n)").arg(tableName(), columns.join(QStringLiteral(",\n  "))),
        QStringLiteral("CREATE UNIQUE INDEX \"客户信息_编号\" ON \"客户信息\" (\"编号\")"),
        QStringLiteral("CREATE INDEX \"客户信息_接货日期\" ON \"客户信息\" (\"接货日期\")"),
    };
}

QStringList schemaStatements()
{
    QStringList columns;
    for (const FieldDef &f : fields())
        columns << columnSql(f);
    return {
        QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(tableName(), columns.join(QStringLiteral(",\n  "))),
        QStringLiteral("CREATE UNIQUE INDEX 客户信息_编号 ON 客户信息 (编号)"),
        QStringLiteral("CREATE INDEX 客户信息_接货日期 ON 客户信息 (接货日期)"),
        // The table as this version writes it: nothing for bringUpToDate to do.
        QStringLiteral("PRAGMA user_version = 1"),
    };
}

} // namespace store
