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
    const auto reader = MdbReader::open(path);
    if (reader.failed())
        return {};
    const auto table = (*reader)->readTable(name);
    return table.ok() ? *table : MdbTable();
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
    const auto read = readMdbIsolated(path, wanted);
    QVERIFY2(read.ok(), qPrintable(read.error().text));
    const MdbContents &contents = *read;
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
    const auto reader = MdbReader::open(testFile("DateTestDatabase.mdb"));
    QVERIFY(reader.ok());
    const auto read = readMdbIsolated(testFile("DateTestDatabase.mdb"), {});
    QVERIFY2(read.ok(), qPrintable(read.error().text));
    QCOMPARE(read->tableNames, (*reader)->tableNames());
    QVERIFY(read->tables.isEmpty());
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
    const auto read = readMdbIsolated(path, table.isEmpty() ? QStringList() : QStringList{table});
    QVERIFY(read.failed());
    QVERIFY2(read.error().text.contains(reasonHolds), qPrintable(read.error().text));
}

void TestMdbIsolated::readerThatRunsTooLongIsStopped()
{
    const auto read = readMdbIsolated(testFile("nwind.mdb"), {QStringLiteral("Orders")}, 0);
    QVERIFY(read.failed());
    QVERIFY2(read.error().text.contains(QStringLiteral("损坏")), qPrintable(read.error().text));
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
    auto read = readMdbIsolated(path, {});
    if (read.ok()) {
        const QStringList names = read->tableNames;
        read = readMdbIsolated(path, names);
        QVERIFY2(read.failed(), qPrintable(path));
    }
    QVERIFY2(read.error().text.contains(QStringLiteral("损坏")), qPrintable(read.error().text));
}

CORVALE_CORE_TEST_MAIN(TestMdbIsolated)
#include "tst_mdbisolated.moc"
