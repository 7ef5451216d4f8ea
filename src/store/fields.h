#pragma once
// The repair-job table 客户信息: its fields in table order, their kinds and limits.
#include <QString>
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

struct FieldDef {
    QString name;
    FieldKind kind;
    int maxLength; // characters, for Text and PurchaseDate; 0 otherwise
};

const QVector<FieldDef> &fields();
// nullptr when name is not a field of 客户信息 (exact match).
const FieldDef *findField(const QString &name);
QStringList fieldNames();

// CREATE TABLE and index statements for an empty database.
QStringList schemaStatements();

} // namespace store
