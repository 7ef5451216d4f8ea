#pragma once
// The repair-job table 客户信息: its fields in table order, their kinds and limits.
#include <QString>
#include <QVariant>
#include <QVector>

namespace store {

inline QString tableName() { return QStringLiteral("客户信息"); }
inline QString databaseFileName() { return QStringLiteral("新客户信息.mdb"); }

enum class FieldKind {
    JobNumber,    // 编号: 16-bit signed, unique
    Text,         // text up to maxLength characters
    PurchaseDate, // 购买日期: a date (stored ISO) or any text such as "超保"
    Date,         // ISO yyyy-MM-dd
    Number,       // fees, mileage: any number
    YesNo,        // -1 / 0
    Time,         // HH:MM:SS
};

// Whether a field may hold no value at all.
enum class Empty {
    Null,        // no value is NULL
    EmptyText,   // no value is '' (配件, Photo: reports and filters compare with '')
    NeverEmpty,  // always a value: the job number; yes/no reads 否 when not set
};

struct FieldDef {
    QString name;
    FieldKind kind;
    int maxLength; // characters, for Text and PurchaseDate; 0 otherwise
    Empty empty = Empty::Null;
    // An identifier kept as text: phones, postcode, invoice, product and
    // model numbers, the repair and material codes.
    bool code = false;

    // Compared as text: case-insensitively in Jet SQL, by prefix in formulas,
    // and an emptied box stores '' rather than no value.
    bool isTextLike() const { return kind == FieldKind::Text || kind == FieldKind::PurchaseDate; }
    // What the field holds when nothing was given.
    bool neverNull() const { return empty != Empty::Null; }
    // A fee: every number a job keeps but the mileage, printed as money.
    bool isFee() const { return kind == FieldKind::Number && name != QStringLiteral("里程数"); }
    // Printed whole or not at all: dates, numbers, the job number, codes.
    // Only free text may be shortened to fit a form's or a column's width.
    bool printedWhole() const { return kind != FieldKind::Text || code; }
};

const QVector<FieldDef> &fields();
// What a field stores when it is given no value: '' for 配件 and Photo, 否
// (0) for a yes/no field, NULL for the rest.
QVariant noValue(const FieldDef &field);
// The field in an SQL condition: its quoted name, and for a yes/no field a
// value that reads 否 where a file from before it was never empty holds NULL.
QString conditionOperand(const FieldDef &field);
// nullptr when name is not a field of 客户信息 (exact match).
const FieldDef *findField(const QString &name);
// The field's place in table order; -1 when there is no such field.
int fieldIndex(const QString &name);
// The job number 编号, the field that names a job.
const FieldDef &jobNumberField();
QStringList fieldNames();

// CREATE TABLE and index statements for an empty database file.
QStringList schemaStatements();
// The same for a PostgreSQL server's database, the photo table included.
QStringList serverSchemaStatements();
// What brings a server table made by an earlier version up to this one,
// and the mark (the table's comment) a table up to date carries.
QStringList serverUpgradeStatements();
QString serverSchemaMark();

} // namespace store
