#pragma once
// Reads an Access file in a program of its own, corvale-mdbreader. libmdb
// trusts the page structure of the file, so a damaged one can crash it, send
// it round a loop of pages or allocating without end; in a separate process,
// started fresh (not forked from the threaded GUI), with its memory capped
// and its time bounded, that becomes a message and the program stays up.
#include "store/mdbreader.h"

namespace store {

struct MdbContents {
    QStringList tableNames; // user tables, in catalog order
    QList<MdbTable> tables; // those asked for, in the order asked
};

// Reads the table names and every table in tables (each must exist). Fails
// with a message when the file cannot be read, whatever happened to the reader.
common::Result<MdbContents> readMdbIsolated(const QString &path, const QStringList &tables,
                                            int timeoutMs = 120000);

// The reader program's side: reads in this process and gives what the
// parent decodes. Only corvale-mdbreader calls it.
QByteArray readMdbForParent(const QString &path, const QStringList &tables);

// The most memory the reader may take; the largest real file needs a small
// fraction of it.
constexpr qint64 kMdbReaderMemoryLimit = qint64(1) << 30;

} // namespace store
