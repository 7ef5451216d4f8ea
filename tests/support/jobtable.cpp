#include "jobtable.h"

#include "store/fields.h"
#include "store/sqldialect.h"

#include <QDate>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

QVariantMap makeJob(int number, const QVariantMap &overrides)
{
    static const QStringList names = {QStringLiteral("张伟"), QStringLiteral("王芳"), QStringLiteral("李娜"),
                                      QStringLiteral("刘洋"), QStringLiteral("陈静"), QStringLiteral("杨磊")};
    static const QStringList districts = {QStringLiteral("新乡"), QStringLiteral("郑州"), QStringLiteral("开封")};
    static const QStringList models = {QStringLiteral("新飞BCD-196"), QStringLiteral("海尔KFR-35"),
                                       QStringLiteral("新飞BCD-230")};
    const int n = qAbs(number);
    const QDate received = QDate(2003, 1, 1).addDays(n % 1000);
    QVariantMap job{
        {QStringLiteral("编号"), number},
        {QStringLiteral("客户姓名"), names.at(n % names.size()) + QString::number(n)},
        {QStringLiteral("地址"), QStringLiteral("人民路%1号").arg(n)},
        {QStringLiteral("宅电"), QStringLiteral("0373-%1").arg(3000000 + n)},
        {QStringLiteral("移动电话"), QStringLiteral("139%1").arg(n, 8, 10, QLatin1Char('0'))},
        {QStringLiteral("购买日期"), received.addYears(-1).toString(Qt::ISODate)},
        {QStringLiteral("接货日期"), received.toString(Qt::ISODate)},
        {QStringLiteral("发货日期"), received.addDays(3).toString(Qt::ISODate)},
        {QStringLiteral("上门费"), 20},
        {QStringLiteral("维修费"), 35.5},
        {QStringLiteral("合计"), 55.5},
        {QStringLiteral("地区"), districts.at(n % districts.size())},
        {QStringLiteral("邮编"), QStringLiteral("453000")},
        {QStringLiteral("型号"), models.at(n % models.size())},
        {QStringLiteral("保修期"), QStringLiteral("六个月")},
        {QStringLiteral("故障修理"), QStringLiteral("不制冷")},
        {QStringLiteral("已修否"), n % 2 ? -1 : 0},
        {QStringLiteral("是否申请"), QStringLiteral("否")},
        {QStringLiteral("开票时间"), QStringLiteral("09:30:00")},
    };
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        job.insert(it.key(), it.value());
    return job;
}

QList<QVariantMap> makeJobs(int first, int last)
{
    QList<QVariantMap> jobs;
    for (int n = first; n <= last; ++n)
        jobs << makeJob(n);
    return jobs;
}

common::Result<void> insertJobs(store::Database &db, const QList<QVariantMap> &jobs)
{
    QSqlDatabase sql = db.sql();
    if (!sql.transaction())
        return db.failure(sql.lastError());
    QString preparedFor;
    QSqlQuery q(sql);
    for (const QVariantMap &job : jobs) {
        QStringList columns;
        for (const QString &name : job.keys())
            columns << store::quoted(name);
        const QString text = QStringLiteral("INSERT INTO \"客户信息\" (%1) VALUES (%2)")
                                 .arg(columns.join(QLatin1Char(',')),
                                      QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        if (text != preparedFor) {
            if (!q.prepare(text)) {
                const auto e = db.failure(q.lastError());
                sql.rollback();
                return e;
            }
            preparedFor = text;
        }
        const QStringList keys = job.keys();
        for (int i = 0; i < keys.size(); ++i)
            q.bindValue(i, job.value(keys.at(i)));
        if (!q.exec()) {
            const auto e = db.failure(q.lastError());
            q.finish();
            sql.rollback();
            return e;
        }
    }
    q.finish();
    if (!sql.commit())
        return db.failure(sql.lastError());
    return {};
}

bool onServer() { return qEnvironmentVariable("CORVALE_TEST_ENGINE") == QLatin1String("postgresql"); }

namespace {

// The test server's table, made afresh; everything the program opens by the
// data folder finds the server too.
std::unique_ptr<store::Database> freshServerTable(bool earlier)
{
    const QString server = qEnvironmentVariable("CORVALE_TEST_POSTGRES");
    qputenv("CORVALE_DATABASE", server.toUtf8());
    {
        const auto db = store::Database::open(server);
        QSqlQuery q(db.ok() ? (*db)->sql() : QSqlDatabase());
        if (db.failed() || !q.exec(QStringLiteral("DROP TABLE \"客户信息\""))) {
            QTest::qFail(qPrintable(QStringLiteral("the test server %1: %2")
                                        .arg(server, db.ok() ? q.lastError().text() : db.error().text)),
                         __FILE__, __LINE__);
            return nullptr;
        }
    }
    auto opened = store::Database::open(server);
    if (opened.failed()) {
        QTest::qFail(qPrintable(QStringLiteral("the test server %1: %2").arg(server, opened.error().text)),
                     __FILE__, __LINE__);
        return nullptr;
    }
    auto db = std::move(opened).value();
    if (earlier) {
        QSqlQuery alter(db->sql());
        if (!alter.exec(QStringLiteral("ALTER TABLE \"客户信息\" ALTER COLUMN \"已修否\" DROP NOT NULL"))) {
            QTest::qFail("the schema of an earlier version could not be made", __FILE__, __LINE__);
            return nullptr;
        }
    }
    return db;
}

std::unique_ptr<store::Database> createAndFill(const QString &path, const QList<QVariantMap> &jobs, bool earlier)
{
    std::unique_ptr<store::Database> db;
    if (onServer()) {
        db = freshServerTable(earlier);
        if (!db)
            return nullptr;
    } else {
        auto created = store::Database::create(path);
        if (created.failed()) {
            QTest::qFail(qPrintable(QStringLiteral("creating %1: %2").arg(path, created.error().text)), __FILE__, __LINE__);
            return nullptr;
        }
        db = std::move(created).value();
    }
    if (earlier && !onServer()) {
        QSqlQuery q(db->sql());
        const bool done = q.exec(QStringLiteral("PRAGMA writable_schema = ON"))
            && q.exec(QStringLiteral("UPDATE sqlite_master SET sql = replace(sql, '已修否 INTEGER NOT NULL DEFAULT 0 "
                                     "CONSTRAINT kind_已修否 CHECK (已修否 IN (-1, 0))', '已修否 INTEGER CONSTRAINT "
                                     "kind_已修否 CHECK (已修否 IS NULL OR 已修否 IN (-1, 0))') WHERE name = '客户信息'"))
            && q.numRowsAffected() == 1 && q.exec(QStringLiteral("PRAGMA writable_schema = OFF"))
            && q.exec(QStringLiteral("PRAGMA user_version = 0"));
        if (!done) {
            QTest::qFail("the schema of an earlier version could not be made", __FILE__, __LINE__);
            return nullptr;
        }
        // A new connection reads the changed schema.
        db.reset();
        auto reopened = store::Database::open(path);
        if (reopened.failed()) {
            QTest::qFail(qPrintable(QStringLiteral("opening %1: %2").arg(path, reopened.error().text)), __FILE__, __LINE__);
            return nullptr;
        }
        db = std::move(reopened).value();
    }
    if (const auto e = insertJobs(*db, jobs); e.failed()) {
        QTest::qFail(qPrintable(QStringLiteral("filling %1: %2").arg(path, e.error().text)), __FILE__, __LINE__);
        return nullptr;
    }
    return db;
}

} // namespace

std::unique_ptr<store::Database> createJobTable(const QString &folder, const QList<QVariantMap> &jobs,
                                                const QString &fileName)
{
    return createAndFill(QDir(folder).filePath(fileName.isEmpty() ? store::databaseFileName() : fileName), jobs,
                         false);
}

std::unique_ptr<store::Database> createEarlierJobTable(const QString &folder, const QList<QVariantMap> &jobs)
{
    return createAndFill(QDir(folder).filePath(store::databaseFileName()), jobs, true);
}
