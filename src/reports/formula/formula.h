#pragma once
// Selection formulas: parsed into a tree of conditions joined by "and", then
// compiled to an SQL condition over 客户信息 whose values are all bound.
//
// A formula that is refused gives a common::Error whose text is the problem
// and whose position is the index in the formula where it lies.
#include "common/result.h"

#include "store/sqldialect.h"

#include <QDate>
#include <QString>
#include <QVariantList>
#include <QVector>

namespace reports {

// What the user is shown of a refused formula: the problem, where it is, and
// the formula.
QString formulaMessage(const common::Error &error, const QString &formula);

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

common::Result<FormulaTree> parseFormula(const QString &formula);

// text as a text constant of the formula language, whatever it holds:
// O'Neil gives 'O''Neil', which reads back as O'Neil.
QString formulaText(const QString &text);

// What a formula selects, as a report's heading tells the clerk: the period
// of each date field, then the other conditions, or "全部" when nothing is
// left out. today fixes MonthToDate and the quarters, as in compileFormula.
QString describeSelection(const FormulaTree &tree, const QDate &today);

struct SqlCondition {
    QString where;       // placeholders are "?"
    QVariantList values; // in placeholder order
};

// today fixes MonthToDate and the calendar quarters; engine the SQL written.
common::Result<SqlCondition> compileFormula(const FormulaTree &tree, const QDate &today,
                                           store::Engine engine = store::Engine::SQLite);
common::Result<SqlCondition> compileFormula(const QString &formula, const QDate &today,
                                           store::Engine engine = store::Engine::SQLite);

// The inclusive bounds of a range relative to today.
std::pair<QDate, QDate> dateRangeBounds(DateRange range, const QDate &today);

} // namespace reports
