#include "query/statements.h"
#include "support/testapp.h"

using query::QueryCriteria;
using query::SortKeys;

Q_DECLARE_METATYPE(QueryCriteria)
Q_DECLARE_METATYPE(SortKeys)

namespace {

QueryCriteria defaultFields()
{
    QueryCriteria c;
    c.conditions[0].field = QStringLiteral("客户姓名");
    c.conditions[1].field = QStringLiteral("地址");
    c.conditions[2].field = QStringLiteral("宅电");
    return c;
}

} // namespace

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void queryRecordSource_data()
    {
        QTest::addColumn<QueryCriteria>("criteria");
        QTest::addColumn<QString>("expected");

        QueryCriteria c = defaultFields();
        QTest::newRow("nothing filled") << c << QString();

        c = defaultFields();
        c.startDate = QStringLiteral("2003-1-1");
        c.conditions[0].value = QStringLiteral("王");
        c.repairedChecked = true;
        QTest::newRow("worked example") << c
            << QStringLiteral("select * from 客户信息 where 编号<>0 and 接货日期 >= #2003-1-1# "
                              "and 客户姓名 Like '*王*' and  not 已修否");

        c = defaultFields();
        c.repairedChecked = true;
        c.repairedYes = false;
        QTest::newRow("repaired flag alone, no")
            << c << QStringLiteral("select * from 客户信息 where 编号<>0 and  not 已修否");

        c.repairedYes = true;
        QTest::newRow("repaired flag alone, yes")
            << c << QStringLiteral("select * from 客户信息 where 编号<>0 and 已修否");

        c = defaultFields();
        c.repairedYes = true;  // an option without the check box is no criterion
        QTest::newRow("option without check box") << c << QString();

        c = defaultFields();
        c.endDate = QStringLiteral("2003/12/31");
        QTest::newRow("only an end date")
            << c << QStringLiteral("select * from 客户信息 where 编号<>0 and 接货日期 <= #2003/12/31#");

        c = defaultFields();
        c.conditions[2].field.clear();
        c.conditions[2].value = QStringLiteral("138");
        QTest::newRow("value without field name")
            << c << QStringLiteral("select * from 客户信息 where 编号<>0 and  Like '*138*'");

        c = defaultFields();
        c.conditions[0].field = QStringLiteral("编号");
        c.conditions[1].value = QStringLiteral("   ");
        QTest::newRow("blank value is inserted untrimmed")
            << c << QStringLiteral("select * from 客户信息 where 编号<>0 and 地址 Like '*   *'");

        c = defaultFields();
        c.repairedChecked = true;
        c.repairedYes = true;
        c.conditions[2].value = QStringLiteral("8");
        c.conditions[1].value = QStringLiteral("路");
        c.conditions[0].value = QStringLiteral("张");
        c.endDate = QStringLiteral("2003-12-31");
        c.startDate = QStringLiteral("2003-1-1");
        QTest::newRow("all conditions in fixed order") << c
            << QStringLiteral("select * from 客户信息 where 编号<>0 and 接货日期 >= #2003-1-1# "
                              "and 接货日期 <= #2003-12-31# and 客户姓名 Like '*张*' "
                              "and 地址 Like '*路*' and 宅电 Like '*8*' and 已修否");

        c = defaultFields();
        c.conditions[0].value = QStringLiteral("O'Neil");
        c.conditions[1].value = QStringLiteral("''");
        QTest::newRow("apostrophes doubled") << c
            << QStringLiteral("select * from 客户信息 where 编号<>0 and 客户姓名 Like '*O''Neil*' "
                              "and 地址 Like '*''''*'");

        c = defaultFields();
        c.conditions[1].value = QStringLiteral("[0-9]#?*");
        QTest::newRow("wildcards kept") << c
            << QStringLiteral("select * from 客户信息 where 编号<>0 and 地址 Like '*[0-9]#?**'");
    }

    void queryRecordSource()
    {
        QFETCH(QueryCriteria, criteria);
        QFETCH(QString, expected);
        QCOMPARE(query::queryRecordSource(criteria), expected);
        QCOMPARE(query::hasCriterion(criteria), !expected.isEmpty());
    }

    void sortRecordSource_data()
    {
        QTest::addColumn<SortKeys>("keys");
        QTest::addColumn<QString>("expected");

        const QString date = QStringLiteral("接货日期");
        QTest::newRow("defaults") << SortKeys{date, false, date, false}
                                  << QStringLiteral("select * from 客户信息 order by 接货日期");
        QTest::newRow("primary descending")
            << SortKeys{date, true, date, false}
            << QStringLiteral("select * from 客户信息 order by 接货日期 desc");
        QTest::newRow("same secondary descending is not repeated")
            << SortKeys{date, false, date, true}
            << QStringLiteral("select * from 客户信息 order by 接货日期");
        QTest::newRow("primary empty") << SortKeys{QString(), false, QStringLiteral("编号"), true}
                                       << QString();
        QTest::newRow("secondary key")
            << SortKeys{QStringLiteral("型号"), false, QStringLiteral("编号"), false}
            << QStringLiteral("select * from 客户信息 order by 型号, 编号");
        QTest::newRow("both descending")
            << SortKeys{QStringLiteral("型号"), true, QStringLiteral("编号"), true}
            << QStringLiteral("select * from 客户信息 order by 型号 desc, 编号 desc");
        QTest::newRow("secondary empty")
            << SortKeys{QStringLiteral("型号"), true, QString(), true}
            << QStringLiteral("select * from 客户信息 order by 型号 desc");
        QTest::newRow("key used as typed")
            << SortKeys{QStringLiteral("no such"), false, QString(), false}
            << QStringLiteral("select * from 客户信息 order by no such");
    }

    void sortRecordSource()
    {
        QFETCH(SortKeys, keys);
        QFETCH(QString, expected);
        QCOMPARE(query::sortRecordSource(keys), expected);
    }
};

CORVALE_TEST_MAIN(TestStatements)
#include "tst_statements.moc"
