// What start-up does besides opening the workspace: a snapshot before
// anything is written, the report definitions, the settings file's warnings,
// and the settings dialog reaching the workspace's lists at once.
#include "shell/shell.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "support/checked.h"
#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"
#include "workspace/frmcorvale.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QSemaphore>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QTimer>

#include <atomic>

namespace {

void makeDatabaseWithJobs(const QString &folder, int count)
{
    auto dbOpened = store::Database::create(QDir(folder).filePath(store::databaseFileName()));
    QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
    auto db = std::move(dbOpened).value();
    QList<QVariantMap> jobs;
    for (int n = 1; n <= count; ++n)
        jobs << QVariantMap{{QStringLiteral("编号"), n}, {QStringLiteral("客户姓名"), QStringLiteral("客户%1").arg(n)}};
    QVERIFY(insertJobs(*db, jobs).ok());
}

// Starts the program in folder as far as the workspace, which must open;
// what it said on the way goes to said.
void startUntilWorkspace(const QString &folder, QStringList *said)
{
    ScriptedPrompt prompt;
    shell::Shell shell(folder);
    shell.onSplashTimer();
    QVERIFY(shell.workspace());
    *said = prompt.texts();
}

// Every 客户姓名 in the file at path, read as another program would.
QStringList storedNames(const QString &path)
{
    const auto file = store::Database::open(path);
    QStringList names;
    QSqlQuery q(file.ok() ? (*file)->sql() : QSqlDatabase());
    q.exec(QStringLiteral("SELECT 客户姓名 FROM 客户信息"));
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestStartupWiring : public QObject {
    Q_OBJECT
private slots:
    void snapshotAtEachStartUnlessUnchanged()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 3));
        const QString db = folder.file(store::databaseFileName());
        {
            ScriptedPrompt prompt;
            shell::Shell first(folder.path());
            first.onSplashTimer();
            QVERIFY(first.workspace());
            QVERIFY(prompt.messages.isEmpty());
        }
        QCOMPARE(store::snapshots(db).size(), 1);
        {
            ScriptedPrompt prompt;
            shell::Shell again(folder.path());
            again.onSplashTimer();
            QVERIFY(again.workspace());
        }
        QCOMPARE(store::snapshots(db).size(), 1); // nothing changed in between
    }

    void olderFileIsBroughtUpToDateAfterTheSnapshot()
    {
        DataFolder folder;
        const QString db = folder.file(store::databaseFileName());
        {
            QList<QVariantMap> jobs = makeJobs(1, 3);
            jobs[0].insert(QStringLiteral("已修否"), QVariant());
            jobs[1].insert(QStringLiteral("已修否"), -1);
            jobs[2].insert(QStringLiteral("已修否"), QVariant());
            QVERIFY(createEarlierJobTable(folder.path(), jobs));
        }
        const auto flags = [](const QString &path) {
            auto file = store::Database::open(path);
            QSqlQuery q(file.ok() ? (*file)->sql() : QSqlDatabase());
            q.exec(QStringLiteral("SELECT quote(已修否) FROM 客户信息 ORDER BY 编号"));
            QStringList out;
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        {
            ScriptedPrompt prompt;
            shell::Shell shell(folder.path());
            shell.onSplashTimer();
            QVERIFY(shell.workspace());
            QVERIFY2(prompt.messages.isEmpty(), qPrintable(prompt.texts().join(u'\n')));
            QCOMPARE(flags(db), QStringList({"0", "-1", "0"}));
            // The workspace shows the unset flag as 否 at once.
            QCOMPARE(shell.workspace()->findChild<QComboBox *>(QStringLiteral("cboRepair"))->currentText(),
                     QStringLiteral("否"));
        }
        QCOMPARE(store::snapshots(db).size(), 1);
        QCOMPARE(flags(store::snapshots(db).first()), QStringList({"NULL", "-1", "NULL"}));
        // Marked as done, so the next start has nothing to change.
        auto file = store::Database::open(db);
        QVERIFY2(file.ok(), qPrintable(file.error().text));
        QSqlQuery version((*file)->sql());
        QVERIFY(version.exec(QStringLiteral("PRAGMA user_version")) && version.next());
        QCOMPARE(version.value(0).toInt(), 1);
    }

    // The snapshot and the update of an older file both fail (as on a full
    // disk): one message names both and says once that the program goes on.
    void failedSnapshotIsToldAndTheProgramGoesOn()
    {
        DataFolder folder;
        {
            QList<QVariantMap> jobs = makeJobs(1, 1);
            jobs[0].insert(QStringLiteral("已修否"), QVariant());
            auto db = createEarlierJobTable(folder.path(), jobs);
            QVERIFY(db);
            QSqlQuery refuse(db->sql());
            QVERIFY(refuse.exec(QStringLiteral("CREATE TRIGGER full BEFORE UPDATE ON 客户信息 "
                                               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END")));
        }
        CHECKED(writeFile(folder.file(QStringLiteral("备份")), {})); // a file where the folder should be
        QStringList said;
        CHECKED(startUntilWorkspace(folder.path(), &said));
        QCOMPARE(said.size(), 1);
        QVERIFY(said.first().startsWith(QStringLiteral("自动备份失败")));
        QVERIFY2(said.first().contains(QStringLiteral("数据文件夹中的“备份”是一个文件，不是文件夹")), qPrintable(said.first()));
        QVERIFY2(said.first().contains(QStringLiteral("未能更新到本版本的格式")), qPrintable(said.first()));
        QCOMPARE(said.first().count(QStringLiteral("程序照常运行")), 1);
    }

    // A USB stick not plugged in: said once, after the workspace opened, and
    // the start's own snapshot stays.
    void missingBackupCopyFolderIsToldOnce()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 2));
        const QString stick = folder.file(QStringLiteral("U盘"));
        CHECKED(writeFile(folder.file(common::settingsFileName()),
                  QStringLiteral("[backup]\ncopyFolder = %1\n").arg(stick).toUtf8()));
        ScriptedPrompt prompt;
        shell::Shell shell(folder.path());
        bool copyEnded = false;
        connect(&shell.secondCopy(), &shell::SecondCopy::done, this, [&] { copyEnded = true; });
        shell.onSplashTimer();
        QVERIFY(shell.workspace());
        QTRY_VERIFY_WITH_TIMEOUT(copyEnded, 30000);
        QCOMPARE(prompt.messages.size(), 1);
        const QString said = prompt.messages.first().text;
        QVERIFY2(said.contains(stick) && said.contains(QStringLiteral("不存在")), qPrintable(said));
        QCOMPARE(store::snapshots(folder.file(store::databaseFileName())).size(), 1);
        QVERIFY(!QFileInfo::exists(stick));
    }

    // A copy to a slow share runs while the clerk already works: the window
    // is up and saves what is typed, the copy lands afterwards, and the
    // aside file a killed copy left there earlier goes.
    void secondCopyRunsWhileTheClerkWorks()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 2));
        const QString stick = folder.file(QStringLiteral("共享"));
        QVERIFY(QDir().mkpath(stick));
        const QString killed = QDir(stick).filePath(QStringLiteral("新客户信息-20261101-090000.db.aBcxYz"));
        CHECKED(writeFile(killed, QByteArray(4096, 'x')));
        CHECKED(writeFile(folder.file(common::settingsFileName()),
                  QStringLiteral("[backup]\ncopyFolder = %1\n").arg(stick).toUtf8()));
        ScriptedPrompt prompt;
        shell::Shell shell(folder.path());
        QSemaphore started, goOn;
        std::atomic_bool onWindowThread = true;
        QThread *const windowThread = QThread::currentThread();
        shell.secondCopy().setStep([&](const QString &snapshot, const QString &to, int keep,
                                       const store::CopyProgress &going) {
            onWindowThread = QThread::currentThread() == windowThread;
            started.release();
            // Held while the test works in the window; a start that waited
            // for the copy is caught by onWindowThread, not by a hang.
            (void)goOn.tryAcquire(1, 20000);
            return store::copySnapshotTo(snapshot, to, keep, going);
        });
        bool copyEnded = false;
        connect(&shell.secondCopy(), &shell::SecondCopy::done, this, [&] { copyEnded = true; });
        shell.onSplashTimer();
        workspace::frmCorvale *ws = shell.workspace();
        QVERIFY(ws);
        QVERIFY(started.tryAcquire(1, 20000));
        QVERIFY(!onWindowThread);
        QVERIFY(QTest::qWaitForWindowActive(ws));
        QLineEdit *name = ws->txtInfo(0);
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Zhang"));
        QTest::keyClick(name, Qt::Key_A, Qt::AltModifier); // 添加 saves the job first
        QCOMPARE(storedNames(folder.file(store::databaseFileName())).count(QStringLiteral("Zhang")), 1);
        QVERIFY(shell.secondCopy().running());
        QCOMPARE(QDir(stick).entryList(QDir::Files).size(), 1); // only the old aside file

        goOn.release();
        QTRY_VERIFY_WITH_TIMEOUT(copyEnded, 30000);
        const QStringList snapshots = store::snapshots(folder.file(store::databaseFileName()));
        QCOMPARE(QDir(stick).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QFileInfo(snapshots.first()).fileName()}));
        QVERIFY2(prompt.messages.isEmpty(), qPrintable(prompt.texts().join(u'\n')));
    }

    // Quitting in the middle of a copy stops it rather than waiting for the
    // share, and leaves nothing of it in the second folder.
    void quittingStopsTheSecondCopy()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 2));
        const QString stick = folder.file(QStringLiteral("共享"));
        QVERIFY(QDir().mkpath(stick));
        CHECKED(writeFile(folder.file(common::settingsFileName()),
                  QStringLiteral("[backup]\ncopyFolder = %1\n").arg(stick).toUtf8()));
        QSemaphore writing;
        std::atomic_bool stopped = false, returned = false;
        {
            ScriptedPrompt prompt;
            shell::Shell shell(folder.path());
            // A share that takes each piece and never gets to the end, until
            // the copy is told to stop.
            shell.secondCopy().setStep([&](const QString &snapshot, const QString &to, int keep,
                                           const store::CopyProgress &going) {
                const auto copied = store::copySnapshotTo(snapshot, to, keep, [&](qint64 done, qint64 total) {
                    writing.release();
                    QDeadlineTimer limit(20000);
                    while (going(done, total))
                        if (limit.hasExpired())
                            return true;
                        else
                            QThread::msleep(1);
                    stopped = true;
                    return false;
                });
                returned = true;
                return copied;
            });
            shell.onSplashTimer();
            QVERIFY(shell.workspace());
            QVERIFY(writing.tryAcquire(1, 20000));
            QVERIFY(shell.secondCopy().running());
            QVERIFY(prompt.messages.isEmpty());
        }
        QVERIFY(stopped);
        QVERIFY(returned); // the copy ended before the shell did
        QCOMPARE(QDir(stick).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
    }

    // A folder named corvale.ini is said as such at the start and on saving,
    // not as a file to replace nor as a full disk.
    void settingsFileThatIsAFolderIsSaidAsSuch()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 1));
        QVERIFY(QDir().mkdir(folder.file(common::settingsFileName())));
        ScriptedPrompt prompt;
        shell::Shell shell(folder.path());
        shell.onSplashTimer();
        workspace::frmCorvale *ws = shell.workspace();
        QVERIFY(ws);
        QCOMPARE(prompt.messages.size(), 1);
        const QString atStart = prompt.messages.first().text;
        QVERIFY2(atStart.contains(QStringLiteral("corvale.ini 是文件夹")) && !atStart.contains(QStringLiteral("替换")),
                 qPrintable(atStart));
        prompt.clear();
        QTimer::singleShot(0, [] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdSave")), Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        ws->findChild<QAction *>(QStringLiteral("WorkerSer"))->trigger();
        QCOMPARE(prompt.messages.size(), 1);
        const QString onSaving = prompt.messages.first().text;
        QVERIFY2(onSaving.contains(QStringLiteral("corvale.ini 是文件夹，不是文件：请把它删除或改名")), qPrintable(onSaving));
        QVERIFY2(!onSaving.contains(QStringLiteral("磁盘是否已满")), qPrintable(onSaving));
        QVERIFY(QFileInfo(folder.file(common::settingsFileName())).isDir());
    }

    void reportDefinitionsAreWrittenWhenMissing()
    {
        DataFolder folder;
        ScriptedPrompt prompt;
        shell::Shell shell(folder.path());
        shell.onSplashTimer();
        QVERIFY(shell.workspace());
        const QStringList files = QDir(folder.file(QStringLiteral("报表"))).entryList(QDir::Files);
        QVERIFY(files.contains(QStringLiteral("新飞月报表.PRN")));
        QVERIFY(files.contains(QStringLiteral("新飞回访记录表.RPT")));
        QCOMPARE(files.size(), 10);
    }

    void malformedSettingsAreToldOnce_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("a bad value") << QByteArray("[backup]\ncount = many\n");
        QTest::newRow("a thousand bad lines") << QByteArray("not a setting\n").repeated(1000);
        QByteArray binary;
        for (int i = 0; i < 10 * 1024 * 1024; ++i)
            binary += char((i * 131 + 7) % 256);
        QTest::newRow("ten megabytes of binary") << binary;
    }

    // Once, in a few lines that fit any screen, and the workspace opens.
    void malformedSettingsAreToldOnce()
    {
        QFETCH(QByteArray, file);
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 1));
        CHECKED(writeFile(folder.file(common::settingsFileName()), file));
        QStringList said;
        CHECKED(startUntilWorkspace(folder.path(), &said));
        QCOMPARE(said.size(), 1);
        QVERIFY(said.first().contains(QStringLiteral("corvale.ini")));
        QVERIFY2(said.first().count(u'\n') <= 8 && said.first().size() < 600, qPrintable(said.first()));
    }

    void savedStaffReachTheWorkspaceAtOnce()
    {
        DataFolder folder;
        CHECKED(makeDatabaseWithJobs(folder.path(), 2));
        ScriptedPrompt prompt;
        shell::Shell shell(folder.path());
        shell.onSplashTimer();
        workspace::frmCorvale *ws = shell.workspace();
        QVERIFY(ws);
        QTimer::singleShot(0, [] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            dialog->findChild<QPlainTextEdit *>(QStringLiteral("txtRepairers"))
                ->setPlainText(QStringLiteral("老孙\n小李"));
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdSave")), Qt::LeftButton);
        });
        ws->findChild<QAction *>(QStringLiteral("WorkerSer"))->trigger();
        QCOMPARE(comboItems(ws->findChild<QComboBox *>(QStringLiteral("cboPeople"))),
                 QStringList({QStringLiteral("老孙"), QStringLiteral("小李")}));
        const auto saved = common::SiteSettings::loadQuietly(folder.file(common::settingsFileName()));
        QCOMPARE(saved.repairers, QStringList({QStringLiteral("老孙"), QStringLiteral("小李")}));
    }
};

CORVALE_TEST_MAIN(TestStartupWiring)
#include "tst_startupwiring.moc"
