#include "store/sqldialect.h"

#include "store/jetsql.h"
#include "store/sqlitefunctions.h"

#include <sqlite3.h>

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

namespace {

bool isCalendarDate(const unsigned char *t, int bytes)
{
    if (!t || bytes != 10 || t[4] != '-' || t[7] != '-')
        return false;
    int digits[8], n = 0;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        digits[n++] = t[i] - '0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    const int month = digits[4] * 10 + digits[5];
    const int day = digits[6] * 10 + digits[7];
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

void dateTestFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    // Null, as the GLOB it stands for gives, so that a negated test stays unknown.
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char *t = sqlite3_value_text(argv[0]);
    sqlite3_result_int(ctx, isCalendarDate(t, sqlite3_value_bytes(argv[0])) ? 1 : 0);
}

} // namespace

bool registerDateTest(sqlite3 *handle)
{
    return sqlite3_create_function_v2(handle, "corvale_is_date", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      dateTestFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString dateTest(Engine engine, const QString &column)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("corvale_is_date(%1)").arg(column);
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
