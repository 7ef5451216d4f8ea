#include "store/jobphotos.h"

#include "common/regularfile.h"

#include "store/database.h"
#include "store/fields.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

QString table() { return quoted(photoTableName()); }

} // namespace

QString photoTableName() { return QStringLiteral("客户照片"); }

QString photoTableStatement(Engine engine)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"编号\" INTEGER PRIMARY KEY, \"文件名\" TEXT NOT NULL, "
                              "\"照片\" BLOB NOT NULL)")
            .arg(table());
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"编号\" INTEGER PRIMARY KEY REFERENCES %2 (\"编号\") "
                          "ON DELETE CASCADE ON UPDATE CASCADE, \"文件名\" TEXT NOT NULL, \"照片\" BYTEA NOT NULL)")
        .arg(table(), quoted(tableName()));
}

bool keepsPhotos(const Database &db) { return db.engine() == Engine::PostgreSQL; }

common::Result<bool> hasPhotoTable(const Database &db)
{
    return retried(db, [&]() -> common::Result<bool> {
        QSqlQuery q(db.sql());
        const QString sql = db.engine() == Engine::SQLite
            ? QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'")
            : QStringLiteral("SELECT count(*) FROM information_schema.tables "
                             "WHERE table_schema = current_schema() AND table_name = '%1'");
        if (!db.exec(q, sql.arg(photoTableName())) || !db.next(q))
            return db.failure(q.lastError());
        return q.value(0).toInt() > 0;
    });
}

common::Result<std::optional<JobPhoto>> readPhoto(const Database &db, qint16 number)
{
    return retried(db, [&]() -> common::Result<std::optional<JobPhoto>> {
        QSqlQuery q(db.sql());
        q.setForwardOnly(true);
        if (!db.prepare(q, QStringLiteral("SELECT \"文件名\", \"照片\" FROM %1 WHERE \"编号\" = ?").arg(table())))
            return db.failure(q.lastError());
        q.addBindValue(int(number));
        if (!db.exec(q))
            return db.failure(q.lastError());
        if (!db.next(q))
            return q.lastError().isValid() ? common::Result<std::optional<JobPhoto>>(db.failure(q.lastError()))
                                           : std::optional<JobPhoto>();
        return std::optional<JobPhoto>(JobPhoto{q.value(0).toString(), q.value(1).toByteArray()});
    });
}

namespace {

// One statement on the photo of job `number`, in a transaction of its own.
common::Result<void> writePhoto(const Database &db, const QString &sql, const QVariantList &values)
{
    return retried(db, [&]() -> common::Result<void> {
        QSqlQuery q(db.sql());
        if (!db.prepare(q, sql))
            return db.failure(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!db.exec(q))
            return db.failure(q.lastError());
        return {};
    });
}

} // namespace

common::Result<void> savePhoto(const Database &db, qint16 number, const JobPhoto &photo)
{
    if (photo.bytes.size() > photoSizeLimit)
        return StoreError{code::FieldTooSmall,
                          QStringLiteral("照片 %1 太大（%2 MB），最多 %3 MB。请另选一张，或先把照片缩小。")
                              .arg(photo.fileName)
                              .arg(double(photo.bytes.size()) / (1024 * 1024), 0, 'f', 1)
                              .arg(photoSizeLimit / (1024 * 1024)),
                          -1, QStringLiteral("Photo")};
    return writePhoto(db,
                      QStringLiteral("INSERT INTO %1 (\"编号\", \"文件名\", \"照片\") VALUES (?, ?, ?) "
                                     "ON CONFLICT (\"编号\") DO UPDATE SET \"文件名\" = EXCLUDED.\"文件名\", "
                                     "\"照片\" = EXCLUDED.\"照片\"")
                          .arg(table()),
                      {int(number), photo.fileName, photo.bytes});
}

common::Result<void> removePhoto(const Database &db, qint16 number)
{
    return writePhoto(db, QStringLiteral("DELETE FROM %1 WHERE \"编号\" = ?").arg(table()), {int(number)});
}

common::Result<JobPhoto> photoFromFile(const QString &path)
{
    const QFileInfo info(path);
    const auto refused = [&path](const QString &why) {
        return common::Error::failed(QStringLiteral("%1：\n%2").arg(why, path));
    };
    if (!info.exists())
        return refused(QStringLiteral("找不到所选的照片文件"));
    // Reading a pipe or a device would wait for ever.
    if (!info.isFile())
        return refused(QStringLiteral("所选的不是一个普通文件"));
    if (!info.isReadable())
        return refused(QStringLiteral("没有读取所选照片文件的权限"));
    if (info.size() > photoSizeLimit)
        return refused(QStringLiteral("照片文件太大（%1 MB），最多 %2 MB")
                           .arg(double(info.size()) / (1024 * 1024), 0, 'f', 1)
                           .arg(photoSizeLimit / (1024 * 1024)));
    QFile file(path);
    if (const common::Result<void> opened = common::openRegularFile(file); opened.failed())
        return refused(opened.error().text);
    JobPhoto photo{info.fileName(), file.read(photoSizeLimit + 1)};
    if (photo.bytes.size() > photoSizeLimit)
        return refused(QStringLiteral("照片文件太大，最多 %1 MB").arg(photoSizeLimit / (1024 * 1024)));
    return photo;
}

} // namespace store
