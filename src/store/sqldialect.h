#pragma once
// What differs between the two engines the store runs on, in the SQL it
// writes: the embedded SQLite file and a shop's PostgreSQL server. The Jet
// translation and the formula compiler parse once and ask here how to write.
#include "store/fields.h"

#include <QString>
#include <QVariant>

namespace store {

enum class Engine { SQLite, PostgreSQL };

// A name as standard SQL quotes it (PostgreSQL folds unquoted names to lower case).
QString quoted(const QString &name);
// Every field of 客户信息, quoted, in table order, for a select or insert list.
QString allColumns();

// The column that tells the rows of 客户信息 apart in a record set: SQLite's
// rowid (so rows keep the order they were written in), the unique job number
// on the server (which keeps no such order).
QString rowKey(Engine engine);

// A comparison of a text field as Jet makes it: without regard to case.
QString textComparison(Engine engine, const QString &column, const QString &op);

// An order term: text without regard to case, and empty fields first going
// up (last going down), as Jet and SQLite sort them. Text compares by its
// characters' codes on both engines, never by the server's language rules.
QString orderTerm(Engine engine, const FieldDef &field, bool descending);
// A text column ordered as a Chinese reader expects (by pinyin, Latin case folded).
QString chineseOrdered(Engine engine, const QString &column);
// The same as the file orders a field as it is, case and all (the report
// rows): NULL first, text by its characters' codes.
QString plainOrderTerm(Engine engine, const FieldDef &field);
// The rows in the order they were written (rowKey).
QString keyOrder(Engine engine);

// Jet's Like over column, the pattern bound as likePattern() gives it.
QString likeTerm(Engine engine, const QString &column);
// True where column holds a real calendar date (an older file may hold any
// text); on the server the column's own check has seen to it.
QString dateTest(Engine engine, const QString &column);
// Jet's "Is Null": a date an older file left as '' is as empty as a Null.
QString emptyTest(Engine engine, const FieldDef &field);
QVariant likePattern(Engine engine, const QString &jetPattern);

// A bound text value where the engine must be told it is text.
QString textParameter(Engine engine);
// A bound value for field where nothing around it says its type (a value
// in the list an INSERT ... SELECT chooses).
QString typedParameter(Engine engine, const FieldDef &field);

} // namespace store
