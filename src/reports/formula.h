#pragma once
// Selection formulas: parsed into a tree of conditions joined by "and", then
// compiled to an SQL condition over 客户信息 whose values are all bound.
#include <QDate>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <optional>

namespace reports {

struct FormulaError {
    int position = 0; // index into the formula text
    QString problem;

    // What the user is shown: the problem, where it is, and the formula.
    QString message(const QString &formula) const;
};

enum class CompareOp { Equal, GreaterEqual, LessEqual };
enum class DateRange { MonthToDate, Quarter1, Quarter2, Quarter3, Quarter4 };

struct Operand {
    enum class Kind { Text, Date, No };
    Kind kind = Kind::Text;
    QString text;
    QDate date;
    int position = 0;
};

struct Condition {
    enum class Kind { Compare, StartsWith, InRange };
    Kind kind = Kind::Compare;
    QString field;
    int fieldPosition = 0;
    CompareOp op = CompareOp::Equal;
    Operand value;                          // Compare, StartsWith
    DateRange range = DateRange::MonthToDate; // InRange
};

// The formula language has only "and": the tree is its list of conditions.
struct FormulaTree {
    QVector<Condition> conditions;
};

struct ParsedFormula {
    FormulaTree tree;
    std::optional<FormulaError> error;
};
ParsedFormula parseFormula(const QString &formula);

struct SqlCondition {
    QString where;       // placeholders are "?"
    QVariantList values; // in placeholder order
};

struct CompiledFormula {
    SqlCondition sql;
    std::optional<FormulaError> error;
};
// today fixes MonthToDate and the calendar quarters.
CompiledFormula compileFormula(const FormulaTree &tree, const QDate &today);
CompiledFormula compileFormula(const QString &formula, const QDate &today);

// The inclusive bounds of a range relative to today.
std::pair<QDate, QDate> dateRangeBounds(DateRange range, const QDate &today);

} // namespace reports
