#pragma once
// Every job of one database copied into another, in one transaction: the
// shop's file onto its new server, the server into a snapshot file, a
// snapshot back onto an empty server. Photos go along where the target
// keeps them.
#include "common/result.h"
#include "store/progress.h"

#include <QStringList>

namespace store {

class Database;

struct CopiedJobs {
    int jobs = 0;
    int photos = 0;
    // Photos named by a job's Photo path that could not be taken along
    // (moving a file onto a server): "编号 7：why".
    QStringList photosLeftOut;
};

// Copies every row of 客户信息 in from into to, in job-number order, each
// value as it is stored (an empty text stays empty, a NULL stays NULL), and
// the jobs' photos: a photo table into a photo table, or, moving a file
// onto a server, the pictures its Photo paths name. Refused, with nothing
// written, when to already holds a job; a failure on the way leaves to as it
// was. A snapshot file takes what the server holds even where its own
// checks would refuse it (a date a server made by an earlier version let in).
// progress is told every few hundred jobs copied; a stop is refused with
// code::Stopped, nothing written.
common::Result<CopiedJobs> copyAllJobs(const Database &from, const Database &to, const CopyProgress &progress = {});

// How many jobs the table holds.
common::Result<int> jobCount(const Database &db);

} // namespace store
