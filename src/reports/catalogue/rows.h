#pragma once
// The rows a report shows: selected by the compiled formula, ordered by the
// definition, each cell already in the text it is printed as.
#include "reports/formula.h"
#include "reports/reportdefinition.h"

#include "common/result.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

namespace store {
class Database;
struct FieldDef;
}

namespace reports {

struct ReportRow {
    QStringList cells;     // one per column of the definition
    QVector<double> sums;  // one per total field, in the definition's order
    QString group;         // the group field's text; empty without groups
    // One per column, as a spreadsheet takes the stored value: a number or
    // job number in full (the cell is rounded to print), a date as its day;
    // NaN elsewhere and for no value.
    QVector<double> numbers;
};

common::Result<QVector<ReportRow>> selectReportRows(const store::Database &db,
                                                    const ReportDefinition &definition,
                                                    const SqlCondition &condition);

// A stored value as the report prints it: dates in the short form
// (2025-5-18), yes/no as 是/否, numbers as money, null as nothing.
QString cellText(const QVariant &value, const QString &field);
QString cellText(const QVariant &value, const store::FieldDef *field);

} // namespace reports
