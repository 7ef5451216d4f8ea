// Kills a writer (SIGKILL) in the middle of its work, again and again, and
// checks what survives: an intact file, every save that had returned, no
// half-written row; an import or a snapshot either complete or absent.
#include "support/datafolder.h"
#include "support/coretestapp.h"

#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSet>
#include <QTest>

namespace {

// The moments of the kills are random; a failing run is replayed by setting
// CORVALE_TEST_SEED to the seed it printed.
quint32 seedOfThisRun()
{
    bool ok = false;
    const quint32 given = qEnvironmentVariable("CORVALE_TEST_SEED").toUInt(&ok);
    return ok ? given : QRandomGenerator::system()->generate();
}

QString helperPath() { return QStringLiteral(CORVALE_TEST_HELPERS "/helper_crashwriter"); }

QString integrity(const QString &path)
{
    auto dbOpened = store::Database::open(path);
    if (dbOpened.failed())
        return dbOpened.error().text;
    auto db = std::move(dbOpened).value();
    QSqlQuery q(db->sql());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
        return QStringLiteral("integrity_check did not run");
    return q.value(0).toString();
}

// Reads the writer's output until it has printed `lines` lines or ended.
QByteArray readLines(QProcess &writer, int lines, QByteArray out = {})
{
    while (out.count('\n') < lines && writer.state() == QProcess::Running) {
        writer.waitForReadyRead(2000);
        out += writer.readAllStandardOutput();
    }
    return out;
}

// Stops the writer with SIGKILL. QProcess signals only its own child, and
// only while it runs.
QStringList killAndCollect(QProcess &writer, QByteArray out)
{
    writer.kill();
    writer.waitForFinished();
    out += writer.readAllStandardOutput();
    return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
}

// Starts the writer, lets it report `lines` completions (plus a moment more),
// kills it and returns every line it printed.
QStringList runAndKill(const QString &mode, const QString &folder, int lines, int extraMs)
{
    QProcess writer;
    writer.start(helperPath(), {mode, folder});
    if (!writer.waitForStarted())
        return {QStringLiteral("not started")};
    const QByteArray out = readLines(writer, lines);
    QTest::qWait(extraMs);
    return killAndCollect(writer, out);
}

} // namespace

class CrashSafety : public QObject {
    Q_OBJECT
    quint32 m_seed = 0;
    QRandomGenerator m_rng;

private slots:
    void init()
    {
        m_seed = seedOfThisRun();
        m_rng.seed(m_seed);
    }

    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("random seed of this run: %u (CORVALE_TEST_SEED=%u replays it)", m_seed, m_seed);
    }

    void killedSavesLoseNothingThatReturned()
    {
        DataFolder folder;
        const QString path = folder.file(store::databaseFileName());
        QVERIFY(store::Database::create(path).ok());
        QSet<int> saved;
        for (int round = 0; round < 12; ++round) {
            const QStringList lines = runAndKill(QStringLiteral("saves"), folder.path(),
                                                 int(m_rng.bounded(1, 40)), int(m_rng.bounded(0, 15)));
            for (const QString &line : lines) {
                QVERIFY2(line.startsWith(QLatin1String("saved ")), qPrintable(line));
                saved.insert(line.mid(6).toInt());
            }
            QCOMPARE(integrity(path), QStringLiteral("ok"));
        }
        auto dbOpened = store::Database::open(path);
        QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
        auto db = std::move(dbOpened).value();
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
        // Every round was killed after saves had returned, so each check above had something to find.
        QVERIFY(saved.size() >= 12);
    }

    void killedImportKeepsTheOriginal()
    {
        const QByteArray original = QByteArray("stand-in for an old Access file ").repeated(64);
        // How long one import takes here, so the kills spread over all of it.
        qint64 importMs = 0;
        int killedBefore = 0, killedAfter = 0;
        for (int round = 0; round < 10; ++round) {
            DataFolder folder;
            const QString path = folder.file(store::databaseFileName());
            {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(original);
            }
            QProcess writer;
            writer.start(helperPath(), {QStringLiteral("import"), folder.path()});
            QVERIFY(writer.waitForStarted());
            QByteArray out = readLines(writer, 1);
            QCOMPARE(out, QByteArray("ready\n"));
            QStringList lines;
            if (round == 0) {
                // Never told to begin: certainly before the swap.
                lines = killAndCollect(writer, out);
            } else {
                QElapsedTimer clock;
                clock.start();
                writer.write("go\n");
                writer.waitForBytesWritten();
                if (round == 1) {
                    // Killed once it has said the import is done: certainly after the swap.
                    out = readLines(writer, 2, out);
                    importMs = clock.elapsed();
                    QVERIFY2(out.endsWith("imported\n"), out.constData());
                } else {
                    QTest::qWait(int(m_rng.bounded(qMax<qint64>(importMs, 150) + 1)));
                }
                lines = killAndCollect(writer, out);
            }
            QVERIFY2(!lines.contains(QStringLiteral("failed")), qPrintable(lines.join(u' ')));

            QFile named(path);
            QVERIFY(named.open(QIODevice::ReadOnly));
            const QByteArray now = named.readAll();
            named.close();
            if (now == original) {
                ++killedBefore; // killed before the swap: nothing changed
                continue;
            }
            ++killedAfter;
            // Swapped in: a complete new database, the original kept beside it.
            QCOMPARE(store::detectFileKind(path), store::FileKind::SQLite);
            QCOMPARE(integrity(path), QStringLiteral("ok"));
            auto dbOpened = store::Database::open(path);
            QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
            auto db = std::move(dbOpened).value();
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
        QVERIFY2(killedBefore >= 1 && killedAfter >= 1,
                 qPrintable(QStringLiteral("rounds killed before the swap: %1, after: %2")
                                .arg(killedBefore).arg(killedAfter)));
    }

    void killedBackupLeavesOnlyWholeSnapshots()
    {
        DataFolder folder;
        const QString path = folder.file(store::databaseFileName());
        {
            auto dbOpened = store::Database::create(path);
            QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
            auto db = std::move(dbOpened).value();
            QSqlQuery q(db->sql());
            db->sql().transaction();
            for (int n = 1; n <= 2000; ++n)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO 客户信息 (编号, 客户姓名) VALUES (%1, '客户%1')").arg(n)));
            db->sql().commit();
        }
        for (int round = 0; round < 8; ++round) {
            runAndKill(QStringLiteral("backup"), folder.path(), int(m_rng.bounded(1, 4)),
                       int(m_rng.bounded(0, 30)));
            QCOMPARE(integrity(path), QStringLiteral("ok"));
            const QStringList snapshots = store::snapshots(path);
            // Each round was killed after at least one snapshot had completed.
            QVERIFY(!snapshots.isEmpty());
            for (const QString &snapshot : snapshots) {
                QCOMPARE(integrity(snapshot), QStringLiteral("ok"));
                auto dbOpened = store::Database::open(snapshot);
                QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
                auto db = std::move(dbOpened).value();
                QSqlQuery q(db->sql());
                QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM 客户信息")) && q.next());
                QCOMPARE(q.value(0).toInt(), 2000);
            }
        }
    }
};

CORVALE_CORE_TEST_MAIN(CrashSafety)
#include "tst_crashsafety.moc"
