// Store operations with the jobs on a PostgreSQL server over the loopback
// address, each beside the same statements sent raw through the same Qt
// driver. Run when CORVALE_BENCH_SERVER names an empty database (make bench
// starts a private server for it).
#include "bench.h"
#include "rawsqlite.h"
#include "setsteps.h"

#include "statistics/figures.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobcopy.h"
#include "store/jobwriter.h"
#include "store/sqldialect.h"
#include "store/recordset.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <stdexcept>

namespace bench {
namespace {

struct ServerFixture {
    std::unique_ptr<store::Database> db;
    std::unique_ptr<store::RecordSet> set;
    std::unique_ptr<store::JobWriter> writer;


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
        writer = std::make_unique<store::JobWriter>(*set);
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

// What a bare program does to move the file's jobs onto the server: every
// row read with sqlite3, sent in multi-row statements of one transaction
// through the same driver.
void rawMove(const QString &file)
{
    constexpr int kRows = 400;
    QStringList columns, marks;
    for (const store::FieldDef &f : store::fields()) {
        columns << store::quoted(f.name);
        marks << QStringLiteral("?");
    }
    const QString row = u'(' + marks.join(u',') + u')';
    const auto statement = [&](int rows) {
        QStringList all;
        for (int i = 0; i < rows; ++i)
            all << row;
        return QStringLiteral("INSERT INTO \"客户信息\" (%1) VALUES %2").arg(columns.join(u','), all.join(u','));
    };
    RawDb source(file);
    sqlite3_stmt *read = nullptr;
    if (sqlite3_prepare_v2(source.handle(), ("SELECT " + columns.join(u',').toStdString() + " FROM 客户信息 ORDER BY 编号").c_str(),
                           -1, &read, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(source.handle()));
    QSqlDatabase db = server().db->sql();
    db.transaction();
    QSqlQuery full(db);
    full.prepare(statement(kRows));
    QVariantList values;
    const auto send = [&](QSqlQuery &q) {
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
        values.clear();
    };
    const int n = int(columns.size());
    while (sqlite3_step(read) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(read, c));
            values << (t ? QVariant(QString::fromUtf8(t)) : QVariant());
        }
        if (values.size() == kRows * n)
            send(full);
    }
    sqlite3_finalize(read);
    if (!values.isEmpty()) {
        QSqlQuery rest(db);
        rest.prepare(statement(int(values.size()) / n));
        send(rest);
    }
    db.commit();
}

const QString kLastRow = QStringLiteral(
    "SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = (SELECT max(\"编号\") FROM \"客户信息\")");

// The statements a bare program would send for the same figures.
const char *const kRawFigures[] = {
    "SELECT SUM(CASE WHEN \"已修否\" = 0 THEN 1 ELSE 0 END),"
    " SUM(CASE WHEN \"已修否\" = 0 AND \"接货日期\" < '2024-12-24' THEN 1 ELSE 0 END),"
    " SUM(CASE WHEN \"已修否\" = 0 AND \"是否申请\" = '是' AND \"到货日期\" IS NULL THEN 1 ELSE 0 END),"
    " SUM(CASE WHEN \"已修否\" <> 0 AND \"发货日期\" IS NULL THEN 1 ELSE 0 END) FROM \"客户信息\"",
    "SELECT \"修理人员\", \"型号\", COUNT(*), SUM(CASE WHEN \"已修否\" <> 0 THEN 1 ELSE 0 END), COUNT(\"发货日期\"),"
    " SUM(\"合计\"), SUM(\"上门费\"), SUM(\"维修费\") FROM \"客户信息\""
    " WHERE \"接货日期\" BETWEEN '2020-01-01' AND '2020-12-31' GROUP BY 1, 2",
    "SELECT \"型号\", \"发货日期\"::date - \"接货日期\"::date, COUNT(*) FROM \"客户信息\""
    " WHERE \"接货日期\" BETWEEN '2020-01-01' AND '2020-12-31' AND \"发货日期\"::date >= \"接货日期\"::date GROUP BY 1, 2",
    "SELECT left(\"接货日期\", 7), \"型号\", COUNT(*) FROM \"客户信息\""
    " WHERE \"接货日期\" BETWEEN '2024-01-01' AND '2024-12-31' GROUP BY 1, 2",
};

bool registerServerCases()
{
    if (qEnvironmentVariableIsEmpty("CORVALE_BENCH_SERVER"))
        return false;
    const auto setUp = [](Context &ctx) { server().open(ctx); };
    Registrar open({QStringLiteral("server: open record set"), setUp,
                    [](Context &) { steps::wholeTableToLast(*server().set); },
                    [](Context &) {
                        server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" ORDER BY \"编号\""));
                        server().raw(kLastRow);
                    },
                    5, 300});
    Registrar search({QStringLiteral("server: number search"), setUp,
                      [](Context &) { steps::numberSearch(*server().set); },
                      [](Context &) {
                          server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" = 16384"));
                          server().raw(QStringLiteral("SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = 16384"));
                      },
                      9, 301});
    Registrar query({QStringLiteral("server: query: three conditions and a date range"), setUp,
                     [](Context &) { steps::threeConditionsAndDates(*server().set); },
                     [](Context &) {
                         server().raw(QStringLiteral(
                             "SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" <> 0 AND \"接货日期\" >= '2010-01-01' "
                             "AND \"接货日期\" <= '2020-12-31' AND \"客户姓名\" ~* '王' AND \"地址\" ~* '路' "
                             "AND \"型号\" ~* '新飞' ORDER BY \"编号\""));
                         server().raw(kLastRow);
                     },
                     5, 302});
    Registrar sort({QStringLiteral("server: sort by 接货日期 desc"), setUp,
                    [](Context &) { steps::sortByReceivedNewestFirst(*server().set); },
                    [](Context &) {
                        server().raw(QStringLiteral(
                            "SELECT \"编号\" FROM \"客户信息\" ORDER BY \"接货日期\" DESC NULLS LAST, \"编号\""));
                        server().raw(kLastRow);
                    },
                    5, 303});
    Registrar append({QStringLiteral("server: append and delete"), setUp,
                      [](Context &) {
                          auto &set = *server().set;
                          if (const auto e = set.setRecordSource(QStringLiteral("select * from 客户信息 where 编号=1")); e.failed())
                              throw std::runtime_error("source: " + e.error().text.toStdString());
                          const auto added = server().writer->appendJob(-100);
                          if (added.failed())
                              throw std::runtime_error("append: " + added.error().text.toStdString());
                          if (const auto e = set.moveLast(); e.failed())
                              throw std::runtime_error("last: " + e.error().text.toStdString());
                          if (const auto e = server().writer->deleteCurrent(); e.failed())
                              throw std::runtime_error("delete: " + e.error().text.toStdString() + " at " + std::to_string(set.absolutePosition()) + " of " + std::to_string(set.recordCount()));
                      },
                      [](Context &) {
                          server().raw(QStringLiteral("SELECT \"编号\" FROM \"客户信息\" WHERE \"编号\" = -100"));
                          server().raw(QStringLiteral("INSERT INTO \"客户信息\" (\"编号\") VALUES (-100) RETURNING \"编号\""));
                          server().raw(QStringLiteral("SELECT *, xmin::text FROM \"客户信息\" WHERE \"编号\" = -100"));
                          server().raw(QStringLiteral("DELETE FROM \"客户信息\" WHERE \"编号\" = -100"));
                      },
                      9, 304});
    Registrar move({QStringLiteral("server: move every job of the file onto the empty server"), setUp,
                    [](Context &ctx) {
                        auto file = store::Database::open(ctx.database);
                        check(file);
                        check(store::copyAllJobs(**file, *server().db));
                    },
                    [](Context &ctx) { rawMove(ctx.database); }, 1, 399,
                    [](Context &) { server().raw(QStringLiteral("DELETE FROM \"客户信息\"")); }});
    Registrar figures({QStringLiteral("server: statistics: every figure for a year"), setUp,
                       [](Context &) {
                           check(statistics::computeFigures(*server().db, {QDate(2020, 1, 1), QDate(2020, 12, 31)},
                                                            QDate(2024, 12, 31), 7));
                       },
                       [](Context &) {
                           for (const char *sql : kRawFigures)
                               server().raw(QString::fromUtf8(sql));
                       },
                       5, 305});
    return true;
}

const bool registered = registerServerCases();

} // namespace
} // namespace bench
