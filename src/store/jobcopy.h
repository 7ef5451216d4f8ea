#pragma once
// Every job of one database copied into another, in one transaction: the
// shop's file onto its new server, and the server into a snapshot file.
#include "common/result.h"

namespace store {

class Database;

// Copies every row of 客户信息 in from into to, in job-number order, and
// returns how many. Refused, with nothing written, when to already holds a
// job; a failure on the way leaves to as it was.
common::Result<int> copyAllJobs(const Database &from, const Database &to);

// How many jobs the table holds.
common::Result<int> jobCount(const Database &db);

} // namespace store
