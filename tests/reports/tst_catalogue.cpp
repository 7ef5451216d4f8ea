// The panel's reports: which jobs each caption's request brings out of a job
// table, whatever the clerk typed into the boxes.
#include "reports/catalogue/catalogue.h"
#include "reports/catalogue/engine.h"
#include "support/coretestapp.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"

#include <QtTest>
#include <algorithm>

using namespace reports;

namespace {

const QDate kToday(2026, 12, 8);
// Texts that would add a condition if pasted into the formula as they are.
const QString kCraftedArea = QStringLiteral("江北' and {客户信息.型号} StartsWith '新飞");
const QString kCraftedStore = QStringLiteral("' and {客户信息.已修否} = No and {客户信息.购店} StartsWith '");

QVariantMap job(int n, const QString &model, const QString &received, const QVariantMap &more = {})
{
    QVariantMap j = makeJob(n, {{"型号", model}, {"接货日期", received}, {"到货日期", received},
                                {"已修否", -1}, {"地区", "海曙"}, {"修理人员", "李"}, {"购店", "二百"},
                                {"是否库存", "否"}, {"是否申请", "否"}, {"入档", "否"}});
    for (auto it = more.begin(); it != more.end(); ++it)
        j.insert(it.key(), it.value());
    return j;
}

// What the boxes hold; the year box shows this year unless a row says otherwise.
struct Boxes {
    QString month = QStringLiteral("九月");
    int year = kToday.year();
    QString quarter = QStringLiteral("3rd");
    QString start = QStringLiteral("2026,9,1");
    QString area;
    QString staff;
    QString store = QStringLiteral("二百");
    int quarterYear = 0;

    PanelInputs inputs() const { return {month, year, quarter, start, area, staff, store, quarterYear}; }
};

} // namespace

Q_DECLARE_METATYPE(Boxes)

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void selectsTheJobs_data();
    void selectsTheJobs();
    void monthWindowIsKeptForATextThatIsNoMonth();
    void opensOnTheLastMakersMonthEnded();
    void headingSaysWhatWasSelected();
    void malformedStartDateIsRefusedNotRead();
    void emptyQuarterSendsNothingButIsKept();
    void unknownEntrySendsNothing();

private:
    // The job numbers the entry's report holds, in number order; {-1} when refused.
    QList<int> jobsOf(const QString &entry, const PanelInputs &inputs, PanelState &state);

    std::unique_ptr<DataFolder> m_folder;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<store::Database> m_db;
};

void TestCatalogue::initTestCase()
{
    m_folder = std::make_unique<DataFolder>();
    m_clock = std::make_unique<FixedClock>(QDateTime(kToday, QTime(10, 0)));
    m_db = createJobTable(m_folder->path(), {
        // The 九月 window of this year and its edges.
        job(1, "新飞BCD-1", "2026-08-20"),
        job(2, "新飞", "2026-09-19"),
        job(3, "新飞", "2026-09-20"),
        job(4, "新飞", "2026-08-19"),
        // 九月 of 2003, the window the month table once fixed.
        job(5, "新飞", "2003-09-01"),
        job(6, "佳利BD", "2026-09-01", {{"是否库存", "是"}}),
        // 一月 of this year begins in December of the year before.
        job(7, "新飞", "2025-12-25", {{"是否申请", "是"}}),
        // Month to date: from the 1st to today.
        job(8, "容声", "2026-12-01"),
        job(9, "容声", "2026-11-30"),
        job(10, "容声", "2026-12-09"),
        // Areas, staff and stores with quotes in them.
        job(11, "海尔", "2026-10-01", {{"已修否", 0}, {"地区", "O'Neil"}}),
        job(12, "新飞", "2026-10-01", {{"已修否", 0}, {"地区", "江北"}}),
        job(13, "新飞", "2026-10-01", {{"已修否", 0}, {"地区", kCraftedArea}}),
        job(14, "海尔", "2026-08-01", {{"修理人员", "王'五"}, {"已修否", 0}}),
        job(15, "海尔", "2026-08-01", {{"修理人员", "王五"}, {"购店", "O'Neil百货"}}),
        job(16, "新飞", "2026-12-01", {{"购店", "苏宁"}, {"入档", "是"}}),
        job(17, "佳利", "2026-08-31", {{"是否库存", "是"}}),
    });
    QVERIFY(m_db);
}

void TestCatalogue::cleanupTestCase()
{
    m_db.reset();
    m_clock.reset();
    m_folder.reset();
}

QList<int> TestCatalogue::jobsOf(const QString &entry, const PanelInputs &inputs, PanelState &state)
{
    const std::optional<ReportRequest> request = catalogueRequest(entry, inputs, state);
    if (!request)
        return {};
    const common::Result<PreparedReport> prepared = prepareReport(*request, m_folder->shop());
    if (prepared.failed()) {
        qWarning() << prepared.error().text;
        return {-1};
    }
    int numberColumn = 0;
    while (prepared->definition.columns.at(numberColumn).field != QStringLiteral("编号"))
        ++numberColumn;
    QList<int> numbers;
    for (const ReportRow &row : prepared->rows)
        numbers << row.cells.at(numberColumn).toInt();
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void TestCatalogue::selectsTheJobs_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<QList<int>>("expected");
    const auto with = [](auto change) {
        Boxes b;
        change(b);
        return b;
    };

    QTest::newRow("九月 of this year, both ends") << "新飞月报表" << Boxes() << QList<int>{1, 2};
    QTest::newRow("九月 of a year picked in the box")
        << "新飞月报表" << with([](Boxes &b) { b.year = 2003; }) << QList<int>{5};
    QTest::newRow("一月 starts in December before")
        << "新飞月报表" << with([](Boxes &b) { b.month = "一月"; }) << QList<int>{7};
    QTest::newRow("十二月 holds the jobs so far") << "新飞月报表" << with([](Boxes &b) { b.month = "十二月"; })
                                               << QList<int>{16};
    QTest::newRow("month to date follows today") << "容声月报表" << Boxes() << QList<int>{8};
    QTest::newRow("quarter follows today") << "佳利季报表" << Boxes() << QList<int>{6, 17};
    QTest::newRow("no quarter, nothing sent") << "佳利季报表" << with([](Boxes &b) { b.quarter.clear(); })
                                            << QList<int>{};
    QTest::newRow("parts requested") << "新飞申请配件单" << Boxes() << QList<int>{7};
    QTest::newRow("parts in stock") << "配件库存单" << Boxes() << QList<int>{6, 17};
    QTest::newRow("ledger from its start date") << "配件流水帐" << Boxes() << QList<int>{6};
    QTest::newRow("ledger start in another date form")
        << "配件流水帐" << with([](Boxes &b) { b.start = "2026年8月31日"; }) << QList<int>{6, 17};

    QTest::newRow("unrepaired, area with a quote")
        << "未修记录单" << with([](Boxes &b) { b.area = "O'Neil"; }) << QList<int>{11};
    QTest::newRow("unrepaired, crafted area is only a name")
        << "未修记录单" << with([](Boxes &b) { b.area = kCraftedArea; }) << QList<int>{13};
    QTest::newRow("staff with a quote") << "维修人员报表" << with([](Boxes &b) { b.staff = "王'"; })
                                       << QList<int>{14};
    QTest::newRow("staff prefix") << "维修人员报表" << with([](Boxes &b) { b.staff = "王"; })
                                  << QList<int>{14, 15};
    QTest::newRow("store with a quote") << "商场报表" << with([](Boxes &b) { b.store = "O'Neil"; })
                                       << QList<int>{15};
    QTest::newRow("crafted store selects no one")
        << "商场报表" << with([](Boxes &b) { b.store = kCraftedStore; }) << QList<int>{};
    QTest::newRow("filed jobs") << "新飞回访记录表" << Boxes() << QList<int>{16};
}

void TestCatalogue::selectsTheJobs()
{
    QFETCH(QString, entry);
    QFETCH(Boxes, boxes);
    PanelState state = panelStateAtLoad(kToday);
    QTEST(jobsOf(entry, boxes.inputs(), state), "expected");
}

// The month a clerk reports on has ended, across the year's turn too.
void TestCatalogue::opensOnTheLastMakersMonthEnded()
{
    using YM = std::pair<int, int>;
    QCOMPARE(lastEndedMakersMonth(QDate(2026, 12, 9)), YM(2026, 11));
    QCOMPARE(lastEndedMakersMonth(QDate(2026, 12, 19)), YM(2026, 11));
    QCOMPARE(lastEndedMakersMonth(QDate(2026, 12, 20)), YM(2026, 12));
    QCOMPARE(lastEndedMakersMonth(QDate(2027, 1, 5)), YM(2026, 12));
    const auto [from, to] = monthWindow(2026, 12);
    QVERIFY(to < QDate(2027, 1, 5) && from == QDate(2026, 11, 20));
    // So does the quarter: in January the fourth quarter of the year before.
    using YQ = std::pair<int, QString>;
    QCOMPARE(lastEndedQuarter(QDate(2026, 12, 9)), YQ(2026, QStringLiteral("3rd")));
    QCOMPARE(lastEndedQuarter(QDate(2026, 10, 1)), YQ(2026, QStringLiteral("3rd")));
    QCOMPARE(lastEndedQuarter(QDate(2027, 1, 5)), YQ(2026, QStringLiteral("4th")));
    QCOMPARE(lastEndedQuarter(QDate(2026, 3, 31)), YQ(2025, QStringLiteral("4th")));
}

void TestCatalogue::monthWindowIsKeptForATextThatIsNoMonth()
{
    // Right after load: the window of this month.
    PanelState state = panelStateAtLoad(kToday);
    Boxes boxes;
    boxes.month = QStringLiteral("13月");
    QCOMPARE(jobsOf(QStringLiteral("新飞月报表"), boxes.inputs(), state), QList<int>{16});
    // After 九月 of 2003, a text that is no month (even one with a blank) keeps that window.
    boxes.month = QStringLiteral("九月");
    boxes.year = 2003;
    QCOMPARE(jobsOf(QStringLiteral("新飞月报表"), boxes.inputs(), state), QList<int>{5});
    for (const QString &notAMonth : {QString(), QStringLiteral(" 十月"), QStringLiteral("十三月")}) {
        boxes.month = notAMonth;
        boxes.year = 2026;
        QCOMPARE(jobsOf(QStringLiteral("新飞月报表"), boxes.inputs(), state), QList<int>{5});
    }
    // Other entries leave the window alone.
    boxes.month = QStringLiteral("一月");
    QVERIFY(catalogueRequest(QStringLiteral("商场报表"), boxes.inputs(), state));
    QCOMPARE(state.dateFrom, QDate(2003, 8, 20));
    QCOMPARE(state.dateTo, QDate(2003, 9, 19));
}

void TestCatalogue::headingSaysWhatWasSelected()
{
    PanelState state = panelStateAtLoad(kToday);
    Boxes boxes;
    boxes.area = QStringLiteral("O'Neil");
    const auto scope = [&](const QString &entry) {
        const common::Result<PreparedReport> prepared =
            prepareReport(*catalogueRequest(entry, boxes.inputs(), state), m_folder->shop());
        return prepared.ok() ? prepared->heading.scope : prepared.error().text;
    };
    QCOMPARE(scope(QStringLiteral("新飞月报表")),
             QStringLiteral("接货日期：2026年8月20日 至 2026年9月19日；型号以“新飞”开头"));
    QCOMPARE(scope(QStringLiteral("容声月报表")), QStringLiteral("接货日期：2026年12月1日 至 2026年12月8日；型号以“容声”开头"));
    QCOMPARE(scope(QStringLiteral("未修记录单")), QStringLiteral("已修否：否；地区：O'Neil"));
    QCOMPARE(scope(QStringLiteral("维修人员报表")), QStringLiteral("接货日期：2026年7月1日 至 2026年9月30日"));
    // The year box beside the quarter: last year's fourth quarter can still be printed.
    boxes.quarter = QStringLiteral("4th");
    boxes.quarterYear = 2025;
    QCOMPARE(scope(QStringLiteral("维修人员报表")), QStringLiteral("接货日期：2025年10月1日 至 2025年12月31日"));
    boxes.quarter = QStringLiteral("3rd");
    boxes.quarterYear = 0;
    QCOMPARE(scope(QStringLiteral("配件流水帐")), QStringLiteral("到货日期：2026年9月1日起；型号以“佳利”开头"));
    boxes.store.clear();
    QCOMPARE(scope(QStringLiteral("商场报表")), QStringLiteral("全部"));
}

// A start date that is no date, however it is put, is refused with the
// formula shown, and never read as more conditions.
void TestCatalogue::malformedStartDateIsRefusedNotRead()
{
    PanelState state = panelStateAtLoad(kToday);
    Boxes boxes;
    for (const QString &start : {QStringLiteral("2026,2,30"), QStringLiteral("九月"),
                                 QStringLiteral("2026,9,1) and {客户信息.已修否} = No and {客户信息.到货日期} >= Date(2026,9,1")}) {
        boxes.start = start;
        const common::Result<PreparedReport> prepared =
            prepareReport(*catalogueRequest(QStringLiteral("配件流水帐"), boxes.inputs(), state), m_folder->shop());
        QVERIFY(prepared.failed());
        QVERIFY2(prepared.error().text.startsWith(QStringLiteral("选择公式有误")), qPrintable(prepared.error().text));
        QVERIFY2(prepared.error().text.contains(start), qPrintable(prepared.error().text));
    }
}

void TestCatalogue::emptyQuarterSendsNothingButIsKept()
{
    for (const QString entry : {QStringLiteral("佳利季报表"), QStringLiteral("维修人员报表")}) {
        PanelState state = panelStateAtLoad(kToday);
        state.quarter = QStringLiteral("2nd");
        Boxes boxes;
        boxes.quarter.clear();
        QVERIFY(!catalogueRequest(entry, boxes.inputs(), state));
        QCOMPARE(state.quarter, QString());
        boxes.quarter = QStringLiteral("4th");
        QVERIFY(catalogueRequest(entry, boxes.inputs(), state));
        QCOMPARE(state.quarter, QStringLiteral("4th"));
    }
}

void TestCatalogue::unknownEntrySendsNothing()
{
    PanelState state = panelStateAtLoad(kToday);
    QVERIFY(!catalogueRequest(QStringLiteral("鉴定证明表"), PanelInputs(), state));
}

CORVALE_CORE_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
