#include "store/backup.h"

#include "common/clock.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace store {

namespace {

struct SqliteCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;

SqlitePtr openSqlite(const QString &path, int flags, QString *error)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    SqlitePtr db(raw);
    if (rc != SQLITE_OK) {
        *error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        return nullptr;
    }
    return db;
}

// Copies the database page by page under a read lock, so a snapshot is
// never half of one write and half of another.
bool onlineCopy(const QString &from, const QString &to, QString *error)
{
    const SqlitePtr source = openSqlite(from, SQLITE_OPEN_READONLY, error);
    if (!source)
        return false;
    const SqlitePtr target = openSqlite(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!target)
        return false;
    sqlite3_backup *backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (!backup) {
        *error = QString::fromUtf8(sqlite3_errmsg(target.get()));
        return false;
    }
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE || finish != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errstr(step != SQLITE_DONE ? step : finish));
        return false;
    }
    return true;
}

// The snapshot's content without the header counters SQLite bumps on every
// copy, so two snapshots of an unchanged database compare equal.
QByteArray contentHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray header = f.read(100);
    if (header.size() == 100) {
        header.replace(24, 4, QByteArray(4, '\0'));  // file change counter
        header.replace(92, 8, QByteArray(8, '\0'));  // version-valid-for, library version
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(header);
    while (!f.atEnd())
        hash.addData(f.read(1 << 16));
    return hash.result();
}

QString timestampOf(const QDateTime &at) { return at.toString(QStringLiteral("yyyyMMdd-HHmmss")); }

QRegularExpression snapshotPattern(const QString &dbPath)
{
    return QRegularExpression(QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.db$")
                                  .arg(QRegularExpression::escape(QFileInfo(dbPath).completeBaseName())));
}

} // namespace

QString backupFolder(const QString &dbPath)
{
    return QFileInfo(dbPath).absoluteDir().filePath(QStringLiteral("备份"));
}

QString snapshotPath(const QString &dbPath, const QDateTime &at)
{
    return QDir(backupFolder(dbPath)).filePath(
        QStringLiteral("%1-%2.db").arg(QFileInfo(dbPath).completeBaseName(), timestampOf(at)));
}

QStringList snapshots(const QString &dbPath)
{
    const QDir dir(backupFolder(dbPath));
    const QRegularExpression pattern = snapshotPattern(dbPath);
    struct Entry {
        QString stamp;
        int sequence;
        QString path;
    };
    QList<Entry> entries;
    for (const QString &name : dir.entryList(QDir::Files)) {
        const auto m = pattern.match(name);
        if (m.hasMatch())
            entries.append({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), dir.filePath(name)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.sequence > b.sequence;
    });
    QStringList paths;
    for (const Entry &e : entries)
        paths << e.path;
    return paths;
}

namespace {

BackupResult failed(const QString &why)
{
    BackupResult result;
    result.outcome = BackupResult::Outcome::Failed;
    result.message = QStringLiteral("备份数据库失败：%1\n程序照常运行，但这次没有备份。").arg(why);
    return result;
}

// The snapshot just written at taking becomes the newest, unless the newest
// already holds the same content; then only the newest keep are kept.
BackupResult keepSnapshot(const QString &dbPath, const QString &taking, int keep)
{
    BackupResult result;
    const QStringList existing = snapshots(dbPath);
    if (!existing.isEmpty() && contentHash(existing.first()) == contentHash(taking)) {
        QFile::remove(taking);
        result.outcome = BackupResult::Outcome::Unchanged;
        result.snapshotPath = existing.first();
    } else {
        const QString stem = snapshotPath(dbPath, common::clock().now()).chopped(3);
        QString target = stem + QStringLiteral(".db");
        for (int n = 2; QFileInfo::exists(target); ++n)
            target = QStringLiteral("%1-%2.db").arg(stem).arg(n);
        if (!QFile::rename(taking, target)) {
            QFile::remove(taking);
            return failed(QStringLiteral("无法保存 %1").arg(target));
        }
        result.outcome = BackupResult::Outcome::Taken;
        result.snapshotPath = target;
    }
    const QStringList all = snapshots(dbPath);
    for (int i = std::max(keep, 1); i < all.size(); ++i)
        if (QFile::remove(all.at(i)))
            result.removed << all.at(i);
    return result;
}

// Where a snapshot is written before it is known whole.
QString takingPath(const QString &dbPath, QString *problem)
{
    const QString folder = backupFolder(dbPath);
    if (!QDir().mkpath(folder)) {
        *problem = QStringLiteral("无法建立文件夹 %1").arg(folder);
        return {};
    }
    const QString taking = QDir(folder).filePath(QStringLiteral(".正在备份.tmp"));
    QFile::remove(taking);
    return taking;
}

} // namespace

BackupResult backupOnStart(const QString &dbPath, int keep)
{
    if (!QFileInfo::exists(dbPath)) {
        BackupResult nothing;
        nothing.outcome = BackupResult::Outcome::NothingToBackUp;
        return nothing;
    }
    if (detectFileKind(dbPath) != FileKind::SQLite)
        return failed(QStringLiteral("%1 不是本程序的数据库文件").arg(QFileInfo(dbPath).fileName()));
    QString error;
    const QString taking = takingPath(dbPath, &error);
    if (taking.isEmpty())
        return failed(error);
    if (!onlineCopy(dbPath, taking, &error)) {
        QFile::remove(taking);
        return failed(error);
    }
    return keepSnapshot(dbPath, taking, keep);
}

BackupResult backupServerOnStart(const Database &server, const QString &folder, int keep)
{
    // Named as the file's snapshots are, so a restore is the same for both.
    const QString dbPath = QDir(folder).filePath(databaseFileName());
    QString error;
    const QString taking = takingPath(dbPath, &error);
    if (taking.isEmpty())
        return failed(error);
    {
        common::Result<std::unique_ptr<Database>> made = Database::create(taking);
        if (made.failed())
            return failed(made.error().text);
        std::unique_ptr<Database> snapshot = std::move(made).value();
        const common::Result<int> copied = copyAllJobs(server, *snapshot);
        if (copied.failed()) {
            snapshot.reset();
            QFile::remove(taking);
            return failed(copied.error().text);
        }
    }
    return keepSnapshot(dbPath, taking, keep);
}

} // namespace store
