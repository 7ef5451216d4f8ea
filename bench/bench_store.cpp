// Store operations at full size, each beside raw SQLite doing the same work.
#include "bench.h"
#include "rawsqlite.h"
#include "setsteps.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jobwriter.h"
#include "store/recordset.h"

#include <memory>
#include <stdexcept>

namespace bench {
namespace {

struct StoreFixture {
    std::unique_ptr<store::Database> db;
    std::unique_ptr<store::RecordSet> set;
    std::unique_ptr<store::JobWriter> writer;
    std::unique_ptr<RawDb> raw;

    void open(const Context &ctx)
    {
        writer.reset();
        set.reset();
        auto opened = store::Database::open(ctx.database);
        if (opened.failed())
            throw std::runtime_error(opened.error().text.toStdString());
        db = std::move(opened).value();
        set = std::make_unique<store::RecordSet>(*db);
        writer = std::make_unique<store::JobWriter>(*set);
        check(set->setRecordSource(QStringLiteral("客户信息")));
        raw = std::make_unique<RawDb>(ctx.database);
    }
};

StoreFixture &fixture()
{
    static StoreFixture f;
    return f;
}

// Cases may run alone (a name filter), so each opens the fixture if needed.
void ensureStore(Context &ctx)
{
    if (!fixture().set)
        fixture().open(ctx);
}

const std::string kKeys = "SELECT rowid FROM 客户信息 ORDER BY rowid";
const std::string kRow = "SELECT * FROM 客户信息 WHERE rowid = ?";
const std::string kLastRow = "SELECT * FROM 客户信息 WHERE rowid = (SELECT max(rowid) FROM 客户信息)";

Registrar openSet({
    QStringLiteral("open record set"),
    nullptr,
    [](Context &ctx) {
        fixture().open(ctx);
        check(fixture().set->moveLast());
        (void)fixture().set->current();
    },
    [](Context &ctx) {
        RawDb raw(ctx.database);
        raw.readAll(kKeys);
        raw.readAll(kLastRow);
    },
    5, 10});

Registrar refresh({
    QStringLiteral("refresh"),
    ensureStore,
    [](Context &) { steps::wholeTableToLast(*fixture().set); },
    [](Context &) {
        fixture().raw->readAll(kKeys);
        fixture().raw->readAll(kLastRow);
    },
    5, 20});

Registrar firstToLast({
    QStringLiteral("first→last"),
    ensureStore,
    [](Context &) {
        auto &set = *fixture().set;
        check(set.moveFirst());
        (void)set.current();
        check(set.moveLast());
        (void)set.current();
    },
    [](Context &) {
        fixture().raw->readAll(kRow, {"1"});
        fixture().raw->readAll(kLastRow);
    },
    9, 30});

Registrar pageSweep({
    QStringLiteral("record set walk of every row"),
    ensureStore,
    [](Context &) {
        auto &set = *fixture().set;
        check(set.moveFirst());
        while (!set.eof()) {
            (void)set.current();
            check(set.moveNext());
        }
    },
    [](Context &) {
        auto &raw = *fixture().raw;
        for (int i = 1; i <= 32767; ++i)
            raw.readAll(kRow, {std::to_string(i)});
    },
    1, 40});

Registrar numberSearch({
    QStringLiteral("number search"),
    ensureStore,
    [](Context &) { steps::numberSearch(*fixture().set); },
    [](Context &) { fixture().raw->readAll("SELECT * FROM 客户信息 WHERE 编号 = 16384"); },
    9, 50});

Registrar query({
    QStringLiteral("query: three conditions and a date range"),
    ensureStore,
    [](Context &) { steps::threeConditionsAndDates(*fixture().set); },
    [](Context &) {
        // The same rows: a date compares only when the text is a real date,
        // as the program's file holds dates older programs wrote.
        fixture().raw->readAll(
            "SELECT rowid FROM 客户信息 WHERE 编号<>0 AND 接货日期 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'"
            " AND date(接货日期, '+0 days') IS 接货日期 AND 接货日期 >= '2010-01-01' AND 接货日期 <= '2020-12-31'"
            " AND 客户姓名 LIKE '%王%' AND 地址 LIKE '%路%' AND 型号 LIKE '%新飞%' ORDER BY rowid");
        fixture().raw->readAll(kLastRow);
    },
    5, 60});

Registrar sort({
    QStringLiteral("sort by 接货日期 desc"),
    ensureStore,
    [](Context &) { steps::sortByReceivedNewestFirst(*fixture().set); },
    [](Context &) {
        fixture().raw->readAll("SELECT rowid FROM 客户信息 ORDER BY 接货日期 DESC, rowid");
        fixture().raw->readAll(kRow, {"1"});
    },
    5, 70});

// Writes: the record set's own append, copy and delete, each one committed
// transaction, beside the same statement committed by raw SQLite. Numbers
// 32100..32399 are freed first so both sides have room.
void freeWriteNumbers(Context &ctx)
{
    ensureStore(ctx);
    RawDb raw(ctx.database);
    raw.exec("DELETE FROM 客户信息 WHERE 编号 >= 32100 AND 编号 < 32400");
    check(fixture().set->refresh());
}

int storeNumber = 32100; // the record set's side
int rawNumber = 32300;   // raw SQLite's side

Registrar storeAppend({
    QStringLiteral("store append"),
    freeWriteNumbers,
    [](Context &) {
        auto &set = *fixture().set;
        check(set.addNew());
        set.setValue(QStringLiteral("编号"), storeNumber++);
        set.setValue(QStringLiteral("客户姓名"), QStringLiteral("王五"));
        check(fixture().writer->save());
    },
    [](Context &) {
        fixture().raw->exec("INSERT INTO 客户信息 (编号, 客户姓名, 配件, Photo) VALUES ("
                            + std::to_string(rawNumber++) + ", '王五', '', '')");
    },
    5, 80});

Registrar storeCopy({
    QStringLiteral("store copy"),
    [](Context &ctx) {
        ensureStore(ctx);
        check(fixture().set->findFirst(QStringLiteral("编号 =100")));
    },
    [](Context &) {
        check(fixture().writer->copyCurrent(qint16(storeNumber++), {{QStringLiteral("故障修理"), QString()}}));
    },
    [](Context &) {
        QStringList columns = store::fieldNames();
        columns.replace(0, QString::number(rawNumber++));
        columns.replace(columns.indexOf(QStringLiteral("故障修理")), QStringLiteral("NULL"));
        fixture().raw->exec(QStringLiteral("INSERT INTO 客户信息 (%1) SELECT %2 FROM 客户信息 WHERE 编号 = 100")
                                .arg(store::fieldNames().join(u','), columns.join(u','))
                                .toStdString());
    },
    5, 81});

Registrar storeDelete({
    QStringLiteral("store delete"),
    ensureStore,
    [](Context &) {
        auto &set = *fixture().set;
        check(set.findFirst(QStringLiteral("编号 =%1").arg(--storeNumber)));
        check(fixture().writer->deleteCurrent());
    },
    [](Context &) {
        fixture().raw->exec("DELETE FROM 客户信息 WHERE 编号 = " + std::to_string(--rawNumber));
    },
    5, 82});

} // namespace
} // namespace bench
