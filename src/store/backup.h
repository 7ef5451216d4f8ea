#pragma once
// Snapshots of the database taken at start-up into 备份/ beside it, so a
// bad day can be undone by copying one file back.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace store {

struct BackupResult {
    enum class Outcome {
        Taken,           // a new snapshot lies at snapshotPath
        Unchanged,       // the newest snapshot (snapshotPath) already holds this content
        NothingToBackUp, // there is no database file yet
        Failed,          // message says why; the program goes on regardless
    };
    Outcome outcome = Outcome::Failed;
    QString snapshotPath;
    QString message;
    QStringList removed; // older snapshots let go to keep the count
};

// 备份/ beside the database.
QString backupFolder(const QString &dbPath);
// 备份/新客户信息-20261208-143000.db for 新客户信息.mdb at that moment.
QString snapshotPath(const QString &dbPath, const QDateTime &at);
// The snapshots of this database in 备份/, newest first.
QStringList snapshots(const QString &dbPath);

// Takes a consistent snapshot with SQLite's online backup, unless nothing
// changed since the newest one, then keeps only the newest `keep`.
BackupResult backupOnStart(const QString &dbPath, int keep);

class Database;
// The same for the jobs on a shop's server: every row copied into an SQLite
// file of the same kind, in 备份/ of the data folder, named like the file's.
BackupResult backupServerOnStart(const Database &server, const QString &folder, int keep);

} // namespace store
