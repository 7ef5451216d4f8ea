// Selection formulas: what they select from a real job table, and what they refuse.
#include "reports/formula/formula.h"
#include "store/database.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/coretestapp.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace reports;

namespace {

QVariantMap job(int number, const QString &model, const QVariant &received, const QVariantMap &more = {})
{
    QVariantMap j{{QStringLiteral("编号"), number},
                  {QStringLiteral("型号"), model.isNull() ? QVariant() : QVariant(model)},
                  {QStringLiteral("接货日期"), received}};
    for (auto it = more.begin(); it != more.end(); ++it)
        j.insert(it.key(), it.value());
    return j;
}

const QVariant null;

} // namespace

class TestFormula : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void selects_data();
    void selects();
    void refuses_data();
    void refuses();
    void quarterBounds_data();
    void quarterBounds();

private:
    QList<int> select(const QString &formula, const QDate &today);

    DataFolder *m_folder = nullptr;
    std::unique_ptr<store::Database> m_db;
};

void TestFormula::initTestCase()
{
    m_folder = new DataFolder;
    const QString 修理人员 = QStringLiteral("修理人员"), 已修否 = QStringLiteral("已修否"),
                  地区 = QStringLiteral("地区"), 购店 = QStringLiteral("购店"), 入档 = QStringLiteral("入档"),
                  到货日期 = QStringLiteral("到货日期"), 是否库存 = QStringLiteral("是否库存"),
                  是否申请 = QStringLiteral("是否申请");
    const QList<QVariantMap> jobs = {
        job(1, "新飞BCD-200", "2003-05-19", {{修理人员, "王强"}, {已修否, 0}, {地区, "江北"}, {购店, "苏宁电器"},
                                             {入档, "是"}, {到货日期, "2003-07-21"}, {是否库存, "是"}, {是否申请, "是"}}),
        job(2, "新飞冰箱", "2003-05-20", {{修理人员, "王"}, {已修否, -1}, {地区, "江南"}, {购店, "苏宁"},
                                         {入档, "否"}, {到货日期, "2003-07-22"}, {是否申请, "是"}}),
        job(3, "新飞", "2003-06-19", {{修理人员, "李"}, {已修否, null}, {地区, "江北"}, {入档, "是的"},
                                     {是否库存, "是"}}),
        job(4, "新飞X", "2003-06-20", {{已修否, 0}, {到货日期, "2003-07-23"}, {购店, "国美"}, {是否申请, "否"}}),
        job(5, "佳利BD-100", "2003-04-01", {{修理人员, "王五"}, {已修否, 0}, {地区, "江北"}, {购店, "苏宁"},
                                            {入档, "是"}, {是否库存, "是"}}),
        job(6, "佳利", "2003-06-30", {{修理人员, "张"}, {已修否, -1}, {地区, "江北"}}),
        job(7, "佳利冷柜", "2003-07-01", {{已修否, 0}, {地区, ""}, {是否库存, "否"}}),
        job(8, "佳利", "2003-09-30"),
        job(9, "容声", "2003-10-01"),
        job(10, "容声BCD", "2003-12-31"),
        job(11, "容声", "2004-01-01"),
        job(12, "ABC-1", "2003-03-31"),
        job(13, "abc-2", "2003-01-01"),
        job(14, QString(), null, {{修理人员, "王"}}),
        job(15, "容声", "2003-10-31"),
        job(16, "容声", "2003-11-01"),
    };
    m_db = createEarlierJobTable(m_folder->path(), jobs);
    QVERIFY(m_db);
}

void TestFormula::cleanupTestCase()
{
    m_db.reset();
    delete m_folder;
}

QList<int> TestFormula::select(const QString &formula, const QDate &today)
{
    const common::Result<SqlCondition> c = compileFormula(formula, today, m_db->engine());
    if (c.failed()) {
        qWarning() << formulaMessage(c.error(), formula);
        return {-1};
    }
    QSqlQuery q(m_db->sql());
    const QString where = c->where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + c->where;
    if (!q.prepare(QStringLiteral("SELECT 编号 FROM 客户信息") + where + QStringLiteral(" ORDER BY 编号"))) {
        qWarning() << q.lastError().text();
        return {-2};
    }
    for (const QVariant &v : c->values)
        q.addBindValue(v);
    if (!q.exec())
        return {-3};
    QList<int> numbers;
    while (q.next())
        numbers << q.value(0).toInt();
    return numbers;
}

void TestFormula::selects_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<int>>("expected");
    const QDate aug(2003, 8, 15);

    QTest::newRow("month window, both bounds inclusive, blank before the parenthesis")
        << "{客户信息.接货日期} >= Date(2003,5,20) and {客户信息.接货日期} <= Date (2003,6,19) and {客户信息.型号} StartsWith '新飞'"
        << aug << QList<int>{2, 3};
    QTest::newRow("ledger from a start date; a null arrival date is not selected")
        << "{客户信息.到货日期} >= Date(2003,7,22) and {客户信息.型号} StartsWith '新飞'" << aug << QList<int>{2, 4};
    QTest::newRow("text equality") << "{客户信息.是否库存} = '是' and {客户信息.型号} StartsWith '佳利'" << aug
                                   << QList<int>{5};
    QTest::newRow("requested parts") << "{客户信息.型号} StartsWith '新飞' and {客户信息.是否申请} = '是'" << aug
                                     << QList<int>{1, 2};
    QTest::newRow("StartsWith is case-sensitive (upper)") << "{客户信息.型号} StartsWith 'ABC'" << aug
                                                          << QList<int>{12};
    QTest::newRow("StartsWith is case-sensitive (lower)") << "{客户信息.型号} StartsWith 'abc'" << aug
                                                          << QList<int>{13};
    QTest::newRow("StartsWith takes % and _ as they are") << "{客户信息.型号} StartsWith '%'" << aug << QList<int>{};
    QTest::newRow("empty prefix: every record, an empty field too")
        << "{客户信息.修理人员} StartsWith ''" << aug << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    QTest::newRow("staff prefix") << "{客户信息.修理人员} StartsWith '王'" << aug << QList<int>{1, 2, 5, 14};
    QTest::newRow("filed jobs") << "{客户信息.入档} StartsWith '是'" << aug << QList<int>{1, 3, 5};
    QTest::newRow("store prefix") << "{客户信息.购店} StartsWith '苏宁'" << aug << QList<int>{1, 2, 5};
    QTest::newRow("= No: not repaired, an unset flag too")
        << "{客户信息.已修否} = No" << aug << QList<int>{1, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    QTest::newRow("unrepaired in 江北") << "{客户信息.已修否} = No and {客户信息.地区} = '江北'" << aug
                                      << QList<int>{1, 3, 5};
    QTest::newRow("unrepaired with an empty area") << "{客户信息.已修否} = No and {客户信息.地区} = ''" << aug
                                                   << QList<int>{7};
    QTest::newRow("2nd quarter from its first to its last day")
        << "{客户信息.接货日期} in Calendar2ndQtr and {客户信息.型号} StartsWith '佳利'" << aug << QList<int>{5, 6};
    QTest::newRow("3rd quarter") << "{客户信息.接货日期} in Calendar3rdQtr and {客户信息.型号} StartsWith '佳利'"
                                 << aug << QList<int>{7, 8};
    QTest::newRow("4th quarter stops at 31 December")
        << "{客户信息.接货日期} in Calendar4thQtr and {客户信息.型号} StartsWith '容声'" << aug
        << QList<int>{9, 10, 15, 16};
    QTest::newRow("1st quarter of the current year only")
        << "{客户信息.接货日期} in Calendar1stQtr" << QDate(2004, 2, 1) << QList<int>{11};
    QTest::newRow("1st quarter starts on 1 January")
        << "{客户信息.接货日期} in Calendar1stQtr" << QDate(2003, 12, 31) << QList<int>{12, 13};
    QTest::newRow("month to date on the 1st") << "{客户信息.接货日期} in MonthToDate and {客户信息.型号} StartsWith '容声'"
                                              << QDate(2003, 10, 1) << QList<int>{9};
    QTest::newRow("month to date leaves out later days")
        << "{客户信息.接货日期} in MonthToDate" << QDate(2003, 10, 30) << QList<int>{9};
    QTest::newRow("month to date on the last day") << "{客户信息.接货日期} in MonthToDate"
                                                   << QDate(2003, 10, 31) << QList<int>{9, 15};
    QTest::newRow("month to date starts afresh") << "{客户信息.接货日期} in MonthToDate" << QDate(2003, 11, 1)
                                                 << QList<int>{16};
    QTest::newRow("blanks, tabs and line breaks between tokens")
        << "  {客户信息.型号}\tStartsWith\n'容声BCD'  " << aug << QList<int>{10};
}

void TestFormula::selects()
{
    QFETCH(QString, formula);
    QFETCH(QDate, today);
    QTEST(select(formula, today), "expected");
}

void TestFormula::refuses_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("problem");

    const QString unrepaired = QStringLiteral("{客户信息.已修否} = No and {客户信息.地区} = 'O'Neil'");
    QTest::newRow("quote inside the area") << unrepaired << int(unrepaired.indexOf("Neil")) << "“Neil”";
    const QString staff = QStringLiteral("{客户信息.接货日期} in Calendar3rdQtr and {客户信息.修理人员} StartsWith '王'五'");
    QTest::newRow("quote inside the staff name") << staff << int(staff.indexOf(u'五')) << "“五”";
    const QString dashes = QStringLiteral("{客户信息.到货日期} >= Date(2003-7-22) and {客户信息.型号} StartsWith '佳利'");
    QTest::newRow("start date with dashes") << dashes << int(dashes.indexOf(u'-')) << "不认识的字符";
    const QString twoNumbers = QStringLiteral("{客户信息.到货日期} >= Date(2003,7) and {客户信息.型号} StartsWith '佳利'");
    QTest::newRow("start date of two numbers") << twoNumbers << int(twoNumbers.indexOf(u')')) << "“,”";
    const QString empty = QStringLiteral("{客户信息.到货日期} >= Date() and {客户信息.型号} StartsWith '佳利'");
    QTest::newRow("empty start date") << empty << int(empty.indexOf(u')')) << "数字";
    const QString noDay = QStringLiteral("{客户信息.到货日期} >= Date(2003,2,30)");
    QTest::newRow("no such day") << noDay << int(noDay.indexOf("Date")) << "没有这一天";
    QTest::newRow("unknown field") << "{客户信息.型号} StartsWith '新飞' and {客户信息.颜色} = '红'"
                                   << int(QStringLiteral("{客户信息.型号} StartsWith '新飞' and ").size()) << "颜色";
    QTest::newRow("another table") << "{配件.型号} StartsWith '新飞'" << 0 << "{客户信息.字段名}";
    QTest::newRow("unclosed field") << "{客户信息.型号 StartsWith '新飞'" << 0 << "}";
    QTest::newRow("date compared with text") << "{客户信息.接货日期} = '2003-01-01'" << 14 << "不是文字";
    QTest::newRow("text field in a date range") << "{客户信息.型号} in MonthToDate" << 0 << "日期字段";
    QTest::newRow("No against a text field") << "{客户信息.地区} = No" << 12 << "是/否";
    QTest::newRow("no such quarter") << "{客户信息.接货日期} in Calendar5thQtr" << 15 << "Calendar5thQtr";
    QTest::newRow("dangling and") << "{客户信息.型号} StartsWith '新飞' and" << 29 << "公式结束";
    QTest::newRow("or is not in the language") << "{客户信息.型号} StartsWith '新飞' or {客户信息.型号} StartsWith '佳利'"
                                               << 26 << "“or”";
    QTest::newRow("keywords are as written") << "{客户信息.型号} startswith '新飞'" << 10 << "startswith";
}

void TestFormula::refuses()
{
    QFETCH(QString, formula);
    QFETCH(int, position);
    QFETCH(QString, problem);
    const common::Result<SqlCondition> c = compileFormula(formula, QDate(2003, 8, 15));
    QVERIFY(c.failed());
    QCOMPARE(c.error().position, position);
    const QString message = formulaMessage(c.error(), formula);
    QVERIFY2(message.contains(problem), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("第 %1 个字符").arg(position + 1)), qPrintable(message));
}

void TestFormula::quarterBounds_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    const QDate today(2024, 2, 29);
    QTest::newRow("MonthToDate on 29 February") << int(DateRange::MonthToDate) << QDate(2024, 2, 1) << today;
    QTest::newRow("Q1 of a leap year") << int(DateRange::Quarter1) << QDate(2024, 1, 1) << QDate(2024, 3, 31);
    QTest::newRow("Q2") << int(DateRange::Quarter2) << QDate(2024, 4, 1) << QDate(2024, 6, 30);
    QTest::newRow("Q3") << int(DateRange::Quarter3) << QDate(2024, 7, 1) << QDate(2024, 9, 30);
    QTest::newRow("Q4") << int(DateRange::Quarter4) << QDate(2024, 10, 1) << QDate(2024, 12, 31);
}

void TestFormula::quarterBounds()
{
    QFETCH(int, range);
    const auto [from, to] = dateRangeBounds(DateRange(range), QDate(2024, 2, 29));
    QTEST(from, "from");
    QTEST(to, "to");
}

CORVALE_CORE_TEST_MAIN(TestFormula)
#include "tst_formula.moc"
