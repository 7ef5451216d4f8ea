// Catalogue reports as spreadsheets: the Excel workbook and the CSV file read
// back by another reader, the sheet's layout without any file, failed writes.
#include "reports/catalogue/engine.h"
#include "reports/catalogue/cli.h"
#include "reports/catalogue/definition.h"
#include "reports/catalogue/sheetlayout.h"
#include "support/checked.h"
#include "support/coretestapp.h"
#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/readsheet.h"

#include <QJsonArray>
#include <QtTest>
#include <numeric>

using namespace reports;

namespace {

const QString definitionFile = QStringLiteral("报表\\费用明细.RPT");
const QString formula = QStringLiteral("{客户信息.型号} StartsWith '新飞'");
const QStringList captions = {"编号", "接货日期", "用户姓名", "购买日期", "已修", "故障现象", "上门费", "合计", "签名"};
const QString oddFault = QStringLiteral("不制冷, \"温控\"坏\n再查");
const QString quotedName = QStringLiteral("老\"王\"");
// A name a spreadsheet program would take for a formula.
const QString formulaName = QStringLiteral("=1+1");

// Every kind of cell: job number, dates, a purchase date that may be text,
// yes/no, free text, fees (some empty), a column to write in by hand;
// grouped by staff, fees totalled.
const char definition[] = R"({
  "title": "费用明细:2003/上半年",
  "orientation": "landscape",
  "columns": [
    {"field": "编号", "caption": "编号"},
    {"field": "接货日期", "caption": "接货日期"},
    {"field": "客户姓名", "caption": "用户姓名"},
    {"field": "购买日期", "caption": "购买日期"},
    {"field": "已修否", "caption": "已修"},
    {"field": "故障修理", "caption": "故障现象"},
    {"field": "上门费", "caption": "上门费"},
    {"field": "合计", "caption": "合计"},
    {"field": "", "caption": "签名", "width": 12}
  ],
  "sort": ["接货日期", "编号"],
  "group": {"field": "修理人员", "caption": "维修员"},
  "totals": ["上门费", "合计"]
})";

QString staffOf(int n) { return QStringList{"王", "李", ""}.at(n % 3); }
bool selected(int n) { return n % 4 != 0; } // the others are not 新飞
QVariant callOutFee(int n) { return n % 7 == 0 ? QVariant() : QVariant(n * 1.005); }
double total(int n) { return n * 2.5 + 0.125; }

QVariantMap job(int n)
{
    const QDate received = QDate(2003, 1, 1).addDays(n * 5 % 180);
    return makeJob(n, {{"型号", selected(n) ? QStringLiteral("新飞BCD-%1").arg(n) : QStringLiteral("海尔KFR")},
                       {"修理人员", staffOf(n)},
                       {"接货日期", received.toString(Qt::ISODate)},
                       {"购买日期", n % 5 == 0 ? QStringLiteral("超保") : received.addDays(-400).toString(Qt::ISODate)},
                       {"上门费", callOutFee(n)},
                       {"合计", total(n)},
                       {"客户姓名", n == 3 ? quotedName : n == 5 ? formulaName : QStringLiteral("客户%1").arg(n)},
                       {"故障修理", n == 2 ? oddFault : n == 6 ? QStringLiteral("漏水\n再查") : QStringLiteral("不制冷")}});
}

void fillFolder(const DataFolder &folder)
{
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 40; ++n)
        jobs << job(n);
    QVERIFY(createJobTable(folder.path(), jobs));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("报表")));
    QFile f(reportFilePath(folder.path(), definitionFile));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(definition);
}

// The job numbers in the order the PDF's pages hold them.
QList<int> pdfOrder(const BuiltReport &built)
{
    QList<int> numbers;
    for (const ReportPage &page : built.report.pages)
        for (int i : page.rows)
            numbers << built.prepared.rows.at(i).cells.at(0).toInt();
    return numbers;
}

int render(const QString &folder, const QString &out)
{
    return runRequestCli({"corvale-render", folder, "--file", definitionFile, "--formula", formula, out});
}

// The fixture's report written to folder/name through the command line; built
// is the report as its PDF has it.
void writeReport(const DataFolder &folder, const QString &name, std::optional<BuiltReport> *built)
{
    CHECKED(fillFolder(folder));
    QCOMPARE(render(folder.path(), folder.file(name)), 0);
    common::Result<BuiltReport> b = buildReport({definitionFile, formula, 1}, folder.shop());
    QVERIFY2(b.ok(), qPrintable(b.error().text));
    *built = std::move(*b);
}

QString text(const QJsonValue &cell) { return cell.toObject().value("text").toString(); }

bool near(const QJsonValue &value, double expected) { return qAbs(value.toDouble() - expected) < 1e-9; }

} // namespace

class TestSheets : public QObject {
    Q_OBJECT

private slots:
    void workbookHoldsTheReportsRows();
    void csvHoldsTheRecordsAsPrinted();
    void failedWritesKeepTheFileThere();
    void sheetLayoutHoldsTogether_data();
    void sheetLayoutHoldsTogether();
    void daysAndWidths();
};

void TestSheets::workbookHoldsTheReportsRows()
{
    DataFolder folder;
    std::optional<BuiltReport> built;
    CHECKED(writeReport(folder, QStringLiteral("费用.xlsx"), &built));
    QVERIFY(built);
    READ_SHEET_BACK(sheet, folder.file(QStringLiteral("费用.xlsx")));

    const QJsonArray rows = sheet.value("rows").toArray();
    QCOMPARE(text(rows.at(0).toArray().at(0)), QStringLiteral("费用明细:2003/上半年"));
    QCOMPARE(text(rows.at(1).toArray().at(0)), QStringLiteral("型号以“新飞”开头"));
    QVERIFY(text(rows.at(2).toArray().at(0)).startsWith(QStringLiteral("打印日期：")));
    QStringList headings;
    for (const QJsonValue &cell : rows.at(3).toArray()) {
        headings << text(cell);
        QVERIFY(cell.toObject().value("bold").toBool());
    }
    QCOMPARE(headings, captions);

    QList<int> numbers;
    QStringList groups;
    QMap<QString, double> feeSums, totalSums;
    QString staff;
    int inGroup = 0, lastFiltered = 0;
    for (int r = 4; r < rows.size(); ++r) {
        const QJsonArray row = rows.at(r).toArray();
        const QJsonObject first = row.at(0).toObject();
        if (first.contains("number")) {
            const int n = first.value("number").toInt();
            numbers << n;
            ++inGroup;
            const QVariantMap expected = job(n);
            QCOMPARE(first.value("format").toString(), QStringLiteral("0"));
            QCOMPARE(row.at(1).toObject().value("date").toString(), expected.value("接货日期").toString());
            QCOMPARE(row.at(1).toObject().value("format").toString(), QStringLiteral("yyyy-m-d"));
            QCOMPARE(text(row.at(2)), expected.value("客户姓名").toString());
            const QJsonObject bought = row.at(3).toObject();
            QCOMPARE(n % 5 == 0 ? bought.value("text").toString() : bought.value("date").toString(),
                     expected.value("购买日期").toString());
            QCOMPARE(text(row.at(4)), n % 2 ? QStringLiteral("是") : QStringLiteral("否"));
            QCOMPARE(text(row.at(5)), expected.value("故障修理").toString());
            // Stored values in full, shown with the two decimals the report prints.
            if (n % 7 == 0) {
                QVERIFY(row.at(6).isNull());
            } else {
                QVERIFY2(near(row.at(6).toObject().value("number"), n * 1.005), qPrintable(QString::number(n)));
                QCOMPARE(row.at(6).toObject().value("format").toString(), QStringLiteral("0.00"));
            }
            QVERIFY(near(row.at(7).toObject().value("number"), total(n)));
            QVERIFY(row.size() <= 8); // nothing in the column to sign in
            QCOMPARE(staffOf(n), staff);
            feeSums[staff] += callOutFee(n).toDouble();
            totalSums[staff] += total(n);
        } else if (text(first).startsWith(QStringLiteral("维修员："))) {
            groups << text(first);
            inGroup = 0;
            staff = text(first).mid(4).replace(QStringLiteral("（空）"), QString());
        } else {
            // A subtotal or the total: what the sheet stores and what a sheet program calculates agree.
            const bool grand = text(first).startsWith(QStringLiteral("总计"));
            QCOMPARE(text(first), grand ? QStringLiteral("总计（共 30 条）") : QStringLiteral("小计（%1 条）").arg(inGroup));
            const double fees = grand ? std::accumulate(feeSums.begin(), feeSums.end(), 0.0) : feeSums.value(staff);
            const double totals = grand ? std::accumulate(totalSums.begin(), totalSums.end(), 0.0) : totalSums.value(staff);
            for (const auto &[column, expected] : {std::pair{6, fees}, std::pair{7, totals}}) {
                const QJsonObject sum = row.at(column).toObject();
                QVERIFY2(near(sum.value("value"), expected) && near(sum.value("calculated"), expected),
                         qPrintable(sum.value("formula").toString()));
                QVERIFY(sum.value("bold").toBool());
            }
            if (grand) {
                QCOMPARE(r, rows.size() - 1);
                break;
            }
            lastFiltered = r + 1;
        }
    }
    QCOMPARE(numbers, pdfOrder(*built));
    QCOMPARE(numbers.size(), 30);
    QCOMPARE(groups, (QStringList{"维修员：（空）", "维修员：李", "维修员：王"}));

    QCOMPARE(sheet.value("name").toString(), QStringLiteral("费用明细2003上半年"));
    QCOMPARE(sheet.value("freeze").toString(), QStringLiteral("A5"));
    QCOMPARE(sheet.value("filter").toString(), QStringLiteral("A4:I%1").arg(lastFiltered));
    QVERIFY(sheet.value("landscape").toBool());
    QCOMPARE(sheet.value("paper").toInt(), 9);
    QCOMPARE(sheet.value("fitToWidth").toInt(), 1);
    QCOMPARE(sheet.value("fitToHeight").toInt(), 0);
    QCOMPARE(sheet.value("titleRows").toString(), QStringLiteral("$4:$4"));
}

void TestSheets::csvHoldsTheRecordsAsPrinted()
{
    DataFolder folder;
    std::optional<BuiltReport> built;
    CHECKED(writeReport(folder, QStringLiteral("费用.csv"), &built));
    QVERIFY(built);
    const QString csv = folder.file(QStringLiteral("费用.csv"));
    READ_SHEET_BACK(file, csv);

    QVERIFY(file.value("bom").toBool());
    QCOMPARE(file.value("crlf").toInt(), 34); // the fault's own line break is the clerk's
    QList<QStringList> rows;
    for (const QJsonValue &row : file.value("rows").toArray())
        rows << row.toVariant().toStringList();
    // As the workbook begins: title, what the report covers, print date.
    QCOMPARE(rows.takeFirst(), QStringList{QStringLiteral("费用明细:2003/上半年")});
    QCOMPARE(rows.takeFirst(), QStringList{QStringLiteral("型号以“新飞”开头")});
    QVERIFY(rows.takeFirst().first().startsWith(QStringLiteral("打印日期：")));
    QCOMPARE(rows.takeFirst(), captions);
    QList<QStringList> printed;
    for (const ReportRow &row : built->prepared.rows) {
        printed << row.cells;
        // Kept as text for the spreadsheet program, never run.
        if (printed.last().at(2) == formulaName)
            printed.last()[2] = u'\'' + formulaName;
    }
    QCOMPARE(rows, printed);
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const QStringList &r) { return r.at(2) == u'\'' + formulaName; }));
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const QStringList &r) { return r.at(5) == oddFault; }));
    // Quoted wherever RFC 4180 asks, also where a lenient reader would not notice.
    QFile raw(csv);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().contains("\"老\"\"王\"\"\""));
}

// A file marked read-only, even for root, and a folder nothing can be made in:
// refused with a message and a non-zero exit, the old file as it was, and
// nothing of the attempt left beside it.
void TestSheets::failedWritesKeepTheFileThere()
{
    DataFolder folder;
    CHECKED(fillFolder(folder));
    for (const QString &suffix : {QStringLiteral("xlsx"), QStringLiteral("csv")}) {
        const QString target = folder.file(QStringLiteral("ro.") + suffix);
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the shop's own file");
        old.close();
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QProcess tool;
        tool.start(QStringLiteral(CORVALE_BINARY_DIR "/src/reports/corvale-render"),
                   {folder.path(), "--file", definitionFile, "--formula", formula, target});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        const QString message = QString::fromUtf8(tool.readAllStandardError());
        QVERIFY2(message.contains(QStringLiteral("只读")) && message.contains(suffix == u"csv" ? "CSV" : "Excel"),
                 qPrintable(message));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the shop's own file"));
        old.close();
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*ro.") + suffix + u'*'}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("ro.") + suffix});

        // What a killed write left an hour ago goes; a part still being written stays.
        const QString left = folder.file(QStringLiteral("left.") + suffix);
        QFile killed(folder.file(QStringLiteral(".left.") + suffix + QStringLiteral(".Ab12Cd")));
        QFile writing(folder.file(QStringLiteral(".left.") + suffix + QStringLiteral(".Zz99Yy")));
        QVERIFY(killed.open(QIODevice::WriteOnly) && writing.open(QIODevice::WriteOnly));
        QVERIFY(killed.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
        killed.close();
        writing.close();
        QCOMPARE(render(folder.path(), left), 0);
        QVERIFY(!killed.exists());
        QVERIFY(writing.exists());

        const QString underAFile = folder.file(QStringLiteral("ro.") + suffix + QStringLiteral("/报表.") + suffix);
        QCOMPARE(render(folder.path(), underAFile), 1);
        QVERIFY(!QFileInfo::exists(underAFile));
    }
}

void TestSheets::sheetLayoutHoldsTogether_data()
{
    QTest::addColumn<QByteArray>("definition");
    for (const QString &name : builtInDefinitionNames()) {
        QFile f(QStringLiteral(":/reports/definitions/") + name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << f.readAll();
    }
    // The sums begin in the first column: the labels must take rows of their own.
    QTest::newRow("sums first") << QByteArray(R"({"columns": [{"field": "合计"}, {"field": "编号"}],
        "group": {"field": "修理人员"}, "totals": ["合计"]})");
    QTest::newRow("nothing selected") << QByteArray(R"({"columns": [{"field": "合计"}], "totals": ["合计"]})");
}

// Whatever the definition: rows in order, one cell to a column, the filter
// ending where the records and subtotals do, every sum over rows inside it.
void TestSheets::sheetLayoutHoldsTogether()
{
    QFETCH(QByteArray, definition);
    DataFolder folder;
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 12; ++n)
        jobs << makeJob(n, {{"修理人员", staffOf(n)}, {"配件", n % 2 ? "压缩机" : "门封"}});
    QVERIFY(createJobTable(folder.path(), jobs));
    const bool none = QByteArray(QTest::currentDataTag()) == "nothing selected";
    common::Result<ReportDefinition> parsed = parseReportDefinition(definition);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error().text));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("报表")));
    QFile f(folder.file(QStringLiteral("报表/x.RPT")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(definition);
    f.close();
    const common::Result<PreparedReport> report = prepareReport(
        {QStringLiteral("报表\\x.RPT"), none ? QStringLiteral("{客户信息.型号} StartsWith '无'") : QString(), 1},
        folder.shop());
    QVERIFY2(report.ok(), qPrintable(report.error().text));

    const SheetFrame frame = sheetFrame(*report);
    const int columns = report->definition.columns.size();
    QCOMPARE(frame.widths.size(), columns);
    for (double w : frame.widths)
        QVERIFY(w > 0 && w <= 50);
    if (QByteArray(QTest::currentDataTag()) == "sums first")
        QVERIFY(frame.labelsAlone);

    int next = 0, records = 0, lastBeforeTotal = -1;
    QList<int> rowsOfSums;
    sheetRows(*report, frame, [&](const SheetRow &row) {
        QCOMPARE(row.row, next++);
        for (int i = 0; i < row.cells.size(); ++i) {
            QVERIFY(row.cells.at(i).column >= 0 && row.cells.at(i).column < columns);
            QVERIFY(i == 0 || row.cells.at(i).column > row.cells.at(i - 1).column);
        }
        if (row.row > frame.headingRow && !row.cells.isEmpty() && row.cells.first().style != SheetStyle::Label
            && row.cells.first().style != SheetStyle::Sum) {
            ++records;
            QVERIFY(row.row <= frame.lastFilteredRow);
        }
        for (const SheetCell &cell : row.cells) {
            if (cell.type != SheetCell::Type::Formula)
                continue;
            rowsOfSums << row.row;
            const QStringList range = cell.text.section(u',', 1).chopped(1).split(u':');
            QCOMPARE(range.size(), 2);
            for (const QString &end : range) {
                const int r = end.mid(end.indexOf(QRegularExpression("[0-9]"))).toInt() - 1;
                QVERIFY2(r > frame.headingRow && r <= frame.lastFilteredRow && r < row.row, qPrintable(cell.text));
            }
        }
        if (!row.cells.isEmpty() && row.cells.first().text.startsWith(QStringLiteral("总计")))
            lastBeforeTotal = row.row - 1;
    });
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(records, report->rows.size());
    QCOMPARE(none, report->rows.isEmpty());
    QVERIFY(rowsOfSums.isEmpty() || rowsOfSums.last() == next - 1);
    // The total stands below the filter: filtering never hides it.
    QCOMPARE(frame.lastFilteredRow, lastBeforeTotal);
}

void TestSheets::daysAndWidths()
{
    // As a spreadsheet counts: from 1 on 1900-01-01, with the 29th of February 1900 it believes in.
    QCOMPARE(sheetDayNumber(QDate(1900, 1, 1)), std::optional<double>(1));
    QCOMPARE(sheetDayNumber(QDate(1900, 2, 28)), std::optional<double>(59));
    QCOMPARE(sheetDayNumber(QDate(1900, 3, 1)), std::optional<double>(61));
    QCOMPARE(sheetDayNumber(QDate(2025, 5, 18)), std::optional<double>(45795));
    QVERIFY(!sheetDayNumber(QDate(1899, 12, 31)));
    QVERIFY(!sheetDayNumber(QDate()));

    QCOMPARE(sheetTextWidth(QStringLiteral("新飞BCD-182")), 11.0);
    QCOMPARE(sheetTextWidth(QStringLiteral("（空）")), 6.0);
}

CORVALE_CORE_TEST_MAIN(TestSheets)
#include "tst_sheets.moc"
