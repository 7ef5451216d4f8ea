// Kills a writer (SIGKILL) in the middle of its work, again and again, and
// checks what survives: an intact file, every save that had returned, no
// half-written row; an import or a snapshot either complete or absent.
#include "support/datafolder.h"
#include "support/testapp.h"

#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSet>
#include <QTest>
#include <csignal>

namespace {

QString helperPath() { return QStringLiteral(CORVALE_TEST_HELPERS "/helper_crashwriter"); }

QString integrity(const QString &path)
{
    store::StoreError err;
    auto db = store::Database::open(path, &err);
    if (!db)
        return err.text;
    QSqlQuery q(db->sql());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
        return QStringLiteral("integrity_check did not run");
    return q.value(0).toString();
}

// Starts the writer, lets it report `lines` completions (plus a random
// moment more), kills it and returns every line it printed.
QStringList runAndKill(const QString &mode, const QString &folder, int lines, int extraMs)
{
    QProcess writer;
    writer.setProgram(helperPath());
    writer.setArguments({mode, folder});
    writer.start();
    if (!writer.waitForStarted())
        return {QStringLiteral("not started")};
    QByteArray out;
    while (out.count('\n') < lines && writer.state() == QProcess::Running) {
        writer.waitForReadyRead(2000);
        out += writer.readAllStandardOutput();
    }
    QTest::qWait(extraMs);
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished();
    out += writer.readAllStandardOutput();
    return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class CrashSafety : public QObject {
    Q_OBJECT
private slots:
    void killedSavesLoseNothingThatReturned()
    {
        DataFolder folder;
        const QString path = folder.file(store::databaseFileName());
        {
            store::StoreError err;
            QVERIFY(store::Database::create(path, &err));
        }
        QSet<int> saved;
        auto *rng = QRandomGenerator::global();
        for (int round = 0; round < 12; ++round) {
            const QStringList lines = runAndKill(QStringLiteral("saves"), folder.path(),
                                                 int(rng->bounded(1, 40)), int(rng->bounded(0, 15)));
            for (const QString &line : lines) {
                QVERIFY2(line.startsWith(QLatin1String("saved ")), qPrintable(line));
                saved.insert(line.mid(6).toInt());
            }
            QCOMPARE(integrity(path), QStringLiteral("ok"));
        }
        store::StoreError err;
        auto db = store::Database::open(path, &err);
        QVERIFY(db);
        QSqlQuery q(db->sql());
        QVERIFY(q.exec(QStringLiteral("SELECT 编号, 客户姓名, 地址, 备注 FROM 客户信息")));
        QSet<int> present;
        while (q.next()) {
            const int n = q.value(0).toInt();
            present.insert(n);
            // A row is there whole or not at all.
            QCOMPARE(q.value(1).toString(), QStringLiteral("客户%1").arg(n));
            QCOMPARE(q.value(2).toString(), QString::number(n).repeated(8));
            QCOMPARE(q.value(3).toString(), QStringLiteral("备注%1").arg(n));
        }
        for (int n : saved)
            QVERIFY2(present.contains(n), qPrintable(QStringLiteral("save %1 was lost").arg(n)));
        QVERIFY(saved.size() >= 12);
    }

    void killedImportKeepsTheOriginal()
    {
        auto *rng = QRandomGenerator::global();
        const QByteArray original = QByteArray("stand-in for an old Access file ").repeated(64);
        for (int round = 0; round < 8; ++round) {
            DataFolder folder;
            const QString path = folder.file(store::databaseFileName());
            {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(original);
            }
            const QStringList lines = runAndKill(QStringLiteral("import"), folder.path(), 0,
                                                 int(rng->bounded(0, 120)));
            QFile named(path);
            QVERIFY(named.open(QIODevice::ReadOnly));
            const QByteArray now = named.readAll();
            named.close();
            if (now == original)
                continue; // killed before the swap: nothing changed
            // Swapped in: a complete new database, the original kept beside it.
            QCOMPARE(store::detectFileKind(path), store::FileKind::SQLite);
            QCOMPARE(integrity(path), QStringLiteral("ok"));
            store::StoreError err;
            auto db = store::Database::open(path, &err);
            QVERIFY(db);
            QSqlQuery q(db->sql());
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && q.next());
            QCOMPARE(q.value(0).toInt(), 3000);
            bool kept = false;
            for (const QString &name : QDir(folder.path()).entryList(QDir::Files)) {
                QFile f(folder.file(name));
                if (f.open(QIODevice::ReadOnly) && f.readAll() == original)
                    kept = true;
            }
            QVERIFY2(kept, "the original was lost");
        }
    }

    void killedBackupLeavesOnlyWholeSnapshots()
    {
        DataFolder folder;
        const QString path = folder.file(store::databaseFileName());
        {
            store::StoreError err;
            auto db = store::Database::create(path, &err);
            QVERIFY(db);
            QSqlQuery q(db->sql());
            db->sql().transaction();
            for (int n = 1; n <= 2000; ++n)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO 客户信息 (编号, 客户姓名) VALUES (%1, '客户%1')").arg(n)));
            db->sql().commit();
        }
        auto *rng = QRandomGenerator::global();
        for (int round = 0; round < 8; ++round) {
            runAndKill(QStringLiteral("backup"), folder.path(), int(rng->bounded(1, 4)),
                       int(rng->bounded(0, 30)));
            QCOMPARE(integrity(path), QStringLiteral("ok"));
            for (const QString &snapshot : store::snapshots(path)) {
                QCOMPARE(integrity(snapshot), QStringLiteral("ok"));
                store::StoreError err;
                auto db = store::Database::open(snapshot, &err);
                QVERIFY(db);
                QSqlQuery q(db->sql());
                QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && q.next());
                QCOMPARE(q.value(0).toInt(), 2000);
            }
        }
    }
};

CORVALE_TEST_MAIN(CrashSafety)
#include "tst_crashsafety.moc"
