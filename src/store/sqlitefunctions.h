#pragma once
// SQL functions the translated statements rely on, registered on each connection.
struct sqlite3;

namespace store {

// jet_like(text, pattern): Jet's Like; null when either side is null.
bool registerJetLike(sqlite3 *handle);

// corvale_is_date(text): 1 when text is a real calendar date written
// yyyy-mm-dd, as date(text, '+0 days') IS text holds, 0 otherwise, null for
// null; at a fraction of date()'s cost, as a query tests it on every row.
bool registerDateTest(sqlite3 *handle);

} // namespace store
