// Start-up snapshots: taken, skipped when nothing changed, rotated by their
// age on disk, copied to a second folder, and checked before a restore.
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/coretestapp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace store;
using Outcome = Backup::Outcome;

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
    const auto db = Database::open(path);
    if (db.failed())
        return -1;
    QSqlQuery q((*db)->sql());
    return q.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && q.next() ? q.value(0).toInt() : -1;
}

// A new job table at path; nullptr (and why, in the log) when it cannot be made.
std::unique_ptr<Database> created(const QString &path)
{
    auto db = Database::create(path);
    if (db.failed()) {
        qWarning() << db.error().text;
        return nullptr;
    }
    return std::move(db).value();
}

const QDateTime kStart(QDate(2026, 12, 8), QTime(14, 30, 0));

// A data folder holding a new job table, the clock at kStart.
struct Shop {
    DataFolder folder;
    FixedClock clock{kStart};
    QString path = folder.file(databaseFileName());
    std::unique_ptr<Database> db = created(path);
};

Backup taken(const common::Result<Backup> &result)
{
    if (!result.ok())
        qWarning() << result.error().text;
    return result.ok() ? *result : Backup{};
}

// The snapshot taken of the shop once it holds jobs 1…jobs, its database
// then closed; empty when either failed.
QString snapshotHolding(Shop &shop, int jobs)
{
    for (int n = 1; n <= jobs; ++n)
        if (!addJob(*shop.db, n))
            return {};
    const QString path = taken(backupOnStart(shop.path, 30)).snapshotPath;
    shop.db.reset();
    return path;
}

// Files a failed attempt could leave: .正在备份.tmp, its journal, a save aside.
QStringList hiddenFiles(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression(QStringLiteral("^\\.|\\.db\\.")));
}

// Permission bits bind this thread even when it runs as root, as they bind
// a clerk: the two capabilities that override them leave its effective set.
class PermissionsBindRoot {
public:
    PermissionsBindRoot()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~PermissionsBindRoot() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void takenThenSkippedWhileUnchanged();
    void rotationKeepsTheNewest();
    void twoSnapshotsInOneSecondBothKept();
    void clockBehindKeepsTheSnapshotJustTaken();
    void failuresAreReportedAndLeaveNothing();
    void secondFolderGetsTheSameSnapshots();
    void secondFolderMissingOrReadOnly();
    void damagedSnapshotsAreRefused();
    void linksToPipesAmongSnapshotsAreLeftOut();
    void linksOutOfTheFolderAreNeverWrittenThrough();
};

// A link to a pipe named as the newest snapshot: the start's backup and the
// restore's list pass it over instead of waiting on it for ever.
void TestBackup::linksToPipesAmongSnapshotsAreLeftOut()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QVERIFY(addJob(*db, 1));
    QVERIFY(QDir().mkpath(backupFolder(path)));
    const QString pipe = folder.file(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QString newest = QDir(backupFolder(path)).filePath(QStringLiteral("新客户信息-29991231-235959.db"));
    QVERIFY(QFile::link(pipe, newest));

    const Backup r = taken(backupOnStart(path, 30));
    QCOMPARE(r.outcome, Outcome::Taken);
    QCOMPARE(snapshots(path), QStringList{r.snapshotPath});
    const auto summary = summarizeSnapshot(newest);
    QVERIFY(summary.failed());
    QVERIFY2(summary.error().text.contains(QStringLiteral("管道")), qPrintable(summary.error().text));
}

void TestBackup::takenThenSkippedWhileUnchanged()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QVERIFY(addJob(*db, 1));
    QVERIFY(addJob(*db, 2));

    // Taken while the program's own connection is open.
    Backup r = taken(backupOnStart(path, 30));
    QCOMPARE(r.outcome, Outcome::Taken);
    QCOMPARE(r.snapshotPath, folder.file(QStringLiteral("备份/新客户信息-20261208-143000.db")));
    QCOMPARE(jobCount(r.snapshotPath), 2);
    QVERIFY(!r.clockBehind);

    clock.set(kStart.addDays(1));
    r = taken(backupOnStart(path, 30));
    QCOMPARE(r.outcome, Outcome::Unchanged);
    QCOMPARE(r.snapshotPath, folder.file(QStringLiteral("备份/新客户信息-20261208-143000.db")));
    QCOMPARE(snapshots(path).size(), 1);
    QCOMPARE(QDir(backupFolder(path)).entryList(QDir::Files | QDir::Hidden).size(), 1);

    QVERIFY(addJob(*db, 3));
    clock.set(kStart.addDays(2));
    r = taken(backupOnStart(path, 30));
    QCOMPARE(r.outcome, Outcome::Taken);
    QCOMPARE(QFileInfo(r.snapshotPath).fileName(), QStringLiteral("新客户信息-20261210-143000.db"));
    QCOMPARE(jobCount(r.snapshotPath), 3);
    QCOMPARE(jobCount(snapshots(path).last()), 2);
}

void TestBackup::rotationKeepsTheNewest()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QStringList removed;
    for (int day = 0; day < 32; ++day) {
        QVERIFY(addJob(*db, day + 1));
        clock.set(kStart.addDays(day));
        const Backup r = taken(backupOnStart(path, 30));
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
    const Backup r = taken(backupOnStart(path, 5));
    QCOMPARE(r.removed.size(), 26);
    QCOMPARE(snapshots(path).size(), 5);
}

void TestBackup::twoSnapshotsInOneSecondBothKept()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QVERIFY(addJob(*db, 1));
    const QString first = taken(backupOnStart(path, 30)).snapshotPath;
    QVERIFY(addJob(*db, 2));
    const Backup second = taken(backupOnStart(path, 30));
    QCOMPARE(second.outcome, Outcome::Taken);
    QCOMPARE(QFileInfo(second.snapshotPath).fileName(), QStringLiteral("新客户信息-20261208-143000-2.db"));
    QCOMPARE(snapshots(path), QStringList({second.snapshotPath, first}));
    QCOMPARE(jobCount(first), 1);
    QCOMPARE(jobCount(second.snapshotPath), 2);
}

// Snapshots taken while the clock ran ahead are newer on disk than today:
// the one taken now holds the latest work and stays; the oldest on disk goes.
void TestBackup::clockBehindKeepsTheSnapshotJustTaken()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QStringList ahead;
    for (int day = 0; day < 3; ++day) {
        QVERIFY(addJob(*db, day + 1));
        clock.set(kStart.addYears(1).addDays(day));
        ahead << taken(backupOnStart(path, 3)).snapshotPath;
    }
    QVERIFY(addJob(*db, 4));
    clock.set(kStart);
    const Backup r = taken(backupOnStart(path, 3));
    QCOMPARE(r.outcome, Outcome::Taken);
    QVERIFY(r.clockBehind);
    QCOMPARE(jobCount(r.snapshotPath), 4);
    QCOMPARE(r.removed, QStringList{ahead.first()});
    QCOMPARE(snapshots(path), QStringList({ahead.at(2), ahead.at(1), r.snapshotPath}));

    // Nothing changed: the newest on disk is compared, and still nothing is lost.
    clock.set(kStart.addSecs(60));
    const Backup again = taken(backupOnStart(path, 3));
    QVERIFY(again.clockBehind);
    QVERIFY(snapshots(path).contains(again.snapshotPath));
    QCOMPARE(jobCount(again.snapshotPath), 4);
}

void TestBackup::failuresAreReportedAndLeaveNothing()
{
    DataFolder folder;
    FixedClock clock(kStart);
    const QString path = folder.file(databaseFileName());
    QCOMPARE(taken(backupOnStart(path, 30)).outcome, Outcome::NothingToBackUp);

    QFile junk(path);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a database at all");
    junk.close();
    common::Result<Backup> r = backupOnStart(path, 30);
    QVERIFY(!r.ok());
    QVERIFY(r.error().text.startsWith(QStringLiteral("备份数据库失败")));

    // Another program holds the file for writing while the copy reads it.
    QVERIFY(QFile::remove(path));
    auto db = created(path);
    QVERIFY(db);
    QVERIFY(addJob(*db, 1));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(hold.exec(QStringLiteral("UPDATE 客户信息 SET 客户姓名 = 'x'")));
        r = backupOnStart(path, 30);
        QVERIFY(!r.ok());
        QCOMPARE(QDir(backupFolder(path)).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));

    // A file where the folder should be.
    QVERIFY(QDir(backupFolder(path)).removeRecursively());
    QFile blocker(folder.file(QStringLiteral("备份")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = backupOnStart(path, 30);
    QVERIFY(!r.ok());
    QVERIFY(r.error().text.contains(QStringLiteral("备份")));
}

void TestBackup::secondFolderGetsTheSameSnapshots()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QTemporaryDir stick;
    // A copy killed halfway and a restore killed before its swap left these.
    for (const QString &left : {QDir(stick.path()).filePath(QStringLiteral("新客户信息-20261101-090000.db.aBcxYz")),
                                QDir(stick.path()).filePath(QStringLiteral("新客户信息-20261101-090000-2.db.QwErTy")),
                                folder.file(QStringLiteral(".正在恢复.tmp"))}) {
        QFile f(left);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
    }
    // The shop's own files there look alike, and stay.
    const QStringList notOurs = {QStringLiteral("新客户信息-20261101-090000.db.bak"),
                                 QStringLiteral("新客户信息-20261101-090000.db.aB3xYz"),
                                 QStringLiteral("旧账-20261101-090000.db.aBcxYz"),
                                 QStringLiteral("新客户信息-20261101-090000.db.aBcxYzW"),
                                 QStringLiteral("说明.txt")};
    for (const QString &name : notOurs) {
        QFile f(QDir(stick.path()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
    }
    QVERIFY(QDir(stick.path()).mkdir(QStringLiteral("新客户信息-20261101-090000.db.zzzzzz")));
    QStringList copies;
    for (int day = 0; day < 3; ++day) {
        QVERIFY(addJob(*db, day + 1));
        clock.set(kStart.addDays(day));
        const Backup r = taken(backupOnStart(path, 2));
        const common::Result<QString> copy = copySnapshotTo(r.snapshotPath, stick.path(), 2);
        QVERIFY2(copy.ok(), qPrintable(copy.error().text));
        QCOMPARE(QFileInfo(*copy).fileName(), QFileInfo(r.snapshotPath).fileName());
        QCOMPARE(QFileInfo(*copy).lastModified(), QFileInfo(r.snapshotPath).lastModified());
        QCOMPARE(jobCount(*copy), day + 1);
        copies << *copy;
    }
    QStringList expected = notOurs + QStringList{QFileInfo(copies.at(1)).fileName(), QFileInfo(copies.at(2)).fileName()};
    expected.sort();
    QStringList there = QDir(stick.path()).entryList(QDir::Files | QDir::Hidden);
    there.sort();
    QCOMPARE(there, expected);
    QVERIFY(QFileInfo(QDir(stick.path()).filePath(QStringLiteral("新客户信息-20261101-090000.db.zzzzzz"))).isDir());
    removeUnfinishedRestore(path);
    QVERIFY(!QFileInfo::exists(folder.file(QStringLiteral(".正在恢复.tmp"))));

    // A stick plugged in again after a start that found nothing new gets
    // the unchanged snapshot.
    QVERIFY(QFile::remove(copies.at(2)));
    const Backup unchanged = taken(backupOnStart(path, 2));
    QCOMPARE(unchanged.outcome, Outcome::Unchanged);
    QVERIFY(copySnapshotTo(unchanged.snapshotPath, stick.path(), 2).ok());
    QCOMPARE(jobCount(copies.at(2)), 3);
}

void TestBackup::secondFolderMissingOrReadOnly()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    QVERIFY(addJob(*db, 1));
    const Backup r = taken(backupOnStart(path, 30));
    QCOMPARE(r.outcome, Outcome::Taken);

    // A stick that is not plugged in: said, and never made on the local disk.
    const QString missing = folder.file(QStringLiteral("U盘/备份"));
    common::Result<QString> copy = copySnapshotTo(r.snapshotPath, missing, 30);
    QVERIFY(!copy.ok());
    QVERIFY2(copy.error().text.contains(QStringLiteral("不存在")), qPrintable(copy.error().text));
    QVERIFY(!QFileInfo::exists(folder.file(QStringLiteral("U盘"))));

    const QString readOnly = folder.file(QStringLiteral("只读"));
    QVERIFY(QDir().mkpath(readOnly));
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    {
        const PermissionsBindRoot asAClerk;
        QVERIFY(!QFile(QDir(readOnly).filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly));
        copy = copySnapshotTo(r.snapshotPath, readOnly, 30);
    }
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(!copy.ok());
    QVERIFY2(copy.error().text.contains(QStringLiteral("无法写入")) && copy.error().text.contains(readOnly)
                 && copy.error().text.contains(QStringLiteral("没有写入的权限")),
             qPrintable(copy.error().text));
    QCOMPARE(QDir(readOnly).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(jobCount(r.snapshotPath), 1);
}

void TestBackup::damagedSnapshotsAreRefused()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    const QString good = snapshotHolding(shop, 400);
    QVERIFY(!good.isEmpty());

    // Pages of the table overwritten in the middle of the file.
    const QString damaged = folder.file(QStringLiteral("备份/新客户信息-20261101-090000.db"));
    QVERIFY(QFile::copy(good, damaged));
    {
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.size() > 8 * 4096);
        QVERIFY(f.seek(5 * 4096 + 16));
        QVERIFY(f.write(QByteArray(3000, '\xA5')) == 3000);
    }
    // An SQLite file of something else.
    const QString foreign = folder.file(QStringLiteral("备份/新客户信息-20261102-090000.db"));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        other.setDatabaseName(foreign);
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("CREATE TABLE 别的 (x)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));

    const QByteArray before = [&] {
        QFile f(shop.path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    auto refused = StagedRestore::prepare(damaged, path);
    QVERIFY(!refused.ok());
    QVERIFY2(refused.error().text.contains(QStringLiteral("已损坏")), qPrintable(refused.error().text));
    // SQLite's listing is the detail; what the clerk reads stays a few lines.
    QVERIFY2(refused.error().text.count(u'\n') < 3, qPrintable(refused.error().text));
    QVERIFY2(refused.error().detail.contains(QStringLiteral("in database main")), qPrintable(refused.error().detail));
    refused = StagedRestore::prepare(foreign, path);
    QVERIFY(!refused.ok());
    QVERIFY2(refused.error().text.contains(QStringLiteral("客户信息")), qPrintable(refused.error().text));

    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
    QCOMPARE(hiddenFiles(folder.path()), QStringList());
}

// 备份 linked out of the data folder takes no snapshot; a database the shop
// linked on purpose is restored into the file the link leads to, and the
// link stays.
void TestBackup::linksOutOfTheFolderAreNeverWrittenThrough()
{
    Shop shop;
    QVERIFY(shop.db);
    auto &[folder, clock, path, db] = shop;
    const QString good = snapshotHolding(shop, 3);
    QVERIFY(!good.isEmpty());

    QTemporaryDir elsewhere;
    const QString realFile = elsewhere.filePath(QStringLiteral("店里的.db"));
    QVERIFY(QFile::rename(path, realFile));
    QVERIFY(QFile::link(realFile, path));
    {
        auto linked = Database::open(path);
        QVERIFY(linked.ok());
        QVERIFY(addJob(**linked, 4));
    }
    auto staged = StagedRestore::prepare(good, path);
    QVERIFY2(staged.ok(), qPrintable(staged.error().text));
    QVERIFY((*staged)->swapIn().ok());
    staged->reset();
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(jobCount(realFile), 3);
    QCOMPARE(hiddenFiles(folder.path()) + hiddenFiles(elsewhere.path()), QStringList());

    const QString linkedBackups = elsewhere.filePath(QStringLiteral("备份"));
    QVERIFY(QDir().rename(backupFolder(path), linkedBackups));
    QVERIFY(QFile::link(linkedBackups, backupFolder(path)));
    const QStringList before = QDir(linkedBackups).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(addJob(**Database::open(path), 5));
    const common::Result<Backup> refused = backupOnStart(path, 30);
    QVERIFY(refused.failed());
    QVERIFY2(refused.error().text.contains(QStringLiteral("链接")) && refused.error().text.contains(linkedBackups),
             qPrintable(refused.error().text));
    QCOMPARE(QDir(linkedBackups).entryList(QDir::Files | QDir::Hidden), before);
}

CORVALE_CORE_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
