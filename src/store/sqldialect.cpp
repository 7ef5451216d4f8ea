#include "store/sqldialect.h"

#include "store/jetsql.h"

namespace store {

QString quoted(const QString &name) { return u'"' + name + u'"'; }

QString rowKey(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("rowid") : quoted(fields().first().name);
}

QString textComparison(Engine engine, const QString &column, const QString &op)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("%1 %2 ? COLLATE NOCASE").arg(column, op);
    return QStringLiteral("lower(%1) %2 lower(CAST(? AS TEXT))").arg(column, op);
}

QString orderTerm(Engine engine, const FieldDef &field, bool descending)
{
    const QString column = quoted(field.name);
    const QString direction = descending ? QStringLiteral(" DESC") : QString();
    if (engine == Engine::SQLite)
        return column + (field.isTextLike() ? QStringLiteral(" COLLATE NOCASE") : QString()) + direction;
    return (field.isTextLike() ? QStringLiteral("lower(%1)").arg(column) : column) + direction
        + (descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST"));
}

QString likeTerm(Engine engine, const QString &column)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("jet_like(%1, ?)").arg(column);
    return QStringLiteral("%1 ~* CAST(? AS TEXT)").arg(column);
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
