// Reading an Access file in a child process: the same tables as a direct
// read, and an error, never a crash, for whatever the file does to libmdb.
#include "store/mdbisolated.h"
#include "support/datafolder.h"
#include "support/coretestapp.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace store;

namespace {

QString testFile(const char *name)
{
    return QStringLiteral(CORVALE_TESTDATA_DIR "/legacy-mdb/") + QLatin1String(name);
}

MdbTable readDirectly(const QString &path, const QString &name)
{
    QString error;
    MdbTable table;
    const auto reader = MdbReader::open(path, &error);
    if (!reader || !reader->readTable(name, &table, &error))
        qWarning() << error;
    return table;
}

} // namespace

class TestMdbIsolated : public QObject {
    Q_OBJECT
private slots:
    void tablesMatchADirectRead();
    void namesOnly();
    void refusalsCarryTheReason_data();
    void refusalsCarryTheReason();
    void readerThatRunsTooLongIsStopped();
    void filesThatBreakTheReaderAreRefused_data();
    void filesThatBreakTheReaderAreRefused();
};

void TestMdbIsolated::tablesMatchADirectRead()
{
    const QString path = testFile("nwind.mdb");
    const QStringList wanted{QStringLiteral("Products"), QStringLiteral("Umsätze"), QStringLiteral("Employees")};
    MdbContents contents;
    QString error;
    QVERIFY2(readMdbIsolated(path, wanted, &contents, &error), qPrintable(error));
    QCOMPARE(contents.tables.size(), wanted.size());
    for (int i = 0; i < wanted.size(); ++i) {
        const MdbTable direct = readDirectly(path, wanted[i]);
        const MdbTable &copied = contents.tables[i];
        QCOMPARE(copied.name, wanted[i]);
        QCOMPARE(copied.columnNames(), direct.columnNames());
        for (int c = 0; c < direct.columns.size(); ++c)
            QCOMPARE(copied.columns[c].type, direct.columns[c].type);
        QVERIFY(!direct.rows.isEmpty());
        QCOMPARE(copied.rows, direct.rows); // dates, nulls, blobs and Latin-1 text alike
    }
}

void TestMdbIsolated::namesOnly()
{
    QString error;
    const auto reader = MdbReader::open(testFile("DateTestDatabase.mdb"), &error);
    QVERIFY(reader);
    MdbContents contents;
    QVERIFY2(readMdbIsolated(testFile("DateTestDatabase.mdb"), {}, &contents, &error), qPrintable(error));
    QCOMPARE(contents.tableNames, reader->tableNames());
    QVERIFY(contents.tables.isEmpty());
}

void TestMdbIsolated::refusalsCarryTheReason_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("reasonHolds"); // null: any reason at all

    QFile nwind(testFile("nwind.mdb"));
    QVERIFY(nwind.open(QIODevice::ReadOnly));
    const QByteArray real = nwind.readAll();

    QTest::newRow("no file") << QByteArray() << QString() << QStringLiteral("找不到文件");
    QTest::newRow("not an Access file") << QByteArray(8192, 'x') << QString() << QStringLiteral("Access");
    QTest::newRow("table missing") << real << QStringLiteral("客户信息") << QStringLiteral("客户信息");
    QTest::newRow("cut after the header page") << real.left(4096) << QStringLiteral("Orders") << QString();
    QByteArray noPages = real;
    noPages.replace(2048, noPages.size() - 2048, QByteArray(noPages.size() - 2048, '\xff'));
    QTest::newRow("pages overwritten") << noPages << QStringLiteral("Orders") << QString();
}

void TestMdbIsolated::refusalsCarryTheReason()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, table);
    QFETCH(QString, reasonHolds);
    DataFolder folder;
    const QString path = folder.file(QStringLiteral("old.mdb"));
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    MdbContents contents;
    QString error;
    QVERIFY(!readMdbIsolated(path, table.isEmpty() ? QStringList() : QStringList{table}, &contents, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(reasonHolds), qPrintable(error));
}

void TestMdbIsolated::readerThatRunsTooLongIsStopped()
{
    MdbContents contents;
    QString error;
    QVERIFY(!readMdbIsolated(testFile("nwind.mdb"), {QStringLiteral("Orders")}, &contents, &error, 0));
    QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
    QVERIFY(contents.tables.isEmpty());
}

// Inputs the fuzzer found that crash, hang or exhaust memory inside libmdb.
void TestMdbIsolated::filesThatBreakTheReaderAreRefused_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(CORVALE_TESTDATA_DIR "/damaged-mdb"));
    const QStringList files = dir.entryList({QStringLiteral("*.mdb")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestMdbIsolated::filesThatBreakTheReaderAreRefused()
{
    QFETCH(QString, path);
    // Some break on the catalog, others only when a table's rows are read.
    MdbContents names;
    QString error;
    if (readMdbIsolated(path, {}, &names, &error)) {
        MdbContents contents;
        QVERIFY2(!readMdbIsolated(path, names.tableNames, &contents, &error), qPrintable(path));
        QVERIFY(contents.tables.isEmpty());
    }
    QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
}

CORVALE_CORE_TEST_MAIN(TestMdbIsolated)
#include "tst_mdbisolated.moc"
