// The shop's figures carried out of the program: the workbook and the CSV
// read back by another reader, the pages measured against the paper and read
// back from their PDF, and corvale-render's --statistics command line.
#include "common/fonts.h"
#include "common/textrules.h"
#include "reports/page/pagepaint.h"
#include "statistics/statcli.h"
#include "statistics/statcsv.h"
#include "statistics/statpages.h"
#include "statistics/stattext.h"
#include "statistics/statworkbook.h"
#include "support/coretestapp.h"
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/pdfwords.h"
#include "support/readsheet.h"

#include <QFontMetricsF>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>

using namespace statistics;

namespace {

// A small shop's month, with what trips writers up: a name with a comma and
// quotes, one a spreadsheet would run as a formula, money that does not add
// up exactly in binary, a brand no job of which was timed, jobs left out.
ShopFigures smallShop()
{
    ShopFigures f;
    f.today = QDate(2026, 12, 9);
    f.period = {QDate(2026, 11, 20), QDate(2026, 12, 19)};
    f.now = {12, 5, 3, 4};
    f.inPeriod = {31, 22, 18, 3300.6};
    f.repairers = {{QStringLiteral("王师傅"), 14, 10, 2100.1, 300, 1500.5},
                   {QStringLiteral("李,\"小\"明"), 9, 7, 1200.2, 150, 900.33},
                   {QStringLiteral("=1+1"), 5, 3, 0.1, 0, 0.1},
                   {QStringLiteral("（未填）"), 3, 2, 0.2, 0.3, 0.7}};
    f.brands = {{QStringLiteral("新飞"), 20, 15, 12, 4.5, 4.0, 3000.5},
                {QStringLiteral("海尔"), 8, 5, 0, std::nullopt, std::nullopt, 0.1},
                {QStringLiteral("（其他）"), 3, 2, 1, 2.4, 2.0, 0.2}};
    f.monthly.months = {QDate(2026, 10, 1), QDate(2026, 11, 1), QDate(2026, 12, 1)};
    f.monthly.brands = {QStringLiteral("新飞"), QStringLiteral("海尔"), QStringLiteral("（其他）")};
    f.monthly.counts = {{5, 2, 0}, {7, 3, 1}, {8, 3, 2}};
    f.turnaround = {{QStringLiteral("0 天"), 0, 0, 2}, {QStringLiteral("1 天"), 1, 1, 5},
                    {QStringLiteral("2–3 天"), 2, 3, 7}, {QStringLiteral("4 天以上"), 4, INT_MAX, 3}};
    f.leftOut.undatedJobs = 2;
    f.leftOut.totalNotNumber = 1;
    f.leftOut.untimed = 1;
    return f;
}

// A big shop: more repairers and brands than a page holds, names long
// enough to be cut, a year of months.
ShopFigures bigShop()
{
    ShopFigures f = smallShop();
    f.repairers.clear();
    for (int i = 0; i < 40; ++i)
        f.repairers.append({i == 7 ? QStringLiteral("维修部第三组临时外聘的制冷压缩机与电控板维修技术人员欧阳") + QString::number(i)
                                   : QStringLiteral("师傅%1").arg(i),
                            60 - i, 50 - i, 98765.43 - i * 1234.5, i * 10.0, i * 20.5});
    f.brands.clear();
    f.monthly = {};
    for (int b = 0; b < 60; ++b) {
        const QString brand = b == 3 ? QStringLiteral("特别长的品牌名称用来看表格和图例怎样收短") : QStringLiteral("品牌%1").arg(b);
        f.brands.append({brand, 90 - b, 80 - b, 70 - b, b % 5 ? std::optional<double>(b / 3.0) : std::nullopt,
                         b % 5 ? std::optional<double>(b / 4.0) : std::nullopt, 123456.78 - b});
        f.monthly.brands << brand;
    }
    for (int m = 0; m < 12; ++m) {
        f.monthly.months << QDate(2026, 1, 1).addMonths(m);
        QVector<int> counts;
        for (int b = 0; b < 60; ++b)
            counts << (m * 7 + b * 3) % 11;
        f.monthly.counts << counts;
    }
    return f;
}

// The file read back by openpyxl, which the test command installs: a reader
// that is missing fails the test.
QJsonObject readBack(const QString &path, bool whole)
{
    const SheetReadBack read = readSheetBack(path, whole);
    if (read.missing || !read.problem.isEmpty())
        QTest::qFail(qPrintable(read.missing ? QStringLiteral("python3-openpyxl is missing: run scripts/install-deps.sh")
                                             : read.problem),
                     __FILE__, __LINE__);
    return read.json;
}

QJsonObject sheetNamed(const QJsonObject &book, const QString &name)
{
    for (const QJsonValue &sheet : book.value("sheets").toArray())
        if (sheet.toObject().value("name").toString() == name)
            return sheet.toObject();
    return {};
}

QJsonObject cellAt(const QJsonObject &sheet, int row, int column)
{
    return sheet.value("rows").toArray().at(row).toArray().at(column).toObject();
}

bool near(double a, double b)
{
    return qAbs(a - b) < 1e-9;
}

// A sum cell: the formula over exactly rows first..last (1-based) of its
// column, storing the sum the test made and giving it when recalculated.
QString sumProblem(const QJsonObject &cell, const QString &range, double expected)
{
    if (cell.value("formula").toString() != QStringLiteral("=SUM(%1)").arg(range))
        return QStringLiteral("formula %1, not over %2").arg(cell.value("formula").toString(), range);
    if (!near(cell.value("value").toDouble(), expected) || !near(cell.value("calculated").toDouble(), expected))
        return QStringLiteral("%1 stores %2 and calculates to %3, not %4")
            .arg(range)
            .arg(cell.value("value").toDouble())
            .arg(cell.value("calculated").toDouble())
            .arg(expected);
    return {};
}

QString unquoted(QString reference)
{
    return reference.remove(u'\'');
}

// Advances in points as the paper will have them, measured here on their own.
double measured(const reports::PageFont &font, const QString &text)
{
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(28346);
    device.setDotsPerMeterY(28346);
    return QFontMetricsF(common::cjkFont(font.family, font.points, font.bold), &device).horizontalAdvance(text) / 10.0;
}

// The barred items of a chart, by what the bar stands for.
QMap<QString, QRectF> bars(const reports::LaidOutReport &report, const QString &chart)
{
    QMap<QString, QRectF> found;
    for (const reports::ReportPage &page : report.pages)
        for (const reports::PageItem &item : page.items)
            if (item.kind == reports::PageItem::Kind::Box && item.fill.isValid() && item.name.startsWith(chart + u'/'))
                found.insert(item.name.mid(chart.size() + 1), item.rect);
    return found;
}

QString renderBinary()
{
    return QStringLiteral(CORVALE_BINARY_DIR "/src/reports/corvale-render");
}

} // namespace

class TestStatOutputs : public QObject {
    Q_OBJECT

private slots:
    void workbookHoldsTheFiguresAndTheirSums();
    void csvHoldsTheRepairersAsPrinted();
    void pagesStayOnThePaperHoweverManyRows();
    void pdfSaysTheFigures();
    void filledBoxesArePainted();
    void commandLineRefusesBadArguments_data();
    void commandLineRefusesBadArguments();
    void commandLineWritesTheFigures();

private:
    QTemporaryDir m_dir;
};

void TestStatOutputs::workbookHoldsTheFiguresAndTheirSums()
{
    const ShopFigures f = smallShop();
    const QString path = m_dir.filePath(QStringLiteral("统计.xlsx"));
    const common::Result<void> written = writeStatisticsWorkbook(f, path);
    QVERIFY2(written.ok(), qPrintable(written.error().text));
    const QJsonObject book = readBack(path, true);
    QStringList names;
    for (const QJsonValue &sheet : book.value("sheets").toArray())
        names << sheet.toObject().value("name").toString();
    QCOMPARE(names, (QStringList{"概况", "维修人员", "品牌", "月份"}));

    // The summary: the period and the day on top, a figure a row, the notes below.
    const QJsonObject summary = sheetNamed(book, QStringLiteral("概况"));
    QCOMPARE(cellAt(summary, 1, 0).value("text").toString(), QStringLiteral("期间：2026-11-20 至 2026-12-19"));
    QVERIFY(cellAt(summary, 2, 0).value("text").toString().contains(QStringLiteral("2026-12-9")));
    const QList<std::pair<QString, double>> figures = {
        {"接修", 31}, {"已修", 22}, {"已发货", 18}, {"合计金额", 3300.6},
        {"在修", 12}, {"超期未修", 5}, {"待配件", 3}, {"已修未取", 4}};
    QStringList texts;
    const QJsonArray summaryRows = summary.value("rows").toArray();
    for (const QJsonValue &row : summaryRows)
        texts << row.toArray().at(0).toObject().value("text").toString();
    for (const auto &[name, value] : figures) {
        const int row = int(texts.indexOf(name));
        QVERIFY2(row > 0, qPrintable(name));
        const QJsonObject number = cellAt(summary, row, 1);
        QVERIFY2(near(number.value("number").toDouble(), value), qPrintable(name));
        QCOMPARE(number.value("format").toString(), name == u"合计金额" ? QStringLiteral("0.00") : QStringLiteral("0"));
    }
    const QStringList notes = leftOutNotes(f.leftOut);
    QVERIFY(!notes.isEmpty());
    for (const QString &note : notes)
        QVERIFY2(texts.indexOf(note) > texts.indexOf(QStringLiteral("已修未取")), qPrintable(note));

    // By repairer: numbers as numbers, money shown with two decimals, the
    // total row sums over exactly the repairers' rows.
    const QJsonObject repairers = sheetNamed(book, QStringLiteral("维修人员"));
    const int n = int(f.repairers.size());
    QStringList headings;
    for (const QJsonValue &cell : repairers.value("rows").toArray().at(0).toArray())
        headings << cell.toObject().value("text").toString();
    QCOMPARE(headings, (QStringList{"维修人员", "接修", "已修", "合计金额", "上门费", "维修费"}));
    double sums[6] = {};
    for (int i = 0; i < n; ++i) {
        const RepairerRow &r = f.repairers.at(i);
        QCOMPARE(cellAt(repairers, i + 1, 0).value("text").toString(), r.repairer);
        const double values[6] = {0, double(r.received), double(r.repaired), r.total, r.visitFees, r.repairFees};
        for (int c = 1; c < 6; ++c) {
            QVERIFY(near(cellAt(repairers, i + 1, c).value("number").toDouble(), values[c]));
            QCOMPARE(cellAt(repairers, i + 1, c).value("format").toString(),
                     c <= 2 ? QStringLiteral("0") : QStringLiteral("0.00"));
            sums[c] += values[c];
        }
    }
    QCOMPARE(cellAt(repairers, n + 1, 0).value("text").toString(), QStringLiteral("合计"));
    for (int c = 1; c < 6; ++c) {
        const QString column(QChar(u'A' + c));
        const QString problem = sumProblem(cellAt(repairers, n + 1, c), QStringLiteral("%1%2:%1%3").arg(column).arg(2).arg(n + 1), sums[c]);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    const QJsonArray repairerCharts = repairers.value("charts").toArray();
    QCOMPARE(repairerCharts.size(), 1);
    const QJsonObject moneyChart = repairerCharts.at(0).toObject();
    QCOMPARE(moneyChart.value("kind").toString(), QStringLiteral("barChart"));
    const QJsonObject moneySeries = moneyChart.value("series").toArray().at(0).toObject();
    QCOMPARE(unquoted(moneySeries.value("values").toString()), QStringLiteral("维修人员!$D$2:$D$5"));
    QCOMPARE(unquoted(moneySeries.value("categories").toString()), QStringLiteral("维修人员!$A$2:$A$5"));

    // By brand: no turnaround is an empty cell, never a zero; totals only
    // where a total means something.
    const QJsonObject brands = sheetNamed(book, QStringLiteral("品牌"));
    const QJsonArray brandRows = brands.value("rows").toArray();
    QVERIFY(brandRows.at(2).toArray().at(3).isNull() && brandRows.at(2).toArray().at(4).isNull());
    QVERIFY(near(cellAt(brands, 3, 3).value("number").toDouble(), 2.4));
    QCOMPARE(cellAt(brands, 3, 3).value("format").toString(), QStringLiteral("0.0"));
    int received = 0, repaired = 0;
    double total = 0;
    for (const BrandRow &b : f.brands) {
        received += b.received;
        repaired += b.repaired;
        total += b.total;
    }
    for (const auto &[column, expected] : {std::pair{1, double(received)}, std::pair{2, double(repaired)},
                                           std::pair{5, total}}) {
        const QString range = QStringLiteral("%1%2:%1%3").arg(QChar(u'A' + column)).arg(2).arg(f.brands.size() + 1);
        const QString problem = sumProblem(cellAt(brands, int(f.brands.size()) + 1, column), range, expected);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    QVERIFY(!cellAt(brands, int(f.brands.size()) + 1, 3).contains("formula"));
    QCOMPARE(brands.value("charts").toArray().size(), 1);

    // By month: dates, a total per month over its brands, and the brands stacked.
    const QJsonObject months = sheetNamed(book, QStringLiteral("月份"));
    for (int m = 0; m < f.monthly.months.size(); ++m) {
        QCOMPARE(cellAt(months, m + 1, 0).value("date").toString(), f.monthly.months.at(m).toString(Qt::ISODate));
        int sum = 0;
        for (int b = 0; b < f.monthly.brands.size(); ++b) {
            QCOMPARE(cellAt(months, 0, b + 1).value("text").toString(), f.monthly.brands.at(b));
            QCOMPARE(cellAt(months, m + 1, b + 1).value("number").toInt(), f.monthly.counts.at(m).at(b));
            sum += f.monthly.counts.at(m).at(b);
        }
        const QString problem = sumProblem(cellAt(months, m + 1, 4), QStringLiteral("B%1:D%1").arg(m + 2), sum);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    const QJsonArray monthCharts = months.value("charts").toArray();
    QCOMPARE(monthCharts.size(), 1);
    QCOMPARE(monthCharts.at(0).toObject().value("grouping").toString(), QStringLiteral("stacked"));
    const QJsonArray stacked = monthCharts.at(0).toObject().value("series").toArray();
    QCOMPARE(stacked.size(), f.monthly.brands.size());
    QCOMPARE(unquoted(stacked.at(1).toObject().value("values").toString()), QStringLiteral("月份!$C$2:$C$4"));
    QCOMPARE(unquoted(stacked.at(1).toObject().value("name").toString()), QStringLiteral("月份!$C$1"));
}

void TestStatOutputs::csvHoldsTheRepairersAsPrinted()
{
    const ShopFigures f = smallShop();
    const QString path = m_dir.filePath(QStringLiteral("维修人员.csv"));
    const common::Result<void> written = writeRepairerCsv(f, path);
    QVERIFY2(written.ok(), qPrintable(written.error().text));
    const QJsonObject file = readBack(path, false);
    QVERIFY(file.value("bom").toBool());
    QList<QStringList> rows;
    for (const QJsonValue &row : file.value("rows").toArray())
        rows << row.toVariant().toStringList();
    QCOMPARE(file.value("crlf").toInt(), rows.size());
    QCOMPARE(rows.takeFirst(), QStringList{QStringLiteral("经营统计（维修人员）")});
    QCOMPARE(rows.takeFirst(), QStringList{QStringLiteral("期间：2026-11-20 至 2026-12-19")});
    QCOMPARE(rows.takeFirst(), (QStringList{"维修人员", "接修", "已修", "合计金额", "上门费", "维修费"}));
    QCOMPARE(rows.size(), f.repairers.size() + 1);
    int received = 0, repaired = 0;
    double total = 0, visits = 0, fees = 0;
    for (int i = 0; i < f.repairers.size(); ++i) {
        const RepairerRow &r = f.repairers.at(i);
        // Kept as text for the spreadsheet program, never run.
        const QString name = r.repairer.startsWith(u'=') ? u'\'' + r.repairer : r.repairer;
        QCOMPARE(rows.at(i), (QStringList{name, QString::number(r.received), QString::number(r.repaired),
                                          common::moneyText(r.total), common::moneyText(r.visitFees),
                                          common::moneyText(r.repairFees)}));
        received += r.received;
        repaired += r.repaired;
        total += r.total;
        visits += r.visitFees;
        fees += r.repairFees;
    }
    QCOMPARE(rows.last(), (QStringList{"合计", QString::number(received), QString::number(repaired),
                                       common::moneyText(total), common::moneyText(visits), common::moneyText(fees)}));
    QCOMPARE(rows.last().at(3), QStringLiteral("3300.60"));
    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().contains("\"李,\"\"小\"\"明\""));
}

// Forty repairers and sixty brands: more pages, every item on the paper,
// every text as wide as its place at most by the font's own measure, bars
// as long as their figures.
void TestStatOutputs::pagesStayOnThePaperHoweverManyRows()
{
    const ShopFigures f = bigShop();
    const reports::LaidOutReport report = layoutStatistics(f);
    QCOMPARE(report.paper, QPageSize::A4);
    QCOMPARE(report.orientation, QPageLayout::Portrait);
    QVERIFY(report.pages.size() >= 3);
    const QRectF paper(QPointF(0, 0), report.pageSize);
    QStringList texts;
    for (int p = 0; p < report.pages.size(); ++p) {
        bool numbered = false;
        for (const reports::PageItem &item : report.pages.at(p).items) {
            const QRectF r = item.rect.normalized();
            // A line is a rect without height or width, which QRectF::contains refuses.
            QVERIFY2(r.left() >= paper.left() - 0.01 && r.top() >= paper.top() - 0.01
                         && r.right() <= paper.right() + 0.01 && r.bottom() <= paper.bottom() + 0.01,
                     qPrintable(QStringLiteral("page %1: \"%2\" at %3,%4 %5×%6")
                                    .arg(p + 1).arg(item.text).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
            if (item.kind != reports::PageItem::Kind::Text)
                continue;
            const reports::PageFont &font = report.fonts.at(item.font);
            QVERIFY2(font.family == QStringLiteral("宋体"), qPrintable(font.family));
            const double width = measured(font, item.text);
            QVERIFY2(width <= r.width() + 0.05,
                     qPrintable(QStringLiteral("page %1: \"%2\" is %3 pt in %4 pt").arg(p + 1).arg(item.text).arg(width).arg(r.width())));
            texts << item.text;
            numbered = numbered || item.text == QStringLiteral("第 %1 页 共 %2 页").arg(p + 1).arg(report.pages.size());
        }
        QVERIFY2(numbered, qPrintable(QString::number(p + 1)));
    }
    // Every repairer and brand in its table, a name too long cut where it shows, never dropped.
    for (const RepairerRow &r : f.repairers) {
        const auto shown = std::count_if(texts.cbegin(), texts.cend(), [&](const QString &t) {
            return t == r.repairer || (t.endsWith(u'…') && r.repairer.startsWith(t.chopped(1)));
        });
        QVERIFY2(shown >= 2, qPrintable(r.repairer)); // its row and its bar
    }
    for (const BrandRow &b : f.brands)
        QVERIFY2(std::any_of(texts.cbegin(), texts.cend(),
                             [&](const QString &t) { return t == b.brand || (t.endsWith(u'…') && b.brand.startsWith(t.chopped(1))); }),
                 qPrintable(b.brand));

    // Bars are as long as the money they stand for.
    const QMap<QString, QRectF> money = bars(report, QStringLiteral("合计金额"));
    QCOMPARE(money.size(), f.repairers.size());
    const double longest = money.value(f.repairers.first().repairer).width();
    for (const RepairerRow &r : f.repairers)
        QVERIFY2(qAbs(money.value(r.repairer).width() - longest * r.total / f.repairers.first().total) < 0.01,
                 qPrintable(r.repairer));
    // Each month's column is as high as all its jobs, every brand stacked in
    // it, the ones beyond the legend's colours too.
    const QMap<QString, QRectF> stacked = bars(report, QStringLiteral("每月接修"));
    QMap<QString, double> heights;
    for (auto it = stacked.cbegin(); it != stacked.cend(); ++it)
        heights[it.key().section(u'/', 0, 0)] += it.value().height();
    QList<int> received;
    for (const QVector<int> &counts : f.monthly.counts)
        received << std::accumulate(counts.begin(), counts.end(), 0);
    const int most = *std::max_element(received.begin(), received.end());
    const double tallest = heights.value(monthLabel(f.monthly.months.at(int(received.indexOf(most)))));
    QVERIFY(tallest > 0);
    for (int m = 0; m < f.monthly.months.size(); ++m)
        QVERIFY2(qAbs(heights.value(monthLabel(f.monthly.months.at(m))) - tallest * received.at(m) / most) < 0.01,
                 qPrintable(monthLabel(f.monthly.months.at(m))));

    // And so in the PDF: every word on its sheet.
    const QString pdf = m_dir.filePath(QStringLiteral("many.pdf"));
    const common::Result<void> written = writeStatisticsPdf(f, pdf);
    QVERIFY2(written.ok(), qPrintable(written.error().text));
    const QVector<PdfWord> words = pdfWords(pdf);
    QVERIFY(!words.isEmpty());
    QCOMPARE(words.last().page + 1, report.pages.size());
    for (const PdfWord &w : words)
        QVERIFY2(QRectF(QPointF(0, 0), w.pageMm).contains(w.mm), qPrintable(w.text));
}

void TestStatOutputs::pdfSaysTheFigures()
{
    const ShopFigures f = smallShop();
    const QString pdf = m_dir.filePath(QStringLiteral("统计.pdf"));
    const common::Result<void> written = writeStatisticsPdf(f, pdf);
    QVERIFY2(written.ok(), qPrintable(written.error().text));
    const QVector<PdfWord> words = pdfWords(pdf);
    QStringList said;
    for (const PdfWord &w : words) {
        said << w.text;
        QVERIFY(qAbs(w.pageMm.width() - 210) < 1 && qAbs(w.pageMm.height() - 297) < 1);
    }
    QCOMPARE(words.value(0).text, QStringLiteral("经营统计"));
    for (const QString &word : {QStringLiteral("期间：2026-11-20"), QStringLiteral("2026-12-19"), QStringLiteral("3300.60"),
                                QStringLiteral("超期未修"), QStringLiteral("王师傅"), QStringLiteral("2100.10"),
                                QStringLiteral("（其他）"), QStringLiteral("2.4"), QStringLiteral("2026-11"),
                                QStringLiteral("2–3")})
        QVERIFY2(said.contains(word), qPrintable(word + QStringLiteral(" not in: ") + said.join(u' ')));
    for (const QString &note : leftOutNotes(f.leftOut))
        QVERIFY2(said.join(QString()).contains(QString(note).remove(u' ')), qPrintable(note));
}

// The one painter fills a filled box, on screen and paper alike.
void TestStatOutputs::filledBoxesArePainted()
{
    reports::LaidOutReport report = reports::blankReport(QStringLiteral("t"), QPageSize::A6, QPageLayout::Portrait);
    report.pages.append(reports::ReportPage());
    report.pages[0].items.append(reports::PageItem::filledBox(QRectF(20, 20, 40, 30), QColor(0x1f, 0x4e, 0x79)));
    report.pages[0].items.append(reports::PageItem::drawn(reports::PageItem::Kind::Box, QRectF(80, 20, 40, 30), 1));
    QImage image(report.pageSize.toSize() * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    reports::paintReportPage(painter, report, 0, 2);
    painter.end();
    QCOMPARE(image.pixelColor(80, 70), QColor(0x1f, 0x4e, 0x79));
    QCOMPARE(image.pixelColor(200, 70), QColor(Qt::white)); // an outlined box stays empty
    QCOMPARE(image.pixelColor(30, 30), QColor(Qt::white));
}

void TestStatOutputs::commandLineRefusesBadArguments_data()
{
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("said");
    QTest::newRow("no such month") << QStringList{"2026-13-01", "2026-12-19"} << QString("s.xlsx") << QString("开始日期“2026-13-01”不是日期");
    QTest::newRow("no such day") << QStringList{"2026-11-20", "2026-02-30"} << QString("s.xlsx") << QString("结束日期“2026-02-30”不是日期");
    QTest::newRow("loose form") << QStringList{"2026-1-5", "2026-12-19"} << QString("s.pdf") << QString("YYYY-MM-DD");
    QTest::newRow("no dashes") << QStringList{"20261120", "2026-12-19"} << QString("s.csv") << QString("不是日期");
    QTest::newRow("from after to") << QStringList{"2026-12-20", "2026-12-19"} << QString("s.xlsx")
                                   << QString("开始日期 2026-12-20 在结束日期 2026-12-19 之后");
    QTest::newRow("unknown kind") << QStringList{"2026-11-20", "2026-12-19"} << QString("s.txt") << QString("应以 .xlsx、.pdf 或 .csv 结尾");
    QTest::newRow("no kind") << QStringList{"2026-11-20", "2026-12-19"} << QString("s") << QString("应以 .xlsx、.pdf 或 .csv 结尾");
    QTest::newRow("one date") << QStringList{"2026-11-20"} << QString("s.xlsx") << QString("参数不对");
}

// Refused before the shop is looked at: exit 2, the reason and the usage in
// Chinese, no file.
void TestStatOutputs::commandLineRefusesBadArguments()
{
    QFETCH(QStringList, dates);
    QFETCH(QString, out);
    QFETCH(QString, said);
    const QString target = m_dir.filePath(out);
    QProcess render;
    render.start(renderBinary(), QStringList{m_dir.path(), QStringLiteral("--statistics")} + dates + QStringList{target});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitStatus(), QProcess::NormalExit);
    const QString message = QString::fromUtf8(render.readAllStandardError());
    QCOMPARE(render.exitCode(), 2);
    QVERIFY2(message.contains(said) && message.contains(QStringLiteral("用法：corvale-render 数据文件夹 --statistics")),
             qPrintable(message));
    QVERIFY(!QFileInfo::exists(target));
}

// From the shop's own table to each kind of file, the figures proven
// against counts made here over the rows written: jobs outside the period,
// one without a 接货日期, one without a 合计, one whose 已修否 an earlier
// version left unset, one without a repairer.
void TestStatOutputs::commandLineWritesTheFigures()
{
    DataFolder folder;
    const Period period{QDate(2026, 11, 20), QDate(2026, 12, 19)};
    const QStringList staff = {QStringLiteral("王"), QStringLiteral("李"), QString(), QStringLiteral("赵")};
    QList<QVariantMap> jobs;
    int received = 0, repaired = 0, shipped = 0;
    double total = 0;
    QMap<QString, std::pair<int, double>> byRepairer; // received, 合计
    for (int n = 1; n <= 30; ++n) {
        const QDate in = QDate(2026, 11, 10).addDays(n * 2);
        QVariantMap job = makeJob(n, {{"接货日期", in.toString(Qt::ISODate)},
                                      {"修理人员", staff.at(n % 4)},
                                      {"合计", n % 9 == 0 ? QVariant() : QVariant(n * 10.25)},
                                      {"已修否", n % 7 == 0 ? QVariant() : QVariant(n % 3 == 0 ? -1 : 0)},
                                      {"发货日期", n % 4 == 0 ? QVariant() : QVariant(in.addDays(3).toString(Qt::ISODate))}});
        jobs << job;
        if (in < period.from || in > period.to)
            continue;
        ++received;
        repaired += n % 3 == 0 && n % 7 != 0;
        shipped += n % 4 != 0;
        const QString who = staff.at(n % 4).isEmpty() ? unnamedRepairer() : staff.at(n % 4);
        ++byRepairer[who].first;
        if (n % 9 != 0) {
            total += n * 10.25;
            byRepairer[who].second += n * 10.25;
        }
    }
    jobs << makeJob(31, {{"接货日期", QVariant()}, {"修理人员", staff.at(0)}, {"合计", 999}});
    QVERIFY(createEarlierJobTable(folder.path(), jobs));
    QVERIFY(received > 0 && received < 30);
    FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    const auto run = [&](const QString &name) {
        return runStatisticsCommand({folder.path(), "--statistics", "2026-11-20", "2026-12-19", folder.file(name)});
    };

    QCOMPARE(run(QStringLiteral("统计.xlsx")), 0);
    const QJsonObject book = readBack(folder.file(QStringLiteral("统计.xlsx")), true);
    const QJsonObject summary = sheetNamed(book, QStringLiteral("概况"));
    QVERIFY(cellAt(summary, 2, 0).value("text").toString().startsWith(QStringLiteral("截至 2026-12-9")));
    QMap<QString, double> figures;
    for (const QJsonValue &row : summary.value("rows").toArray())
        figures.insert(row.toArray().at(0).toObject().value("text").toString(),
                       row.toArray().at(1).toObject().value("number").toDouble());
    QCOMPARE(figures.value("接修"), double(received));
    QCOMPARE(figures.value("已修"), double(repaired));
    QCOMPARE(figures.value("已发货"), double(shipped));
    QVERIFY(near(figures.value("合计金额"), total));
    const QJsonArray rows = sheetNamed(book, QStringLiteral("维修人员")).value("rows").toArray();
    QCOMPARE(rows.size(), byRepairer.size() + 2);
    for (int r = 1; r <= byRepairer.size(); ++r) {
        const QJsonArray row = rows.at(r).toArray();
        const QString who = row.at(0).toObject().value("text").toString();
        QVERIFY2(byRepairer.contains(who), qPrintable(who));
        QCOMPARE(row.at(1).toObject().value("number").toInt(), byRepairer.value(who).first);
        QVERIFY(near(row.at(3).toObject().value("number").toDouble(), byRepairer.value(who).second));
    }

    QCOMPARE(run(QStringLiteral("维修人员.csv")), 0);
    const QJsonObject csv = readBack(folder.file(QStringLiteral("维修人员.csv")), false);
    const QJsonArray lines = csv.value("rows").toArray();
    QCOMPARE(lines.size(), 3 + byRepairer.size() + 1);
    QCOMPARE(lines.last().toArray().at(1).toString(), QString::number(received));
    QCOMPARE(lines.last().toArray().at(3).toString(), common::moneyText(total));

    QCOMPARE(run(QStringLiteral("统计.pdf")), 0);
    const QVector<PdfWord> words = pdfWords(folder.file(QStringLiteral("统计.pdf")));
    QCOMPARE(words.value(0).text, QStringLiteral("经营统计"));
    QVERIFY(std::any_of(words.cbegin(), words.cend(), [&](const PdfWord &w) { return w.text == common::moneyText(total); }));
}

CORVALE_CORE_TEST_MAIN(TestStatOutputs)
#include "tst_statoutputs.moc"
