#include "statistics/figures.h"

#include "common/textrules.h"
#include "store/chineseorder.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"

#include <QHash>
#include <QMap>
#include <QSqlQuery>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <numeric>

namespace statistics {

// ------------------------------------------------------------ brands

namespace {

// CJK ideographs, the extension A block included: what a brand is written in.
constexpr char16_t kFirstHan = 0x3400;
constexpr char16_t kLastHan = 0x9FFF;

bool isHan(QChar c) { return c.unicode() >= kFirstHan && c.unicode() <= kLastHan; }

// The same run of characters as a Jet pattern class.
QString hanClass(bool negated)
{
    return QStringLiteral("[%1%2-%3]").arg(negated ? QStringLiteral("!") : QString(), QChar(kFirstHan), QChar(kLastHan));
}

} // namespace

QString otherBrand() { return QStringLiteral("（其他）"); }
QString unnamedRepairer() { return QStringLiteral("（未填）"); }

QString brandOf(const QString &model)
{
    qsizetype run = 0;
    while (run < model.size() && isHan(model.at(run)))
        ++run;
    return run == 0 ? otherBrand() : model.left(run);
}

// ------------------------------------------------------------ the jobs behind each figure

namespace {

QString jetDate(const QDate &date) { return u'#' + common::isoDate(date) + u'#'; }
QString jetText(QString text) { return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\''; }

QString receivedIn(const Period &period)
{
    return QStringLiteral("接货日期 >= %1 and 接货日期 <= %2").arg(jetDate(period.from), jetDate(period.to));
}

const QString kRepaired = QStringLiteral("已修否");
const QString kShipped = QStringLiteral("发货日期 Is Not Null");

QString nowCondition(Figure figure, const ShopFigures &f)
{
    switch (figure) {
    case Figure::Open:
        return QStringLiteral("not 已修否");
    case Figure::Overdue:
        // More than N days before today: today − received > N.
        return QStringLiteral("not 已修否 and 接货日期 < %1").arg(jetDate(f.today.addDays(-f.overdueDays)));
    case Figure::AwaitingParts:
        return QStringLiteral("not 已修否 and 是否申请 = '是' and 到货日期 Is Null");
    case Figure::RepairedNotCollected:
        return QStringLiteral("已修否 and 发货日期 Is Null");
    case Figure::Received:
        return receivedIn(f.period);
    case Figure::Repaired:
        return receivedIn(f.period) + QStringLiteral(" and ") + kRepaired;
    case Figure::Shipped:
        return receivedIn(f.period) + QStringLiteral(" and ") + kShipped;
    }
    return {};
}

QString repairerCondition(const QString &repairer)
{
    return repairer == unnamedRepairer() ? QStringLiteral("(修理人员 Is Null or 修理人员 = '')")
                                         : QStringLiteral("修理人员 = %1").arg(jetText(repairer));
}

// Exactly the models brandOf() gives brand for.
QString brandCondition(const QString &brand)
{
    if (brand == otherBrand())
        return QStringLiteral("(型号 Is Null or 型号 = '' or 型号 Like '%1*')").arg(hanClass(true));
    return QStringLiteral("(型号 Like %1 or 型号 Like %2)").arg(jetText(brand), jetText(brand + hanClass(true) + u'*'));
}

QString sourceOf(const QString &condition)
{
    return QStringLiteral("select * from 客户信息 where ") + condition + QStringLiteral(" order by 编号");
}

} // namespace

QString figureSource(Figure figure, const ShopFigures &figures) { return sourceOf(nowCondition(figure, figures)); }

QString repairerSource(const QString &repairer, const ShopFigures &figures)
{
    return sourceOf(receivedIn(figures.period) + QStringLiteral(" and ") + repairerCondition(repairer));
}

QString brandSource(const QString &brand, const ShopFigures &figures)
{
    return sourceOf(receivedIn(figures.period) + QStringLiteral(" and ") + brandCondition(brand));
}

// ------------------------------------------------------------ SQL

namespace {

struct Statement {
    QString sql;
    QVariantList params;
};

// A Jet condition as the engine's SQL; the conditions here are the
// program's own, so a refusal is a fault of this file.
common::Result<Statement> sqlOf(const QString &condition, store::Engine engine)
{
    const auto t = store::translateJetCondition(condition, engine);
    if (t.failed())
        return t.error();
    return Statement{t->sql, t->params};
}

// The parts of one statement, each a piece of SQL with its parameters in order.
class StatementBuilder {
public:
    explicit StatementBuilder(store::Engine engine) : m_engine(engine) {}

    // SUM(CASE WHEN condition THEN 1 ELSE 0 END)
    common::Result<void> countWhere(const QString &condition)
    {
        const auto s = sqlOf(condition, m_engine);
        if (s.failed())
            return s.error();
        m_columns << QStringLiteral("SUM(CASE WHEN %1 THEN 1 ELSE 0 END)").arg(s->sql);
        m_params << s->params;
        return {};
    }
    void column(const QString &sql) { m_columns << sql; }

    common::Result<Statement> build(const QString &where, const QString &tail = {})
    {
        Statement out{QStringLiteral("SELECT %1 FROM %2").arg(m_columns.join(QStringLiteral(", ")), store::quoted(store::tableName())),
                      m_params};
        if (!where.isEmpty()) {
            const auto s = sqlOf(where, m_engine);
            if (s.failed())
                return s.error();
            out.sql += QStringLiteral(" WHERE ") + s->sql;
            out.params << s->params;
        }
        out.sql += tail;
        return out;
    }

private:
    store::Engine m_engine;
    QStringList m_columns;
    QVariantList m_params;
};

// A number an older program may have left as text: the number, or NULL.
QString numberOf(store::Engine engine, const QString &field)
{
    const QString c = store::quoted(field);
    return engine == store::Engine::SQLite ? QStringLiteral("CASE WHEN typeof(%1) IN ('integer', 'real') THEN %1 END").arg(c) : c;
}

// 1 where the column holds something other than a number or nothing.
QString notNumber(store::Engine engine, const QString &field)
{
    const QString c = store::quoted(field);
    return engine == store::Engine::SQLite
               ? QStringLiteral("CASE WHEN typeof(%1) IN ('text', 'blob') AND trim(%1) <> '' THEN 1 ELSE 0 END").arg(c)
               : QStringLiteral("0");
}

// Days from 接货 to 发货 where 发货 is a date; 接货 is one in every row asked.
QString turnaroundDays(store::Engine engine)
{
    const QString shipped = store::quoted(QStringLiteral("发货日期"));
    const QString received = store::quoted(QStringLiteral("接货日期"));
    if (engine == store::Engine::SQLite)
        return QStringLiteral("CASE WHEN %1 THEN CAST(round(julianday(%2) - julianday(%3)) AS INTEGER) END")
            .arg(store::dateTest(engine, shipped), shipped, received);
    return QStringLiteral("CASE WHEN %1 IS NOT NULL THEN (%1::date - %2::date) END").arg(shipped, received);
}

common::Result<void> eachRow(const store::Database &db, const Statement &s, const std::function<void(const QSqlQuery &)> &row)
{
    return store::retried(db, [&]() -> common::Result<void> {
        QSqlQuery q(db.sql());
        q.setForwardOnly(true);
        if (!db.prepare(q, s.sql))
            return db.failure(q.lastError());
        for (const QVariant &p : s.params)
            q.addBindValue(p);
        if (!db.exec(q))
            return db.failure(q.lastError());
        while (db.next(q))
            row(q);
        return {};
    });
}

double money(double value) { return std::round(value * 100.0) / 100.0; }

// Latin letters compared as the store compares them, Chinese as it is.
QString asciiFolded(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

bool moreFirstThenByName(int countA, const QString &nameA, int countB, const QString &nameB)
{
    if (countA != countB)
        return countA > countB;
    return store::chineseCompare(nameA, nameB) < 0;
}

// ------------------------------------------------------------ the parts

common::Result<void> readNow(const store::Database &db, ShopFigures &f)
{
    StatementBuilder b(db.engine());
    for (Figure figure : {Figure::Open, Figure::Overdue, Figure::AwaitingParts, Figure::RepairedNotCollected})
        if (const auto r = b.countWhere(nowCondition(figure, f)); r.failed())
            return r;
    b.column(QStringLiteral("SUM(CASE WHEN %1 THEN 0 ELSE 1 END)")
                 .arg(store::dateTest(db.engine(), store::quoted(QStringLiteral("接货日期")))));
    const auto s = b.build({});
    if (s.failed())
        return s.error();
    return eachRow(db, *s, [&](const QSqlQuery &q) {
        f.now.open = q.value(0).toInt();
        f.now.overdue = q.value(1).toInt();
        f.now.awaitingParts = q.value(2).toInt();
        f.now.repairedNotCollected = q.value(3).toInt();
        f.leftOut.undatedJobs = q.value(4).toInt();
    });
}

// One group of jobs received in the period: a repairer's jobs of one model.
struct Group {
    QString repairer;
    QString model;
    int received = 0, repaired = 0, shipped = 0;
    double total = 0, visitFees = 0, repairFees = 0;
    int totalNotNumber = 0, visitNotNumber = 0, repairNotNumber = 0;
};

common::Result<QVector<Group>> readGroups(const store::Database &db, const Period &period)
{
    const store::Engine e = db.engine();
    StatementBuilder b(e);
    b.column(store::quoted(QStringLiteral("修理人员")));
    b.column(store::quoted(QStringLiteral("型号")));
    b.column(QStringLiteral("COUNT(*)"));
    if (const auto r = b.countWhere(kRepaired); r.failed())
        return r.error();
    if (const auto r = b.countWhere(kShipped); r.failed())
        return r.error();
    for (const QString &fee : {QStringLiteral("合计"), QStringLiteral("上门费"), QStringLiteral("维修费")}) {
        b.column(QStringLiteral("SUM(%1)").arg(numberOf(e, fee)));
        b.column(QStringLiteral("SUM(%1)").arg(notNumber(e, fee)));
    }
    const auto s = b.build(receivedIn(period), QStringLiteral(" GROUP BY 1, 2"));
    if (s.failed())
        return s.error();
    QVector<Group> groups;
    const auto read = eachRow(db, *s, [&](const QSqlQuery &q) {
        Group g;
        g.repairer = q.value(0).toString();
        g.model = q.value(1).toString();
        g.received = q.value(2).toInt();
        g.repaired = q.value(3).toInt();
        g.shipped = q.value(4).toInt();
        g.total = q.value(5).toDouble();
        g.totalNotNumber = q.value(6).toInt();
        g.visitFees = q.value(7).toDouble();
        g.visitNotNumber = q.value(8).toInt();
        g.repairFees = q.value(9).toDouble();
        g.repairNotNumber = q.value(10).toInt();
        groups << g;
    });
    if (read.failed())
        return read.error();
    return groups;
}

void addUp(const QVector<Group> &groups, ShopFigures &f)
{
    QHash<QString, RepairerRow> repairers; // by the name as the store compares it
    QHash<QString, BrandRow> brands;
    for (const Group &g : groups) {
        f.inPeriod.received += g.received;
        f.inPeriod.repaired += g.repaired;
        f.inPeriod.shipped += g.shipped;
        f.inPeriod.total += g.total;
        f.leftOut.totalNotNumber += g.totalNotNumber;
        f.leftOut.visitFeeNotNumber += g.visitNotNumber;
        f.leftOut.repairFeeNotNumber += g.repairNotNumber;

        const QString name = g.repairer.isEmpty() ? unnamedRepairer() : g.repairer;
        RepairerRow &r = repairers[g.repairer.isEmpty() ? QString() : asciiFolded(g.repairer)];
        if (r.repairer.isEmpty())
            r.repairer = name;
        r.received += g.received;
        r.repaired += g.repaired;
        r.total += g.total;
        r.visitFees += g.visitFees;
        r.repairFees += g.repairFees;

        const QString brand = brandOf(g.model);
        BrandRow &b = brands[brand];
        b.brand = brand;
        b.received += g.received;
        b.repaired += g.repaired;
        b.total += g.total;
    }
    f.inPeriod.total = money(f.inPeriod.total);
    for (RepairerRow r : std::as_const(repairers)) {
        r.total = money(r.total);
        r.visitFees = money(r.visitFees);
        r.repairFees = money(r.repairFees);
        f.repairers << r;
    }
    std::sort(f.repairers.begin(), f.repairers.end(), [](const RepairerRow &a, const RepairerRow &b) {
        return moreFirstThenByName(a.received, a.repairer, b.received, b.repairer);
    });
    for (BrandRow b : std::as_const(brands)) {
        b.total = money(b.total);
        f.brands << b;
    }
    std::sort(f.brands.begin(), f.brands.end(), [](const BrandRow &a, const BrandRow &b) {
        return moreFirstThenByName(a.received, a.brand, b.received, b.brand);
    });
}

QVector<TurnaroundBin> emptyBins()
{
    return {{QStringLiteral("0 天"), 0, 0},        {QStringLiteral("1 天"), 1, 1},
            {QStringLiteral("2–3 天"), 2, 3},      {QStringLiteral("4–7 天"), 4, 7},
            {QStringLiteral("8–14 天"), 8, 14},    {QStringLiteral("15–30 天"), 15, 30},
            {QStringLiteral("31 天以上"), 31, INT_MAX}};
}

std::optional<double> medianOf(const QMap<int, int> &jobsByDays, int jobs)
{
    if (jobs == 0)
        return std::nullopt;
    // The middle job, or the mean of the two middle ones.
    const int lower = (jobs - 1) / 2, upper = jobs / 2;
    std::optional<int> atLower, atUpper;
    int seen = 0;
    for (auto it = jobsByDays.cbegin(); it != jobsByDays.cend() && !atUpper; ++it) {
        seen += it.value();
        if (!atLower && seen > lower)
            atLower = it.key();
        if (seen > upper)
            atUpper = it.key();
    }
    return (*atLower + *atUpper) / 2.0;
}

common::Result<void> readTurnaround(const store::Database &db, ShopFigures &f)
{
    StatementBuilder b(db.engine());
    b.column(store::quoted(QStringLiteral("型号")));
    b.column(turnaroundDays(db.engine()));
    b.column(QStringLiteral("COUNT(*)"));
    const auto s = b.build(receivedIn(f.period) + QStringLiteral(" and ") + kShipped, QStringLiteral(" GROUP BY 1, 2"));
    if (s.failed())
        return s.error();
    QHash<QString, QMap<int, int>> byBrand; // brand → days → jobs
    f.turnaround = emptyBins();
    const auto read = eachRow(db, *s, [&](const QSqlQuery &q) {
        const QVariant days = q.value(1);
        const int jobs = q.value(2).toInt();
        if (days.isNull() || days.toInt() < 0) {
            f.leftOut.untimed += jobs;
            return;
        }
        byBrand[brandOf(q.value(0).toString())][days.toInt()] += jobs;
        for (TurnaroundBin &bin : f.turnaround)
            if (days.toInt() >= bin.fromDays && days.toInt() <= bin.toDays)
                bin.jobs += jobs;
    });
    if (read.failed())
        return read;
    for (BrandRow &row : f.brands) {
        const QMap<int, int> days = byBrand.value(row.brand);
        double sum = 0;
        for (auto it = days.cbegin(); it != days.cend(); ++it) {
            row.timed += it.value();
            sum += double(it.key()) * it.value();
        }
        if (row.timed > 0)
            row.meanDays = sum / row.timed;
        row.medianDays = medianOf(days, row.timed);
    }
    return {};
}

common::Result<void> readMonthly(const store::Database &db, ShopFigures &f)
{
    const QDate thisMonth(f.today.year(), f.today.month(), 1);
    for (int back = 11; back >= 0; --back)
        f.monthly.months << thisMonth.addMonths(-back);
    StatementBuilder b(db.engine());
    b.column(QStringLiteral("substr(%1, 1, 7)").arg(store::quoted(QStringLiteral("接货日期"))));
    b.column(store::quoted(QStringLiteral("型号")));
    b.column(QStringLiteral("COUNT(*)"));
    const auto s = b.build(receivedIn({f.monthly.months.first(), thisMonth.addMonths(1).addDays(-1)}),
                           QStringLiteral(" GROUP BY 1, 2"));
    if (s.failed())
        return s.error();
    QHash<QString, QVector<int>> counts; // brand → per month
    const auto read = eachRow(db, *s, [&](const QSqlQuery &q) {
        const QDate month = QDate::fromString(q.value(0).toString() + QStringLiteral("-01"), Qt::ISODate);
        const int at = int(f.monthly.months.indexOf(month));
        if (at < 0)
            return;
        QVector<int> &row = counts[brandOf(q.value(1).toString())];
        row.resize(f.monthly.months.size());
        row[at] += q.value(2).toInt();
    });
    if (read.failed())
        return read;
    QVector<QPair<int, QString>> order;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        order << qMakePair(int(std::accumulate(it->cbegin(), it->cend(), 0)), it.key());
    std::sort(order.begin(), order.end(), [](const auto &a, const auto &b) {
        return moreFirstThenByName(a.first, a.second, b.first, b.second);
    });
    f.monthly.counts.resize(f.monthly.months.size());
    for (QVector<int> &month : f.monthly.counts)
        month.resize(int(order.size()));
    for (int b = 0; b < order.size(); ++b) {
        f.monthly.brands << order.at(b).second;
        const QVector<int> &row = counts.value(order.at(b).second);
        for (int m = 0; m < f.monthly.months.size(); ++m)
            f.monthly.counts[m][b] = row.at(m);
    }
    return {};
}

} // namespace

common::Result<ShopFigures> computeFigures(const store::Database &db, const Period &period, const QDate &today, int overdueDays)
{
    ShopFigures f;
    f.today = today;
    f.overdueDays = overdueDays;
    f.period = period;
    if (const auto r = readNow(db, f); r.failed())
        return r.error();
    const auto groups = readGroups(db, period);
    if (groups.failed())
        return groups.error();
    addUp(*groups, f);
    if (const auto r = readTurnaround(db, f); r.failed())
        return r.error();
    if (const auto r = readMonthly(db, f); r.failed())
        return r.error();
    return f;
}

QStringList leftOutNotes(const LeftOut &l)
{
    QStringList notes;
    if (l.undatedJobs > 0)
        notes << QStringLiteral("有 %1 条记录的接货日期空着或不是日期：不在任何期间内，也不算超期。").arg(l.undatedJobs);
    const auto fee = [&](int jobs, const QString &field) {
        if (jobs > 0)
            notes << QStringLiteral("期间内有 %1 条记录的%2不是数字，未计入%2之和。").arg(jobs).arg(field);
    };
    fee(l.totalNotNumber, QStringLiteral("合计"));
    fee(l.visitFeeNotNumber, QStringLiteral("上门费"));
    fee(l.repairFeeNotNumber, QStringLiteral("维修费"));
    if (l.untimed > 0)
        notes << QStringLiteral("期间内有 %1 条已发货记录的发货日期早于接货日期或不是日期，未计入周期。").arg(l.untimed);
    return notes;
}

} // namespace statistics
