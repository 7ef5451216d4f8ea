#pragma once
// The rows a report shows: selected by the compiled formula, ordered by the
// definition, each cell already in the text it is printed as.
#include "reports/formula/formula.h"
#include "reports/catalogue/definition.h"

#include "common/result.h"

#include <QDate>
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

// What a report's heading says besides its title.
struct ReportHeading {
    QString scope;  // the period or condition the rows were selected by
    QDate printed;
};

// What a report says above a group, below it and at its end; its spreadsheet
// says the same.
QString groupHeading(const ReportDefinition &definition, const QString &group);
QString printDateLabel(const QDate &printed);
QString subtotalLabel(int rows);
QString totalLabel(int rows);

// What a report is made from, before layout.
struct PreparedReport {
    ReportDefinition definition;
    QVector<ReportRow> rows;
    ReportHeading heading; // what the formula selected, and today
};

} // namespace reports
