// Start-up snapshots: taken, skipped when nothing changed, rotated, usable.
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/coretestapp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>

using namespace store;
using Outcome = BackupResult::Outcome;

namespace {

bool addJob(Database &db, int number)
{
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("INSERT INTO 客户信息 (编号, 客户姓名) VALUES (?, ?)"));
    q.addBindValue(number);
    q.addBindValue(QStringLiteral("客户%1").arg(number));
    return q.exec();
}

int jobCount(const QString &path)
{
    auto dbOpened = Database::open(path);
    if (dbOpened.failed())
        return -1;
    auto db = std::move(dbOpened).value();
    QSqlQuery q(db->sql());
    return q.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && q.next() ? q.value(0).toInt() : -1;
}

const QDateTime kStart(QDate(2026, 12, 8), QTime(14, 30, 0));

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void takenThenSkippedWhileUnchanged();
    void rotationKeepsTheNewest();
    void twoSnapshotsInOneSecondBothKept();
    void failuresAreReportedNotThrown();
};

void TestBackup::takenThenSkippedWhileUnchanged()
{
    DataFolder folder;
    FixedClock clock(kStart);
    const QString path = folder.file(databaseFileName());
    auto dbOpened = Database::create(path);
    QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
    auto db = std::move(dbOpened).value();
    QVERIFY(addJob(*db, 1));
    QVERIFY(addJob(*db, 2));

    // Taken while the program's own connection is open.
    BackupResult r = backupOnStart(path, 30);
    QCOMPARE(r.outcome, Outcome::Taken);
    QCOMPARE(r.snapshotPath, folder.file(QStringLiteral("备份/新客户信息-20261208-143000.db")));
    QCOMPARE(jobCount(r.snapshotPath), 2);

    clock.set(kStart.addDays(1));
    r = backupOnStart(path, 30);
    QCOMPARE(r.outcome, Outcome::Unchanged);
    QCOMPARE(r.snapshotPath, folder.file(QStringLiteral("备份/新客户信息-20261208-143000.db")));
    QCOMPARE(snapshots(path).size(), 1);
    QCOMPARE(QDir(backupFolder(path)).entryList(QDir::Files | QDir::Hidden).size(), 1);

    QVERIFY(addJob(*db, 3));
    clock.set(kStart.addDays(2));
    r = backupOnStart(path, 30);
    QCOMPARE(r.outcome, Outcome::Taken);
    QCOMPARE(QFileInfo(r.snapshotPath).fileName(), QStringLiteral("新客户信息-20261210-143000.db"));
    QCOMPARE(jobCount(r.snapshotPath), 3);
    QCOMPARE(jobCount(snapshots(path).last()), 2);
}

void TestBackup::rotationKeepsTheNewest()
{
    DataFolder folder;
    FixedClock clock(kStart);
    const QString path = folder.file(databaseFileName());
    auto dbOpened = Database::create(path);
    QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
    auto db = std::move(dbOpened).value();
    QStringList removed;
    for (int day = 0; day < 32; ++day) {
        QVERIFY(addJob(*db, day + 1));
        clock.set(kStart.addDays(day));
        const BackupResult r = backupOnStart(path, 30);
        QCOMPARE(r.outcome, Outcome::Taken);
        removed << r.removed;
    }
    const QStringList kept = snapshots(path);
    QCOMPARE(kept.size(), 30);
    QCOMPARE(QFileInfo(kept.first()).fileName(), QStringLiteral("新客户信息-20270108-143000.db"));
    QCOMPARE(QFileInfo(kept.last()).fileName(), QStringLiteral("新客户信息-20261210-143000.db"));
    QCOMPARE(removed.size(), 2);
    QVERIFY(removed.first().endsWith(QStringLiteral("新客户信息-20261208-143000.db")));
    QCOMPARE(jobCount(kept.first()), 32);

    // A smaller count lets the oldest go at the next start.
    QVERIFY(addJob(*db, 100));
    clock.set(kStart.addDays(40));
    const BackupResult r = backupOnStart(path, 5);
    QCOMPARE(r.removed.size(), 26);
    QCOMPARE(snapshots(path).size(), 5);
}

void TestBackup::twoSnapshotsInOneSecondBothKept()
{
    DataFolder folder;
    FixedClock clock(kStart);
    const QString path = folder.file(databaseFileName());
    auto dbOpened = Database::create(path);
    QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
    auto db = std::move(dbOpened).value();
    QVERIFY(addJob(*db, 1));
    const QString first = backupOnStart(path, 30).snapshotPath;
    QVERIFY(addJob(*db, 2));
    const BackupResult second = backupOnStart(path, 30);
    QCOMPARE(second.outcome, Outcome::Taken);
    QCOMPARE(QFileInfo(second.snapshotPath).fileName(), QStringLiteral("新客户信息-20261208-143000-2.db"));
    QCOMPARE(snapshots(path), QStringList({second.snapshotPath, first}));
    QCOMPARE(jobCount(first), 1);
    QCOMPARE(jobCount(second.snapshotPath), 2);
}

void TestBackup::failuresAreReportedNotThrown()
{
    DataFolder folder;
    FixedClock clock(kStart);
    const QString path = folder.file(databaseFileName());
    QCOMPARE(backupOnStart(path, 30).outcome, Outcome::NothingToBackUp);

    QFile junk(path);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a database at all");
    junk.close();
    BackupResult r = backupOnStart(path, 30);
    QCOMPARE(r.outcome, Outcome::Failed);
    QVERIFY(r.message.startsWith(QStringLiteral("备份数据库失败")));

    // A file where the folder should be.
    QVERIFY(QFile::remove(path));
    QVERIFY(Database::create(path).ok());
    QFile blocker(folder.file(QStringLiteral("备份")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = backupOnStart(path, 30);
    QCOMPARE(r.outcome, Outcome::Failed);
    QVERIFY(r.message.contains(QStringLiteral("备份")));
    QVERIFY(r.snapshotPath.isEmpty());
}

CORVALE_CORE_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
