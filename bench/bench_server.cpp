// Store operations with the jobs on a PostgreSQL server over the loopback
// address, each beside the same statements sent raw through the same Qt
// driver. Run when CORVALE_BENCH_SERVER names an empty database (make bench
// starts a private server for it).
#include "bench.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"
#include "store/recordset.h"

#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <stdexcept>

namespace bench {
namespace {

struct ServerFixture {
    std::unique_ptr<store::Database> db;
    std::unique_ptr<store::RecordSet> set;


    // The generated table copied onto the server once.
    void open(const Context &ctx)
    {
        if (db)
            return;
        auto opened = store::Database::open(qEnvironmentVariable("CORVALE_BENCH_SERVER"));
        if (opened.failed())
            throw std::runtime_error(opened.error().text.toStdString());
        db = std::move(opened).value();
        auto fileOpened = store::Database::open(ctx.database);
        if (fileOpened.failed())
            throw std::runtime_error(fileOpened.error().text.toStdString());
        auto file = std::move(fileOpened).value();
        if (const auto copied = store::copyAllJobs(*file, *db); copied.failed())
            throw std::runtime_error(copied.error().text.toStdString());
        set = std::make_unique<store::RecordSet>(*db);
        check(set->setRecordSource(QStringLiteral("客户信息")));
    }

    // A statement sent as it stands, every row and column read.
    void raw(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery q(db->sql());
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw std::runtime_error(q.lastError().text().toStdString());
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
        const int columns = q.record().count();
        while (q.next())
            for (int c = 0; c < columns; ++c)
                (void)q.value(c);
    }
};

ServerFixture &server()
{
    static ServerFixture f;
    return f;
}

const QString kLastRow = QStringLiteral(
    "SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = (SELECT max(\"编号\") FROM \"客户信息\")");

bool registerServerCases()
{
    if (qEnvironmentVariableIsEmpty("CORVALE_BENCH_SERVER"))
        return false;
    const auto setUp = [](Context &ctx) { server().open(ctx); };
    Registrar open({QStringLiteral("server: open record set"), setUp,
                    [](Context &) {
                        auto &set = *server().set;
                        check(set.setRecordSource(QStringLiteral("客户信息")));
                        check(set.moveLast());
                        (void)set.current();
                    },
                    [](Context &) {
                        server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" ORDER BY \"编号\""));
                        server().raw(kLastRow);
                    },
                    5, 200});
    Registrar search({QStringLiteral("server: number search"), setUp,
                      [](Context &) {
                          auto &set = *server().set;
                          check(set.findFirst(QStringLiteral("编号 =16384")));
                          (void)set.current();
                      },
                      [](Context &) {
                          server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" = 16384"));
                          server().raw(QStringLiteral("SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = 16384"));
                      },
                      9, 201});
    Registrar query({QStringLiteral("server: query: three conditions and a date range"), setUp,
                     [](Context &) {
                         auto &set = *server().set;
                         check(set.setRecordSource(QStringLiteral(
                             "select * from 客户信息 where 编号<>0 and 接货日期 >= #2010-1-1# and 接货日期 <= #2020-12-31#"
                             " and 客户姓名 Like '*王*' and 地址 Like '*路*' and 型号 Like '*新飞*'")));
                         check(set.moveLast());
                         (void)set.current();
                     },
                     [](Context &) {
                         server().raw(QStringLiteral(
                             "SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" <> 0 AND \"接货日期\" >= '2010-01-01' "
                             "AND \"接货日期\" <= '2020-12-31' AND \"客户姓名\" ~* '王' AND \"地址\" ~* '路' "
                             "AND \"型号\" ~* '新飞' ORDER BY \"编号\""));
                         server().raw(kLastRow);
                     },
                     5, 202});
    Registrar sort({QStringLiteral("server: sort by 接货日期 desc"), setUp,
                    [](Context &) {
                        auto &set = *server().set;
                        check(set.setRecordSource(QStringLiteral("select * from 客户信息 order by 接货日期 desc")));
                        check(set.moveLast());
                        (void)set.current();
                    },
                    [](Context &) {
                        server().raw(QStringLiteral(
                            "SELECT \"编号\" FROM \"客户信息\" ORDER BY \"接货日期\" DESC NULLS LAST, \"编号\""));
                        server().raw(kLastRow);
                    },
                    5, 203});
    Registrar append({QStringLiteral("server: append and delete"), setUp,
                      [](Context &) {
                          auto &set = *server().set;
                          if (const auto e = set.setRecordSource(QStringLiteral("select * from 客户信息 where 编号=1")); e.failed())
                              throw std::runtime_error("source: " + e.error().text.toStdString());
                          const auto added = set.appendJob(-100);
                          if (added.failed())
                              throw std::runtime_error("append: " + added.error().text.toStdString());
                          if (const auto e = set.moveLast(); e.failed())
                              throw std::runtime_error("last: " + e.error().text.toStdString());
                          if (const auto e = set.deleteCurrent(); e.failed())
                              throw std::runtime_error("delete: " + e.error().text.toStdString() + " at " + std::to_string(set.absolutePosition()) + " of " + std::to_string(set.recordCount()));
                      },
                      [](Context &) {
                          server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" = -100"));
                          server().raw(QStringLiteral("INSERT INTO \"客户信息\" (\"编号\") VALUES (-100) RETURNING \"编号\""));
                          server().raw(QStringLiteral("SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = -100"));
                          server().raw(QStringLiteral("DELETE FROM \"客户信息\" WHERE \"编号\" = -100"));
                      },
                      9, 204});
    return true;
}

const bool registered = registerServerCases();

} // namespace
} // namespace bench
