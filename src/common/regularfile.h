#pragma once
// Files the program reads from the data folder (settings, snapshots, report
// definitions, photos, the lock) must be ordinary files: a pipe, a device or
// a link to one would make a read wait for ever, a folder cannot be read.
#include "common/result.h"

#include <QString>

class QFile;

namespace common {

// What path is, when it is not an ordinary file after following links:
// "文件夹", "管道", "设备", "指向不存在的文件的链接", "特殊文件"; empty for an
// ordinary file or nothing at all.
QString notRegularKind(const QString &path);

// Where path leads when it is a link (or runs through linked folders) to a
// place outside the folder it stands in; empty otherwise. The program never
// writes through such a link: it would change a file the shop never meant.
QString linkOutOfFolder(const QString &path);

// Refused, naming the link and where it leads, when path is such a link:
// the place the program would write is one the shop never meant.
Result<void> refuseLinkOutOfFolder(const QString &path);

// Opens file (its name already set) for reading without ever waiting: only
// an ordinary file is opened; anything else is refused naming the file and
// what it is.
Result<void> openRegularFile(QFile &file);

// Why a file could not be written into folder, in the clerk's words: a
// read-only disk, too little room for `needed` bytes, no file could be made
// there (opened false), or a write that failed part way. The system's own
// (English) words belong in the failure's detail, not here.
QString writeFailureReason(const QString &folder, qint64 needed, bool opened);

} // namespace common
