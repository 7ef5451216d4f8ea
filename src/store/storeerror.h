#pragma once
// The store's failures: a common::Error whose code is one of the numbers the
// windows test, as the data engine of old reported them.
#include "common/result.h"

namespace store {

namespace code {
constexpr int None = 0;
constexpr int Overflow = 6;          // a number does not fit its field
constexpr int FileNotFound = 53;
constexpr int FieldTooSmall = 524;   // text longer than its field allows
constexpr int TypeMismatch = 3464;   // a value that is not of the field's kind
constexpr int NoCurrentRecord = 3021;
constexpr int RecordDeleted = 3167;  // the row is gone (another desk deleted it)
constexpr int DuplicateKey = 3022;
constexpr int ReadOnly = 3027;       // the file or its folder cannot be written
constexpr int Syntax = 3075;         // a statement the store does not accept
constexpr int ServerAway = 3151;     // the connection to the shop's server failed
constexpr int ChangedElsewhere = 3197; // another desk changed the row since it was read
constexpr int Engine = 3146;         // anything else the engine reported
constexpr int Busy = 3260;           // another program holds the file
constexpr int Stopped = 3059;        // the clerk stopped a long step; nothing was written
} // namespace code

using StoreError = common::Error;

} // namespace store
