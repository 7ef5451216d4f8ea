#include "reports/formula/formula.h"

#include "common/textrules.h"
#include "store/fields.h"

namespace reports {

std::pair<QDate, QDate> dateRangeBounds(DateRange range, const QDate &today)
{
    if (range == DateRange::MonthToDate)
        return {QDate(today.year(), today.month(), 1), today};
    const int q = static_cast<int>(range) - static_cast<int>(DateRange::Quarter1);
    const QDate first(today.year(), 3 * q + 1, 1);
    return {first, first.addMonths(3).addDays(-1)};
}

namespace {

QString opText(CompareOp op)
{
    switch (op) {
    case CompareOp::Equal: return QStringLiteral("=");
    case CompareOp::GreaterEqual: return QStringLiteral(">=");
    case CompareOp::LessEqual: return QStringLiteral("<=");
    }
    return {};
}

// Each condition becomes one SQL term. A NULL field makes every term NULL,
// and so the record is not selected, as the formula engine treats a null.
class ConditionCompiler {
public:
    ConditionCompiler(const QDate &today, store::Engine engine) : m_today(today), m_engine(engine) {}

    common::Result<void> add(const Condition &c, SqlCondition *out)
    {
        const store::FieldDef &def = *store::findField(c.field);
        const store::FieldKind kind = def.kind;
        const QString col = store::conditionOperand(def);
        switch (c.kind) {
        case Condition::Kind::StartsWith:
            if (!def.isTextLike())
                return mismatch(c, QStringLiteral("StartsWith 只用于文字字段"));
            // Every text starts with nothing, and so does a field left empty.
            if (c.value.text.isEmpty()) {
                out->where += QStringLiteral("1 = 1");
                return {};
            }
            // substr, not LIKE: LIKE ignores case, and the prefix is a value, not a pattern.
            out->where += QStringLiteral("substr(%1, 1, length(%2)) = %2").arg(col, store::textParameter(m_engine));
            out->values << c.value.text << c.value.text;
            return {};
        case Condition::Kind::InRange: {
            if (kind != store::FieldKind::Date)
                return mismatch(c, QStringLiteral("in 只用于日期字段"));
            const auto [from, to] = dateRangeBounds(c.range, m_today);
            out->where += QStringLiteral("(%1 >= ? AND %1 <= ?)").arg(col);
            out->values << common::isoDate(from) << common::isoDate(to);
            return {};
        }
        case Condition::Kind::Compare:
            return compare(c, kind, col, out);
        }
        return {};
    }

private:
    common::Result<void> compare(const Condition &c, store::FieldKind kind, const QString &col,
                                        SqlCondition *out) const
    {
        const Operand &v = c.value;
        switch (v.kind) {
        case Operand::Kind::Text:
            if (!store::findField(c.field)->isTextLike())
                return common::Error::failed(QStringLiteral("字段 “%1” 不是文字，不能与文字常量比较").arg(c.field), v.position);
            out->values << v.text;
            break;
        case Operand::Kind::Date:
            if (kind != store::FieldKind::Date)
                return common::Error::failed(QStringLiteral("字段 “%1” 不是日期，不能与 Date 比较").arg(c.field), v.position);
            out->values << common::isoDate(v.date);
            break;
        case Operand::Kind::No:
            if (kind != store::FieldKind::YesNo)
                return common::Error::failed(QStringLiteral("字段 “%1” 不是是/否字段，不能与 No 比较").arg(c.field), v.position);
            if (c.op != CompareOp::Equal)
                return common::Error::failed(QStringLiteral("是/否字段只能用 = 比较"), v.position);
            out->values << 0;
            break;
        }
        out->where += QStringLiteral("%1 %2 ?").arg(col, opText(c.op));
        return {};
    }

    static common::Error mismatch(const Condition &c, const QString &problem)
    {
        return common::Error::failed(problem + QStringLiteral("（字段 “%1”）").arg(c.field), c.fieldPosition);
    }

    QDate m_today;
    store::Engine m_engine;
};

} // namespace

common::Result<SqlCondition> compileFormula(const FormulaTree &tree, const QDate &today, store::Engine engine)
{
    SqlCondition sql;
    ConditionCompiler compiler(today, engine);
    for (const Condition &c : tree.conditions) {
        if (!sql.where.isEmpty())
            sql.where += QStringLiteral(" AND ");
        if (const auto error = compiler.add(c, &sql); error.failed())
            return error;
    }
    return sql;
}

common::Result<SqlCondition> compileFormula(const QString &formula, const QDate &today, store::Engine engine)
{
    // An empty selection selects every record, as a report without a formula does.
    if (formula.trimmed().isEmpty())
        return SqlCondition{};
    const common::Result<FormulaTree> parsed = parseFormula(formula);
    if (parsed.failed())
        return parsed.error();
    return compileFormula(*parsed, today, engine);
}

} // namespace reports
