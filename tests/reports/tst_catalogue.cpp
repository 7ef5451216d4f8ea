// The request texts the panel's captions hand to the report engine.
#include "reports/catalogue.h"
#include "support/coretestapp.h"

#include <QtTest>

using reports::PanelInputs;
using reports::PanelState;
using reports::catalogueRequest;

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void requestTexts_data();
    void requestTexts();
    void monthWindow_data();
    void monthWindow();
    void emptyQuarterSendsNothingButIsKept();
    void quarterIsTakenOnEveryClick();
    void unknownEntrySendsNothing();
};

void TestCatalogue::requestTexts_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("quarter");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("staff");
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("formula");

    QTest::newRow("六月") << "新飞月报表" << "六月" << "" << "" << "" << "" << ""
                        << "报表\\新飞月报表.PRN"
                        << "{客户信息.接货日期} >= Date(2003,5,20) and {客户信息.接货日期} <= Date (2003,6,19) and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("一月 starts the year before")
        << "新飞月报表" << "一月" << "" << "" << "" << "" << "" << "报表\\新飞月报表.PRN"
        << "{客户信息.接货日期} >= Date(2002,12,20) and {客户信息.接货日期} <= Date (2003,1,19) and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("13月 right after opening")
        << "新飞月报表" << "13月" << "" << "" << "" << "" << "" << "报表\\新飞月报表.PRN"
        << "{客户信息.接货日期} >= Date(2003,4,25) and {客户信息.接货日期} <= Date (2003,5,24) and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("empty month right after opening")
        << "新飞月报表" << "" << "" << "" << "" << "" << "" << "报表\\新飞月报表.PRN"
        << "{客户信息.接货日期} >= Date(2003,4,25) and {客户信息.接货日期} <= Date (2003,5,24) and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("parts request") << "新飞申请配件单" << "" << "" << "" << "" << "" << ""
                                   << "报表\\新飞申请配件单.PRN"
                                   << "{客户信息.型号} StartsWith '新飞' and {客户信息.是否申请} = '是'";
    QTest::newRow("佳利 stock") << "配件库存单" << "" << "" << "" << "" << "" << "" << "报表\\配件库存单.RPT"
                              << "{客户信息.是否库存} = '是' and {客户信息.型号} StartsWith '佳利'";
    QTest::newRow("新飞 stock") << "新飞配件库存单" << "" << "" << "" << "" << "" << "" << "报表\\配件库存单.RPT"
                              << "{客户信息.是否库存} = '是' and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("佳利 ledger, initial start date")
        << "配件流水帐" << "" << "" << "2003,7,22" << "" << "" << "" << "报表\\配件流水帐.RPT"
        << "{客户信息.到货日期} >= Date(2003,7,22) and {客户信息.型号} StartsWith '佳利'";
    QTest::newRow("新飞 ledger") << "新飞配件流水帐" << "" << "" << "2003,7,22" << "" << "" << ""
                               << "报表\\配件流水帐.RPT"
                               << "{客户信息.到货日期} >= Date(2003,7,22) and {客户信息.型号} StartsWith '新飞'";
    QTest::newRow("ledger start date inserted as typed")
        << "配件流水帐" << "" << "" << " 2003-7-22" << "" << "" << "" << "报表\\配件流水帐.RPT"
        << "{客户信息.到货日期} >= Date( 2003-7-22) and {客户信息.型号} StartsWith '佳利'";
    QTest::newRow("佳利 quarter 2nd") << "佳利季报表" << "" << "2nd" << "" << "" << "" << ""
                                    << "报表\\佳利季报表.PRN"
                                    << "{客户信息.接货日期} in Calendar2ndQtr and {客户信息.型号} StartsWith '佳利'";
    QTest::newRow("容声 month to date") << "容声月报表" << "" << "" << "" << "" << "" << ""
                                      << "报表\\容声月报表.RPT"
                                      << "{客户信息.接货日期} in MonthToDate and {客户信息.型号} StartsWith '容声'";
    QTest::newRow("unrepaired 江北") << "未修记录单" << "" << "" << "" << "江北" << "" << ""
                                   << "报表\\未修记录单.RPT"
                                   << "{客户信息.已修否} = No and {客户信息.地区} = '江北'";
    QTest::newRow("unrepaired empty area") << "未修记录单" << "" << "" << "" << "" << "" << ""
                                           << "报表\\未修记录单.RPT"
                                           << "{客户信息.已修否} = No and {客户信息.地区} = ''";
    QTest::newRow("area with a quote is not escaped")
        << "未修记录单" << "" << "" << "" << "O'Neil " << "" << "" << "报表\\未修记录单.RPT"
        << "{客户信息.已修否} = No and {客户信息.地区} = 'O'Neil '";
    QTest::newRow("staff 王, 3rd") << "维修人员报表" << "" << "3rd" << "" << "" << "王" << ""
                                  << "报表\\维修人员报表.RPT"
                                  << "{客户信息.接货日期} in Calendar3rdQtr and {客户信息.修理人员} StartsWith '王'";
    QTest::newRow("empty staff, 3rd") << "维修人员报表" << "" << "3rd" << "" << "" << "" << ""
                                      << "报表\\维修人员报表.RPT"
                                      << "{客户信息.接货日期} in Calendar3rdQtr and {客户信息.修理人员} StartsWith ''";
    QTest::newRow("store 苏宁") << "商场报表" << "" << "" << "" << "" << "" << "苏宁" << "报表\\商场报表.RPT"
                              << "{客户信息.购店} StartsWith '苏宁'";
    QTest::newRow("follow-up phone list") << "新飞回访记录表" << "" << "" << "" << "" << "" << ""
                                          << "报表\\新飞回访记录表.RPT"
                                          << "{客户信息.入档} StartsWith '是'";
}

void TestCatalogue::requestTexts()
{
    QFETCH(QString, entry);
    PanelInputs in;
    QFETCH(QString, month);
    QFETCH(QString, quarter);
    QFETCH(QString, start);
    QFETCH(QString, area);
    QFETCH(QString, staff);
    QFETCH(QString, store);
    in.month = month;
    in.quarterBox = quarter;
    in.partsLedgerStart = start;
    in.area = area;
    in.staff = staff;
    in.store = store;
    PanelState state;
    const auto request = catalogueRequest(entry, in, state);
    QVERIFY(request);
    QTEST(request->file, "file");
    QTEST(request->formula, "formula");
    QCOMPARE(request->action, 1);
}

void TestCatalogue::monthWindow_data()
{
    QTest::addColumn<QStringList>("months"); // run one after the other
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("initial window") << QStringList{"13月"} << "2003,4,25" << "2003,5,24";
    QTest::newRow("九月 then 13月 keeps 九月") << QStringList{"九月", "13月"} << "2003,8,20" << "2003,9,19";
    QTest::newRow("九月 then empty keeps 九月") << QStringList{"九月", ""} << "2003,8,20" << "2003,9,19";
    QTest::newRow("十一月 is not 十一 nor 一月") << QStringList{"十一月"} << "2003,10,20" << "2003,11,19";
    QTest::newRow("十二月") << QStringList{"十二月"} << "2003,11,20" << "2003,12,19";
    QTest::newRow("blank around a name is another text") << QStringList{"三月", " 六月"} << "2003,2,20"
                                                         << "2003,3,19";
}

void TestCatalogue::monthWindow()
{
    QFETCH(QStringList, months);
    PanelState state;
    std::optional<reports::ReportRequest> last;
    for (const QString &m : months) {
        PanelInputs in;
        in.month = m;
        last = catalogueRequest(QStringLiteral("新飞月报表"), in, state);
    }
    QFETCH(QString, from);
    QFETCH(QString, to);
    QCOMPARE(state.dateFrom, from);
    QCOMPARE(state.dateTo, to);
    QVERIFY(last);
    QVERIFY(last->formula.startsWith(QStringLiteral("{客户信息.接货日期} >= Date(%1) and {客户信息.接货日期} <= Date (%2)").arg(from, to)));
}

void TestCatalogue::emptyQuarterSendsNothingButIsKept()
{
    for (const QString entry : {QStringLiteral("佳利季报表"), QStringLiteral("维修人员报表")}) {
        PanelState state;
        state.quarter = QStringLiteral("2nd");
        PanelInputs in;
        in.staff = QStringLiteral("王");
        QVERIFY(!catalogueRequest(entry, in, state));
        QCOMPARE(state.quarter, QString());
        QCOMPARE(state.dateFrom, QStringLiteral("2003,4,25"));
    }
}

void TestCatalogue::quarterIsTakenOnEveryClick()
{
    PanelState state;
    PanelInputs in;
    in.quarterBox = QStringLiteral("4th");
    QVERIFY(catalogueRequest(QStringLiteral("佳利季报表"), in, state));
    QCOMPARE(state.quarter, QStringLiteral("4th"));
    in.quarterBox = QStringLiteral("1st");
    const auto r = catalogueRequest(QStringLiteral("维修人员报表"), in, state);
    QCOMPARE(state.quarter, QStringLiteral("1st"));
    QVERIFY(r->formula.startsWith(QStringLiteral("{客户信息.接货日期} in Calendar1stQtr and ")));
    // Other entries leave the panel state alone.
    in.month = QStringLiteral("六月");
    QVERIFY(catalogueRequest(QStringLiteral("商场报表"), in, state));
    QCOMPARE(state.dateFrom, QStringLiteral("2003,4,25"));
    QCOMPARE(state.quarter, QStringLiteral("1st"));
}

void TestCatalogue::unknownEntrySendsNothing()
{
    PanelState state;
    QVERIFY(!catalogueRequest(QStringLiteral("鉴定证明表"), PanelInputs(), state));
}

CORVALE_CORE_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
