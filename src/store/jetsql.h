#pragma once
// The statements the windows compose, in the dialect of the old Access engine,
// translated to SQLite or PostgreSQL. A pure function: tokens, never pasted
// user text.
//
// Accepted shapes (keywords case-insensitive):
//   客户信息                                       (the table as a record source)
//   select * from 客户信息 [where COND] [order by FIELD [desc] {, FIELD [desc]}]
//   INSERT INTO 客户信息 SELECT 客户信息.* From 客户信息 WHERE 编号=N
// COND is terms joined by "and" and "or" (and binding tighter), in ( ) as
// needed; a term is [not] FIELD (a yes/no field), FIELD Is [Not] Null,
// FIELD op VALUE with op one of = <> < > <= >=, or FIELD Like 'pattern'.
// VALUE is a number, a 'text' ('' inside for a quote) or a #date#.
#include "store/sqldialect.h"
#include "store/storeerror.h"

#include <QString>
#include <QVariantList>

namespace store {

struct JetTranslation {
    enum class Kind { Select, InsertCopy };
    Kind kind = Kind::Select;
    QString sql;          // the engine's SQL with ? placeholders
    QVariantList params;  // bound in order
    QString keySql;       // for a Select: the row keys (rowKey) of the same rows in the same order, same params
};

// A whole statement or record source. A statement the store does not accept
// fails with code 3075, a clear message naming the problem and its 0-based
// character position in the input.
common::Result<JetTranslation> translateJet(const QString &statement, Engine engine = Engine::SQLite);
// A bare criterion as FindFirst takes it, e.g. "编号 =12"; sql is a condition.
common::Result<JetTranslation> translateJetCondition(const QString &criterion, Engine engine = Engine::SQLite);

// Jet's Like: * any run, ? one character, # one digit, [abc] [a-z] [!abc] one
// of/not of; case-insensitive. Registered on every connection as jet_like(text, pattern).
bool jetLike(const QString &text, const QString &pattern);
// The same pattern as a POSIX regular expression for a case-insensitive
// match (PostgreSQL's ~*), anchored at both ends.
QString jetPatternRegex(const QString &pattern);

} // namespace store
