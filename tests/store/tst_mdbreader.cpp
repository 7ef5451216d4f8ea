// The Access reader against real Jet 3 and Jet 4 files made by Access itself.
#include "store/mdbreader.h"
#include "support/datafolder.h"
#include "support/coretestapp.h"

#include <QFile>
#include <QTest>

#include <iconv.h>

using namespace store;

namespace {

QString testFile(const char *name)
{
    return QStringLiteral(CORVALE_TESTDATA_DIR "/legacy-mdb/") + QLatin1String(name);
}

MdbTable readOrFail(const QString &path, const QString &table)
{
    auto reader = MdbReader::open(path);
    if (reader.failed()) {
        qWarning() << reader.error().text;
        return {};
    }
    auto result = (*reader)->readTable(table);
    if (result.failed())
        qWarning() << result.error().text;
    return result.ok() ? *result : MdbTable();
}

QVariantMap rowWhere(const MdbTable &t, const QString &column, const QVariant &value)
{
    for (const QVariantMap &row : t.rows)
        if (row.value(column) == value)
            return row;
    return {};
}

QString utf8FromCharset(const QByteArray &bytes, const QByteArray &charset)
{
    iconv_t cd = iconv_open("UTF-8", charset.constData());
    if (cd == iconv_t(-1))
        return {};
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4, '\0');
    char *inPtr = in.data();
    char *outPtr = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1))
        return {};
    return QString::fromUtf8(out.constData(), out.size() - int(outLeft));
}

} // namespace

class TestMdbReader : public QObject {
    Q_OBJECT
private slots:
    void jet3FileWithLatinText();
    void jet3RowCountsPerTable_data();
    void jet3RowCountsPerTable();
    void jet3KindsBooleansAndNulls();
    void jet4DatesAtTheEdges();
    void jetDateTimeConversion_data();
    void jetDateTimeConversion();
    void chineseCodePagesDecode();
    void unreadableFilesAndTables();
};

void TestMdbReader::jet3FileWithLatinText()
{
    auto opened = MdbReader::open(testFile("nwind.mdb"));
    QVERIFY2(opened.ok(), qPrintable(opened.error().text));
    const MdbReader &reader = **opened;
    QVERIFY(reader.isJet3());
    QCOMPARE(reader.codePage(), quint16(1252));
    const QStringList tables = reader.tableNames();
    QCOMPARE(tables.size(), 9);
    QVERIFY(tables.contains(QStringLiteral("Umsätze")));
    QVERIFY(reader.hasTable(QStringLiteral("Products")));
    QVERIFY(!reader.hasTable(QStringLiteral("客户信息")));

    const auto read = reader.readTable(QStringLiteral("Products"));
    QVERIFY2(read.ok(), qPrintable(read.error().text));
    const MdbTable &products = *read;
    const QVariantMap row = rowWhere(products, QStringLiteral("ProductID"), qint64(22));
    QCOMPARE(row.value(QStringLiteral("ProductName")).toString(), QStringLiteral("Gustaf's Knäckebröd"));
    QVERIFY(!rowWhere(products, QStringLiteral("ProductName"), QStringLiteral("Thüringer Rostbratwurst")).isEmpty());
}

void TestMdbReader::jet3RowCountsPerTable_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows");
    QTest::newRow("Products") << QStringLiteral("Products") << 77;
    QTest::newRow("Customers") << QStringLiteral("Customers") << 91;
    QTest::newRow("Orders") << QStringLiteral("Orders") << 830;
    QTest::newRow("Order Details") << QStringLiteral("Order Details") << 2155;
    QTest::newRow("Umsätze") << QStringLiteral("Umsätze") << 830;
    QTest::newRow("Employees, with memo and OLE") << QStringLiteral("Employees") << 9;
}

void TestMdbReader::jet3RowCountsPerTable()
{
    QFETCH(QString, table);
    QFETCH(int, rows);
    QCOMPARE(readOrFail(testFile("nwind.mdb"), table).rows.size(), rows);
}

void TestMdbReader::jet3KindsBooleansAndNulls()
{
    const MdbTable products = readOrFail(testFile("nwind.mdb"), QStringLiteral("Products"));
    QCOMPARE(products.columns.size(), 10);
    QCOMPARE(products.columns.at(0).type, MdbColumnType::LongInt);
    QCOMPARE(products.columns.at(1).type, MdbColumnType::Text);
    QCOMPARE(products.columns.at(5).type, MdbColumnType::Money);
    QCOMPARE(products.columns.at(6).type, MdbColumnType::Int);
    QCOMPARE(products.columns.at(9).type, MdbColumnType::Bool);

    int discontinued = 0;
    for (const QVariantMap &row : products.rows)
        discontinued += row.value(QStringLiteral("Discontinued")).toBool() ? 1 : 0;
    QCOMPARE(discontinued, 8);
    const QVariantMap chai = rowWhere(products, QStringLiteral("ProductID"), qint64(1));
    QCOMPARE(chai.value(QStringLiteral("Discontinued")), QVariant(false));
    QCOMPARE(chai.value(QStringLiteral("UnitPrice")).toDouble(), 18.0);
    QCOMPARE(chai.value(QStringLiteral("UnitsInStock")), QVariant(qint64(39)));
    const QVariantMap gumbo = rowWhere(products, QStringLiteral("ProductID"), qint64(5));
    QCOMPARE(gumbo.value(QStringLiteral("Discontinued")), QVariant(true));

    const MdbTable customers = readOrFail(testFile("nwind.mdb"), QStringLiteral("Customers"));
    const QVariantMap alfki = rowWhere(customers, QStringLiteral("CustomerID"), QStringLiteral("ALFKI"));
    QVERIFY(alfki.contains(QStringLiteral("Region")));
    QVERIFY(!alfki.value(QStringLiteral("Region")).isValid());
    QCOMPARE(alfki.value(QStringLiteral("City")).toString(), QStringLiteral("Berlin"));

    const MdbTable employees = readOrFail(testFile("nwind.mdb"), QStringLiteral("Employees"));
    const QVariantMap nancy = rowWhere(employees, QStringLiteral("EmployeeID"), qint64(1));
    QCOMPARE(nancy.value(QStringLiteral("BirthDate")).toDateTime(), QDateTime(QDate(1948, 12, 8), QTime(0, 0)));
    QVERIFY(nancy.value(QStringLiteral("Notes")).toString().startsWith(QStringLiteral("Education includes a BA")));
    QCOMPARE(nancy.value(QStringLiteral("Address")).toString(), QStringLiteral("507 - 20th Ave. E.\r\nApt. 2A"));
}

void TestMdbReader::jet4DatesAtTheEdges()
{
    auto reader = MdbReader::open(testFile("DateTestDatabase.mdb"));
    QVERIFY2(reader.ok(), qPrintable(reader.error().text));
    QVERIFY(!(*reader)->isJet3());
    const auto read = (*reader)->readTable(QStringLiteral("DateTest"));
    QVERIFY2(read.ok(), qPrintable(read.error().text));
    const MdbTable &t = *read;
    QCOMPARE(t.rows.size(), 6);
    QCOMPARE(t.columnNames(), QStringList({"IDCol", "DateTimeCol", "DateCol", "TimeCol", "LongTextCol", "ShortTextCol"}));
    QCOMPARE(t.columns.at(1).type, MdbColumnType::DateTime);
    QCOMPARE(t.columns.at(4).type, MdbColumnType::Memo);

    auto dateOf = [&](qint64 id, const char *column) {
        return rowWhere(t, QStringLiteral("IDCol"), id).value(QLatin1String(column)).toDateTime();
    };
    QCOMPARE(dateOf(1, "DateTimeCol"), QDateTime(QDate(2021, 12, 2), QTime(0, 0)));
    QCOMPARE(dateOf(2, "DateCol"), QDateTime(QDate(9999, 1, 1), QTime(0, 0)));
    QCOMPARE(dateOf(3, "DateTimeCol"), QDateTime(QDate(1898, 1, 1), QTime(0, 0)));
    QCOMPARE(dateOf(3, "DateCol"), QDateTime(QDate(1899, 1, 1), QTime(0, 0)));
    QCOMPARE(dateOf(3, "TimeCol"), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    QCOMPARE(dateOf(4, "DateTimeCol"), QDateTime(QDate(632, 1, 1), QTime(0, 0)));

    const QVariantMap sixth = rowWhere(t, QStringLiteral("IDCol"), qint64(6));
    QCOMPARE(sixth.value(QStringLiteral("LongTextCol")).toString(), QStringLiteral("New line\r\nin field"));
    QCOMPARE(sixth.value(QStringLiteral("ShortTextCol")).toString(), QStringLiteral("No new line"));
}

void TestMdbReader::jetDateTimeConversion_data()
{
    QTest::addColumn<double>("days");
    QTest::addColumn<QDateTime>("expected");
    const QDate epoch(1899, 12, 30);
    QTest::newRow("epoch") << 0.0 << QDateTime(epoch, QTime(0, 0));
    QTest::newRow("noon") << 0.5 << QDateTime(epoch, QTime(12, 0));
    QTest::newRow("a day and a quarter back") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
    QTest::newRow("afternoon 2003") << 37747.6875 << QDateTime(QDate(2003, 5, 6), QTime(16, 30));
    QTest::newRow("just before midnight rounds up") << 1.9999999999 << QDateTime(QDate(1900, 1, 1), QTime(0, 0));
    QTest::newRow("not a number") << std::nan("") << QDateTime();
    QTest::newRow("far beyond any calendar") << 1.0e12 << QDateTime();
}

void TestMdbReader::jetDateTimeConversion()
{
    QFETCH(double, days);
    QFETCH(QDateTime, expected);
    QCOMPARE(jetDateTime(days), expected);
}

void TestMdbReader::chineseCodePagesDecode()
{
    QCOMPARE(jet3Charset(0), QByteArray("GBK"));
    QCOMPARE(jet3Charset(936), QByteArray("GBK"));
    QCOMPARE(jet3Charset(1252), QByteArray("CP1252"));
    // 新飞 as a Chinese Access 97 file stores it.
    QCOMPARE(utf8FromCharset(QByteArray("\xd0\xc2\xb7\xc9"), jet3Charset(936)), QStringLiteral("新飞"));
    QCOMPARE(utf8FromCharset(QByteArray("Kn\xe4" "ckebr\xf6" "d"), jet3Charset(1252)), QStringLiteral("Knäckebröd"));
}

void TestMdbReader::unreadableFilesAndTables()
{
    DataFolder folder;
    const auto nothing = MdbReader::open(folder.file(QStringLiteral("nothing.mdb")));
    QVERIFY(nothing.failed());
    QVERIFY(!nothing.error().text.isEmpty());

    QFile junk(folder.file(QStringLiteral("junk.mdb")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    const auto garbage = MdbReader::open(junk.fileName());
    QVERIFY(garbage.failed());
    QVERIFY(!garbage.error().text.isEmpty());

    auto reader = MdbReader::open(testFile("nwind.mdb"));
    QVERIFY(reader.ok());
    const auto missing = (*reader)->readTable(QStringLiteral("客户信息"));
    QVERIFY(missing.failed());
    QVERIFY(missing.error().text.contains(QStringLiteral("客户信息")));
}

CORVALE_CORE_TEST_MAIN(TestMdbReader)
#include "tst_mdbreader.moc"
