#include "store/backup.h"

#include "common/regularfile.h"

#include "common/clock.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"
#include "store/rowreader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStorageInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace store {

namespace {

struct SqliteCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;

// In the words the clerk reads for the file's own failures (a full disk, a
// folder that cannot be written), SQLite's after them.
common::Error sqliteError(sqlite3 *db, int rc)
{
    return errorFromEngine(db ? sqlite3_extended_errcode(db) : rc,
                           db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc)));
}

common::Result<SqlitePtr> openSqlite(const QString &path, int flags)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    SqlitePtr db(raw);
    if (rc != SQLITE_OK)
        return sqliteError(raw, rc);
    return db;
}

// Copies the database page by page under a read lock, so a snapshot is
// never half of one write and half of another.
common::Result<void> onlineCopy(const QString &from, const QString &to)
{
    const common::Result<SqlitePtr> source = openSqlite(from, SQLITE_OPEN_READONLY);
    if (!source.ok())
        return source.error();
    const common::Result<SqlitePtr> target = openSqlite(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!target.ok())
        return target.error();
    sqlite3_backup *backup = sqlite3_backup_init(target->get(), "main", source->get(), "main");
    if (!backup)
        return sqliteError(target->get(), SQLITE_ERROR);
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE || finish != SQLITE_OK) {
        const int rc = step != SQLITE_DONE ? step : finish;
        return errorFromEngine(rc, QString::fromUtf8(sqlite3_errstr(rc)));
    }
    return {};
}

// A file SQLite writes, with the journals it may leave beside it.
void removeWithJournals(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// The snapshot's content without the header counters SQLite bumps on every
// copy, so two snapshots of an unchanged database compare equal.
QByteArray contentHash(const QString &path)
{
    QFile f(path);
    if (common::openRegularFile(f).failed())
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

const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");

// A snapshot's name: the database's base name, when it was taken, and a
// sequence number for a second one within the same second.
QRegularExpression snapshotPattern(const QString &baseName)
{
    return QRegularExpression(
        QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.db$").arg(QRegularExpression::escape(baseName)));
}

struct SnapshotFile {
    QString path;
    QDateTime modified;
    QString stamp;
    int sequence;
};

// The snapshots of baseName in folder, newest first by modification time;
// the name breaks ties between files written within the same moment.
QList<SnapshotFile> snapshotFiles(const QString &folder, const QString &baseName)
{
    const QDir dir(folder);
    const QRegularExpression pattern = snapshotPattern(baseName);
    QList<SnapshotFile> files;
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
        const auto m = pattern.match(info.fileName());
        // A link to a pipe or a device among them would stop whoever reads it.
        if (m.hasMatch() && common::notRegularKind(info.filePath()).isEmpty())
            files.append({info.filePath(), info.lastModified(), m.captured(1),
                          m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    std::sort(files.begin(), files.end(), [](const SnapshotFile &a, const SnapshotFile &b) {
        if (a.modified != b.modified)
            return a.modified > b.modified;
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.sequence > b.sequence;
    });
    return files;
}

// Keeps the snapshot just made and the newest keep - 1 of the others: a
// snapshot dated in the future by a clock that was ahead never pushes out
// the one that holds today's work.
QStringList prune(const QString &folder, const QString &baseName, const QString &justMade, int keep)
{
    QStringList removed;
    int kept = 1;
    for (const SnapshotFile &f : snapshotFiles(folder, baseName)) {
        if (f.path == justMade)
            continue;
        if (kept < std::max(keep, 1)) {
            ++kept;
            continue;
        }
        if (QFile::remove(f.path))
            removed << f.path;
    }
    return removed;
}

// Later than now by more than a clock drifts between two starts.
bool isInTheFuture(const QDateTime &at) { return at > common::clock().now().addSecs(10 * 60); }

common::Error failed(const QString &why)
{
    return common::Error::failed(QStringLiteral("备份数据库失败：%1").arg(why));
}

void setModified(const QString &path, const QDateTime &at)
{
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        (void)f.setFileTime(at, QFileDevice::FileModificationTime);
}

// The snapshot just written at taking becomes the newest, unless the newest
// already holds the same content; then the count is kept.
common::Result<Backup> keepSnapshot(const QString &dbPath, const QString &taking, int keep)
{
    const QString folder = backupFolder(dbPath);
    const QString baseName = QFileInfo(dbPath).completeBaseName();
    const QList<SnapshotFile> existing = snapshotFiles(folder, baseName);
    Backup result;
    result.clockBehind = !existing.isEmpty() && isInTheFuture(existing.first().modified);
    if (!existing.isEmpty() && contentHash(existing.first().path) == contentHash(taking)) {
        removeWithJournals(taking);
        result.outcome = Backup::Outcome::Unchanged;
        result.snapshotPath = existing.first().path;
        return result;
    }
    const QDateTime now = common::clock().now();
    const QString stem = snapshotPath(dbPath, now).chopped(3);
    QString target = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1-%2.db").arg(stem).arg(n);
    if (!QFile::rename(taking, target)) {
        removeWithJournals(taking);
        return failed(QStringLiteral("无法保存 %1").arg(target));
    }
    // Its age on disk is what pruning goes by.
    setModified(target, now);
    result.outcome = Backup::Outcome::Taken;
    result.snapshotPath = target;
    result.removed = prune(folder, baseName, target, keep);
    return result;
}

// What stands under 备份's name when it is no folder: "一个文件", a link to
// nothing, a pipe; empty for a folder or nothing at all.
QString inTheFolderPlace(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return {};
    if (const QString kind = common::notRegularKind(folder); !kind.isEmpty())
        return kind;
    return info.exists() ? QStringLiteral("一个文件") : QString();
}

// The file a restore replaces: the one a linked database leads to, which the
// shop set up on purpose and every other program of the shop opens, never
// the link itself.
QString restoredFile(const QString &dbPath)
{
    const QFileInfo info(dbPath);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : dbPath;
}

// Beside the file it replaces, so that taking its place is one rename.
QString stagedRestorePath(const QString &dbPath)
{
    return QFileInfo(restoredFile(dbPath)).absoluteDir().filePath(QStringLiteral(".正在恢复.tmp"));
}

// Where a snapshot is written before it is known whole.
common::Result<QString> takingPath(const QString &dbPath)
{
    const QString folder = backupFolder(dbPath);
    if (const QString kind = inTheFolderPlace(folder); !kind.isEmpty())
        return failed(QStringLiteral("数据文件夹中的“%1”是%2，不是文件夹，备份放不进去。"
                                     "请把它删除或改名（程序会建立同名的文件夹）：\n%3")
                          .arg(QFileInfo(folder).fileName(), kind, QDir::toNativeSeparators(folder)));
    if (const auto e = common::refuseLinkOutOfFolder(folder); e.failed())
        return failed(e.error().text);
    if (!QDir().mkpath(folder))
        return failed(QStringLiteral("无法建立文件夹 %1").arg(folder));
    const QString taking = QDir(folder).filePath(QStringLiteral(".正在备份.tmp"));
    removeWithJournals(taking);
    return taking;
}

} // namespace

void removeUnfinishedRestore(const QString &dbPath)
{
    removeWithJournals(stagedRestorePath(dbPath));
}

QString backupFolder(const QString &dbPath)
{
    return QFileInfo(dbPath).absoluteDir().filePath(QStringLiteral("备份"));
}

QString snapshotPath(const QString &dbPath, const QDateTime &at)
{
    return QDir(backupFolder(dbPath)).filePath(
        QStringLiteral("%1-%2.db").arg(QFileInfo(dbPath).completeBaseName(), at.toString(kStampFormat)));
}

QStringList snapshots(const QString &dbPath)
{
    QStringList paths;
    for (const SnapshotFile &f : snapshotFiles(backupFolder(dbPath), QFileInfo(dbPath).completeBaseName()))
        paths << f.path;
    return paths;
}

common::Result<Backup> backupOnStart(const QString &dbPath, int keep)
{
    if (!QFileInfo::exists(dbPath))
        return Backup{};
    if (detectFileKind(dbPath) != FileKind::SQLite)
        return failed(QStringLiteral("%1 不是本程序的数据库文件").arg(QFileInfo(dbPath).fileName()));
    const common::Result<QString> taking = takingPath(dbPath);
    if (!taking.ok())
        return taking.error();
    if (const auto e = onlineCopy(dbPath, *taking); e.failed()) {
        removeWithJournals(*taking);
        return failed(e.error().text).withDetail(e.error().detail);
    }
    return keepSnapshot(dbPath, *taking, keep);
}

common::Result<Backup> backupServerOnStart(const Database &server, const QString &folder, int keep)
{
    // Named as the file's snapshots are, so a restore is the same for both.
    const QString dbPath = QDir(folder).filePath(databaseFileName());
    const common::Result<QString> taking = takingPath(dbPath);
    if (!taking.ok())
        return taking.error();
    common::Error copyFailure;
    int jobs = 0;
    {
        const common::Result<std::unique_ptr<Database>> snapshot = Database::create(*taking);
        if (snapshot.failed())
            copyFailure = snapshot.error();
        else if (const common::Result<CopiedJobs> copied = copyAllJobs(server, **snapshot); !copied.ok())
            copyFailure = copied.error();
        else
            jobs = copied->jobs;
    }
    if (!copyFailure.ok()) {
        removeWithJournals(*taking);
        return failed(copyFailure.text).withDetail(copyFailure.detail);
    }
    // A server emptied for a restore would otherwise push a good snapshot out.
    if (jobs == 0) {
        removeWithJournals(*taking);
        return Backup{};
    }
    return keepSnapshot(dbPath, *taking, keep);
}

namespace {

// A snapshot's name without its base name: the date, a sequence number.
const QString kSnapshotTail = QStringLiteral("-\\d{8}-\\d{6}(?:-\\d+)?\\.db");

struct AsideCopy {
    bool written = false;
    bool stopped = false;
    bool opened = true;
    bool sourceRead = true;
    QString systemWords; // the system's own, for the detail
};

// Writes snapshot to target through an aside file renamed into place when
// whole (QSaveFile): a stick pulled out halfway leaves no snapshot-named half
// file, and a stopped or failed copy removes the aside file as it goes.
AsideCopy writeAside(const QString &snapshot, const QString &target, const CopyProgress &going)
{
    AsideCopy result;
    QFile in(snapshot);
    QSaveFile out(target);
    if (const auto e = common::openRegularFile(in); e.failed()) {
        result.sourceRead = false;
        result.systemWords = e.error().text;
        return result;
    }
    if (!out.open(QIODevice::WriteOnly)) {
        result.opened = false;
        result.systemWords = out.errorString();
        return result;
    }
    const qint64 total = in.size();
    qint64 copied = 0;
    // Small pieces, so a quitting program is not kept waiting on a slow share.
    constexpr qint64 piece = 256 * 1024;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(piece);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            result.sourceRead = !chunk.isEmpty();
            result.systemWords = chunk.isEmpty() ? in.errorString() : out.errorString();
            out.cancelWriting();
            return result;
        }
        copied += chunk.size();
        if (going && !going(copied, total)) {
            result.stopped = true;
            out.cancelWriting();
            return result;
        }
    }
    if (!out.commit()) {
        result.systemWords = out.errorString();
        return result;
    }
    result.written = true;
    return result;
}

// Why a copy into folder failed, in the clerk's words.
QString copyFailureReason(const AsideCopy &copy, const QString &folder, const QString &snapshot, qint64 needed)
{
    if (!copy.sourceRead)
        return QStringLiteral("本机的备份 %1 读不出来").arg(QDir::toNativeSeparators(snapshot));
    return common::writeFailureReason(folder, needed, copy.opened);
}

} // namespace

void removeUnfinishedCopies(const QString &folder, const QString &baseName)
{
    // QSaveFile names its aside file after the target and six letters.
    const QRegularExpression aside(
        QStringLiteral("^%1%2\\.[A-Za-z]{6}$").arg(QRegularExpression::escape(baseName), kSnapshotTail));
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (aside.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
}

common::Result<QString> copySnapshotTo(const QString &snapshot, const QString &folder, int keep,
                                       const CopyProgress &going)
{
    const QString shownFolder = QDir::toNativeSeparators(folder);
    const QFileInfo dir(folder);
    if (!dir.exists())
        return common::Error::failed(
            QStringLiteral("备份副本文件夹 %1 不存在（U 盘或网络文件夹没有接上？）").arg(shownFolder));
    if (!dir.isDir())
        return common::Error::failed(QStringLiteral("备份副本文件夹 %1 不是文件夹").arg(shownFolder));
    const QFileInfo source(snapshot);
    const QString target = QDir(folder).filePath(source.fileName());
    const auto name = QRegularExpression(QStringLiteral("^(.+)%1$").arg(kSnapshotTail)).match(source.fileName());
    if (name.hasMatch())
        removeUnfinishedCopies(folder, name.captured(1));
    if (QFileInfo(target).size() != source.size() || !QFileInfo::exists(target)) {
        const AsideCopy copy = writeAside(snapshot, target, going);
        if (copy.stopped)
            return common::Error::failed(QStringLiteral("备份副本没有复制完：程序退出了"));
        if (!copy.written)
            return common::Error::failed(QStringLiteral("无法写入备份副本文件夹 %1：%2")
                                             .arg(shownFolder, copyFailureReason(copy, folder, snapshot, source.size())))
                .withDetail(copy.systemWords);
        setModified(target, source.lastModified());
    }
    if (name.hasMatch())
        prune(folder, name.captured(1), target, keep);
    return target;
}

common::Result<SnapshotSummary> summarizeSnapshot(const QString &path)
{
    const QFileInfo info(path);
    SnapshotSummary summary;
    summary.path = path;
    summary.bytes = info.size();
    const auto m = QRegularExpression(QStringLiteral("-(\\d{8}-\\d{6})(?:-\\d+)?\\.db$")).match(info.fileName());
    summary.takenAt = m.hasMatch() ? QDateTime::fromString(m.captured(1), kStampFormat) : QDateTime();
    if (!summary.takenAt.isValid())
        summary.takenAt = info.lastModified();
    if (const QString kind = common::notRegularKind(path); !kind.isEmpty())
        return common::Error::failed(
            QStringLiteral("“%1”是%2，不是备份文件。").arg(QDir::toNativeSeparators(path), kind));
    const common::Result<SqlitePtr> db = openSqlite(path, SQLITE_OPEN_READONLY);
    if (!db.ok())
        return db.error();
    sqlite3_stmt *raw = nullptr;
    const int rc = sqlite3_prepare_v2(db->get(), "SELECT count(*), coalesce(max(\"编号\"), 0) FROM \"客户信息\"", -1,
                                      &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> statement(raw, &sqlite3_finalize);
    if (rc != SQLITE_OK || sqlite3_step(raw) != SQLITE_ROW)
        return sqliteError(db->get(), rc);
    summary.jobs = sqlite3_column_int(raw, 0);
    summary.highestJob = sqlite3_column_int(raw, 1);
    return summary;
}

namespace {

// SQLite's own check of every page and index; empty when the file is whole.
common::Result<void> integrityCheck(const QString &path)
{
    const common::Result<SqlitePtr> db = openSqlite(path, SQLITE_OPEN_READONLY);
    if (!db.ok())
        return db.error();
    sqlite3_stmt *raw = nullptr;
    int rc = sqlite3_prepare_v2(db->get(), "PRAGMA integrity_check", -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> statement(raw, &sqlite3_finalize);
    if (rc != SQLITE_OK || (rc = sqlite3_step(raw)) != SQLITE_ROW)
        return sqliteError(db->get(), rc);
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 0)));
    if (verdict != u"ok")
        return common::Error::failed(QStringLiteral("SQLite 的检查发现了损坏")).withDetail(verdict);
    return {};
}

} // namespace

common::Result<std::unique_ptr<StagedRestore>> StagedRestore::prepare(const QString &snapshot, const QString &dbPath)
{
    const QString name = QFileInfo(snapshot).fileName();
    if (detectFileKind(snapshot) != FileKind::SQLite)
        return common::Error::failed(QStringLiteral("%1 不是本程序的备份文件，不能用来恢复。").arg(name));
    const QString staged = stagedRestorePath(dbPath);
    removeWithJournals(staged);
    std::unique_ptr<StagedRestore> restore(new StagedRestore(staged, restoredFile(dbPath)));
    if (const auto e = onlineCopy(snapshot, staged); e.failed())
        return e.error().reworded(QStringLiteral("无法复制备份 %1：%2").arg(name, e.error().text));
    if (const auto e = integrityCheck(staged); e.failed())
        return e.error().reworded(QStringLiteral("备份 %1 已损坏，不能用来恢复（%2）。请选另一个备份。").arg(name, e.error().text));
    if (const auto db = Database::open(staged); db.failed())
        return db.error().reworded(
            QStringLiteral("备份 %1 中没有完整的维修记录表“客户信息”，不能用来恢复。\n%2").arg(name, db.error().text));
    if (QFileInfo::exists(dbPath))
        QFile::setPermissions(staged, QFile::permissions(dbPath));
    return restore;
}

StagedRestore::~StagedRestore()
{
    if (!m_swapped)
        removeWithJournals(m_staged);
}

common::Result<void> StagedRestore::swapIn()
{
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(m_dbPath + QLatin1String(suffix));
    // rename(2) replaces the old file in one step; QFile::rename would not overwrite.
    if (std::rename(QFile::encodeName(m_staged).constData(), QFile::encodeName(m_dbPath).constData()) != 0)
        return common::Error::failed(QStringLiteral("无法用备份替换 %1：%2")
                                         .arg(QDir::toNativeSeparators(m_dbPath), QString::fromLocal8Bit(std::strerror(errno))));
    m_swapped = true;
    return {};
}

} // namespace store
