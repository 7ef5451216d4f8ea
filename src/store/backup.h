#pragma once
// Snapshots of the database taken at start-up into 备份/ beside it (and, when
// the shop names one, a copy in a second folder), and a snapshot put back in
// the database's place from inside the program.
#include "common/result.h"
#include "store/progress.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace store {

class Database;

struct Backup {
    enum class Outcome {
        Taken,           // a new snapshot lies at snapshotPath
        Unchanged,       // the newest snapshot (snapshotPath) already holds this content
        NothingToBackUp, // there is no database file yet, or the server's table is empty
    };
    Outcome outcome = Outcome::NothingToBackUp;
    QString snapshotPath;
    QStringList removed; // older snapshots let go to keep the count
    // The newest snapshot on disk is dated later than now: the computer's
    // clock is behind (a dead clock battery), and dates it writes are wrong.
    bool clockBehind = false;
};

// 备份/ beside the database.
QString backupFolder(const QString &dbPath);

// Removes the staged copy a restore killed before its swap left beside the
// database; the start calls it before anything else touches the folder.
void removeUnfinishedRestore(const QString &dbPath);
// 备份/新客户信息-20261208-143000.db for 新客户信息.mdb at that moment.
QString snapshotPath(const QString &dbPath, const QDateTime &at);
// The snapshots of this database in 备份/, newest first by when they were
// written to disk (their modification time), not by the date in their name.
QStringList snapshots(const QString &dbPath);

// Takes a consistent snapshot with SQLite's online backup, unless nothing
// changed since the newest one, then keeps it and the newest keep - 1 others.
// A failure leaves nothing of the attempt behind.
common::Result<Backup> backupOnStart(const QString &dbPath, int keep);
// The same for the jobs on a shop's server: every row copied into an SQLite
// file of the same kind, in 备份/ of the data folder, named like the file's.
common::Result<Backup> backupServerOnStart(const Database &server, const QString &folder, int keep);

// Copies a snapshot into a second folder (a USB stick, a network share)
// under the same name and date, unless it is there already, and keeps as
// many there as in 备份/. The folder is never created: a missing one is a
// stick not plugged in. Aside files of earlier copies that never finished
// go first. Gives the copy's path; a failure names the folder and why.
// going is told after each piece written (bytes so far, bytes in all);
// stopped, the copy leaves nothing behind.
// Slow on a slow share: the shell runs it away from the window.
common::Result<QString> copySnapshotTo(const QString &snapshot, const QString &folder, int keep,
                                       const CopyProgress &going = {});
// Removes from folder what copies of baseName's snapshots were written as
// before their rename (新客户信息-20261208-143000.db.AbCdEf) and a pulled
// stick or a killed program left; nothing else.
void removeUnfinishedCopies(const QString &folder, const QString &baseName);

// What a snapshot holds, as the restore window lists it.
struct SnapshotSummary {
    QString path;
    QDateTime takenAt;  // from its name; its modification time when the name has none
    qint64 bytes = 0;
    int jobs = 0;
    int highestJob = 0; // 0 when there are no jobs
};
// Reads the counts without checking the whole file (integrity is checked
// when the snapshot is chosen).
common::Result<SnapshotSummary> summarizeSnapshot(const QString &path);

// The file that will take the database's place: a checked copy of a
// snapshot beside the database, removed again unless swapped in.
class StagedRestore {
public:
    // Refuses a snapshot that fails SQLite's integrity check or lacks a
    // complete 客户信息; the database is not touched.
    static common::Result<std::unique_ptr<StagedRestore>> prepare(const QString &snapshot, const QString &dbPath);
    ~StagedRestore();
    StagedRestore(const StagedRestore &) = delete;
    StagedRestore &operator=(const StagedRestore &) = delete;

    // Puts the copy in the database's place in one rename. Every connection
    // to the database must be closed; a journal left beside it belongs to
    // the old file and goes first. Empty when it worked.
    common::Result<void> swapIn();
    // The checked copy, for reading it where it lies.
    QString path() const { return m_staged; }

private:
    StagedRestore(QString staged, QString dbPath) : m_staged(std::move(staged)), m_dbPath(std::move(dbPath)) {}
    QString m_staged;
    QString m_dbPath;
    bool m_swapped = false;
};

} // namespace store
