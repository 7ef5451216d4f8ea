#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/coretestapp.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jobwriter.h"
#include "store/recordset.h"
#include "store/recordsetmodel.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace store;

namespace {

// Bound controls that can be told to fail, and that count how often they were asked.
class FakeControls : public PendingEdits {
public:
    common::Result<void> writePendingEdits() override
    {
        ++calls;
        return failWith;
    }
    int calls = 0;
    StoreError failWith;
};

// A field of the stored row, or an expression over it; the same on both engines.
QVariant storedValue(Database &db, int number, const QString &field)
{
    QSqlQuery q(db.sql());
    q.prepare(QString("SELECT %1 FROM 客户信息 WHERE 编号 = ?").arg(findField(field) ? quoted(field) : field));
    q.addBindValue(number);
    return q.exec() && q.next() ? q.value(0) : QVariant("<no row>");
}

int rowCount(Database &db)
{
    QSqlQuery q(db.sql());
    return q.exec("SELECT count(*) FROM 客户信息") && q.next() ? q.value(0).toInt() : -1;
}

QList<int> numbersInSet(const RecordSet &set)
{
    QList<int> numbers;
    for (int i = 0; i < set.recordCount(); ++i)
        numbers << set.rowAt(i).value("编号").toInt();
    return numbers;
}

} // namespace

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void navigatesWithStartAndEnd();
    void emptySetIsAtBothEnds();
    void pendingEditsAreWrittenBeforeLeavingARow();
    void failedSourceKeepsThePreviousSet();
    void findFirstTakesFirstInSetOrderOrKeepsPosition();
    void valuesConvertToTheFieldKinds();
    void badValuesAreRefusedAndTheRowKept();
    void addNewJoinsTheEndAndRefusesDuplicates();
    void deleteLeavesNoCurrentRowUntilAMove();
    void copyCurrentRenumbersAndKeepsPosition();
    void includeKeyAddsRowsWrittenElsewhere();
    void readersDoNotBlockOtherWriters();
    void gridShowsYesNoAndPlainNumbersAndResetsOnce();

private:
    std::unique_ptr<DataFolder> m_folder;
    std::unique_ptr<Database> m_db;
};

void TestRecordSet::init()
{
    m_folder = std::make_unique<DataFolder>();
    m_db = createJobTable(m_folder->path(), makeJobs(1, 5));
    QVERIFY(m_db);
}

void TestRecordSet::cleanup()
{
    m_db.reset();
    m_folder.reset();
}

void TestRecordSet::navigatesWithStartAndEnd()
{
    RecordSet set(*m_db);
    QSignalSpy moved(&set, &RecordSet::repositioned);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QCOMPARE(set.recordCount(), 5);
    QCOMPARE(set.absolutePosition(), 0);
    QCOMPARE(set.value("编号").toInt(), 1);
    QVERIFY(!set.bof() && !set.eof());

    QVERIFY(set.moveLast().ok());
    QCOMPARE(set.value("编号").toInt(), 5);
    QVERIFY(set.moveNext().ok());
    QVERIFY(set.eof());
    QVERIFY(!set.hasCurrent());
    QCOMPARE(set.absolutePosition(), -1);
    QVERIFY(set.value("编号").isNull());
    QCOMPARE(set.moveNext().error().code, code::NoCurrentRecord);
    QVERIFY(set.movePrevious().ok());
    QCOMPARE(set.value("编号").toInt(), 5);

    QVERIFY(set.moveFirst().ok());
    QVERIFY(set.movePrevious().ok());
    QVERIFY(set.bof() && !set.eof());
    QCOMPARE(set.absolutePosition(), -1);
    QCOMPARE(set.movePrevious().error().code, code::NoCurrentRecord);
    QVERIFY(set.moveNext().ok());
    QCOMPARE(set.value("编号").toInt(), 1);

    QVERIFY(set.moveTo(3).ok());
    QCOMPARE(set.value("编号").toInt(), 4);
    QCOMPARE(set.moveTo(5).error().code, code::NoCurrentRecord);
    QCOMPARE(set.absolutePosition(), 3);
    // one announcement per successful move, including the open
    QCOMPARE(moved.count(), 8);
}

void TestRecordSet::emptySetIsAtBothEnds()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(writer.execute("INSERT INTO 客户信息 SELECT 客户信息.* From 客户信息 WHERE 编号=99").ok());
    QVERIFY(set.setRecordSource("select * from 客户信息 where 编号=99").ok());
    QCOMPARE(set.recordCount(), 0);
    QVERIFY(set.bof() && set.eof());
    QCOMPARE(set.absolutePosition(), -1);
    QVERIFY(set.moveLast().ok());
    QVERIFY(set.bof() && set.eof());
    QCOMPARE(set.moveNext().error().code, code::NoCurrentRecord);
    QCOMPARE(set.edit().error().code, code::NoCurrentRecord);
    QCOMPARE(writer.deleteCurrent().error().code, code::NoCurrentRecord);
}

void TestRecordSet::pendingEditsAreWrittenBeforeLeavingARow()
{
    RecordSet set(*m_db);
    FakeControls controls;
    set.setPendingEdits(&controls);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QCOMPARE(controls.calls, 1);
    QVERIFY(set.moveNext().ok());
    QVERIFY(set.refresh().ok());
    QVERIFY(set.addNew().ok());
    set.cancelUpdate();
    QCOMPARE(controls.calls, 4);

    QVERIFY(set.moveTo(2).ok());
    controls.failWith = {code::FieldTooSmall, "too long"};
    QSignalSpy moved(&set, &RecordSet::repositioned);
    QSignalSpy reset(&set, &RecordSet::rowsReset);
    QCOMPARE(set.moveNext().error().code, code::FieldTooSmall);
    QCOMPARE(set.moveFirst().error().code, code::FieldTooSmall);
    QCOMPARE(set.refresh().error().code, code::FieldTooSmall);
    QCOMPARE(set.setRecordSource("select * from 客户信息 where 编号=1").error().code, code::FieldTooSmall);
    QCOMPARE(set.findFirst("编号 =1").error().code, code::FieldTooSmall);
    QCOMPARE(set.addNew().error().code, code::FieldTooSmall);
    QCOMPARE(set.absolutePosition(), 2);
    QCOMPARE(set.recordCount(), 5);
    QCOMPARE(set.recordSource(), QString("客户信息"));
    QCOMPARE(set.editMode(), RecordSet::EditMode::None);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(reset.count(), 0);
}

void TestRecordSet::failedSourceKeepsThePreviousSet()
{
    RecordSet set(*m_db);
    QVERIFY(set.setRecordSource("select * from 客户信息 order by 编号 desc").ok());
    QVERIFY(set.moveTo(1).ok());
    QSignalSpy moved(&set, &RecordSet::repositioned);
    QCOMPARE(set.setRecordSource("select * from 客户信息 where 不存在 Like '*'").error().code, code::Syntax);
    QCOMPARE(set.recordSource(), QString("select * from 客户信息 order by 编号 desc"));
    QCOMPARE(set.value("编号").toInt(), 4);
    QCOMPARE(moved.count(), 0);

    // refresh picks up rows written through another connection
    auto otherOpened = Database::open(m_db->path());
    QVERIFY2(otherOpened.ok(), qPrintable(otherOpened.error().text));
    auto other = std::move(otherOpened).value();
    QVERIFY(insertJobs(*other, {makeJob(6)}).ok());
    QCOMPARE(set.recordCount(), 5);
    QVERIFY(set.refresh().ok());
    QCOMPARE(numbersInSet(set), (QList<int>{6, 5, 4, 3, 2, 1}));
    QCOMPARE(set.absolutePosition(), 0);
}

void TestRecordSet::findFirstTakesFirstInSetOrderOrKeepsPosition()
{
    RecordSet set(*m_db);
    QVERIFY(set.setRecordSource("select * from 客户信息 order by 编号 desc").ok());
    QVERIFY(set.findFirst("已修否").ok()); // odd numbers are repaired: 5 comes first in this order
    QVERIFY(!set.noMatch());
    QCOMPARE(set.value("编号").toInt(), 5);
    QVERIFY(set.findFirst("编号 =2").ok());
    QCOMPARE(set.absolutePosition(), 3);

    QSignalSpy moved(&set, &RecordSet::repositioned);
    QVERIFY(set.findFirst("编号 =12").ok());
    QVERIFY(set.noMatch());
    QCOMPARE(set.absolutePosition(), 3);
    QCOMPARE(moved.count(), 0);
    QVERIFY(set.findFirst("编号 =2").ok());
    QVERIFY(!set.noMatch());

    // a row of the table outside the set is no match
    QVERIFY(set.setRecordSource("select * from 客户信息 where 编号=1").ok());
    QVERIFY(set.findFirst("编号 =3").ok());
    QVERIFY(set.noMatch());
    QCOMPARE(set.findFirst("编号 == 3").error().code, code::Syntax);
}

void TestRecordSet::valuesConvertToTheFieldKinds()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QVERIFY(set.edit().ok());
    set.setValue("出厂日期", "2003/1/5");
    set.setValue("到货日期", "");
    set.setValue("购买日期", "超保");
    set.setValue("发货日期", QDate(2004, 2, 29));
    set.setValue("里程数", "12.50");
    set.setValue("上门费", "20");
    set.setValue("维修费", "");
    set.setValue("已修否", true);
    set.setValue("开票时间", "9:5");
    set.setValue("配件", "");
    set.setValue("地址", "");
    set.setValue("客户姓名", QString(50, QChar(u'名')));
    QVERIFY(writer.save().ok());
    QCOMPARE(set.editMode(), RecordSet::EditMode::None);

    QCOMPARE(storedValue(*m_db, 1, "出厂日期"), QVariant("2003-01-05"));
    QVERIFY(storedValue(*m_db, 1, "到货日期").isNull());
    QCOMPARE(storedValue(*m_db, 1, "购买日期"), QVariant("超保"));
    QCOMPARE(storedValue(*m_db, 1, "发货日期"), QVariant("2004-02-29"));
    QCOMPARE(storedValue(*m_db, 1, "里程数").toDouble(), 12.5);
    QVERIFY(storedValue(*m_db, 1, "维修费").isNull());
    QCOMPARE(storedValue(*m_db, 1, "已修否").toInt(), -1);
    QCOMPARE(storedValue(*m_db, 1, "开票时间"), QVariant("09:05:00"));
    QCOMPARE(storedValue(*m_db, 1, "配件"), QVariant(""));
    QCOMPARE(storedValue(*m_db, 1, "\"配件\" IS NULL").toBool(), false); // "" rather than null
    QVERIFY(storedValue(*m_db, 1, "地址").isNull());

    // reading back: ISO dates, whole numbers as int
    QCOMPARE(set.value("出厂日期"), QVariant("2003-01-05"));
    QCOMPARE(set.value("上门费").typeId(), int(QMetaType::Int));
    QCOMPARE(set.value("上门费").toInt(), 20);
    QCOMPARE(set.value("里程数").toDouble(), 12.5);
    QCOMPARE(set.value("已修否").toInt(), -1);

    QVERIFY(set.edit().ok());
    set.setValue("已修否", "否");
    set.setValue("购买日期", "2002年3月4日");
    QVERIFY(writer.save().ok());
    QCOMPARE(set.value("已修否").toInt(), 0);
    QCOMPARE(set.value("购买日期"), QVariant("2002-03-04"));
}

void TestRecordSet::badValuesAreRefusedAndTheRowKept()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QVERIFY(set.moveTo(1).ok());
    const QVariant nameBefore = storedValue(*m_db, 2, "客户姓名");
    QSignalSpy changed(&set, &RecordSet::rowChanged);

    struct Case { QString field; QVariant value; int code; };
    const QList<Case> cases = {
        {"客户姓名", QString(51, QChar(u'长')), code::FieldTooSmall},
        {"备注", QString(256, QChar('x')), code::FieldTooSmall},
        {"编号", "40000", code::Overflow},
        {"编号", "-32769", code::Overflow},
        {"编号", "1", code::DuplicateKey},
        {"出厂日期", "2003-02-30", code::TypeMismatch},
        {"出厂日期", "昨天", code::TypeMismatch},
        {"维修费", "12元", code::TypeMismatch},
        {"开票时间", "25:00", code::TypeMismatch},
        {"已修否", "也许", code::TypeMismatch},
    };
    for (const Case &c : cases) {
        QVERIFY(set.edit().ok());
        set.setValue("客户姓名", "新名字"); // a good change alongside: it must not be written either
        set.setValue(c.field, c.value);
        const common::Result<void> e = writer.save();
        QVERIFY2(e.error().code == c.code, qPrintable(QString("%1=%2: %3 %4").arg(c.field, c.value.toString()).arg(e.error().code).arg(e.error().text)));
        QVERIFY(!e.error().text.isEmpty());
        // the buffer is kept for the user to correct
        QCOMPARE(set.editMode(), RecordSet::EditMode::Edit);
        QCOMPARE(set.value("客户姓名").toString(), c.field == "客户姓名" ? c.value.toString() : QString("新名字"));
        QCOMPARE(storedValue(*m_db, 2, "客户姓名"), nameBefore);
        set.cancelUpdate();
    }
    QCOMPARE(set.value("客户姓名"), nameBefore);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(rowCount(*m_db), 5);

    // Several refused at once: the error names the first in the table's order,
    // and each refusal names its field (the window puts the focus there).
    QVERIFY(set.edit().ok());
    set.setValue("开票时间", "25:00");
    set.setValue("维修费", "12元");
    set.setValue("出厂日期", "昨天");
    QCOMPARE(writer.save().error().field, QString("出厂日期"));
    set.cancelUpdate();
    QVERIFY(set.edit().ok());
    set.setValue("客户姓名", QString(51, QChar(u'长')));
    QCOMPARE(writer.save().error().field, QString("客户姓名"));
    set.cancelUpdate();

    // once corrected, the same buffer saves
    QVERIFY(set.edit().ok());
    set.setValue("编号", "40000");
    QCOMPARE(writer.save().error().code, code::Overflow);
    set.setValue("编号", "32767");
    QVERIFY(writer.save().ok());
    QCOMPARE(set.value("编号").toInt(), 32767);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
}

void TestRecordSet::addNewJoinsTheEndAndRefusesDuplicates()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("select * from 客户信息 order by 编号 desc").ok());
    QVERIFY(set.moveTo(2).ok());
    QSignalSpy reset(&set, &RecordSet::rowsReset);

    QVERIFY(set.addNew().ok());
    QCOMPARE(set.editMode(), RecordSet::EditMode::AddNew);
    QVERIFY(set.value("编号").isNull());
    set.setValue("编号", "4");
    const common::Result<void> duplicate = writer.save();
    QVERIFY2(duplicate.error().code == code::DuplicateKey, qPrintable(duplicate.error().text));
    QCOMPARE(rowCount(*m_db), 5);
    QCOMPARE(set.recordCount(), 5);
    QCOMPARE(reset.count(), 0);

    set.setValue("编号", "18");
    set.setValue("保修期", "六个月");
    QVERIFY(writer.save().ok());
    QCOMPARE(rowCount(*m_db), 6);
    QCOMPARE(numbersInSet(set), (QList<int>{5, 4, 3, 2, 1, 18}));
    QCOMPARE(set.absolutePosition(), 2);
    QCOMPARE(set.value("编号").toInt(), 3);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(storedValue(*m_db, 18, "保修期"), QVariant("六个月"));
    QCOMPARE(storedValue(*m_db, 18, "Photo"), QVariant(""));
    QVERIFY(set.moveLast().ok());
    QCOMPARE(set.value("编号").toInt(), 18);

    // moving away abandons an add that was never saved
    QVERIFY(set.addNew().ok());
    set.setValue("编号", "19");
    QVERIFY(set.moveFirst().ok());
    QCOMPARE(set.editMode(), RecordSet::EditMode::None);
    QCOMPARE(rowCount(*m_db), 6);
}

void TestRecordSet::deleteLeavesNoCurrentRowUntilAMove()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QVERIFY(set.moveTo(2).ok());
    QVERIFY(writer.deleteCurrent().ok());
    QCOMPARE(rowCount(*m_db), 4);
    QCOMPARE(set.recordCount(), 4);
    QVERIFY(!set.hasCurrent());
    QCOMPARE(set.absolutePosition(), -1);
    QVERIFY(set.value("编号").isNull());
    QVERIFY(set.movePrevious().ok());
    QCOMPARE(set.value("编号").toInt(), 2);

    QVERIFY(writer.deleteCurrent().ok());
    QVERIFY(set.moveNext().ok());
    QCOMPARE(set.value("编号").toInt(), 4);

    // the first row: nothing before it
    QVERIFY(set.moveFirst().ok());
    QVERIFY(writer.deleteCurrent().ok());
    QVERIFY(!set.hasCurrent());
    QVERIFY(set.movePrevious().ok());
    QVERIFY(set.bof());
    QCOMPARE(numbersInSet(set), (QList<int>{4, 5}));

    // the last row: moving on reaches the end
    QVERIFY(set.moveLast().ok());
    QVERIFY(writer.deleteCurrent().ok());
    QVERIFY(set.moveNext().ok());
    QVERIFY(set.eof());
    QCOMPARE(numbersInSet(set), QList<int>{4});
}

void TestRecordSet::copyCurrentRenumbersAndKeepsPosition()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("select * from 客户信息 where 编号=3").ok());
    const common::Result<qint64> copied = writer.copyCurrent(6, {{"故障修理", ""}, {"上门费", "0"}, {"接货日期", "2009-9-9"}});
    QVERIFY(copied.ok());
    const qint64 key = *copied;
    QCOMPARE(set.recordCount(), 2);
    QCOMPARE(set.absolutePosition(), 0);
    QCOMPARE(set.keyAt(1), key);
    QCOMPARE(set.rowAt(1).value("编号").toInt(), 6);
    QCOMPARE(set.rowAt(1).value("客户姓名"), set.rowAt(0).value("客户姓名"));
    QVERIFY(set.rowAt(1).value("故障修理").isNull());
    QCOMPARE(set.rowAt(1).value("上门费").toInt(), 0);
    QCOMPARE(set.rowAt(1).value("接货日期"), QVariant("2009-09-09"));
    QCOMPARE(set.rowAt(0).value("故障修理"), QVariant("不制冷"));

    QCOMPARE(writer.copyCurrent(6, {}).error().code, code::DuplicateKey);
    QCOMPARE(writer.copyCurrent(7, {{"出厂日期", "坏日期"}}).error().code, code::TypeMismatch);
    QCOMPARE(rowCount(*m_db), 6);
}

void TestRecordSet::includeKeyAddsRowsWrittenElsewhere()
{
    RecordSet set(*m_db);
    QVERIFY(set.setRecordSource("select * from 客户信息 where 编号=1").ok());
    QSqlQuery q(m_db->sql());
    QVERIFY(q.exec(QString("SELECT %1 FROM 客户信息 WHERE 编号 = 4").arg(rowKey(m_db->engine()))) && q.next());
    const qint64 key = q.value(0).toLongLong();
    q.finish();
    QSignalSpy reset(&set, &RecordSet::rowsReset);
    set.includeKey(key);
    set.includeKey(key);
    set.includeKey(99999);
    QCOMPARE(numbersInSet(set), (QList<int>{1, 4}));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(set.absolutePosition(), 0);
}

void TestRecordSet::readersDoNotBlockOtherWriters()
{
    auto otherOpened = Database::open(m_db->path());
    QVERIFY2(otherOpened.ok(), qPrintable(otherOpened.error().text));
    auto other = std::move(otherOpened).value();
    RecordSet reader(*m_db);
    QVERIFY(reader.setRecordSource("客户信息").ok());
    QCOMPARE(reader.value("编号").toInt(), 1);
    RecordSetModel model(reader, {"编号", "客户姓名"});
    QVERIFY(model.data(model.index(4, 1)).isValid());

    RecordSet otherSet(*other);
    QVERIFY(otherSet.setRecordSource("客户信息").ok());
    QVERIFY(otherSet.edit().ok());
    otherSet.setValue("客户姓名", "另一个窗口");
    const common::Result<void> e = JobWriter(otherSet).save();
    QVERIFY2(e.ok(), qPrintable(e.error().text));
    QVERIFY(reader.refresh().ok());
    QCOMPARE(reader.value("客户姓名"), QVariant("另一个窗口"));
}

void TestRecordSet::gridShowsYesNoAndPlainNumbersAndResetsOnce()
{
    RecordSet set(*m_db);
    JobWriter writer(set);
    QVERIFY(set.setRecordSource("客户信息").ok());
    QVERIFY(set.moveTo(3).ok());
    QVERIFY(set.edit().ok());
    set.setValue("已修否", "");
    QVERIFY(writer.save().ok());
    RecordSetModel model(set, {"编号", "已修否", "上门费", "维修费", "接货日期"});
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("已修否"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QString("是"));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QString("否"));
    // An emptied flag is stored as 否, never left unset.
    QCOMPARE(model.data(model.index(3, 1)).toString(), QString("否"));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QString("20"));
    QCOMPARE(model.data(model.index(0, 3)).toString(), QString("35.5"));
    QCOMPARE(model.data(model.index(0, 4)).toString(), QString("2003-01-02"));

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(set.refresh().ok());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserted.count(), 0);

    QVERIFY(set.moveTo(2).ok());
    QVERIFY(set.edit().ok());
    set.setValue("上门费", "7");
    QVERIFY(writer.save().ok());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 2);
    QCOMPARE(model.data(model.index(2, 2)).toString(), QString("7"));
}

CORVALE_CORE_TEST_MAIN(TestRecordSet)
#include "tst_recordset.moc"
