#include "store/sqldialect.h"

#include "store/jetsql.h"

namespace store {

QString quoted(const QString &name) { return u'"' + name + u'"'; }

QString rowKey(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("rowid") : quoted(jobNumberField().name);
}

QString allColumns()
{
    static const QString columns = [] {
        QStringList names;
        for (const FieldDef &f : fields())
            names << quoted(f.name);
        return names.join(QStringLiteral(", "));
    }();
    return columns;
}

// On the server, text in the "C" collation compares by its characters' codes
// as SQLite does, and lower() in it folds A-Z only, as NOCASE does.
QString textComparison(Engine engine, const QString &column, const QString &op)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("%1 %2 ? COLLATE NOCASE").arg(column, op);
    return QStringLiteral("lower(%1 COLLATE \"C\") %2 lower(CAST(? AS TEXT) COLLATE \"C\")").arg(column, op);
}

namespace {

bool storedAsText(const FieldDef &field)
{
    return field.kind != FieldKind::Number && field.kind != FieldKind::JobNumber && field.kind != FieldKind::YesNo;
}

} // namespace

QString chineseOrdered(Engine engine, const QString &column)
{
    // Both sides fold Latin case: PINYIN compares without it, the server's
    // ICU collation after lower().
    return engine == Engine::SQLite ? column + QStringLiteral(" COLLATE PINYIN")
                                    : QStringLiteral("lower(%1) COLLATE \"zh-x-icu\"").arg(column);
}

QString orderTerm(Engine engine, const FieldDef &field, bool descending)
{
    const QString column = quoted(field.name);
    const QString direction = descending ? QStringLiteral(" DESC") : QString();
    if (engine == Engine::SQLite)
        return (field.isTextLike() ? chineseOrdered(engine, column) : column) + direction;
    const QString term = field.isTextLike()       ? chineseOrdered(engine, column)
                         : storedAsText(field) ? column + QStringLiteral(" COLLATE \"C\"")
                                               : column;
    return term + direction + (descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST"));
}

QString plainOrderTerm(Engine engine, const FieldDef &field)
{
    const QString column = quoted(field.name);
    if (field.isTextLike())
        return chineseOrdered(engine, column) + (engine == Engine::SQLite ? QString() : QStringLiteral(" NULLS FIRST"));
    if (engine == Engine::SQLite)
        return column;
    return column + (storedAsText(field) ? QStringLiteral(" COLLATE \"C\"") : QString()) + QStringLiteral(" NULLS FIRST");
}

QString keyOrder(Engine engine)
{
    return rowKey(engine) + (engine == Engine::SQLite ? QString() : QStringLiteral(" NULLS FIRST"));
}

QString likeTerm(Engine engine, const QString &column)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("jet_like(%1, ?)").arg(column);
    return QStringLiteral("%1 ~* CAST(? AS TEXT)").arg(column);
}

QString dateTest(Engine engine, const QString &column)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("(%1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND date(%1, '+0 days') IS %1)")
            .arg(column);
    return QStringLiteral("(%1 IS NOT NULL)").arg(column);
}

QString emptyTest(Engine engine, const FieldDef &field)
{
    const QString column = quoted(field.name);
    if (field.kind == FieldKind::Date && engine == Engine::SQLite)
        return QStringLiteral("(%1 IS NULL OR %1 = '')").arg(column);
    return QStringLiteral("(%1 IS NULL)").arg(column);
}

QVariant likePattern(Engine engine, const QString &jetPattern)
{
    return engine == Engine::SQLite ? QVariant(jetPattern) : QVariant(jetPatternRegex(jetPattern));
}

QString textParameter(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("?") : QStringLiteral("CAST(? AS TEXT)");
}

QString typedParameter(Engine engine, const FieldDef &field)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("?");
    switch (field.kind) {
    case FieldKind::JobNumber:
    case FieldKind::YesNo:
        return QStringLiteral("CAST(? AS INTEGER)");
    case FieldKind::Number:
        return QStringLiteral("CAST(? AS DOUBLE PRECISION)");
    default:
        return QStringLiteral("CAST(? AS TEXT)");
    }
}

} // namespace store
