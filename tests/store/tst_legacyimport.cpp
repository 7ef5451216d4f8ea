// Old 客户信息 rows onto the new table, the new file's writing, and the
// import's handling of the original file.
#include "store/database.h"
#include "store/fields.h"
#include "store/legacyimport.h"
#include "support/checked.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/coretestapp.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

using namespace store;

namespace {

QString testFile(const char *name)
{
    return QStringLiteral(CORVALE_TESTDATA_DIR "/legacy-mdb/") + QLatin1String(name);
}

QByteArray sha(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The rows of the table at path by 编号, every field read back as stored.
QMap<int, QVariantMap> storedJobs(const QString &path)
{
    QMap<int, QVariantMap> jobs;
    const auto db = Database::open(path);
    if (db.failed()) {
        qWarning() << db.error().text;
        return jobs;
    }
    QSqlQuery q((*db)->sql());
    q.exec(QStringLiteral("SELECT * FROM 客户信息"));
    while (q.next()) {
        QVariantMap row;
        for (const QString &name : fieldNames())
            row.insert(name, q.value(name));
        jobs.insert(row.value(QStringLiteral("编号")).toInt(), row);
    }
    return jobs;
}

QVariantMap job(int number, const QString &name)
{
    return {{QStringLiteral("编号"), qint64(number)}, {QStringLiteral("客户姓名"), name}};
}

const QStringList kTwoColumns = {QStringLiteral("编号"), QStringLiteral("客户姓名")};

} // namespace

class TestLegacyImport : public QObject {
    Q_OBJECT
private slots:
    void everyKindIsStoredInItsNewForm();
    void purchaseDateKeepsWordsAndNormalisesDates();
    void duplicateAndMissingNumbersAreRenumbered();
    void missingFieldsGetDefaultsAndExtraFieldsAreListed();
    void valuesThatDoNotFitAreKeptOrListed();
    void summaryNamesWhatChanged();
    void failedWriteLeavesNoFile();
    void importSwapsInTheNewFileAndKeepsTheOriginal();
    void accessFileWithoutJobTableIsLeftAlone();
};

void TestLegacyImport::everyKindIsStoredInItsNewForm()
{
    const QVariantMap old = {
        {QStringLiteral("编号"), qint64(17)},
        {QStringLiteral("客户姓名"), QStringLiteral("王先生")},
        {QStringLiteral("邮编"), 450000.0},
        {QStringLiteral("购买日期"), QDateTime(QDate(2003, 5, 6), QTime(0, 0))},
        {QStringLiteral("出厂日期"), QDateTime(QDate(2002, 1, 1), QTime(13, 0))},
        {QStringLiteral("接货日期"), QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
        {QStringLiteral("里程数"), 12.5},
        {QStringLiteral("上门费"), qint64(30)},
        {QStringLiteral("已修否"), true},
        {QStringLiteral("是否申请"), false},
        {QStringLiteral("开票时间"), QDateTime(QDate(1899, 12, 30), QTime(14, 30, 5))},
        {QStringLiteral("配件"), QVariant()},
        {QStringLiteral("Photo"), QVariant()},
        {QStringLiteral("备注"), QVariant()},
    };
    const auto mappedResult = mapLegacyJobs(old.keys(), {old});
    QVERIFY(mappedResult.ok());
    const MappedJobs &mapped = *mappedResult;
    QCOMPARE(mapped.rows.size(), 1);

    DataFolder folder;
    const QString path = folder.file(QStringLiteral("new.db"));
    const common::Result<void> err = writeJobs(path, mapped.rows);
    QVERIFY2(err.ok(), qPrintable(err.error().text));
    const QVariantMap row = storedJobs(path).value(17);
    QCOMPARE(row.value(QStringLiteral("客户姓名")).toString(), QStringLiteral("王先生"));
    QCOMPARE(row.value(QStringLiteral("邮编")).toString(), QStringLiteral("450000"));
    QCOMPARE(row.value(QStringLiteral("购买日期")).toString(), QStringLiteral("2003-05-06"));
    QCOMPARE(row.value(QStringLiteral("出厂日期")).toString(), QStringLiteral("2002-01-01"));
    QCOMPARE(row.value(QStringLiteral("接货日期")).toString(), QStringLiteral("1899-12-29"));
    QCOMPARE(row.value(QStringLiteral("里程数")).toDouble(), 12.5);
    QCOMPARE(row.value(QStringLiteral("上门费")).toInt(), 30);
    QCOMPARE(row.value(QStringLiteral("已修否")).toInt(), -1);
    QCOMPARE(row.value(QStringLiteral("是否申请")).toString(), QStringLiteral("否"));
    QCOMPARE(row.value(QStringLiteral("开票时间")).toString(), QStringLiteral("14:30:05"));
    QVERIFY(!row.value(QStringLiteral("配件")).isNull());
    QCOMPARE(row.value(QStringLiteral("配件")).toString(), QString());
    QVERIFY(!row.value(QStringLiteral("Photo")).isNull());
    QVERIFY(row.value(QStringLiteral("备注")).isNull());
    QVERIFY(row.value(QStringLiteral("发货日期")).isNull());
}

void TestLegacyImport::purchaseDateKeepsWordsAndNormalisesDates()
{
    const QStringList columns = {QStringLiteral("编号"), QStringLiteral("购买日期")};
    const QList<QVariantMap> rows = {
        {{"编号", qint64(1)}, {"购买日期", QStringLiteral("超保")}},
        {{"编号", qint64(2)}, {"购买日期", QStringLiteral("2003-5-6")}},
        {{"编号", qint64(3)}, {"购买日期", QStringLiteral("2003年12月1日")}},
        {{"编号", qint64(4)}, {"购买日期", QStringLiteral("2004-02-29")}},
        {{"编号", qint64(5)}, {"购买日期", QStringLiteral("发票遗失")}},
    };
    const auto mappedResult = mapLegacyJobs(columns, rows);
    QVERIFY(mappedResult.ok());
    const MappedJobs &mapped = *mappedResult;
    auto purchase = [&](int i) { return mapped.rows.at(i).value(QStringLiteral("购买日期")).toString(); };
    QCOMPARE(purchase(0), QStringLiteral("超保"));
    QCOMPARE(purchase(1), QStringLiteral("2003-05-06"));
    QCOMPARE(purchase(2), QStringLiteral("2003-12-01"));
    QCOMPARE(purchase(3), QStringLiteral("2004-02-29"));
    QCOMPARE(purchase(4), QStringLiteral("发票遗失"));
    // Only the two dates typed another way count as changed.
    QCOMPARE(mapped.conversions.size(), 2);
    QCOMPARE(mapped.conversions.at(0).jobNumber, 2);
    QCOMPARE(mapped.conversions.at(0).kind, Conversion::Kind::Reformatted);
}

void TestLegacyImport::duplicateAndMissingNumbersAreRenumbered()
{
    const QList<QVariantMap> rows = {
        job(1, "甲"), job(2, "乙"), job(2, "乙的复制"), job(3, "丙"),
        {{"编号", QVariant()}, {"客户姓名", QStringLiteral("无编号")}},
        job(32767, "满"), job(32767, "满的复制"),
        {{"编号", qint64(40000)}, {"客户姓名", QStringLiteral("超出范围")}},
    };
    const auto mappedResult = mapLegacyJobs(kTwoColumns, rows);
    QVERIFY(mappedResult.ok());
    const MappedJobs &mapped = *mappedResult;
    QCOMPARE(mapped.rows.size(), rows.size());

    QList<int> numbers;
    for (const QVariantMap &r : mapped.rows)
        numbers << r.value(QStringLiteral("编号")).toInt();
    // A later original (3) keeps its number; the copy of 2 goes past it.
    QCOMPARE(numbers, QList<int>({1, 2, 4, 3, 5, 32767, 6, 7}));
    QCOMPARE(mapped.renumbered.size(), 4);
    QCOMPARE(mapped.renumbered.at(0).oldNumber.toInt(), 2);
    QCOMPARE(mapped.renumbered.at(0).newNumber, 4);
    QVERIFY(!mapped.renumbered.at(1).oldNumber.isValid());
    QCOMPARE(mapped.renumbered.at(2).oldNumber.toInt(), 32767);
    QCOMPARE(mapped.renumbered.at(3).oldNumber.toInt(), 40000);

    DataFolder folder;
    const QString path = folder.file(QStringLiteral("new.db"));
    QVERIFY(writeJobs(path, mapped.rows).ok());
    const auto stored = storedJobs(path);
    QCOMPARE(stored.size(), rows.size());
    QCOMPARE(stored.value(4).value(QStringLiteral("客户姓名")).toString(), QStringLiteral("乙的复制"));
}

void TestLegacyImport::missingFieldsGetDefaultsAndExtraFieldsAreListed()
{
    const QStringList columns = {QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("旧备注2"),
                                 QStringLiteral("photo")};
    const QList<QVariantMap> rows = {
        {{"编号", qint64(1)}, {"客户姓名", QStringLiteral("李")}, {"旧备注2", QStringLiteral("x")},
         {"photo", QStringLiteral("C:\\p\\1.jpg")}},
    };
    const auto mappedResult = mapLegacyJobs(columns, rows);
    QVERIFY(mappedResult.ok());
    const MappedJobs &mapped = *mappedResult;
    QCOMPARE(mapped.ignoredFields, QStringList({QStringLiteral("旧备注2")}));
    QVERIFY(mapped.missingFields.contains(QStringLiteral("配件")));
    QVERIFY(mapped.missingFields.contains(QStringLiteral("已修否")));
    QVERIFY(!mapped.missingFields.contains(QStringLiteral("Photo")));
    QCOMPARE(mapped.missingFields.size(), fields().size() - 3);

    const QVariantMap row = mapped.rows.first();
    QCOMPARE(row.value(QStringLiteral("Photo")).toString(), QStringLiteral("C:\\p\\1.jpg"));
    QCOMPARE(row.value(QStringLiteral("配件")), QVariant(QStringLiteral("")));
    QCOMPARE(row.value(QStringLiteral("是否申请")).toString(), QStringLiteral("否"));
    QCOMPARE(row.value(QStringLiteral("已修否")).toInt(), 0);
    QVERIFY(!row.contains(QStringLiteral("旧备注2")));

    DataFolder folder;
    QVERIFY(writeJobs(folder.file(QStringLiteral("new.db")), mapped.rows).ok());
}

void TestLegacyImport::valuesThatDoNotFitAreKeptOrListed()
{
    const QString longName = QString(60, QChar(0x5F20)); // 张 × 60; the field takes 50
    const QStringList columns = {"编号", "客户姓名", "出厂日期", "维修费", "车补", "已修否", "开票时间"};
    const QList<QVariantMap> rows = {
        {{"编号", qint64(1)}, {"客户姓名", longName}, {"出厂日期", QStringLiteral("去年")},
         {"维修费", QStringLiteral("12.5")}, {"车补", QStringLiteral("五元")}, {"已修否", QStringLiteral("是")},
         {"开票时间", QStringLiteral("下午 2:05:09")}},
        {{"编号", qint64(2)}, {"客户姓名", QStringLiteral("短")}, {"出厂日期", QStringLiteral("2001/2/3")},
         {"维修费", qint64(8)}, {"车补", QVariant()}, {"已修否", QStringLiteral("也许")},
         {"开票时间", QStringLiteral("25:00")}},
    };
    const auto mappedResult = mapLegacyJobs(columns, rows);
    QVERIFY(mappedResult.ok());
    const MappedJobs &mapped = *mappedResult;
    const QVariantMap first = mapped.rows.at(0);
    const QVariantMap second = mapped.rows.at(1);
    QCOMPARE(first.value("客户姓名").toString(), QString(50, QChar(0x5F20)));
    QVERIFY(first.value("出厂日期").isNull());
    QCOMPARE(first.value("维修费").toDouble(), 12.5);
    QVERIFY(first.value("车补").isNull());
    QCOMPARE(first.value("已修否").toInt(), -1);
    QCOMPARE(first.value("开票时间").toString(), QStringLiteral("14:05:09"));
    QCOMPARE(second.value("出厂日期").toString(), QStringLiteral("2001-02-03"));
    QCOMPARE(second.value("已修否").toInt(), 0);
    QVERIFY(second.value("开票时间").isNull());

    QMap<QString, Conversion::Kind> lossy;
    for (const Conversion &c : mapped.conversions)
        if (c.kind != Conversion::Kind::Reformatted)
            lossy.insert(QString::number(c.jobNumber) + c.field, c.kind);
    QCOMPARE(lossy.value("1客户姓名"), Conversion::Kind::Cut);
    QCOMPARE(lossy.value("1出厂日期"), Conversion::Kind::Unreadable);
    QCOMPARE(lossy.value("1车补"), Conversion::Kind::Unreadable);
    QCOMPARE(lossy.value("2已修否"), Conversion::Kind::Unreadable);
    QCOMPARE(lossy.value("2开票时间"), Conversion::Kind::Unreadable);
    QCOMPARE(lossy.size(), 5);

    // What the schema accepts is exactly what the mapping produced.
    DataFolder folder;
    const common::Result<void> err = writeJobs(folder.file(QStringLiteral("new.db")), mapped.rows);
    QVERIFY2(err.ok(), qPrintable(err.error().text));
}

void TestLegacyImport::summaryNamesWhatChanged()
{
    const QStringList columns = {"编号", "客户姓名", "出厂日期", "多余"};
    const QList<QVariantMap> rows = {
        {{"编号", qint64(5)}, {"客户姓名", QString(51, QLatin1Char('a'))}, {"出厂日期", QStringLiteral("?")}},
        {{"编号", qint64(5)}, {"客户姓名", QStringLiteral("b")}, {"出厂日期", QStringLiteral("2001.2.3")}},
    };
    LegacyImport result;
    result.rowsRead = result.rowsWritten = 2;
    result.backupPath = QStringLiteral("/x/新客户信息.jet-备份-20261208-143000.mdb");
    const auto mapped = mapLegacyJobs(columns, rows);
    QVERIFY(mapped.ok());
    result.jobs = *mapped;
    const QString text = result.summary();
    QVERIFY(text.contains(QStringLiteral("读出 2 条，写入 2 条")));
    QVERIFY(text.contains(QStringLiteral("新客户信息.jet-备份-20261208-143000.mdb")));
    QVERIFY(text.contains(QStringLiteral("5 → 6")));
    QVERIFY(text.contains(QStringLiteral("编号 5 的客户姓名太长，只保留了前 50 个字")));
    QVERIFY(text.contains(QStringLiteral("编号 5 的出厂日期“?”无法识别，已留空")));
    QVERIFY(text.contains(QStringLiteral("出厂日期 1 处")));
    QVERIFY(text.contains(QStringLiteral("未导入：多余")));
}

void TestLegacyImport::failedWriteLeavesNoFile()
{
    DataFolder folder;
    // Rows that bypass the mapping: the second repeats the first's number.
    const auto mappedResult = mapLegacyJobs(kTwoColumns, {job(1, "a"), job(2, "b")});
    QVERIFY(mappedResult.ok());
    MappedJobs mapped = *mappedResult;
    mapped.rows[1][QStringLiteral("编号")] = 1;
    const QString path = folder.file(QStringLiteral("new.db"));
    const common::Result<void> err = writeJobs(path, mapped.rows);
    QCOMPARE(err.error().code, code::DuplicateKey);
    QVERIFY(!QFile::exists(path));

    // Never over an existing file.
    CHECKED(writeBytes(path, "keep me"));
    QVERIFY(!writeJobs(path, {}).ok());
    QCOMPARE(sha(path), QCryptographicHash::hash("keep me", QCryptographicHash::Sha256));
}

void TestLegacyImport::importSwapsInTheNewFileAndKeepsTheOriginal()
{
    DataFolder folder;
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(14, 30, 0)));
    const QString original = folder.file(databaseFileName());
    const QByteArray oldBytes = QByteArray("\0\x01\0\0Standard Jet DB\0", 20) + QByteArray(4000, '\x5a');
    CHECKED(writeBytes(original, oldBytes));

    auto result = importLegacyRows(original, kTwoColumns, {job(1, "甲"), job(1, "乙")});
    QVERIFY2(result.ok(), qPrintable(result.error().text));
    const QString backup = folder.file(QStringLiteral("新客户信息.jet-备份-20261208-143000.mdb"));
    QCOMPARE(result->backupPath, backup);
    QCOMPARE(sha(backup), QCryptographicHash::hash(oldBytes, QCryptographicHash::Sha256));
    QCOMPARE(detectFileKind(original), FileKind::SQLite);
    QCOMPARE(storedJobs(original).keys(), QList<int>({1, 2}));
    QCOMPARE(result->rowsRead, 2);
    QCOMPARE(result->rowsWritten, 2);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);

    // A second import in the same second must not overwrite the first backup.
    QVERIFY(QFile::rename(original, folder.file(QStringLiteral("imported.db"))));
    CHECKED(writeBytes(original, oldBytes));
    result = importLegacyRows(original, kTwoColumns, {job(1, "甲")});
    QVERIFY(result.ok());
    QCOMPARE(result->backupPath, folder.file(QStringLiteral("新客户信息.jet-备份-20261208-143000-2.mdb")));
    QCOMPARE(sha(backup), QCryptographicHash::hash(oldBytes, QCryptographicHash::Sha256));

    // A failure while building leaves the original under its own name.
    QVERIFY(QFile::remove(original));
    CHECKED(writeBytes(original, oldBytes));
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);
    // Something in the way of the file being built.
    QVERIFY(QDir(folder.path()).mkdir(databaseFileName() + QStringLiteral(".导入中")));
    result = importLegacyRows(original, kTwoColumns, {job(1, "甲")});
    QVERIFY(result.failed());
    QVERIFY(!result.error().text.isEmpty());
    QCOMPARE(sha(original), QCryptographicHash::hash(oldBytes, QCryptographicHash::Sha256));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);
}

void TestLegacyImport::accessFileWithoutJobTableIsLeftAlone()
{
    DataFolder folder;
    const QString path = folder.file(databaseFileName());
    QVERIFY(QFile::copy(testFile("nwind.mdb"), path));
    const QByteArray before = sha(path);

    const auto result = importLegacyDatabase(path);
    QVERIFY(result.failed());
    QVERIFY2(result.error().text.contains(QStringLiteral("客户信息")), qPrintable(result.error().text));
    QCOMPARE(sha(path), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({databaseFileName()}));

}

CORVALE_CORE_TEST_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
