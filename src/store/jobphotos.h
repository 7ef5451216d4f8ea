#pragma once
// A job's photo kept in the database itself, so that every desk of a server
// shop shows it: the picture's bytes and the name of the file it came from,
// one per job, in a table of its own (客户照片) that follows the job when it
// is renumbered or deleted. A shop on a file keeps only the path, in the
// job's Photo field; the server keeps that path too, for reports and filters.
#include "store/sqldialect.h"
#include "store/storeerror.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace store {

class Database;

struct JobPhoto {
    QString fileName; // the original file's name, without its folder
    QByteArray bytes;
};

QString photoTableName();
// Makes the photo table where it is missing: on a server tied to the jobs,
// in a snapshot file a table of its own.
QString photoTableStatement(Engine engine);

// A camera's JPEG is a few megabytes; a larger file is refused.
constexpr qint64 photoSizeLimit = 16 * 1024 * 1024;

// Whether the database keeps its jobs' photos itself (a server does).
bool keepsPhotos(const Database &db);
// Whether it holds a photo table (a server, or a server's snapshot).
common::Result<bool> hasPhotoTable(const Database &db);

// The photo of job `number`; none when it has none.
common::Result<std::optional<JobPhoto>> readPhoto(const Database &db, qint16 number);
// Keeps photo as job `number`'s, in place of one it had.
common::Result<void> savePhoto(const Database &db, qint16 number, const JobPhoto &photo);
common::Result<void> removePhoto(const Database &db, qint16 number);

// The file at path as a photo: refused, saying why, when it is not a
// readable regular file (a folder, a pipe, nothing at all) or is larger
// than the limit. Whether it is a picture is for the reader of the bytes.
common::Result<JobPhoto> photoFromFile(const QString &path);

} // namespace store
