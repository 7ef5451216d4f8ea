#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/coretestapp.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"
#include "store/jobwriter.h"
#include "store/recordset.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace store;

namespace {

QVariantMap job(int number, const QString &name, const QString &model, const QString &received, QVariant repaired)
{
    return makeJob(number, {{"客户姓名", name}, {"型号", model}, {"接货日期", received}, {"已修否", repaired}});
}

// A small table whose rows differ in exactly the ways the statements test.
QList<QVariantMap> sampleJobs()
{
    return {
        job(10, "张三", "新飞BCD-196", "2003-01-01", -1),
        job(3, "Zhang San", "海尔KFR-35", "2003-01-15", 0),
        job(7, "李四*", "新飞bcd-230", "2003-02-01", -1),
        job(1, "王五", "美的", "2002-12-31", QVariant()),
        job(5, "o'brien", "A1B", "2003-01-31", 0),
        job(0, "zoe", "A2C", "2003-01-20", -1),
    };
}

QList<int> numbersSelected(Database &db, const QString &statement)
{
    const common::Result<JetTranslation> t = translateJet(statement, db.engine());
    if (t.failed()) {
        qWarning() << statement << t.error().text;
        return {-999};
    }
    QSqlQuery q(db.sql());
    q.prepare(t->sql);
    for (const QVariant &p : t->params)
        q.addBindValue(p);
    if (!q.exec()) {
        qWarning() << t->sql << q.lastError().text();
        return {-998};
    }
    QList<int> numbers;
    while (q.next())
        numbers << q.value(0).toInt();
    return numbers;
}

QString tableDump(Database &db)
{
    QSqlQuery q(db.sql());
    q.exec("SELECT * FROM 客户信息 ORDER BY 编号");
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << q.value(i).toString();
        rows << cells.join('|');
    }
    return rows.join('\n');
}

} // namespace

class TestJetSql : public QObject {
    Q_OBJECT
private slots:
    void likeFollowsJetWildcards_data();
    void likeFollowsJetWildcards();
    void acceptedStatementsSelectTheRightRows_data();
    void acceptedStatementsSelectTheRightRows();
    void fullSelectHasEveryColumnAndTheRowid();
    void datesBecomeIsoParameters();
    void aDateTestsAsSQLiteDateDoes();
    void criterionForFindFirst();
    void insertCopyIsRefusedByTheUniqueIndex();
    void rejectedStatements_data();
    void rejectedStatements();
    void rejectedStatementsLeaveTheFileUntouched();
};

void TestJetSql::likeFollowsJetWildcards_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    QTest::newRow("substring") << "新飞BCD-196" << "*BCD*" << true;
    QTest::newRow("substring absent") << "海尔KFR-35" << "*BCD*" << false;
    QTest::newRow("ascii case-insensitive") << "新飞bcd-230" << "*BcD*" << true;
    QTest::newRow("whole text without stars") << "新飞" << "新飞" << true;
    QTest::newRow("no stars is anchored") << "新飞冰箱" << "新飞" << false;
    QTest::newRow("prefix") << "新飞冰箱" << "新飞*" << true;
    QTest::newRow("? one char") << "A1B" << "A?B" << true;
    QTest::newRow("? exactly one") << "A12B" << "A?B" << false;
    QTest::newRow("# a digit") << "A1B" << "A#B" << true;
    QTest::newRow("# not a letter") << "AxB" << "A#B" << false;
    QTest::newRow("range") << "b" << "[a-c]" << true;
    QTest::newRow("range upper case") << "B" << "[a-c]" << true;
    QTest::newRow("outside range") << "d" << "[a-c]" << false;
    QTest::newRow("list") << "x9" << "[xyz]#" << true;
    QTest::newRow("negated") << "y" << "[!x]" << true;
    QTest::newRow("negated hit") << "x" << "[!x]" << false;
    QTest::newRow("literal star in brackets") << "李四*" << "*[*]" << true;
    QTest::newRow("literal star needed") << "李四" << "*[*]" << false;
    QTest::newRow("literal hash in brackets") << "#1" << "[#]#" << true;
    QTest::newRow("unclosed bracket is literal") << "a[b" << "*[*" << true;
    QTest::newRow("empty star") << "" << "*" << true;
    QTest::newRow("star backtracking") << "abcabcabd" << "*abd" << true;
    QTest::newRow("star star") << "abc" << "a**c" << true;
    QTest::newRow("quote") << "o'brien" << "*'b*" << true;
    QTest::newRow("chinese substring") << "人民路12号" << "*民路*" << true;
}

void TestJetSql::likeFollowsJetWildcards()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(jetLike(text, pattern), matches);
}

// Rows in the order the table keeps them: as written in the file, by job
// number on the server (which keeps no order of its own).
QList<int> tableOrder(QList<int> numbers)
{
    if (onServer())
        std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void TestJetSql::acceptedStatementsSelectTheRightRows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QList<int>>("numbers");
    const QString base = "select * from 客户信息 where 编号<>0";
    QTest::newRow("table name") << "客户信息" << tableOrder(QList<int>{10, 3, 7, 1, 5, 0});
    QTest::newRow("full select") << "select * from 客户信息" << tableOrder(QList<int>{10, 3, 7, 1, 5, 0});
    QTest::newRow("upper case") << "SELECT * FROM 客户信息 ORDER BY 编号" << QList<int>{0, 1, 3, 5, 7, 10};
    QTest::newRow("query base") << base << tableOrder(QList<int>{10, 3, 7, 1, 5});
    QTest::newRow("like substring") << base + " and 型号 Like '*bcd*'" << tableOrder(QList<int>{10, 7});
    QTest::newRow("like lower keyword") << base + " and 型号 like '*KFR*'" << QList<int>{3};
    QTest::newRow("like quote doubled") << base + " and 客户姓名 Like '*''b*'" << QList<int>{5};
    QTest::newRow("like star literal") << base + " and 客户姓名 Like '*[*]*'" << QList<int>{7};
    QTest::newRow("like digit and list") << base + " and 型号 Like 'A#[a-c]'" << QList<int>{5};
    QTest::newRow("two likes") << base + " and 型号 Like '*新飞*' and 客户姓名 Like '*张*'" << QList<int>{10};
    QTest::newRow("from date inclusive") << base + " and 接货日期 >= #2003-1-15#" << tableOrder(QList<int>{3, 7, 5});
    QTest::newRow("to date inclusive") << base + " and 接货日期 <= #2003/1/15#" << tableOrder(QList<int>{10, 3, 1});
    QTest::newRow("date range") << base + " and 接货日期 >= #2003-01-01# and 接货日期 <= #2003-1-31#"
                                << tableOrder(QList<int>{10, 3, 5});
    QTest::newRow("repaired") << base + " and 已修否" << tableOrder(QList<int>{10, 7});
    // An unset flag in a file from before the flag was never empty reads as 否.
    QTest::newRow("not repaired, two blanks") << base + " and  not 已修否" << tableOrder(QList<int>{3, 1, 5});
    QTest::newRow("NOT upper") << base + " AND NOT 已修否" << tableOrder(QList<int>{3, 1, 5});
    QTest::newRow("order by date") << "select * from 客户信息 order by 接货日期" << QList<int>{1, 10, 3, 0, 5, 7};
    QTest::newRow("order by desc") << "select * from 客户信息 order by 接货日期 desc" << QList<int>{7, 5, 0, 3, 10, 1};
    QTest::newRow("order by two keys") << "select * from 客户信息 order by 已修否, 编号 desc" << QList<int>{1, 10, 7, 0, 5, 3};
    QTest::newRow("order ties keep table order") << "select * from 客户信息 order by 邮编" << tableOrder(QList<int>{10, 3, 7, 1, 5, 0});
    QTest::newRow("order text by pinyin, case ignored") << "select * from 客户信息 order by 客户姓名" << QList<int>{7, 1, 10, 5, 3, 0};
    QTest::newRow("text equality ignores case") << "select * from 客户信息 where 客户姓名='ZHANG SAN'" << QList<int>{3};
    QTest::newRow("and binds tighter than or") << "select * from 客户信息 where 编号=3 or 编号=7 and not 已修否 order by 编号" << QList<int>{3};
    QTest::newRow("brackets") << "select * from 客户信息 where (编号=3 or 编号=7) and 已修否 order by 编号" << QList<int>{7};
    QTest::newRow("is null, is not null") << "select * from 客户信息 where 已修否 Is Null or 型号 is not null and 编号 > 9" << tableOrder(QList<int>{10, 1});
    QTest::newRow("number") << "select * from 客户信息 where 编号=7" << QList<int>{7};
    QTest::newRow("number Select") << "Select * from 客户信息 where 编号=3" << QList<int>{3};
    QTest::newRow("number spaced") << "select * from 客户信息 where 编号 =5" << QList<int>{5};
    QTest::newRow("absent number") << "select * from 客户信息 where 编号=99" << QList<int>{};
    QTest::newRow("trailing semicolon") << "select * from 客户信息 where 编号=3;" << QList<int>{3};
    QTest::newRow("text equality") << "select * from 客户信息 where 客户姓名='王五'" << QList<int>{1};
    QTest::newRow("field name any case") << "select * from 客户信息 where PHOTO = '' order by 编号 DESC" << QList<int>{10, 7, 5, 3, 1, 0};
    QTest::newRow("qualified field") << "select * from 客户信息 where 客户信息.编号 = 3" << QList<int>{3};
        QTest::newRow("yes/no compared") << "select * from 客户信息 where 已修否=True order by 编号" << QList<int>{0, 7, 10};
}

void TestJetSql::acceptedStatementsSelectTheRightRows()
{
    QFETCH(QString, statement);
    QFETCH(QList<int>, numbers);
    DataFolder folder;
    auto db = createEarlierJobTable(folder.path(), sampleJobs());
    QVERIFY(db);
    QCOMPARE(numbersSelected(*db, statement), numbers);

    // The record set opened on the same source holds the same rows in the same order.
    RecordSet set(*db);
    QVERIFY(set.setRecordSource(statement).ok());
    QList<int> inSet;
    for (int i = 0; i < set.recordCount(); ++i)
        inSet << set.rowAt(i).value("编号").toInt();
    QCOMPARE(inSet, numbers);
}

void TestJetSql::fullSelectHasEveryColumnAndTheRowid()
{
    DataFolder folder;
    auto db = createEarlierJobTable(folder.path(), sampleJobs());
    QVERIFY(db);
    const common::Result<JetTranslation> t = translateJet("select * from 客户信息", db->engine());
    QVERIFY(t.ok());
    QCOMPARE(t->kind, JetTranslation::Kind::Select);
    QSqlQuery q(db->sql());
    QVERIFY(q.exec(t->sql));
    QStringList columns;
    for (int i = 0; i < q.record().count(); ++i)
        columns << q.record().fieldName(i);
    // The row key last: the file's rowid, the job number on the server.
    QCOMPARE(columns, fieldNames() << (onServer() ? "编号" : "rowid"));
}

void TestJetSql::datesBecomeIsoParameters()
{
    for (const QString &literal : {"#2003-1-1#", "#2003/1/1#", "#2003-01-01#", "#2003.1.1#"}) {
        const common::Result<JetTranslation> t = translateJet("select * from 客户信息 where 接货日期 >= " + literal);
        QVERIFY2(t.ok(), qPrintable(t.error().text));
        QCOMPARE(t->params, QVariantList{"2003-01-01"});
        QVERIFY(!t->sql.contains("2003"));
    }
    // user text travels as a parameter, never in the SQL text
    const common::Result<JetTranslation> like = translateJet("select * from 客户信息 where 编号<>0 and 地址 Like '*'');drop table x;--*'");
    QVERIFY(like.ok());
    QVERIFY(!like->sql.contains("drop"));
    QCOMPARE(like->params.last().toString(), QString("*');drop table x;--*"));
}

// The file's own date test answers as SQLite's date() would, on every shape
// of value older programs left in a date column.
void TestJetSql::aDateTestsAsSQLiteDateDoes()
{
    if (onServer())
        QSKIP("the file's date test");
    DataFolder folder;
    auto db = createJobTable(folder.path(), {});
    QVERIFY(db);
    const QVariantList values{QStringLiteral("2024-02-29"), QStringLiteral("2023-02-29"), QStringLiteral("0000-02-29"),
                              QStringLiteral("1900-02-29"), QStringLiteral("2000-02-29"), QStringLiteral("2024-04-31"),
                              QStringLiteral("2024-13-01"), QStringLiteral("2024-00-10"), QStringLiteral("2024-01-00"),
                              QStringLiteral("2024-1-5"), QStringLiteral("2024-01-05 "), QStringLiteral("2024/01/05"),
                              QStringLiteral("９０２４-01-05"), QStringLiteral("9999-12-31"), QString(""), 20240105,
                              QVariant(), QStringLiteral("超保")};
    QSqlQuery q(db->sql());
    QVERIFY(q.prepare(QStringLiteral("WITH v(x) AS (SELECT ?) SELECT corvale_is_date(x), "
                                     "(x GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' AND date(x, '+0 days') IS x) FROM v")));
    for (const QVariant &v : values) {
        q.bindValue(0, v);
        QVERIFY2(q.exec() && q.next(), qPrintable(q.lastError().text()));
        QVERIFY2(q.value(0) == q.value(1), qPrintable(v.toString()));
    }
}

void TestJetSql::criterionForFindFirst()
{
    const common::Result<JetTranslation> t = translateJetCondition("编号 =12");
    QVERIFY2(t.ok(), qPrintable(t.error().text));
    QCOMPARE(t->params, QVariantList{12});
    QCOMPARE(translateJetCondition("编号 =-12")->params, QVariantList{-12});
    QVERIFY(translateJetCondition("编号 =").failed());
    QVERIFY(translateJetCondition("select * from 客户信息").failed());
}

void TestJetSql::insertCopyIsRefusedByTheUniqueIndex()
{
    DataFolder folder;
    auto db = createEarlierJobTable(folder.path(), sampleJobs());
    QVERIFY(db);
    const common::Result<JetTranslation> t = translateJet("INSERT INTO 客户信息 SELECT 客户信息.* From 客户信息 WHERE 编号=7");
    QVERIFY2(t.ok(), qPrintable(t.error().text));
    QCOMPARE(t->kind, JetTranslation::Kind::InsertCopy);
    const QString before = tableDump(*db);
    RecordSet set(*db);
    QCOMPARE(JobWriter(set).execute("INSERT INTO 客户信息 SELECT 客户信息.* From 客户信息 WHERE 编号=7").error().code, code::DuplicateKey);
    QCOMPARE(tableDump(*db), before);
    // a number nobody has copies nothing and succeeds
    QVERIFY(JobWriter(set).execute("INSERT INTO 客户信息 SELECT 客户信息.* From 客户信息 WHERE 编号=99").ok());
    QCOMPARE(tableDump(*db), before);
}

void TestJetSql::rejectedStatements_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("mentions");
    QTest::addColumn<int>("position");
    const QString base = "select * from 客户信息 where 编号<>0";
    QTest::newRow("unknown field") << base + " and 姓名 Like '*a*'" << "姓名" << int(base.size()) + 5;
    QTest::newRow("unknown order field") << "select * from 客户信息 order by 价格" << "价格" << 28;
    QTest::newRow("unterminated quote") << base + " and 地址 Like '*abc" << "引号" << int(base.size()) + 13;
    QTest::newRow("malformed date") << base + " and 接货日期 >= #2003-13-1#" << "2003-13-1" << int(base.size()) + 13;
    QTest::newRow("not a date") << base + " and 接货日期 >= #abc#" << "abc" << -1;
    QTest::newRow("unterminated date") << base + " and 接货日期 >= #2003-1-1" << "#" << -1;
    QTest::newRow("second statement") << "select * from 客户信息; delete from 客户信息" << "一条语句" << -1;
    QTest::newRow("delete") << "delete from 客户信息" << "delete" << 0;
    QTest::newRow("drop") << "DROP TABLE 客户信息" << "DROP" << 0;
    QTest::newRow("update") << "update 客户信息 set 编号=1" << "update" << 0;
    QTest::newRow("other table") << "select * from sqlite_master" << "sqlite_master" << 14;
    QTest::newRow("garbage after") << "select * from 客户信息 where 编号=1 garbage" << "garbage" << -1;
    QTest::newRow("unclosed bracket") << base + " and (已修否 or 编号=1" << ")" << -1;
    QTest::newRow("bare text field") << base + " and 地址" << "地址" << -1;
    QTest::newRow("not on text field") << base + " and not 地址" << "地址" << -1;
    QTest::newRow("like without pattern") << base + " and 地址 Like 5" << "Like" << -1;
    QTest::newRow("column list") << "select 编号 from 客户信息" << "*" << -1;
    QTest::newRow("empty") << "" << "空的" << -1;
    QTest::newRow("stray symbol") << "select * from 客户信息 where 编号=1 | 1" << "|" << -1;
    QTest::newRow("date against number") << "select * from 客户信息 where 编号 = #2003-1-1#" << "编号" << -1;
}

void TestJetSql::rejectedStatements()
{
    QFETCH(QString, statement);
    QFETCH(QString, mentions);
    QFETCH(int, position);
    const common::Result<JetTranslation> t = translateJet(statement);
    QVERIFY(t.failed());
    QCOMPARE(t.error().code, code::Syntax);
    QVERIFY2(t.error().text.contains(mentions, Qt::CaseInsensitive), qPrintable(t.error().text));
    QVERIFY(t.error().position >= 0 && t.error().position <= statement.size());
    if (position >= 0)
        QCOMPARE(t.error().position, position);
}

void TestJetSql::rejectedStatementsLeaveTheFileUntouched()
{
    DataFolder folder;
    auto db = createEarlierJobTable(folder.path(), sampleJobs());
    QVERIFY(db);
    const QString before = tableDump(*db);
    RecordSet set(*db);
    QVERIFY(set.setRecordSource("select * from 客户信息 order by 编号").ok());
    QVERIFY(set.moveLast().ok());
    for (const QString &bad : {"delete from 客户信息", "select * from 客户信息; drop table 客户信息",
                               "select * from 客户信息 where 地址 Like 'x", "客户信息 where 1"}) {
        const common::Result<void> e = set.setRecordSource(bad);
        QCOMPARE(e.error().code, code::Syntax);
        QCOMPARE(JobWriter(set).execute(bad).error().code, code::Syntax);
    }
    QCOMPARE(JobWriter(set).execute("select * from 客户信息").error().code, code::Syntax);
    // the set keeps its previous source and position
    QCOMPARE(set.recordSource(), QString("select * from 客户信息 order by 编号"));
    QCOMPARE(set.absolutePosition(), 5);
    QCOMPARE(set.value("编号").toInt(), 10);
    QCOMPARE(tableDump(*db), before);
}

CORVALE_CORE_TEST_MAIN(TestJetSql)
#include "tst_jetsql.moc"
