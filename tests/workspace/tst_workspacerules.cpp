// The workspace's rules as pure functions: Enter chains, leave checks, the
// fee total, the fill tables and the small command rules.
#include "support/testapp.h"
#include "workspace/commandrules.h"
#include "workspace/entryrules.h"
#include "workspace/feesum.h"
#include "workspace/lookups.h"

#include <QTest>

using namespace workspace;

namespace {
// The field a txtInfo element is bound to: the rules go by its kind.
const store::FieldDef &fieldOf(int index) { return *store::findField(txtInfoField(index)); }
} // namespace

class TestWorkspaceRules : public QObject {
    Q_OBJECT
private slots:
    void enterChainsStopAtTheHoles()
    {
        QList<int> chain;
        for (std::optional<int> i = 0; i; i = enterTarget(*i))
            chain << *i;
        QCOMPARE(chain, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(enterTarget(12), std::optional<int>(13));
        QVERIFY(!enterTarget(13));
        QCOMPARE(enterTarget(25), std::optional<int>(26));
        QVERIFY(!enterTarget(26));
        QVERIFY(!enterTarget(10)); // not an element at all
    }

    void leavingDateFields()
    {
        const QString date = QStringLiteral("2003-01-05");
        QCOMPARE(leaveOutcome(fieldOf(7), QStringLiteral("2003/1/5"), date), LeaveOutcome::Accept);
        QCOMPARE(leaveOutcome(fieldOf(7), QStringLiteral("2003-13-40"), date), LeaveOutcome::RefuseDate);
        QCOMPARE(leaveOutcome(fieldOf(12), QStringLiteral("明天"), date), LeaveOutcome::RefuseDate);
        QCOMPARE(leaveOutcome(fieldOf(9), QString(), date), LeaveOutcome::Accept);
        // 超保 in 购买日期 switches every date check off, itself included.
        for (int i : {5, 7, 9, 12, 13})
            QCOMPARE(leaveOutcome(fieldOf(i), QStringLiteral("乱写"), QStringLiteral("超保")), LeaveOutcome::Accept);
        // Only the exact text counts.
        QCOMPARE(leaveOutcome(fieldOf(7), QStringLiteral("乱写"), QStringLiteral(" 超保")), LeaveOutcome::RefuseDate);
        QCOMPARE(refusalText(LeaveOutcome::RefuseDate), QStringLiteral("日期格式输入有误！"));
    }

    void leavingNumberFields()
    {
        for (int i = 21; i <= 26; ++i)
            QCOMPARE(leaveOutcome(fieldOf(i), QString(), QString()), LeaveOutcome::FillZero);
        QCOMPARE(leaveOutcome(fieldOf(22), QStringLiteral("12.5"), QString()), LeaveOutcome::Accept);
        QCOMPARE(leaveOutcome(fieldOf(22), QStringLiteral("-3"), QString()), LeaveOutcome::Accept);
        QCOMPARE(leaveOutcome(fieldOf(23), QStringLiteral("12元"), QString()), LeaveOutcome::RefuseNumber);
        QCOMPARE(refusalText(LeaveOutcome::RefuseNumber), QStringLiteral("请输入数字！"));
        // Plain text fields have no leave rule.
        QCOMPARE(leaveOutcome(fieldOf(0), QString(), QString()), LeaveOutcome::Accept);
        QCOMPARE(leaveOutcome(fieldOf(8), QStringLiteral("12元"), QString()), LeaveOutcome::Accept);
    }

    void shopRule()
    {
        QVERIFY(needsShop(QStringLiteral("同意换机"), QString()));
        QVERIFY(needsShop(QStringLiteral("出具证明"), QString()));
        QVERIFY(!needsShop(QStringLiteral("同意换机"), QStringLiteral("百货大楼")));
        QVERIFY(!needsShop(QStringLiteral("同意换机 "), QString()));
        QVERIFY(!needsShop(QStringLiteral("更换门体"), QString()));
    }

    void feeSum_data()
    {
        QTest::addColumn<QStringList>("charges");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("total");
        using S = FeeSum::Status;
        QTest::newRow("plain") << QStringList{"20", "0", "0", "0", "30"} << int(S::Total) << "50";
        QTest::newRow("to the fen") << QStringList{"20", "150.5", "5", "0", "30"} << int(S::Total) << "205.5";
        QTest::newRow("fen sums exactly") << QStringList{"0.1", "0.2", "0.7", "10.01", "0"} << int(S::Total) << "11.01";
        QTest::newRow("half a fen to even") << QStringList{"12.125", "0", "0", "0", "0"} << int(S::Total) << "12.12";
        QTest::newRow("negative") << QStringList{"50", "-10", "0", "0", "0"} << int(S::Total) << "40";
        QTest::newRow("upper edge") << QStringList{"30000", "2767", "0", "0", "0"} << int(S::Total) << "32767";
        QTest::newRow("empty charge") << QStringList{"20", "", "0", "0", "0"} << int(S::EmptyCharge) << "";
        QTest::newRow("not numeric") << QStringList{"20", "12元", "0", "0", "0"} << int(S::NotNumeric) << "";
        QTest::newRow("running total over") << QStringList{"30000", "2768", "0", "0", "0"} << int(S::OutOfRange) << "";
        QTest::newRow("charge over") << QStringList{"40000", "0", "0", "0", "0"} << int(S::OutOfRange) << "";
        QTest::newRow("below") << QStringList{"-32768", "-1", "0", "0", "0"} << int(S::OutOfRange) << "";
        QTest::newRow("over then back") << QStringList{"32767", "1", "-1", "0", "0"} << int(S::OutOfRange) << "";
    }

    void feeSum()
    {
        QFETCH(QStringList, charges);
        QFETCH(int, status);
        QFETCH(QString, total);
        const FeeSum sum = sumCharges(charges);
        QCOMPARE(int(sum.status), status);
        QCOMPARE(sum.text, total);
        if (sum.status == FeeSum::Status::NotNumeric || sum.status == FeeSum::Status::OutOfRange)
            QVERIFY(!feeSumRefusal(sum.status).isEmpty());
    }

    void postcodeTable()
    {
        const QList<QPair<QString, QString>> table = {
            {"海曙", "315000"}, {"江东", "315040"}, {"江北", "315000"}, {"镇海", "315200"},
            {"北仑", "315800"}, {"鄞州", "315100"}, {"奉化", "315500"}, {"慈溪", "315400"},
            {"余姚", "315400"}, {"宁海", "315600"}, {"象山", "315700"}};
        for (const auto &[district, code] : table)
            QCOMPARE(postcodeFor(district), std::optional<QString>(code));
        QVERIFY(!postcodeFor(QStringLiteral("杭州")));
        QCOMPARE(districts().size(), table.size());
    }

    void materialCodesOnlyForXinfei()
    {
        const QList<QPair<QString, QString>> table = {
            {"冷凝器", "402"}, {"压缩机", "501"}, {"冷藏门", "203"}, {"冷冻门", "205"},
            {"箱体", "102"}, {"控制板组件", "532"}, {"显示板组件", "534"}, {"灯开关", "510"}};
        const QString xinfei = QStringLiteral("新飞BCD-182");
        for (const auto &[part, code] : table) {
            QCOMPARE(materialCodeFor(part, xinfei), std::optional<QString>(code));
            QVERIFY(!materialCodeFor(part, QStringLiteral("容声BCD-182")));
        }
        QVERIFY(!materialCodeFor(QStringLiteral("门封"), xinfei));
        QVERIFY(!materialCodeFor(QStringLiteral("压缩机"), QStringLiteral(" 新飞BCD-182")));
        QVERIFY(materialCodeFor(QStringLiteral("压缩机"), QStringLiteral("新飞")));
    }

    void repairTable()
    {
        struct Row { QString finding, content, code; };
        const QList<Row> table = {
            {"温控坏", "修理温控修复", "501-03"}, {"补偿未开", "开启补偿修复", "602"},
            {"冷凝器漏", "加装冷凝器修复", "419-01"}, {"内堵", "换过滤器修复", "419-01"},
            {"压缩机坏", "更换压缩机修复", "414-01"}, {"漏水", "疏通下水道修复", "616"},
            {"制冷管路共振影响噪音大", "调整管路修理", "625-02"},
            {"压机高压管与排气管口漏", "检漏补焊", "401-06"}, {"门体磕碰划伤", "更换门体", "201-01"}};
        for (const Row &r : table) {
            const auto xinfei = repairFor(r.finding, QStringLiteral("新飞BCD-182"));
            QVERIFY(xinfei);
            QCOMPARE(xinfei->content, r.content);
            QCOMPARE(xinfei->code, std::optional<QString>(r.code));
            const auto other = repairFor(r.finding, QStringLiteral("容声"));
            QVERIFY(other);
            QCOMPARE(other->content, r.content);
            QVERIFY(!other->code);
        }
        QVERIFY(!repairFor(QStringLiteral("灯泡坏"), QStringLiteral("新飞")));
    }

    void carryingFee()
    {
        for (const char *t : {"中修", "大修", "中修1", "大修1", "中修2", "大修2"})
            QCOMPARE(carryingFeeFor(QString::fromUtf8(t)), std::optional<QString>(QStringLiteral("30")));
        for (const char *t : {"小修", "小修1", "小修2", ""})
            QVERIFY(!carryingFeeFor(QString::fromUtf8(t)));
    }

    void captionAndNumbers()
    {
        const QString spaces(27, QLatin1Char(' '));
        QCOMPARE(recordCaption(0), spaces + QStringLiteral("第  1  条记录"));
        QCOMPARE(recordCaption(16), spaces + QStringLiteral("第  17  条记录"));
        QCOMPARE(recordCaption(-1), spaces + QStringLiteral("第  0  条记录"));
        QCOMPARE(nextJobNumber(17), std::optional<qint16>(18));
        QCOMPARE(nextJobNumber(-1), std::optional<qint16>(0));
        QVERIFY(!nextJobNumber(32767));
    }
};

CORVALE_TEST_MAIN(TestWorkspaceRules)
#include "tst_workspacerules.moc"
