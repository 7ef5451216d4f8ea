#pragma once
// SQL functions the translated statements rely on, registered on each connection.
struct sqlite3;

namespace store {

// jet_like(text, pattern): Jet's Like; null when either side is null.
bool registerJetLike(sqlite3 *handle);

} // namespace store
