#pragma once
// Reads an Access file in a child process. libmdb trusts the page structure of
// the file, so a damaged one can crash or hang it; run apart, that becomes an
// error message and the program stays up.
#include "store/mdbreader.h"

namespace store {

struct MdbContents {
    QStringList tableNames; // user tables, in catalog order
    QList<MdbTable> tables; // those asked for, in the order asked
};

// Reads the table names and every table in tables (each must exist). False
// with error when the file cannot be read, whatever happened to the reader.
// timeoutMs bounds a reader caught in a loop of pages; a reader that grows
// past 1 GB is stopped as well.
bool readMdbIsolated(const QString &path, const QStringList &tables, MdbContents *out, QString *error,
                     int timeoutMs = 120000);

} // namespace store
