#pragma once
// The rows a report shows: selected by the compiled formula, ordered by the
// definition, each cell already in the text it is printed as.
#include "reports/formula.h"
#include "reports/reportdefinition.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace store {
struct FieldDef;
}

namespace reports {

struct ReportRow {
    QStringList cells;     // one per column of the definition
    QVector<double> sums;  // one per total field, in the definition's order
    QString group;         // the group field's text; empty without groups
};

struct SelectedRows {
    QVector<ReportRow> rows;
    QString error;
};

// The SELECT the engine runs (values bound separately).
QString reportSelectSql(const ReportDefinition &definition, const SqlCondition &condition);

SelectedRows selectReportRows(const QSqlDatabase &db, const ReportDefinition &definition,
                              const SqlCondition &condition);

// A stored value as the report prints it: dates as stored, yes/no as 是/否,
// numbers with two decimals, null as nothing.
QString cellText(const QVariant &value, const QString &field);
QString cellText(const QVariant &value, const store::FieldDef *field);

} // namespace reports
