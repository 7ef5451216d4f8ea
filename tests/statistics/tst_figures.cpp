// The owner's figures against counts this test makes itself over the rows it
// wrote, awkward rows included, on the file and on the server; and the jobs a
// figure opens are exactly the jobs it counted.
#include "common/textrules.h"
#include "statistics/figures.h"
#include "store/jetsql.h"
#include "support/coretestapp.h"
#include "support/datafolder.h"
#include "support/jobtable.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <set>

using namespace statistics;

namespace {

const QDate kToday(2026, 12, 9);
const int kOverdueDays = 7;
const Period kPeriod{QDate(2026, 11, 20), QDate(2026, 12, 19)};

// A model as a clerk typed it, and the brand the owner expects it under.
struct Model {
    QVariant stored;
    QString brand;
};

const QList<Model> &models()
{
    static const QList<Model> all = {
        {QStringLiteral("新飞BCD-182"), QStringLiteral("新飞")},
        {QStringLiteral("新飞"), QStringLiteral("新飞")},
        {QStringLiteral("新飞利浦 KFR"), QStringLiteral("新飞利浦")},
        {QStringLiteral("海尔KFR-35GW"), QStringLiteral("海尔")},
        {QStringLiteral("BCD-新飞"), QStringLiteral("（其他）")},
        {QStringLiteral(" 海尔"), QStringLiteral("（其他）")},
        {QString(""), QStringLiteral("（其他）")},
        {QVariant(), QStringLiteral("（其他）")},
    };
    return all;
}

// One job as written, with what the test reads of it.
struct Job {
    int number = 0;
    QVariant received, shipped, arrived; // stored text, or NULL
    QVariant repaired;                   // -1, 0 or NULL
    QVariant repairer;
    int model = 0;
    QString applied;
    QVariant total, visit, repair;       // a number, text an older program left, or NULL

    QVariantMap stored() const
    {
        return makeJob(number, {{"接货日期", received}, {"发货日期", shipped}, {"到货日期", arrived},
                                {"已修否", repaired}, {"修理人员", repairer}, {"型号", models().at(model).stored},
                                {"是否申请", applied}, {"合计", total}, {"上门费", visit}, {"维修费", repair}});
    }
};

std::optional<QDate> dateIn(const QVariant &stored)
{
    const QString text = stored.toString();
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return stored.isNull() || text.size() != 10 || !d.isValid() ? std::nullopt : std::optional<QDate>(d);
}
bool isEmpty(const QVariant &v) { return v.isNull() || v.toString().isEmpty(); }
bool isRepaired(const Job &j) { return !j.repaired.isNull() && j.repaired.toInt() != 0; }
bool inPeriod(const Job &j, const Period &p)
{
    const auto d = dateIn(j.received);
    return d && *d >= p.from && *d <= p.to;
}
bool isNumber(const QVariant &v) { return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int; }
QString repairerOf(const Job &j)
{
    return isEmpty(j.repairer) ? QStringLiteral("（未填）") : j.repairer.toString().toLower();
}

// Jobs in every combination the figures distinguish, a stride through each
// list so that the combinations mix; the awkward values an older program
// leaves only where the store can hold them.
QList<Job> shopJobs(bool olderFile)
{
    const QList<QVariant> repairers = {QStringLiteral("王师傅"), QStringLiteral("李师傅"), QString(""), QVariant(),
                                       QStringLiteral("Li"), QStringLiteral("LI"), QStringLiteral("张师傅")};
    QList<Job> jobs;
    for (int n = 1; n <= 160; ++n) {
        Job j;
        j.number = n;
        const int back = (n * 37) % 420 - 20; // days before today; a few after it
        const QDate in = kToday.addDays(-back);
        j.received = common::isoDate(in);
        if (n % 23 == 0)
            j.received = QVariant();
        const int took = n % 6 == 1 ? -2 : (n * 13) % 45; // some shipped before they came in
        j.shipped = n % 5 == 0 ? QVariant() : QVariant(common::isoDate(in.addDays(took)));
        j.arrived = n % 3 == 0 ? QVariant() : QVariant(common::isoDate(in.addDays(2)));
        j.repaired = n % 11 == 0 ? QVariant() : QVariant(n % 2 ? -1 : 0);
        j.repairer = repairers.at(n % repairers.size());
        j.model = n % models().size();
        j.applied = n % 4 == 0 ? QStringLiteral("是") : (n % 4 == 1 ? QStringLiteral("否") : QString());
        j.total = n % 17 == 0 ? QVariant() : QVariant(n * 10.5 + 0.05);
        j.visit = QVariant(double(n % 3) * 10);
        j.repair = n % 13 == 0 ? QVariant() : QVariant(n * 1.25);
        if (olderFile) {
            if (n % 19 == 0)
                j.received = QStringLiteral("超保");
            if (n % 29 == 0)
                j.received = QStringLiteral("2026-02-30");
            if (n % 31 == 0)
                j.received = QString("");
            if (n % 37 == 0)
                j.shipped = QStringLiteral("超保");
            if (n % 41 == 0)
                j.arrived = QString("");
            if (n % 7 == 0)
                j.total = QStringLiteral("一百");
            if (n % 9 == 0)
                j.repair = QStringLiteral("150元");
        }
        jobs << j;
    }
    // On the edges: exactly the days allowed and one more; the period's ends.
    const QList<QDate> edges = {kToday.addDays(-kOverdueDays), kToday.addDays(-kOverdueDays - 1), kPeriod.from,
                                kPeriod.to, kPeriod.from.addDays(-1), kPeriod.to.addDays(1)};
    for (const QDate &day : edges) {
        Job j;
        j.number = int(jobs.size()) + 1;
        j.received = common::isoDate(day);
        j.repaired = 0;
        jobs << j;
    }
    return jobs;
}

std::unique_ptr<store::Database> writeJobs(const QString &folder, const QList<Job> &jobs, bool olderFile)
{
    QList<QVariantMap> plain;
    for (Job j : jobs) {
        // What the store refuses goes in afterwards, past its checks.
        if (olderFile)
            for (QVariant *v : {&j.received, &j.shipped, &j.arrived, &j.total, &j.repair})
                if (!v->isNull() && !isNumber(*v) && !dateIn(*v))
                    *v = QVariant();
        plain << j.stored();
    }
    auto db = createEarlierJobTable(folder, plain);
    if (!db || !olderFile)
        return db;
    QSqlQuery q(db->sql());
    if (!q.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")))
        return nullptr;
    for (const Job &j : jobs)
        for (const auto &[field, value] : {std::pair{"接货日期", j.received}, {"发货日期", j.shipped}, {"到货日期", j.arrived},
                                           {"合计", j.total}, {"维修费", j.repair}}) {
            if (value.isNull() || isNumber(value) || dateIn(value))
                continue;
            q.prepare(QStringLiteral("UPDATE 客户信息 SET \"%1\" = ? WHERE 编号 = ?").arg(QString::fromUtf8(field)));
            q.addBindValue(value.toString());
            q.addBindValue(j.number);
            if (!q.exec())
                return nullptr;
        }
    return db;
}

std::set<int> numbersOf(const QList<Job> &jobs, const std::function<bool(const Job &)> &keep)
{
    std::set<int> out;
    for (const Job &j : jobs)
        if (keep(j))
            out.insert(j.number);
    return out;
}

std::set<int> numbersSelected(const store::Database &db, const QString &source)
{
    const auto t = store::translateJet(source, db.engine());
    if (t.failed()) {
        qWarning() << source << t.error().text;
        return {-1};
    }
    QSqlQuery q(db.sql());
    q.prepare(t->sql);
    for (const QVariant &p : t->params)
        q.addBindValue(p);
    std::set<int> out;
    if (!q.exec())
        return {-2};
    while (q.next())
        out.insert(q.value(QStringLiteral("编号")).toInt());
    return out;
}

double sumOf(const QList<Job> &jobs, const std::function<QVariant(const Job &)> &value)
{
    double sum = 0;
    for (const Job &j : jobs)
        if (isNumber(value(j)))
            sum += value(j).toDouble();
    return sum;
}

bool near(double a, double b) { return std::abs(a - b) < 0.005; }

std::optional<double> median(QList<int> days)
{
    if (days.isEmpty())
        return std::nullopt;
    std::sort(days.begin(), days.end());
    return (days.at((days.size() - 1) / 2) + days.at(days.size() / 2)) / 2.0;
}

} // namespace

class TestFigures : public QObject {
    Q_OBJECT
private slots:
    void brandIsTheLeadingChineseOfTheModel();
    void figuresEqualTheRowsCountedHere_data();
    void figuresEqualTheRowsCountedHere();
    void aPeriodWithoutJobsGivesNothing();
    void figuresComeBackWithTheServer();
};

void TestFigures::brandIsTheLeadingChineseOfTheModel()
{
    for (const Model &m : models())
        QCOMPARE(brandOf(m.stored.toString()), m.brand);
    QCOMPARE(brandOf(QStringLiteral("𠀀新飞")), otherBrand()); // beyond the ideographs a brand is written in
}

void TestFigures::figuresEqualTheRowsCountedHere_data()
{
    QTest::addColumn<bool>("olderFile");
    QTest::newRow("as the program writes") << false;
    if (!onServer())
        QTest::newRow("as an older program left it") << true;
}

void TestFigures::figuresEqualTheRowsCountedHere()
{
    QFETCH(bool, olderFile);
    DataFolder folder;
    const QList<Job> jobs = shopJobs(olderFile);
    const auto db = writeJobs(folder.path(), jobs, olderFile);
    QVERIFY(db);
    const auto computed = computeFigures(*db, kPeriod, kToday, kOverdueDays);
    QVERIFY2(computed.ok(), qPrintable(computed.error().wholeText()));
    const ShopFigures &f = *computed;

    // Now, over the whole table; each figure opens exactly its jobs.
    const auto open = [](const Job &j) { return !isRepaired(j); };
    const std::map<Figure, std::function<bool(const Job &)>> expected = {
        {Figure::Open, open},
        {Figure::Overdue, [&](const Job &j) { return open(j) && dateIn(j.received) && dateIn(j.received)->daysTo(kToday) > kOverdueDays; }},
        {Figure::AwaitingParts, [&](const Job &j) { return open(j) && j.applied == QStringLiteral("是") && isEmpty(j.arrived); }},
        {Figure::RepairedNotCollected, [](const Job &j) { return isRepaired(j) && isEmpty(j.shipped); }},
        {Figure::Received, [](const Job &j) { return inPeriod(j, kPeriod); }},
        {Figure::Repaired, [](const Job &j) { return inPeriod(j, kPeriod) && isRepaired(j); }},
        {Figure::Shipped, [](const Job &j) { return inPeriod(j, kPeriod) && !isEmpty(j.shipped); }},
    };
    const std::map<Figure, int> shown = {
        {Figure::Open, f.now.open}, {Figure::Overdue, f.now.overdue}, {Figure::AwaitingParts, f.now.awaitingParts},
        {Figure::RepairedNotCollected, f.now.repairedNotCollected}, {Figure::Received, f.inPeriod.received},
        {Figure::Repaired, f.inPeriod.repaired}, {Figure::Shipped, f.inPeriod.shipped}};
    for (const auto &[figure, keep] : expected) {
        const std::set<int> numbers = numbersOf(jobs, keep);
        QVERIFY(!numbers.empty());
        QCOMPARE(shown.at(figure), int(numbers.size()));
        QCOMPARE(numbersSelected(*db, figureSource(figure, f)), numbers);
    }
    const QList<Job> received = [&] {
        QList<Job> in;
        for (const Job &j : jobs)
            if (inPeriod(j, kPeriod))
                in << j;
        return in;
    }();
    QVERIFY(near(f.inPeriod.total, sumOf(received, [](const Job &j) { return j.total; })));

    // What could not take part is counted, not guessed.
    QCOMPARE(f.leftOut.undatedJobs, int(numbersOf(jobs, [](const Job &j) { return !dateIn(j.received); }).size()));
    const auto textIn = [&](auto field) {
        return int(std::count_if(received.cbegin(), received.cend(), [&](const Job &j) {
            const QVariant v = field(j);
            return !v.isNull() && !isNumber(v) && !v.toString().isEmpty();
        }));
    };
    QCOMPARE(f.leftOut.totalNotNumber, textIn([](const Job &j) { return j.total; }));
    QCOMPARE(f.leftOut.repairFeeNotNumber, textIn([](const Job &j) { return j.repair; }));
    QCOMPARE(f.leftOut.visitFeeNotNumber, 0);
    QCOMPARE(f.leftOut.totalNotNumber > 0, olderFile);

    // By repairer: the store tells Latin names apart without regard to case.
    QMap<QString, QList<Job>> byRepairer;
    for (const Job &j : received)
        byRepairer[repairerOf(j)] << j;
    QCOMPARE(f.repairers.size(), byRepairer.size());
    for (int r = 0; r < f.repairers.size(); ++r) {
        const RepairerRow &row = f.repairers.at(r);
        const QList<Job> mine = byRepairer.value(row.repairer == unnamedRepairer() ? row.repairer : row.repairer.toLower());
        QCOMPARE(row.received, int(mine.size()));
        if (r > 0)
            QVERIFY(f.repairers.at(r - 1).received >= row.received);
        QCOMPARE(row.repaired, int(std::count_if(mine.cbegin(), mine.cend(), isRepaired)));
        QVERIFY(near(row.total, sumOf(mine, [](const Job &j) { return j.total; })));
        QVERIFY(near(row.visitFees, sumOf(mine, [](const Job &j) { return j.visit; })));
        QVERIFY(near(row.repairFees, sumOf(mine, [](const Job &j) { return j.repair; })));
        QCOMPARE(numbersSelected(*db, repairerSource(row.repairer, f)),
                 numbersOf(mine, [](const Job &) { return true; }));
    }

    // By brand, with the turnaround of jobs shipped on or after they came in.
    QMap<QString, QList<Job>> byBrand;
    for (const Job &j : received)
        byBrand[models().at(j.model).brand] << j;
    QCOMPARE(f.brands.size(), byBrand.size());
    int untimed = 0;
    QMap<int, int> daysSeen;
    for (const BrandRow &row : f.brands) {
        const QList<Job> mine = byBrand.value(row.brand);
        QCOMPARE(row.received, int(mine.size()));
        QCOMPARE(row.repaired, int(std::count_if(mine.cbegin(), mine.cend(), isRepaired)));
        QVERIFY(near(row.total, sumOf(mine, [](const Job &j) { return j.total; })));
        QList<int> days;
        for (const Job &j : mine) {
            const auto out = dateIn(j.shipped);
            const int took = out ? int(dateIn(j.received)->daysTo(*out)) : -1;
            if (took >= 0) {
                days << took;
                ++daysSeen[took];
            } else if (!isEmpty(j.shipped)) {
                ++untimed;
            }
        }
        QCOMPARE(row.timed, int(days.size()));
        QCOMPARE(row.medianDays, median(days));
        if (days.isEmpty())
            QVERIFY(!row.meanDays);
        else
            QVERIFY(std::abs(*row.meanDays - std::accumulate(days.cbegin(), days.cend(), 0.0) / days.size()) < 1e-9);
        QCOMPARE(numbersSelected(*db, brandSource(row.brand, f)), numbersOf(mine, [](const Job &) { return true; }));
    }
    QVERIFY(untimed > 0);
    QCOMPARE(f.leftOut.untimed, untimed);
    int binned = 0;
    for (const TurnaroundBin &bin : f.turnaround) {
        int jobsIn = 0;
        for (auto it = daysSeen.cbegin(); it != daysSeen.cend(); ++it)
            jobsIn += it.key() >= bin.fromDays && it.key() <= bin.toDays ? it.value() : 0;
        QCOMPARE(bin.jobs, jobsIn);
        binned += bin.jobs;
    }
    QCOMPARE(binned, std::accumulate(daysSeen.cbegin(), daysSeen.cend(), 0));

    // Twelve months up to this one, by brand.
    QCOMPARE(f.monthly.months.size(), 12);
    QCOMPARE(f.monthly.months.last(), QDate(2026, 12, 1));
    int counted = 0;
    for (int m = 0; m < 12; ++m)
        for (int b = 0; b < f.monthly.brands.size(); ++b) {
            const int here = int(std::count_if(jobs.cbegin(), jobs.cend(), [&](const Job &j) {
                const auto d = dateIn(j.received);
                return d && d->year() == f.monthly.months.at(m).year() && d->month() == f.monthly.months.at(m).month()
                    && models().at(j.model).brand == f.monthly.brands.at(b);
            }));
            QCOMPARE(f.monthly.counts.at(m).at(b), here);
            counted += here;
        }
    QVERIFY(counted > f.inPeriod.received);
}

void TestFigures::aPeriodWithoutJobsGivesNothing()
{
    DataFolder folder;
    const QList<Job> jobs = shopJobs(false);
    const auto db = writeJobs(folder.path(), jobs, false);
    QVERIFY(db);
    const Period empty{QDate(1990, 1, 1), QDate(1990, 12, 31)};
    const auto f = computeFigures(*db, empty, kToday, kOverdueDays);
    QVERIFY(f.ok());
    QCOMPARE(f->inPeriod.received + f->inPeriod.repaired + f->inPeriod.shipped, 0);
    QCOMPARE(f->inPeriod.total, 0.0);
    QVERIFY(f->repairers.isEmpty() && f->brands.isEmpty());
    QVERIFY(std::all_of(f->turnaround.cbegin(), f->turnaround.cend(), [](const TurnaroundBin &b) { return b.jobs == 0; }));
    QCOMPARE(f->now.open, int(numbersOf(jobs, [](const Job &j) { return !isRepaired(j); }).size()));
    QVERIFY(numbersSelected(*db, figureSource(Figure::Received, *f)).empty());
}

// The server away while the figures are asked for, then back: the next look
// connects again by itself, as the workspace's next step does.
void TestFigures::figuresComeBackWithTheServer()
{
    if (!onServer())
        QSKIP("a case of the test's PostgreSQL server");
    DataFolder folder;
    const auto db = writeJobs(folder.path(), shopJobs(false), false);
    QVERIFY(db);
    const auto before = computeFigures(*db, kPeriod, kToday, kOverdueDays);
    QVERIFY(before.ok());
    // The server's keeper works from another database: its own cannot be closed to itself.
    const QUrl server(qEnvironmentVariable("CORVALE_TEST_POSTGRES"));
    const QString database = server.path().mid(1);
    QSqlDatabase keeper = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("keeper"));
    const auto closeKeeper = qScopeGuard([&keeper] {
        keeper.close();
        keeper = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("keeper"));
    });
    keeper.setHostName(server.host());
    keeper.setPort(server.port());
    keeper.setUserName(server.userName());
    keeper.setDatabaseName(QStringLiteral("template1"));
    QVERIFY2(keeper.open(), qPrintable(keeper.lastError().text()));
    QSqlQuery q(keeper);
    QSqlQuery pid(db->sql());
    QVERIFY(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
    const int backend = pid.value(0).toInt();
    pid.finish();
    // Away: the desk's connection dropped and no new one let in.
    const auto letIn = [&](bool allowed) {
        return q.exec(QStringLiteral("ALTER DATABASE \"%1\" ALLOW_CONNECTIONS %2")
                          .arg(database, allowed ? QStringLiteral("true") : QStringLiteral("false")));
    };
    const auto back = qScopeGuard([&] { letIn(true); });
    QVERIFY2(letIn(false), qPrintable(q.lastError().text()));
    QVERIFY(q.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend)));
    QVERIFY(computeFigures(*db, kPeriod, kToday, kOverdueDays).failed());
    QVERIFY(letIn(true));
    const auto after = computeFigures(*db, kPeriod, kToday, kOverdueDays);
    QVERIFY2(after.ok(), qPrintable(after.error().wholeText()));
    QCOMPARE(after->now.open, before->now.open);
    QCOMPARE(after->inPeriod.received, before->inPeriod.received);
    QCOMPARE(after->inPeriod.total, before->inPeriod.total);
}

CORVALE_CORE_TEST_MAIN(TestFigures)
#include "tst_figures.moc"
