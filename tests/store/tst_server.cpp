// Two desks on one shop server: a save over another desk's change, appends
// at the same moment, a job deleted under an edit, a server that goes away,
// and the shop's file moved onto the server. Run against the test's own
// PostgreSQL server only.
#include "store/backup.h"
#include "store/database.h"
#include "store/jobcopy.h"
#include "store/jobphotos.h"
#include "store/jobwriter.h"
#include "store/recordset.h"
#include "store/rowreader.h"
#include "store/serveraddress.h"
#include "support/coretestapp.h"
#include "support/datafolder.h"
#include "support/heldrelay.h"
#include "support/jobtable.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlError>
#include <QTcpServer>
#include <QSqlQuery>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

using namespace store;

namespace {

QString server() { return qEnvironmentVariable("CORVALE_TEST_POSTGRES"); }

// A second desk: a connection of its own to the same server.
std::unique_ptr<Database> otherDesk()
{
    auto dbOpened = Database::open(server());
    if (dbOpened.failed())
        qWarning() << dbOpened.error().text;
    auto db = std::move(dbOpened).value();
    return db;
}

// Database for a desk that must exist: a desk the test server cannot give
// ends the run with the server's reason rather than a null dereference.
Database &deskDatabase(const std::unique_ptr<Database> &db)
{
    if (!db)
        qFatal("the test's PostgreSQL server gave no connection for a desk");
    return *db;
}

// Two desks on the server's one job table: desk A made it of jobs, desk B
// is another connection; each has its record set and writer.
struct TwoDesks {
    explicit TwoDesks(const QList<QVariantMap> &jobs)
        : a(createJobTable(folder.path(), jobs)), b(otherDesk()), deskA(deskDatabase(a)), deskB(deskDatabase(b)),
          writerA(deskA), writerB(deskB)
    {
    }
    DataFolder folder;
    std::unique_ptr<Database> a, b;
    RecordSet deskA, deskB;
    JobWriter writerA, writerB;
};

QVariant stored(Database &db, int number, const QString &field)
{
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("SELECT %1 FROM \"客户信息\" WHERE \"编号\" = ?").arg(quoted(field)));
    q.addBindValue(number);
    return q.exec() && q.next() ? q.value(0) : QVariant(QStringLiteral("<no row>"));
}

QByteArray sha(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

// Opens a set on the whole table at the row of job `number`.
bool openAt(RecordSet &set, int number)
{
    if (set.setRecordSource(QStringLiteral("客户信息")).failed())
        return false;
    return set.findFirst(QStringLiteral("编号 =%1").arg(number)).ok() && !set.noMatch();
}

// One cell as both engines must read it back: dates and times in their
// text form, numbers by value, NULL apart from ''.
QString canonical(const FieldDef &field, const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("<NULL>");
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate);
    if (value.typeId() == QMetaType::QTime)
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    if (field.kind == FieldKind::Number || field.kind == FieldKind::YesNo || field.kind == FieldKind::JobNumber)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// Every cell of the table, row by row in job order.
QStringList everyCell(const Database &db)
{
    QStringList columns;
    for (const FieldDef &f : fields())
        columns << quoted(f.name);
    // Fetched whole before it is read: rows streamed while a slow (sanitized,
    // loaded) reader works through them can outlast the connection's
    // statement limit and end the read early.
    QSqlQuery q(db.sql());
    QStringList cells;
    if (!q.exec(QStringLiteral("SELECT %1 FROM \"客户信息\" ORDER BY \"编号\"").arg(columns.join(u','))))
        return {q.lastError().text()};
    while (q.next())
        for (int c = 0; c < fields().size(); ++c)
            cells << canonical(fields().at(c), q.value(c));
    if (q.lastError().isValid())
        cells << q.lastError().text();
    return cells;
}

// A job whose every field takes, in turn, no value, an empty text and the
// awkward values of its kind.
QVariantMap awkwardJob(int number)
{
    QVariantMap job;
    const QString emptyText = QStringLiteral(""); // not a null QString, which binds as NULL
    for (int i = 0; i < fields().size(); ++i) {
        const FieldDef &f = fields().at(i);
        const int turn = (number + i) % 5;
        // Turn 0 is no value; the others take the given values in turn.
        const auto inTurn = [turn](const QVariantList &values) {
            return turn == 0 ? QVariant(QMetaType(QMetaType::QString)) : values.at(turn - 1);
        };
        QVariant v;
        switch (f.kind) {
        case FieldKind::JobNumber:
            v = number;
            break;
        case FieldKind::YesNo:
            v = turn % 2 ? -1 : 0;
            break;
        case FieldKind::Text:
            v = inTurn({emptyText, QStringLiteral("行%1\n第二行").arg(number),
                        QStringLiteral("O'Neil \\ \"赵\" %1").arg(number).leftJustified(f.maxLength, u'钱'),
                        makeJob(number).value(f.name)});
            if (v.isNull() && f.neverNull())
                v = emptyText;
            break;
        case FieldKind::PurchaseDate:
            v = inTurn({emptyText, QStringLiteral("超保"), QStringLiteral("2024-02-29"), QStringLiteral("2003-01-01")});
            break;
        case FieldKind::Date:
            v = inTurn({QStringLiteral("2024-02-29"), QStringLiteral("1900-01-01"), QStringLiteral("2099-12-31"),
                        QStringLiteral("2003-06-30")});
            break;
        case FieldKind::Number:
            v = inTurn({0, -0.0001, 99999.99, 1234567.125});
            break;
        case FieldKind::Time:
            v = inTurn({QStringLiteral("00:00:00"), QStringLiteral("23:59:59"), QStringLiteral("12:34:56"),
                        QStringLiteral("09:30:00")});
            break;
        }
        job.insert(f.name, v);
    }
    return job;
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!onServer())
            QSKIP("needs the test's PostgreSQL server (CORVALE_TEST_ENGINE=postgresql)");
    }

    void secondSaveOfOneJobWritesNothingOverTheFirst()
    {
        TwoDesks desks(makeJobs(1, 5));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 3) && openAt(deskB, 3));
        const QVariant addressBefore = stored(*a, 3, QStringLiteral("地址"));
        const QString was = stored(*a, 3, QStringLiteral("客户姓名")).toString();

        QVERIFY(deskA.edit().ok());
        deskA.setValue(QStringLiteral("客户姓名"), QStringLiteral("甲台"));
        QVERIFY(writerA.save().ok());

        QVERIFY(deskB.edit().ok());
        deskB.setValue(QStringLiteral("客户姓名"), QStringLiteral("乙台"));
        deskB.setValue(QStringLiteral("地址"), QStringLiteral("乙台的地址"));
        const common::Result<void> e = writerB.save();
        QCOMPARE(e.error().code, code::ChangedElsewhere);
        QVERIFY2(e.error().text.startsWith(QStringLiteral("此记录已被另一台电脑修改")), qPrintable(e.error().text));
        QVERIFY2(e.error().text.contains(QStringLiteral("客户姓名：甲台")), qPrintable(e.error().text));
        // What the other desk changed, from what to what.
        QVERIFY2(e.error().text.contains(QStringLiteral("客户姓名：%1 → 甲台").arg(was)), qPrintable(e.error().text));
        QCOMPARE(stored(*a, 3, QStringLiteral("客户姓名")), QVariant(QStringLiteral("甲台")));
        QCOMPARE(stored(*a, 3, QStringLiteral("地址")), addressBefore);

        // Saved again knowing it, the clerk's own values stand, even when the
        // other desk wrote once more in between.
        deskA.setValue(QStringLiteral("宅电"), QStringLiteral("5550001"));
        QVERIFY(writerA.save().ok());
        QVERIFY(writerB.save().ok());
        QCOMPARE(stored(*a, 3, QStringLiteral("宅电")), QVariant(QStringLiteral("5550001")));
        QCOMPARE(stored(*a, 3, QStringLiteral("客户姓名")), QVariant(QStringLiteral("乙台")));
        // Refresh shows each desk the other's work.
        QVERIFY(deskA.refresh().ok());
        QVERIFY(openAt(deskA, 3));
        QCOMPARE(deskA.value(QStringLiteral("地址")), QVariant(QStringLiteral("乙台的地址")));
    }

    void appendsAtTheSameMomentGetTwoNumbers()
    {
        TwoDesks desks(makeJobs(1, 17));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 17) && openAt(deskB, 17));

        const auto first = writerA.appendJob(18);
        QVERIFY2(first.ok(), qPrintable(first.error().text));
        QCOMPARE(*first, qint16(18));
        // The new job joins the end of the desk's set, where the window goes next.
        QCOMPARE(deskA.recordCount(), 18);
        QVERIFY(deskA.moveLast().ok());
        QCOMPARE(deskA.value(QStringLiteral("编号")).toInt(), 18);
        // Desk B has not seen 18 yet: it gets the next free number, no error.
        const auto second = writerB.appendJob(18);
        QVERIFY2(second.ok(), qPrintable(second.error().text));
        QCOMPARE(*second, qint16(19));
        // A number a desk can see taken is still refused.
        const auto seen = writerA.appendJob(18);
        QVERIFY(seen.failed());
        QCOMPARE(seen.error().code, code::DuplicateKey);
        QCOMPARE(stored(*a, 19, QStringLiteral("编号")).toInt(), 19);
        // On the server the job number is the row's key, negative ones too.
        const auto negative = writerA.appendJob(-7);
        QVERIFY(negative.ok());
        QVERIFY(deskA.moveLast().ok());
        QCOMPARE(deskA.value(QStringLiteral("编号")).toInt(), -7);
        QVERIFY(writerA.deleteCurrent().ok());
        QCOMPARE(stored(*a, -7, QStringLiteral("编号")), QVariant(QStringLiteral("<no row>")));
        QCOMPARE(stored(*a, 17, QStringLiteral("编号")).toInt(), 17);
    }

    void jobDeletedAtOneDeskIsNotWrittenAtTheOther()
    {
        TwoDesks desks(makeJobs(1, 5));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 4) && openAt(deskB, 4));
        QVERIFY(writerA.deleteCurrent().ok());
        QVERIFY(deskB.edit().ok());
        deskB.setValue(QStringLiteral("客户姓名"), QStringLiteral("删了还改"));
        const common::Result<void> e = writerB.save();
        QCOMPARE(e.error().code, code::RecordDeleted);
        QVERIFY2(e.error().text.contains(QStringLiteral("已被另一台电脑删除")), qPrintable(e.error().text));
        QCOMPARE(stored(*a, 4, QStringLiteral("编号")), QVariant(QStringLiteral("<no row>")));
    }

    // Desk A appended job 9 after desk B read the table: B's copy, meant as
    // job 9, takes 10 instead of being refused until 刷新; a number B shows
    // is still refused.
    void copyGivesWayToAnotherDesksNewJob()
    {
        TwoDesks desks(makeJobs(1, 8));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 3) && openAt(deskB, 3));
        QCOMPARE(*writerA.appendJob(9), qint16(9));
        const common::Result<qint64> copied = writerB.copyCurrent(9, {});
        QVERIFY2(copied.ok(), qPrintable(copied.error().text));
        QCOMPARE(stored(*a, 10, QStringLiteral("客户姓名")), stored(*a, 3, QStringLiteral("客户姓名")));
        QCOMPARE(writerB.copyCurrent(8, {}).error().code, code::DuplicateKey);
        QCOMPARE(stored(*a, 11, QStringLiteral("编号")), QVariant(QStringLiteral("<no row>")));
    }

    void deleteOrCopyFromAnOutOfDateScreenWritesNothing()
    {
        TwoDesks desks(makeJobs(1, 8));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 4) && openAt(deskB, 4));
        deskA.setValue(QStringLiteral("客户姓名"), QStringLiteral("新的名字"));
        QVERIFY(writerA.save().ok());
        // Desk B still shows the old job 4: its copy is refused.
        const common::Result<qint64> refused = writerB.copyCurrent(9, {});
        QCOMPARE(refused.error().code, code::ChangedElsewhere);
        QVERIFY2(refused.error().text.contains(QStringLiteral("新的名字")), qPrintable(refused.error().text));
        QCOMPARE(stored(*a, 9, QStringLiteral("编号")), QVariant(QStringLiteral("<no row>")));
        // The screen now shows the job as it is.
        QCOMPARE(deskB.value(QStringLiteral("客户姓名")), QVariant(QStringLiteral("新的名字")));

        // A job deleted and numbered again elsewhere is another job: the
        // delete is refused once, and goes through when made knowing it.
        QVERIFY(openAt(deskA, 7) && openAt(deskB, 7));
        QVERIFY(writerA.deleteCurrent().ok());
        QCOMPARE(*writerA.appendJob(7), qint16(7));
        QCOMPARE(writerB.deleteCurrent().error().code, code::ChangedElsewhere);
        QCOMPARE(stored(*a, 7, QStringLiteral("编号")).toInt(), 7);
        QVERIFY(writerB.deleteCurrent().ok());
        QCOMPARE(stored(*a, 7, QStringLiteral("编号")), QVariant(QStringLiteral("<no row>")));
    }

    void movesShowOtherDesksChangesAndLeaveDeletedJobs()
    {
        TwoDesks desks(makeJobs(1, 6));
        auto &[folder, a, b, deskA, deskB, writerA, writerB] = desks;
        QVERIFY(openAt(deskA, 3) && openAt(deskB, 2));
        QVERIFY(deskB.readRow(2).ok()); // job 3 read, as the grid does
        deskA.setValue(QStringLiteral("维修费"), QStringLiteral("88"));
        QVERIFY(writerA.save().ok());
        QVERIFY(deskB.moveNext().ok());
        QCOMPARE(deskB.value(QStringLiteral("维修费")).toDouble(), 88.0);
        // Job 3 goes at desk A: desk B's moves step past it, in both directions.
        QVERIFY(writerA.deleteCurrent().ok());
        QVERIFY(deskB.moveNext().ok());
        QCOMPARE(deskB.value(QStringLiteral("编号")).toInt(), 4);
        QVERIFY(deskB.movePrevious().ok());
        QCOMPARE(deskB.value(QStringLiteral("编号")).toInt(), 2);
        QCOMPARE(deskB.recordCount(), 5);
    }

    void reportRowsPutEmptyFieldsFirstAsTheFileDoes()
    {
        DataFolder folder;
        auto a = createJobTable(folder.path(), makeJobs(1, 4));
        QVERIFY(a);
        QSqlQuery q(a->sql());
        QVERIFY(q.exec(QStringLiteral("UPDATE \"客户信息\" SET \"发货日期\" = NULL, \"地区\" = NULL WHERE \"编号\" = 3")));
        for (const QString &field : {QStringLiteral("发货日期"), QStringLiteral("地区")}) {
            const auto rows = readRows(*a, {{QStringLiteral("编号")}, {}, {}, {field}});
            QVERIFY2(rows.ok(), qPrintable(rows.error().text));
            QCOMPARE(rows->first().first().toInt(), 3);
        }
    }

    void aRowLockedElsewhereIsWaitedForALimitedTime()
    {
        DataFolder folder;
        auto a = createJobTable(folder.path(), makeJobs(1, 3));
        auto other = otherDesk();
        QVERIFY(a && other);
        RecordSet desk(*a);
        JobWriter writer(desk);
        QVERIFY(openAt(desk, 2));
        QSqlQuery lock(other->sql());
        QVERIFY(lock.exec(QStringLiteral("BEGIN")));
        QVERIFY(lock.exec(QStringLiteral("SELECT 1 FROM \"客户信息\" WHERE \"编号\" = 2 FOR UPDATE")));
        desk.setValue(QStringLiteral("客户姓名"), QStringLiteral("等锁"));
        const common::Result<void> waited = writer.save();
        QCOMPARE(waited.error().code, code::Busy);
        // The edit is kept; once the lock goes, the same save goes through.
        QCOMPARE(desk.value(QStringLiteral("客户姓名")), QVariant(QStringLiteral("等锁")));
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        QVERIFY(writer.save().ok());
        QCOMPARE(stored(*other, 2, QStringLiteral("客户姓名")), QVariant(QStringLiteral("等锁")));
    }

    // A server that takes the request and never answers (its process
    // stopped): the desk's own watch ends the save within seconds with the
    // busy message, nothing is written, the edit stays; once the server
    // answers again the same save goes through on a new connection.
    void aServerThatStopsAnsweringIsCutAndTheEditKept()
    {
        DataFolder folder;
        auto admin = createJobTable(folder.path(), makeJobs(1, 3));
        QVERIFY(admin);
        HeldRelay relay(server());
        auto deskOpened = Database::open(relay.address());
        QVERIFY2(deskOpened.ok(), qPrintable(deskOpened.error().text));
        RecordSet desk(**deskOpened);
        JobWriter writer(desk);
        QVERIFY(openAt(desk, 2));
        const QVariant before = stored(*admin, 2, QStringLiteral("客户姓名"));
        QVERIFY(desk.edit().ok());
        desk.setValue(QStringLiteral("客户姓名"), QStringLiteral("无人应答"));

        relay.hold();
        const common::Result<void> cut = writer.save();
        QVERIFY(relay.somethingWaits());
        QVERIFY(cut.failed());
        QCOMPARE(cut.error().code, code::Busy);
        QCOMPARE(desk.value(QStringLiteral("客户姓名")), QVariant(QStringLiteral("无人应答")));
        QCOMPARE(stored(*admin, 2, QStringLiteral("客户姓名")), before);

        relay.release();
        const common::Result<void> again = writer.save();
        QVERIFY2(again.ok(), qPrintable(again.error().text));
        QCOMPARE(stored(*admin, 2, QStringLiteral("客户姓名")), QVariant(QStringLiteral("无人应答")));
    }

    void connectFailuresAreSaidInChineseWithoutThePassword()
    {
        QUrl url(server());
        const auto refused = [&url](const QString &user, const QString &database) {
            const QString address = QStringLiteral("postgresql://%1:s3cr%2x9@%3:%4/%5")
                                        .arg(user, QStringLiteral("%40"), url.host())
                                        .arg(url.port())
                                        .arg(database);
            const auto opened = Database::open(address);
            return opened.failed() ? opened.error().text : QString();
        };
        const QString noDatabase = refused(QStringLiteral("corvale"), QStringLiteral("没有这个库"));
        QVERIFY2(noDatabase.startsWith(QStringLiteral("数据库服务器")) && noDatabase.contains(QStringLiteral("没有地址中写的那个数据库")),
                 qPrintable(noDatabase));
        const QString noUser = refused(QStringLiteral("nobody_here"), QStringLiteral("postgres"));
        QVERIFY2(noUser.contains(QStringLiteral("用户名不对")), qPrintable(noUser));
        // A port where no server listens (the address of the test's server
        // on a port just let go).
        QTcpServer nobody;
        QVERIFY(nobody.listen(QHostAddress::LocalHost));
        const quint16 port = nobody.serverPort();
        nobody.close();
        url.setPort(port);
        const QString wrongPort = refused(QStringLiteral("corvale"), QStringLiteral("postgres"));
        QVERIFY2(wrongPort.contains(QStringLiteral("没有接受连接")) && wrongPort.contains(QStringLiteral("端口")),
                 qPrintable(wrongPort));
        // The test's server has no SSL: an address that asks for it is refused, not served in clear.
        const auto encrypted = Database::open(server() + QStringLiteral("?sslmode=require"));
        QVERIFY(encrypted.failed());
        QVERIFY2(encrypted.error().text.contains(QStringLiteral("加密")), qPrintable(encrypted.error().text));
        for (const QString &text : {noDatabase, noUser, wrongPort})
            QVERIFY2(!text.contains(QStringLiteral("s3cr")) && !text.contains(QStringLiteral("x9@")), qPrintable(text));
    }

    // An account that must give its password: a wrong or missing one is
    // said in Chinese and never shown; the password typed into the line as
    // it is (encoded on saving), PGPASSWORD and a password file all open it.
    void aPasswordComesFromTheLineOrTheUsualPlaces()
    {
        const QString locked = qEnvironmentVariable("CORVALE_TEST_POSTGRES_LOCKED");
        const QString password = qEnvironmentVariable("CORVALE_TEST_POSTGRES_PASSWORD");
        QVERIFY2(!locked.isEmpty() && !password.isEmpty(), "run through tests/db/with-postgres.sh");
        DataFolder folder;
        const QString passFile = folder.file(QStringLiteral("pgpass"));
        qputenv("PGPASSFILE", passFile.toLocal8Bit()); // none yet
        qunsetenv("PGPASSWORD");
        const auto withPassword = [&locked](const QString &typed) {
            return encodedServerAddress(QString(locked).replace(QStringLiteral("keyholder@"),
                                                                QStringLiteral("keyholder:%1@").arg(typed)));
        };
        const auto refusal = [](const QString &address) {
            const auto opened = Database::open(address);
            return opened.failed() ? opened.error().text : QStringLiteral("<opened>");
        };
        for (const QString &address : {locked, withPassword(QStringLiteral("wrong@pass"))}) {
            const QString said = refusal(address);
            QVERIFY2(said.contains(QStringLiteral("不接受这个用户名和密码")), qPrintable(said));
            QVERIFY2(!said.contains(QStringLiteral("wrong")), qPrintable(said));
        }

        QCOMPARE(refusal(withPassword(password)), QStringLiteral("<opened>"));
        qputenv("PGPASSWORD", password.toUtf8());
        QCOMPARE(refusal(locked), QStringLiteral("<opened>"));
        qunsetenv("PGPASSWORD");
        {
            QFile pass(passFile);
            QVERIFY(pass.open(QIODevice::WriteOnly));
            // A password file writes a ":" of the password as "\:".
            pass.write("*:*:kept:keyholder:" + QString(password).replace(u':', QStringLiteral("\\:")).toUtf8() + '\n');
            pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        QCOMPARE(refusal(locked), QStringLiteral("<opened>"));
    }

    void aJobsPhotoIsKeptOnTheServerAndFollowsTheJob()
    {
        DataFolder folder;
        auto a = createJobTable(folder.path(), makeJobs(1, 3));
        auto b = otherDesk();
        QVERIFY(a && b);
        const QByteArray jpeg("\xFF\xD8\xFF\xE0 a picture", 15);
        QVERIFY(savePhoto(*a, 2, {QStringLiteral("冰箱.jpg"), jpeg}).ok());
        // The other desk sees it, bytes and name.
        const auto seen = readPhoto(*b, 2);
        QVERIFY(seen.ok() && seen->has_value());
        QCOMPARE((*seen)->bytes, jpeg);
        QCOMPARE((*seen)->fileName, QStringLiteral("冰箱.jpg"));
        // A copy of the job takes its photo along; a deleted job leaves none behind.
        RecordSet desk(*a);
        JobWriter writer(desk);
        QVERIFY(openAt(desk, 2));
        QVERIFY(writer.copyCurrent(9, {}).ok());
        QCOMPARE((*readPhoto(*b, 9))->bytes, jpeg);
        QVERIFY(writer.deleteCurrent().ok());
        QVERIFY(!readPhoto(*b, 2)->has_value());
        // A folder is no photo.
        QVERIFY(photoFromFile(folder.path()).failed());
    }

    void aTableOfAnEarlierVersionGetsTheRealDateCheck()
    {
        DataFolder folder;
        {
            auto made = createJobTable(folder.path(), makeJobs(1, 2));
            QVERIFY(made);
            QSqlQuery earlier(made->sql());
            QVERIFY(earlier.exec(QStringLiteral("DROP TABLE \"客户照片\"")));
            QVERIFY(earlier.exec(QStringLiteral("COMMENT ON TABLE \"客户信息\" IS NULL")));
            QVERIFY(earlier.exec(QStringLiteral(
                "ALTER TABLE \"客户信息\" DROP CONSTRAINT \"kind_出厂日期\", ADD CONSTRAINT \"kind_出厂日期\" "
                "CHECK (\"出厂日期\" ~ '^[0-9]{4}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$')")));
            QVERIFY(earlier.exec(QStringLiteral("UPDATE \"客户信息\" SET \"出厂日期\" = '2025-02-30' WHERE \"编号\" = 1")));
        }
        auto opened = Database::open(server());
        QVERIFY2(opened.ok(), qPrintable(opened.error().text));
        QVERIFY(bringUpToDate(**opened).ok());
        QSqlQuery q((*opened)->sql());
        QVERIFY(!q.exec(QStringLiteral("UPDATE \"客户信息\" SET \"出厂日期\" = '2025-02-30' WHERE \"编号\" = 2")));
        QVERIFY(hasPhotoTable(**opened).value());
        // The job written before keeps its value, to be corrected by the clerk.
        QCOMPARE(stored(**opened, 1, QStringLiteral("出厂日期")), QVariant(QStringLiteral("2025-02-30")));
    }

    void firstCommandAfterAServerRestartGoesThrough()
    {
        DataFolder folder;
        auto a = createJobTable(folder.path(), makeJobs(1, 5));
        auto admin = otherDesk();
        QVERIFY(a && admin);
        RecordSet desk(*a);
        JobWriter writer(desk);
        QVERIFY(openAt(desk, 2));
        QSqlQuery pid(a->sql());
        QVERIFY(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
        const int backend = pid.value(0).toInt();
        pid.finish();
        // The server drops this desk's connection, as a restart would.
        QSqlQuery drop(admin->sql());
        QVERIFY(drop.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend)));

        // The save connects again by itself, without a word to the clerk.
        QVERIFY(desk.edit().ok());
        desk.setValue(QStringLiteral("客户姓名"), QStringLiteral("断线前输入"));
        const common::Result<void> e = writer.save();
        QVERIFY2(e.ok(), qPrintable(e.error().text));
        QCOMPARE(stored(*admin, 2, QStringLiteral("客户姓名")), QVariant(QStringLiteral("断线前输入")));
    }

    // The largest table the program allows moves whole: every cell of
    // 32767 jobs reads back the same from the server, NULL, '' and dates
    // included.
    void theLargestTableMovesCellForCell()
    {
        DataFolder folder;
        auto onServer = createJobTable(folder.path(), {});
        QVERIFY(onServer);
        QList<QVariantMap> jobs;
        for (int n = 1; n <= 32767; ++n)
            jobs << awkwardJob(n);
        auto fileMade = Database::create(folder.file(QStringLiteral("本机.mdb")));
        QVERIFY2(fileMade.ok(), qPrintable(fileMade.error().text));
        const auto inserted = insertJobs(**fileMade, jobs);
        QVERIFY2(inserted.ok(), qPrintable(inserted.error().text));
        // Stopped part way, the move leaves the server as it was.
        int told = 0;
        const auto stopped = copyAllJobs(**fileMade, *onServer, [&](qint64, qint64) { return ++told < 3; });
        QCOMPARE(stopped.error().code, code::Stopped);
        QCOMPARE(*jobCount(*onServer), 0);
        qint64 last = 0;
        const auto moved = copyAllJobs(**fileMade, *onServer, [&](qint64 done, qint64 all) {
            const bool onward = done > last && all == 32767;
            last = done;
            return onward;
        });
        QVERIFY2(moved.ok(), qPrintable(moved.error().text));
        QCOMPARE(moved->jobs, 32767);
        QCOMPARE(last, qint64(32767));

        const QStringList file = everyCell(**fileMade), server = everyCell(*onServer);
        QCOMPARE(file.size(), 32767 * fields().size());
        QVERIFY(file.contains(QStringLiteral("<NULL>")) && file.contains(QString()));
        QCOMPARE(server.size(), file.size());
        QStringList differ;
        for (int i = 0; i < file.size() && differ.size() < 5; ++i)
            if (file.at(i) != server.at(i))
                differ << QStringLiteral("job %1 %2: %3 | %4")
                              .arg(i / fields().size() + 1)
                              .arg(fields().at(i % fields().size()).name, file.at(i), server.at(i));
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u'\n')));
    }

    void shopsFileMovesOntoAnEmptyServerOnly()
    {
        DataFolder folder;
        auto onServer = createJobTable(folder.path(), {});
        QVERIFY(onServer);
        // An empty server (made empty for a restore) is no snapshot worth keeping.
        QCOMPARE(backupServerOnStart(*onServer, folder.path(), 5)->outcome, Backup::Outcome::NothingToBackUp);
        QVERIFY(!QFileInfo::exists(folder.file(QStringLiteral("备份/.正在备份.tmp"))));
        // The shop's own file, beside it in the data folder.
        const QString path = folder.file(QStringLiteral("本机.mdb"));
        {
            auto fileOpened = Database::create(path);
            QVERIFY2(fileOpened.ok(), qPrintable(fileOpened.error().text));
            auto file = std::move(fileOpened).value();
            QVERIFY(insertJobs(*file, makeJobs(1, 40)).ok());
            // An empty text and a NULL are different values, on both engines.
            QSqlQuery empty(file->sql());
            QVERIFY(empty.exec(QStringLiteral("UPDATE \"客户信息\" SET \"客户姓名\" = '', \"备注\" = '' WHERE \"编号\" = 3")));
            QVERIFY(empty.exec(QStringLiteral("UPDATE \"客户信息\" SET \"备注\" = NULL WHERE \"编号\" = 4")));
        }
        auto fileOpened = Database::open(path);
        QVERIFY2(fileOpened.ok(), qPrintable(fileOpened.error().text));
        auto file = std::move(fileOpened).value();
        // A date an older program let into the file stops the move, naming its job.
        QSqlQuery old(file->sql());
        QVERIFY(old.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")));
        QVERIFY(old.exec(QStringLiteral("UPDATE 客户信息 SET 出厂日期 = '2025-02-30' WHERE 编号 = 17")));
        const auto refused = copyAllJobs(*file, *onServer);
        QVERIFY2(refused.failed() && refused.error().text.contains(QStringLiteral("编号 17")),
                 qPrintable(refused.error().text));
        QCOMPARE(*jobCount(*onServer), 0);
        QVERIFY(old.exec(QStringLiteral("UPDATE 客户信息 SET 出厂日期 = NULL WHERE 编号 = 17")));
        old.finish();
        file.reset();
        const QByteArray before = sha(path);
        fileOpened = Database::open(path);
        QVERIFY2(fileOpened.ok(), qPrintable(fileOpened.error().text));
        file = std::move(fileOpened).value();
        const auto moved = copyAllJobs(*file, *onServer);
        QVERIFY2(moved.ok(), qPrintable(moved.error().text));
        QCOMPARE(moved->jobs, 40);
        QCOMPARE(*jobCount(*onServer), 40);
        QCOMPARE(stored(*onServer, 40, QStringLiteral("客户姓名")), makeJob(40).value(QStringLiteral("客户姓名")));
        QCOMPARE(stored(*onServer, 7, QStringLiteral("维修费")).toDouble(), 35.5);
        for (const QString &field : {QStringLiteral("客户姓名"), QStringLiteral("备注")}) {
            const QVariant emptyText = stored(*onServer, 3, field);
            QVERIFY(!emptyText.isNull() && emptyText.toString().isEmpty());
        }
        QVERIFY(stored(*onServer, 4, QStringLiteral("备注")).isNull());
        file.reset();
        QCOMPARE(sha(path), before);

        // The server refuses impossible dates and times, as the file does.
        QSqlQuery check(onServer->sql());
        const auto takes = [&check](const QString &field, const QString &value) {
            return check.exec(QStringLiteral("UPDATE \"客户信息\" SET %1 = '%2' WHERE \"编号\" = 5").arg(quoted(field), value));
        };
        QVERIFY(!takes(QStringLiteral("出厂日期"), QStringLiteral("2025-02-30")));
        QVERIFY(!takes(QStringLiteral("出厂日期"), QStringLiteral("2023-02-29")));
        QVERIFY(takes(QStringLiteral("出厂日期"), QStringLiteral("2024-02-29")));
        QVERIFY(!takes(QStringLiteral("开票时间"), QStringLiteral("29:10:00")));
        QVERIFY(takes(QStringLiteral("开票时间"), QStringLiteral("23:59:59")));

        // A server that holds jobs already takes none.
        fileOpened = Database::open(path);
        QVERIFY2(fileOpened.ok(), qPrintable(fileOpened.error().text));
        file = std::move(fileOpened).value();
        const auto again = copyAllJobs(*file, *onServer);
        QVERIFY(again.failed());
        QCOMPARE(*jobCount(*onServer), 40);

        // A text that begins with a byte-order mark keeps it in the snapshot.
        const QString bom = QStringLiteral("\uFEFFBOM开头");
        {
            QSqlQuery mark(onServer->sql());
            QVERIFY(mark.prepare(QStringLiteral("UPDATE \"客户信息\" SET \"检修结果\" = ? WHERE \"编号\" = "
                                                "(SELECT min(\"编号\") FROM \"客户信息\")")));
            mark.addBindValue(bom);
            QVERIFY2(mark.exec(), qPrintable(mark.lastError().text()));
        }
        // The start-up snapshot of the server is a file the program opens like its own.
        const common::Result<Backup> taken = backupServerOnStart(*onServer, folder.path(), 5);
        QVERIFY2(taken.ok(), qPrintable(taken.error().text));
        QCOMPARE(taken->outcome, Backup::Outcome::Taken);
        auto snapshotOpened = Database::open(taken->snapshotPath);
        QVERIFY2(snapshotOpened.ok(), qPrintable(snapshotOpened.error().text));
        auto snapshot = std::move(snapshotOpened).value();
        QCOMPARE(snapshot->engine(), Engine::SQLite);
        QCOMPARE(*jobCount(*snapshot), 40);
        QSqlQuery marked(snapshot->sql());
        QVERIFY(marked.exec(QStringLiteral("SELECT count(*) FROM 客户信息 WHERE 检修结果 = char(65279) || 'BOM开头'")));
        QVERIFY(marked.next());
        QCOMPARE(marked.value(0).toInt(), 1);
        QCOMPARE(backupServerOnStart(*onServer, folder.path(), 5)->outcome, Backup::Outcome::Unchanged);
    }
};

CORVALE_CORE_TEST_MAIN(TestServer)
#include "tst_server.moc"
