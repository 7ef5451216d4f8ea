// The report engine: definition files, selection, pages and PDF.
#include "reports/catalogue/catalogue.h"
#include "reports/catalogue/engine.h"
#include "reports/catalogue/cli.h"
#include "reports/page/deflatelevel.h"
#include "reports/catalogue/pdf.h"
#include "reports/catalogue/definition.h"
#include "store/database.h"
#include "store/fields.h"
#include "support/requiredtool.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/coretestapp.h"

#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <zlib.h>

using namespace reports;

namespace {

const QStringList catalogueEntries = {
    "新飞月报表", "新飞申请配件单", "配件库存单", "配件流水帐", "佳利季报表", "容声月报表",
    "未修记录单", "维修人员报表", "商场报表", "新飞回访记录表", "新飞配件库存单", "新飞配件流水帐"};

ReportRequest requestFor(const QString &entry)
{
    PanelInputs in;
    in.month = QStringLiteral("六月");
    in.year = 2003;
    in.quarterBox = QStringLiteral("2nd");
    in.partsLedgerStart = QStringLiteral("2003,7,22");
    in.area = QStringLiteral("新乡");
    in.staff = QString();
    in.store = QStringLiteral("苏宁");
    PanelState state;
    return *catalogueRequest(entry, in, state);
}

QStringList texts(const ReportPage &page, FontRole role)
{
    QStringList out;
    for (const PageItem &item : page.items)
        if (item.kind == PageItem::Kind::Text && item.font == int(role))
            out << item.text;
    return out;
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return QStringLiteral("pdftotext failed");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A 新飞 job received on day n of 2003, for reports that cover them all.
QVariantMap xinfeiJob(int n, const QString &name, const QString &staff)
{
    return makeJob(n, {{QStringLiteral("型号"), QStringLiteral("新飞BCD-%1").arg(n)},
                       {QStringLiteral("客户姓名"), name},
                       {QStringLiteral("修理人员"), staff},
                       {QStringLiteral("接货日期"), QDate(2003, 1, 1).addDays(n % 365).toString(Qt::ISODate)},
                       {QStringLiteral("上门费"), n % 7},
                       {QStringLiteral("维修费"), 10.25},
                       {QStringLiteral("材料费"), 0},
                       {QStringLiteral("合计"), n % 7 + 10.25}});
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void definitionsWrittenWhenMissingNeverOverwritten();
    void builtInDefinitionsAreTheCataloguesFiles();
    void badDefinitionsAreRefused_data();
    void badDefinitionsAreRefused();
    void hugeTitleIsCutBeforeLayout();
    void everyCatalogueEntryRenders_data();
    void everyCatalogueEntryRenders();
    void paginatesWithHeadersTotalsAndPageNumbers();
    void groupsCarrySubtotals();
    void wideTotalsNeverOverlap();
    void identifiersDatesAndFeesPrintWhole();
    void longHeadingKeepsTheRowsOnThePage();
    void pdfHoldsExactlyTheSelectedRows();
    void pdfBoldTextExtractsWhole();
    void pdfInHalvesMatchesOneWriter();
    void defaultDeflateIsTheFastest();
    void failuresQueryNothing();
    void commandLineRendersOrFails();
    void commandLinePrintsFromTheServerTheFolderNames();
};

void TestEngine::definitionsWrittenWhenMissingNeverOverwritten()
{
    DataFolder folder;
    QDir(folder.path()).mkdir(QStringLiteral("报表"));
    const QString edited = folder.file(QStringLiteral("报表/商场报表.RPT"));
    {
        QFile f(edited);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"title\": \"本店自定\", \"columns\": [{\"field\": \"编号\"}]}");
    }
    // An empty one, as a full disk leaves it, is written anew and named.
    const QString empty = folder.file(QStringLiteral("报表/新飞月报表.PRN"));
    QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
    const auto written = ensureReportDefinitions(folder.path());
    QVERIFY(written.ok());
    QCOMPARE(*written, QStringList{QStringLiteral("新飞月报表.PRN")});
    QVERIFY(QFileInfo(empty).size() > 0);
    QCOMPARE(QDir(folder.file(QStringLiteral("报表"))).entryList(QDir::Files).size(), 10);
    // A request for a file outside 报表 is refused in its own words, advising no deletion.
    for (const QString &outside : {QStringLiteral("..\\..\\etc\\passwd"), QStringLiteral("/etc/shadow")}) {
        ReportRequest request = requestFor(QStringLiteral("商场报表"));
        request.file = outside;
        const auto refusedOutside = prepareReport(request, folder.shop());
        QVERIFY(refusedOutside.failed());
        QVERIFY2(refusedOutside.error().text.contains(QStringLiteral("不在数据文件夹的“报表”中"))
                     && !refusedOutside.error().text.contains(QStringLiteral("删除")),
                 qPrintable(refusedOutside.error().text));
    }
    // A file where the folder belongs: said, naming it.
    QTemporaryDir blocked;
    QFile file(QDir(blocked.path()).filePath(QStringLiteral("报表")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const auto refused = ensureReportDefinitions(blocked.path());
    QVERIFY(refused.failed());
    QVERIFY2(refused.error().text.contains(QStringLiteral("报表")), qPrintable(refused.error().text));
    // An empty definition that is a link out of 报表 is not written through.
    QTemporaryDir elsewhere;
    const QString outsideFile = QDir(elsewhere.path()).filePath(QStringLiteral("shadow"));
    QVERIFY(QFile(outsideFile).open(QIODevice::WriteOnly));
    QVERIFY(QFile::remove(empty) && QFile::link(outsideFile, empty));
    const auto throughLink = ensureReportDefinitions(folder.path());
    QVERIFY(throughLink.failed());
    QVERIFY2(throughLink.error().text.contains(QStringLiteral("链接")), qPrintable(throughLink.error().text));
    QCOMPARE(QFileInfo(outsideFile).size(), 0);
    QVERIFY(QFile::remove(empty));
    QFile f(edited);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("本店自定"));

    // The shop's own version is what the engine runs.
    createJobTable(folder.path(), {makeJob(1, {{QStringLiteral("购店"), QStringLiteral("苏宁")}})});
    const common::Result<BuiltReport> built = buildReport(requestFor(QStringLiteral("商场报表")), folder.shop());
    QVERIFY2(built.ok(), qPrintable(built.error().text));
    QCOMPARE(built->report.title, QStringLiteral("本店自定"));
    QCOMPARE(built->selectedRows, 1);
}

void TestEngine::builtInDefinitionsAreTheCataloguesFiles()
{
    QStringList fromCatalogue;
    for (const QString &entry : catalogueEntries)
        fromCatalogue << requestFor(entry).file.section(u'\\', 1);
    fromCatalogue.removeDuplicates();
    fromCatalogue.sort();
    QStringList builtIn = builtInDefinitionNames();
    builtIn.sort();
    QCOMPARE(builtIn, fromCatalogue);

    for (const QString &name : builtIn) {
        const common::Result<ReportDefinition> d = loadReportDefinition(QStringLiteral(":/reports/definitions/") + name);
        QVERIFY2(d.ok(), qPrintable(name + d.error().text));
        QVERIFY(!d->title.isEmpty());
    }
    const common::Result<ReportDefinition> monthly = loadReportDefinition(QStringLiteral(":/reports/definitions/新飞月报表.PRN"));
    QVERIFY(monthly.ok());
    QCOMPARE(monthly->paper, QPageSize::A4);
    QVERIFY(monthly->totals.contains(QStringLiteral("合计")));
}

void TestEngine::badDefinitionsAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("problem");
    QTest::newRow("not JSON") << QByteArray("title = 报表") << "格式不对";
    QTest::newRow("no columns") << QByteArray("{\"title\": \"x\"}") << "没有列";
    QTest::newRow("unknown column field") << QByteArray("{\"columns\": [{\"field\": \"颜色\"}]}") << "颜色";
    QTest::newRow("unknown sort field")
        << QByteArray("{\"columns\": [{\"field\": \"编号\"}], \"sort\": [\"编号; DROP TABLE 客户信息\"]}") << "DROP";
    QTest::newRow("total of a text field")
        << QByteArray("{\"columns\": [{\"field\": \"型号\"}], \"totals\": [\"型号\"]}") << "不是数值字段";
    QTest::newRow("total of a column not shown")
        << QByteArray("{\"columns\": [{\"field\": \"编号\"}], \"totals\": [\"合计\"]}") << "不在报表的列中";
    QTest::newRow("unknown paper") << QByteArray("{\"paper\": \"Letter\", \"columns\": [{\"field\": \"编号\"}]}")
                                   << "Letter";
}

void TestEngine::badDefinitionsAreRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, problem);
    const common::Result<ReportDefinition> d = parseReportDefinition(text);
    QVERIFY(d.failed());
    QVERIFY2(d.error().text.contains(problem), qPrintable(d.error().text));
}

// A title of millions of characters is cut to what a page can show before
// anything is measured or laid out.
void TestEngine::hugeTitleIsCutBeforeLayout()
{
    const QByteArray title = QByteArray("超").repeated(2000000);
    const auto d = parseReportDefinition("{\"title\": \"" + title + "\", \"columns\": [{\"field\": \"编号\", \"caption\": \""
                                         + title + "\"}]}");
    QVERIFY(d.ok());
    QVERIFY(d->title.size() <= 400 && d->title.endsWith(QStringLiteral("…")));
    QVERIFY(d->columns.first().caption.size() <= 400);
    const LaidOutReport laid = layoutReport(*d, {}, ReportHeading{QString(), QDate(2026, 12, 9)});
    QCOMPARE(laid.pages.size(), 1);
}

void TestEngine::everyCatalogueEntryRenders_data()
{
    QTest::addColumn<QString>("entry");
    for (const QString &e : catalogueEntries)
        QTest::newRow(qPrintable(e)) << e;
}

void TestEngine::everyCatalogueEntryRenders()
{
    QFETCH(QString, entry);
    DataFolder folder;
    FixedClock clock(QDateTime(QDate(2003, 6, 20), QTime(10, 0)));
    QList<QVariantMap> jobs = makeJobs(1, 400);
    for (int n = 0; n < jobs.size(); ++n) {
        QVariantMap &j = jobs[n];
        j[QStringLiteral("型号")] = QStringList{"新飞BCD", "佳利BD", "容声BCD"}.at(n % 3);
        j[QStringLiteral("是否库存")] = n % 2 ? QStringLiteral("是") : QStringLiteral("否");
        j[QStringLiteral("是否申请")] = n % 5 ? QStringLiteral("否") : QStringLiteral("是");
        j[QStringLiteral("入档")] = n % 4 ? QStringLiteral("是") : QString();
        j[QStringLiteral("到货日期")] = j.value(QStringLiteral("接货日期"));
        j[QStringLiteral("购店")] = n % 2 ? QStringLiteral("苏宁电器") : QStringLiteral("国美");
        j[QStringLiteral("配件")] = QStringLiteral("压缩机");
        j[QStringLiteral("修理人员")] = n % 3 ? QStringLiteral("王") : QStringLiteral("李");
    }
    createJobTable(folder.path(), jobs);
    const ReportRequest request = requestFor(entry);
    const common::Result<BuiltReport> built = buildReport(request, folder.shop());
    QVERIFY2(built.ok(), qPrintable(built.error().text));
    QVERIFY(built->selectedRows > 0);
    int placed = 0;
    for (const ReportPage &page : built->report.pages) {
        placed += page.rows.size();
        for (const PageItem &item : page.items) {
            // Lines have no height, so compare edges rather than use contains().
            QVERIFY(item.rect.left() >= 0 && item.rect.top() >= 0);
            QVERIFY(item.rect.right() <= built->report.pageSize.width());
            QVERIFY(item.rect.bottom() <= built->report.pageSize.height());
        }
    }
    QCOMPARE(placed, built->selectedRows);

    const QString pdf = folder.file(QStringLiteral("out.pdf"));
    const common::Result<void> error = renderRequest(request, folder.shop(), pdf);
    QVERIFY2(error.ok(), qPrintable(error.error().text));
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(5) == "%PDF-");
}

void TestEngine::paginatesWithHeadersTotalsAndPageNumbers()
{
    DataFolder folder;
    QList<QVariantMap> jobs;
    double sum = 0;
    int selected = 0;
    for (int n = 1; n <= 900; ++n) {
        jobs << xinfeiJob(n, QStringLiteral("客户%1").arg(n), QStringLiteral("王"));
        const QDate received = QDate(2003, 1, 1).addDays(n % 365);
        if (received >= QDate(2003, 5, 20) && received <= QDate(2003, 6, 19)) {
            sum += n % 7 + 10.25;
            ++selected;
        }
    }
    jobs << makeJob(901, {{QStringLiteral("型号"), QStringLiteral("海尔"), }, {QStringLiteral("接货日期"), QStringLiteral("2003-06-01")}});
    createJobTable(folder.path(), jobs);

    const common::Result<BuiltReport> built = buildReport(requestFor(QStringLiteral("新飞月报表")), folder.shop());
    QVERIFY2(built.ok(), qPrintable(built.error().text));
    QCOMPARE(built->selectedRows, selected);
    const QVector<ReportPage> &pages = built->report.pages;
    QVERIFY(pages.size() >= 2);
    QCOMPARE(built->report.pageSize.toSize(), QPageSize(QPageSize::A4).sizePoints().transposed());

    QList<int> order;
    for (int p = 0; p < pages.size(); ++p) {
        QCOMPARE(texts(pages[p], FontRole::Title), QStringList{QStringLiteral("新飞冰箱维修月报表")});
        const QStringList captions = texts(pages[p], FontRole::Caption);
        QVERIFY(captions.contains(QStringLiteral("接货日期")));
        QVERIFY(captions.contains(QStringLiteral("合计")));
        QVERIFY(texts(pages[p], FontRole::Note).contains(QStringLiteral("第 %1 页 共 %2 页").arg(p + 1).arg(pages.size())));
        order << pages[p].rows.toList();
    }
    QList<int> expected;
    for (int i = 0; i < selected; ++i)
        expected << i;
    QCOMPARE(order, expected);

    const QStringList closing = texts(pages.last(), FontRole::Bold);
    QVERIFY2(closing.contains(QStringLiteral("总计（共 %1 条）").arg(selected)), qPrintable(closing.join(u'|')));
    QVERIFY(closing.contains(QString::number(sum, 'f', 2)));
}

// A year's fees give sums wider than their columns: each figure still comes
// out whole, and no two figures share any room on the page.
void TestEngine::wideTotalsNeverOverlap()
{
    DataFolder folder;
    QList<QVariantMap> jobs;
    for (int n = 145; n <= 165; ++n) {
        QVariantMap job = xinfeiJob(n, QStringLiteral("客户%1").arg(n), QStringLiteral("王"));
        job[QStringLiteral("上门费")] = 9999999;
        job[QStringLiteral("维修费")] = 8888888;
        job[QStringLiteral("合计")] = 18888887;
        jobs << job;
    }
    createJobTable(folder.path(), jobs);
    const common::Result<BuiltReport> built = buildReport(requestFor(QStringLiteral("新飞月报表")), folder.shop());
    QVERIFY2(built.ok(), qPrintable(built.error().text));
    QVector<PageItem> figures;
    for (const PageItem &item : built->report.pages.last().items)
        if (item.kind == PageItem::Kind::Text && item.font == int(FontRole::Bold) && !item.text.startsWith(QStringLiteral("总计")))
            figures << item;
    QStringList shown;
    for (const PageItem &f : figures)
        shown << f.text;
    for (const QString &sum : {QStringLiteral("209999979.00"), QStringLiteral("186666648.00"),
                               QStringLiteral("396666627.00")})
        QVERIFY2(shown.join(u'|').contains(sum), qPrintable(shown.join(u'|')));
    for (int i = 0; i < figures.size(); ++i)
        for (int j = i + 1; j < figures.size(); ++j)
            QVERIFY2(!figures[i].rect.intersects(figures[j].rect),
                     qPrintable(figures[i].text + QStringLiteral(" / ") + figures[j].text));
}

// Long realistic values on every report: identifiers, dates and fees come out
// whole (on more lines when they must) and no text runs out of its column;
// only free text is shortened, with "…". Dates are short, fees money.
void TestEngine::identifiersDatesAndFeesPrintWhole()
{
    DataFolder folder;
    const QVariantMap longValues = {
        {"型号", "新飞BCD-268WBX/HC-Ⅱ型"}, {"产品编号", "0120527A0Z1234567890"},
        {"宅电", "0574-87654321-8001"}, {"移动电话", "+86 13912345678"},
        {"发票号码", "44031234567890123456"}, {"物料代码", "0060801234-A1"},
        {"地址", "浙江省宁波市鄞州区首南街道天童南路一千二百八十八号七幢二单元"},
        {"客户姓名", "欧阳娜娜"}, {"接货日期", "2003-06-08"}, {"发货日期", "2003-06-09"},
        {"购买日期", "2002-01-05"}, {"到货日期", "2003-07-30"}, {"出厂日期", "2001-12-01"},
        {"上门费", 99999.99}, {"维修费", 0.1 + 0.2}, {"材料费", 1e-7}, {"合计", 100000.29},
        {"车补", -0.001}, {"是否申请", "是"}, {"是否库存", "是"}, {"入档", "是"}, {"已修否", 0},
        {"配件", "压缩机"}, {"修理人员", "王"}, {"购店", "苏宁"}, {"地区", "江北"}};
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 3; ++n)
        jobs << makeJob(n, longValues);
    jobs << makeJob(4, {{"型号", "新飞"}, {"接货日期", "2003-06-10"}}); // short values beside them
    createJobTable(folder.path(), jobs);
    QSet<QString> printedWhole;

    FixedClock clock(QDateTime(QDate(2003, 6, 20), QTime(10, 0)));
    for (const QString &entry : catalogueEntries) {
        const ReportRequest request{requestFor(entry).file, QStringLiteral("{客户信息.型号} StartsWith '新飞'"), 1};
        const common::Result<BuiltReport> built = buildReport(request, folder.shop());
        QVERIFY2(built.ok(), qPrintable(built.error().text));
        TextFitter fitter(built->report.fonts.at(int(FontRole::Body)).points);
        QStringList body;
        for (const ReportPage &page : built->report.pages)
            for (const PageItem &item : page.items)
                if (item.kind == PageItem::Kind::Text && item.font == int(FontRole::Body)) {
                    QVERIFY2(fitter.width(item.text, FontRole::Body) <= item.rect.width() + 0.01,
                             qPrintable(entry + u' ' + item.text));
                    body << item.text;
                }
        // A cell's lines follow each other among the page's texts.
        const auto printed = [&body](const QString &value) {
            for (int i = 0; i < body.size(); ++i) {
                QString joined;
                for (int k = i; k < body.size() && value.startsWith(joined + body.at(k)); ++k)
                    if ((joined += body.at(k)) == value)
                        return true;
            }
            return false;
        };
        const QVector<ReportColumn> &columns = built->prepared.definition.columns;
        for (const ReportRow &row : built->prepared.rows)
            for (int c = 0; c < columns.size(); ++c) {
                const store::FieldDef *field = store::findField(columns.at(c).field);
                if (field && field->printedWhole() && !row.cells.at(c).isEmpty()) {
                    QVERIFY2(printed(row.cells.at(c)), qPrintable(entry + u' ' + columns.at(c).caption + u' ' + row.cells.at(c)));
                    printedWhole << row.cells.at(c);
                }
            }
    }
    for (const char *value : {"新飞BCD-268WBX/HC-Ⅱ型", "0120527A0Z1234567890", "0574-87654321-8001", "+86 13912345678",
                              "44031234567890123456", "0060801234-A1", "2003-6-8", "2003-6-9", "2002-1-5",
                              "2003-7-30", "2001-12-1", "99999.99", "0.30", "0.00"})
        QVERIFY2(printedWhole.contains(QString::fromUtf8(value)), value);
    for (const QString &value : printedWhole)
        QVERIFY2(!value.contains(QStringLiteral("e-")) && !value.startsWith(QStringLiteral("-0")), qPrintable(value));
}

// A store box may hold thousands of characters: the heading says what it can
// in three lines, and the rows still begin and end on the page.
void TestEngine::longHeadingKeepsTheRowsOnThePage()
{
    const common::Result<ReportDefinition> definition =
        loadReportDefinition(QStringLiteral(":/reports/definitions/商场报表.RPT"));
    QVERIFY(definition.ok());
    QVector<ReportRow> rows(60);
    for (ReportRow &row : rows)
        row.cells = QStringList(definition->columns.size(), QStringLiteral("1"));
    const ReportHeading heading{QStringLiteral("购店以“%1”开头").arg(QString(5000, QChar(u'长'))), QDate(2026, 12, 8)};
    const LaidOutReport report = layoutReport(*definition, rows, heading);
    for (const ReportPage &page : report.pages) {
        QVERIFY(!page.rows.isEmpty());
        int headingLines = 0;
        for (const PageItem &item : page.items) {
            QVERIFY(item.rect.bottom() <= report.pageSize.height() - 34);
            if (item.font == int(FontRole::Note) && (item.text.startsWith(u'购') || item.text.startsWith(u'长')))
                ++headingLines;
        }
        QCOMPARE(headingLines, 3);
    }
}

void TestEngine::groupsCarrySubtotals()
{
    DataFolder folder;
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 120; ++n) {
        QVariantMap j = makeJob(n, {{QStringLiteral("已修否"), n % 4 == 0 ? -1 : 0},
                                    {QStringLiteral("地区"), n % 2 ? QStringLiteral("江北") : QStringLiteral("江南")},
                                    {QStringLiteral("修理人员"), QStringList{"王", "李", "张"}.at(n % 3)}});
        jobs << j;
    }
    createJobTable(folder.path(), jobs);
    PanelState state;
    PanelInputs in;
    in.area = QStringLiteral("江北");
    const common::Result<BuiltReport> built = buildReport(*catalogueRequest(QStringLiteral("未修记录单"), in, state), folder.shop());
    QVERIFY2(built.ok(), qPrintable(built.error().text));
    QCOMPARE(built->selectedRows, 60); // odd numbers are 江北, none of them a multiple of 4

    QStringList bold;
    for (const ReportPage &page : built->report.pages)
        bold << texts(page, FontRole::Bold);
    QStringList headers, subtotals;
    for (const QString &t : bold) {
        if (t.startsWith(QStringLiteral("维修员：")) && !t.endsWith(QStringLiteral("（续）")))
            headers << t;
        if (t.startsWith(QStringLiteral("小计")))
            subtotals << t;
    }
    QCOMPARE(headers, (QStringList{"维修员：李", "维修员：王", "维修员：张"}));
    QCOMPARE(subtotals, (QStringList{"小计（20 条）", "小计（20 条）", "小计（20 条）"}));
    QVERIFY(bold.contains(QStringLiteral("总计（共 60 条）")));
}

void TestEngine::pdfHoldsExactlyTheSelectedRows()
{
    REQUIRE_PROGRAM("pdftotext", "poppler-utils");
    DataFolder folder;
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 90; ++n) {
        const bool pick = n % 3 == 0;
        jobs << makeJob(n, {{QStringLiteral("购店"), pick ? QStringLiteral("苏宁") : QStringLiteral("国美")},
                            {QStringLiteral("客户姓名"), (pick ? QStringLiteral("甲") : QStringLiteral("乙"))
                                                          + QStringLiteral("客户%1号").arg(n, 3, 10, QLatin1Char('0'))}});
    }
    createJobTable(folder.path(), jobs);
    const QString pdf = folder.file(QStringLiteral("商场.pdf"));
    const common::Result<void> error = renderRequest(requestFor(QStringLiteral("商场报表")), folder.shop(), pdf);
    QVERIFY2(error.ok(), qPrintable(error.error().text));
    const QString text = pdfText(pdf);
    QCOMPARE(text.count(QStringLiteral("乙客户")), 0);
    QCOMPARE(text.count(QStringLiteral("甲客户")), 30);
    for (int n = 3; n <= 90; n += 3)
        QVERIFY2(text.contains(QStringLiteral("甲客户%1号").arg(n, 3, 10, QLatin1Char('0'))), qPrintable(text.left(400)));
    QVERIFY(text.contains(QStringLiteral("总计（共 30 条）")));
    const int pages = buildReport(requestFor(QStringLiteral("商场报表")), folder.shop())->report.pages.size();
    QVERIFY(pages > 1);
    for (int p = 1; p <= pages; ++p)
        QVERIFY(text.contains(QStringLiteral("第 %1 页 共 %2 页").arg(p).arg(pages)));
}

// Bold is drawn twice, the copy hidden from text extraction; captions and
// totals must still come out of the PDF as whole words and figures.
void TestEngine::pdfBoldTextExtractsWhole()
{
    REQUIRE_PROGRAM("pdftotext", "poppler-utils");
    DataFolder folder;
    QList<QVariantMap> jobs;
    double sum = 0;
    for (int n = 145; n <= 165; ++n) { // received 2003-05-26 .. 2003-06-15, all in the month
        jobs << xinfeiJob(n, QStringLiteral("客户%1").arg(n), QStringLiteral("王"));
        sum += n % 7 + 10.25;
    }
    createJobTable(folder.path(), jobs);
    const QString pdf = folder.file(QStringLiteral("月报.pdf"));
    const common::Result<void> error = renderRequest(requestFor(QStringLiteral("新飞月报表")), folder.shop(), pdf);
    QVERIFY2(error.ok(), qPrintable(error.error().text));
    const QString text = pdfText(pdf);
    for (const QString &caption : {QStringLiteral("接货日期"), QStringLiteral("用户姓名"), QStringLiteral("维修员")})
        QVERIFY2(text.contains(caption), qPrintable(text.left(600)));
    QVERIFY(text.contains(QStringLiteral("总计（共 21 条）")));
    QVERIFY2(text.contains(QString::number(sum, 'f', 2)), qPrintable(text.right(400)));
    QVERIFY(text.contains(QStringLiteral("客户150")));
}

// A long report is written in two halves on two threads and joined: the
// joined file must read exactly as one writer's, pages in order, each page
// numbered against the whole report.
void TestEngine::pdfInHalvesMatchesOneWriter()
{
    REQUIRE_PROGRAM("pdftotext", "poppler-utils");
    DataFolder folder;
    QList<QVariantMap> jobs;
    for (int n = 1; n <= 400; ++n)
        jobs << xinfeiJob(n, QStringLiteral("客户%1").arg(n, 3, 10, QLatin1Char('0')), QStringLiteral("王"));
    createJobTable(folder.path(), jobs);
    const common::Result<PreparedReport> prepared = prepareReport(
        {QStringLiteral("报表\\新飞月报表.PRN"), QStringLiteral("{客户信息.型号} StartsWith ''"), 1}, folder.shop());
    QVERIFY2(prepared.ok(), qPrintable(prepared.error().text));
    const int pages = countReportPages(prepared->definition, prepared->rows, prepared->heading);
    QVERIFY(pages >= 4);

    const QString whole = folder.file(QStringLiteral("whole.pdf"));
    const QString halves = folder.file(QStringLiteral("halves.pdf"));
    QCOMPARE(writePreparedPdf(*prepared, whole, INT_MAX).error().text, QString());
    QCOMPARE(writePreparedPdf(*prepared, halves, 2).error().text, QString());

    const QString text = pdfText(halves);
    QCOMPARE(text.count(QLatin1Char('\f')), pages); // pdftotext ends every page with a form feed
    QCOMPARE(text, pdfText(whole));
    const QStringList byPage = text.split(QLatin1Char('\f'));
    for (int p = 1; p <= pages; ++p)
        QVERIFY2(byPage.at(p - 1).contains(QStringLiteral("第 %1 页 共 %2 页").arg(p).arg(pages)),
                 qPrintable(byPage.at(p - 1).right(200)));
    for (int n = 1; n <= 400; ++n)
        QCOMPARE(text.count(QStringLiteral("客户%1").arg(n, 3, 10, QLatin1Char('0'))), 1);
    QVERIFY(byPage.at(pages - 1).contains(QStringLiteral("总计（共 400 条）")));
}

namespace {

QByteArray deflated(const QByteArray &input, int level, bool viaDefaultInit)
{
    z_stream z{};
    const int init = viaDefaultInit ? deflateInit(&z, level)
                                    : deflateInit2(&z, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (init != Z_OK)
        return {};
    QByteArray out(int(deflateBound(&z, uLong(input.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
    z.avail_in = uInt(input.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int done = deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return done == Z_STREAM_END ? out : QByteArray();
}

} // namespace

// Qt's PDF writer and the Excel writer's zip ask zlib for its default level;
// the program makes that the fastest one. A level asked for by name is still
// the one given.
void TestEngine::defaultDeflateIsTheFastest()
{
    QByteArray page;
    for (int i = 0; i < 4000; ++i)
        page += QByteArray::number(i * 7919 % 1000) + " 0 0 -1 " + QByteArray::number(i % 97) + " Tm <00" +
                QByteArray::number(i % 13, 16) + "> Tj\n";
    const QByteArray fastest = deflated(page, Z_BEST_SPEED, false);
    const QByteArray smallest = deflated(page, Z_BEST_COMPRESSION, false);
    QVERIFY(!fastest.isEmpty());
    QVERIFY(fastest != smallest);
    QCOMPARE(deflated(page, Z_DEFAULT_COMPRESSION, true), fastest);
    QCOMPARE(deflated(page, Z_DEFAULT_COMPRESSION, false), fastest); // as the Excel writer's zip asks
    QCOMPARE(deflated(page, Z_BEST_COMPRESSION, true), smallest);
    // Qt's own calls reach the override too, not only the program's.
    QVERIFY(pdfWriterDeflatesFastest());
}

void TestEngine::failuresQueryNothing()
{
    DataFolder folder; // no database file at all, and no server named
    qunsetenv("CORVALE_DATABASE");
    const QString pdf = folder.file(QStringLiteral("x.pdf"));
    PanelState state;
    PanelInputs in;
    // The formula is refused before the database is looked at.
    in.partsLedgerStart = QStringLiteral("七月二十二日");
    common::Result<void> error = renderRequest(*catalogueRequest(QStringLiteral("配件流水帐"), in, state), folder.shop(), pdf);
    QVERIFY2(error.error().text.startsWith(QStringLiteral("选择公式有误（第 21 个字符处）：")), qPrintable(error.error().text));
    QVERIFY(!QFile::exists(pdf));

    error = renderRequest({QStringLiteral("报表\\不存在.RPT"), QString(), 1}, folder.shop(), pdf);
    QVERIFY2(error.error().text.contains(QStringLiteral("找不到报表文件")), qPrintable(error.error().text));

    error = renderRequest(requestFor(QStringLiteral("商场报表")), folder.shop(), pdf);
    QVERIFY2(error.error().text.contains(QStringLiteral("无法打开数据库")), qPrintable(error.error().text));
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(!QFile::exists(folder.file(store::databaseFileName())));
}

void TestEngine::commandLineRendersOrFails()
{
    DataFolder folder;
    createJobTable(folder.path(), makeJobs(1, 30));
    const QString pdf = folder.file(QStringLiteral("cli.pdf"));
    QCOMPARE(runRequestCli({"corvale-render", folder.path(), "--file", "报表\\新飞回访记录表.RPT",
                            "--formula", "{客户信息.型号} StartsWith '新飞'", pdf}),
             0);
    QVERIFY(QFile::exists(pdf));
    QCOMPARE(runRequestCli({"corvale-render", folder.path(), "--file", "报表\\新飞回访记录表.RPT",
                            "--formula", "{客户信息.型号} StartsWith", folder.file("bad.pdf")}),
             1);
    QVERIFY(!QFile::exists(folder.file("bad.pdf")));
    QCOMPARE(runRequestCli({"corvale-render", folder.path(), "--file"}), 1);
}

// A shop whose corvale.ini names its server prints from there, data reports
// and catalogue reports alike; its folder holds no database file at all.
void TestEngine::commandLinePrintsFromTheServerTheFolderNames()
{
    if (!onServer())
        QSKIP("a shop on a server");
    DataFolder folder;
    createJobTable(folder.path(), {xinfeiJob(7, QStringLiteral("服务器"), QStringLiteral("王"))});
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.databaseServer = qEnvironmentVariable("CORVALE_TEST_POSTGRES");
    QVERIFY(settings.save(folder.file(common::settingsFileName())).ok());
    QVERIFY(!QFile::exists(folder.file(store::databaseFileName())));
    const auto render = [&](const QStringList &arguments) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("CORVALE_DATABASE")); // the folder's settings alone say where
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CORVALE_BINARY_DIR "/src/reports/corvale-render"), arguments);
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            return QString::fromLocal8Bit(p.readAllStandardError());
        return QString();
    };
    const QString card = folder.file(QStringLiteral("card.pdf"));
    QCOMPARE(render({folder.path(), QStringLiteral("小信封"), QStringLiteral("7"), card}), QString());
    const QString cardText = pdfText(card);
    QVERIFY2(cardText.contains(QStringLiteral("服务器")), qPrintable(cardText));
    const QString list = folder.file(QStringLiteral("list.pdf"));
    QCOMPARE(render({folder.path(), QStringLiteral("--file"), QStringLiteral("报表\\新飞回访记录表.RPT"),
                     QStringLiteral("--formula"), QStringLiteral("{客户信息.型号} StartsWith '新飞'"), list}),
             QString());
    const QString listText = pdfText(list);
    QVERIFY2(listText.contains(QStringLiteral("服务器")), qPrintable(listText));
    QVERIFY(!QFile::exists(folder.file(store::databaseFileName())));
}

CORVALE_CORE_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
