// The nine data reports as they land on paper: every label and field at its
// place in its size, read back from the PDF the renderer writes.
#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/coretestapp.h"
#include "support/pdfwords.h"

#include "common/twips.h"
#include "reports/forms/datareport.h"
#include "reports/forms/formlayout.h"
#include "reports/page/pagemodel.h"
#include "reports/page/pagepaint.h"
#include "reports/catalogue/rows.h"
#include "reports/forms/formrenderer.h"
#include "reports/forms/textfit.h"
#include "store/database.h"
#include "store/fields.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace reports;

namespace {

constexpr double kToleranceMm = 0.5;

QVariantMap filledJob(int number, const QVariantMap &overrides = {})
{
    QVariantMap job{
        {"编号", number},          {"客户姓名", "王芳"},       {"地址", "人民路18号"},
        {"宅电", "3356789"},       {"移动电话", "13905741234"}, {"购买日期", "2003-01-05"},
        {"发票号码", "F1234"},     {"出厂日期", "2002-11-20"},  {"产品编号", "P9876"},
        {"接货日期", "2003-05-01"}, {"发货日期", "2003-05-04"}, {"里程数", 16},
        {"上门费", 20},            {"维修费", 35.5},            {"车补", 5},
        {"差旅费", 8},             {"搬运费", 10},              {"合计", 90.5},
        {"材料费", 12},            {"地区", "海曙"},            {"邮编", "315000"},
        {"型号", "新飞BCD-196"},   {"保修期", "六个月"},        {"备注", "请上午送"},
        {"故障修理", "不制冷"},     {"检修结果", "缺氟"},        {"修理内容", "补漏加氟"},
        {"代码", "A12"},           {"修理人员", "张师傅"},      {"小修者", "李师傅"},
        {"运来者1", "王师傅"},      {"运去者1", "赵师傅"},       {"配件", "压缩机"},
    };
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        job.insert(it.key(), it.value());
    return job;
}

Row rowOf(const QVariantMap &job)
{
    Row row;
    for (auto it = job.constBegin(); it != job.constEnd(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

int pdfPages(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

// A page's items in the terms the forms are measured in: millimetres from the
// paper's corner, and the layout's controls with their fonts.
struct DrawnItem {
    int page = 0;
    QString name;
    ItemKind kind = ItemKind::Label;
    QString text;
    QRectF mm;
    LayoutFont font;    // as the layout gives it
    double points = 0;  // as printed
    bool centred = false;
};

QRectF inMm(const QRectF &points)
{
    return QRectF(points.topLeft() / kPointsPerMm, points.size() / kPointsPerMm);
}

QVector<DrawnItem> drawnItems(const LaidOutReport &report, const ReportLayout &layout)
{
    QVector<DrawnItem> items;
    for (int page = 0; page < report.pages.size(); ++page)
        for (const PageItem &item : report.pages.at(page).items) {
            const auto control = std::find_if(layout.items.begin(), layout.items.end(),
                                              [&](const LayoutItem &l) { return l.name == item.name; });
            if (control == layout.items.end())
                continue;
            items.append({page, item.name, control->kind, item.text, inMm(item.rect), control->font,
                          item.kind == PageItem::Kind::Text ? report.fonts.at(item.font).points : 0,
                          bool(item.align & Qt::AlignHCenter)});
        }
    return items;
}

// A shop that filled in every particular: each prints where its box is.
common::ServicePoint filledServicePoint()
{
    return {"浙江省宁波市", "甬江维修部", "中山路1号", "315000", "87654321", "87654322", "www.example.com", "陈明", "12345"};
}

// Gives folder's shop those particulars in its corvale.ini.
bool fillParticulars(const QString &folder)
{
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.servicePoint = filledServicePoint();
    return settings.save(QDir(folder).filePath(common::settingsFileName())).ok();
}

QVector<DrawnItem> pageItems(const ReportLayout &layout, const Row &row, const common::ServicePoint &servicePoint,
                             const QString &folder, const common::Stationery &stationery)
{
    return drawnItems(layoutDataReport(layout, {row}, servicePoint, folder, stationery), layout);
}

const DrawnItem *itemNamed(const QVector<DrawnItem> &items, const QString &name, int page = 0)
{
    for (const DrawnItem &item : items)
        if (item.name == name && item.page == page)
            return &item;
    return nullptr;
}

void eachDataReport()
{
    QTest::addColumn<QString>("report");
    for (const QString &name : dataReportNames())
        QTest::newRow(qPrintable(name)) << name;
}

// A job as a shop fills it in on a busy day, and then some: a 40-character
// address, a 20-digit invoice number, a phone with an extension, long
// product number and model, fees at their largest.
QVariantMap longJob(int number)
{
    return filledJob(number, {{"客户姓名", "欧阳晓明"},
                              {"地址", "浙江省宁波市海曙区中山西路一百八十八号金港大厦东楼二十三层二三零八室"},
                              {"宅电", "0574-87654321-8012"},
                              {"移动电话", "13905741234"},
                              {"购买日期", "2025-05-18"},
                              {"发票号码", "44031234567890123456"},
                              {"出厂日期", "2024-12-30"},
                              {"产品编号", "0120527A0Z1234567890"},
                              {"接货日期", "2025-06-01"},
                              {"发货日期", "2025-06-12"},
                              {"合计", 99999.99},
                              {"维修费", 99999.99},
                              {"上门费", 99999.99},
                              {"车补", 99999.99},
                              {"差旅费", 99999.99},
                              {"搬运费", 99999.99},
                              {"材料费", 99999.99},
                              {"里程数", 126.5},
                              {"型号", "新飞BCD-216WDPV"},
                              {"保修期", "一年整机三年主要部件"},
                              {"备注", "请于上午九点前电话联系用户再上门，小区需登记"},
                              {"故障修理", "冷藏室不制冷，压缩机频繁启动，有异响"},
                              {"检修结果", "系统内漏，冷凝器焊点渗漏导致缺氟"},
                              {"修理内容", "补焊冷凝器焊点，抽真空后重新加注制冷剂"}});
}

// Every character as wide as the size, one line as tall: breaks at spaces,
// or anywhere when asked.
class MonospaceMeasure : public TextMeasure {
public:
    double width(const QString &text, double points) override { return text.size() * points; }
    double lineHeight(double points) override { return points; }
    double descent(double) override { return 0; }
    QStringList lines(const QString &text, double points, double width, bool anywhere) override
    {
        const int perLine = std::max(1, int(width / points + 1e-9));
        QStringList lines;
        for (const QString &word : anywhere ? QStringList{text} : text.split(u' '))
            for (int at = 0; at < word.size(); at += anywhere ? perLine : int(word.size()))
                lines << word.mid(at, anywhere ? perLine : -1);
        return lines;
    }
};

QString renderBinary()
{
    return QStringLiteral(CORVALE_BINARY_DIR "/src/reports/corvale-render");
}

} // namespace

class TestDataReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void everyTextLandsInItsBox_data();
    void everyTextLandsInItsBox();
    void placesAsTheFormsGiveThem_data();
    void placesAsTheFormsGiveThem();
    void everyParticularHasItsText();

    void voucherNumberOnlyOnTheCompleteVoucher();
    void envelopesAddressWhateverTheSex();
    void emptyFieldPrintsNothingButTheFormStays();
    void onePagePerRow();

    void paperAndOffsetFollowTheStationery();
    void formPictureOnlyWhenTheShopHasOne();

    void renderToolWritesTheJob();
    void renderToolRefusesBadInput();

    void longValuesPrintWholeAndApart_data();
    void longValuesPrintWholeAndApart();
    void datesPrintShortAndWordsAsTheyAre();
    void textShrinksThenIsCutVisibly();
    void layoutBoxesKeepApart();
    void pdfOverAReadOnlyFileFailsAndKeepsIt();
    void calibrationScalesStandAtTheOffset();

private:
    QTemporaryDir m_dir;
};

void TestDataReport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(createJobTable(m_dir.path(), {filledJob(57), filledJob(58, {{"客户姓名", "李娜"}})}));
    QVERIFY(fillParticulars(m_dir.path()));
}

void TestDataReport::everyTextLandsInItsBox_data()
{
    eachDataReport();
}

void TestDataReport::everyTextLandsInItsBox()
{
    QFETCH(QString, report);
    const QString pdf = m_dir.filePath(report + QStringLiteral(".pdf"));
    const common::Result<void> error = renderJobToPdf(shopAt(m_dir.path()), report, 57, pdf);
    QVERIFY2(error.ok(), qPrintable(error.error().text));

    const auto renderer = dataReportRenderer(report, shopAt(m_dir.path()));
    QVERIFY(renderer.ok());
    const QVector<DrawnItem> drawn =
        pageItems(renderer->layout(), rowOf(filledJob(57)), filledServicePoint(),
                  m_dir.path(), {});
    const QVector<PdfWord> words = pdfWords(pdf);
    QVERIFY(!words.isEmpty());

    int checked = 0;
    for (const DrawnItem &item : drawn) {
        if (item.kind != ItemKind::Label && item.kind != ItemKind::TextBox)
            continue;
        const QString first = item.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
        // A box narrower than one glyph (the vertical caption) starts its text on its first line.
        const PdfWord *found = nullptr;
        for (const PdfWord &w : words) {
            if (!w.text.startsWith(first.left(1)) || !first.startsWith(w.text.left(first.size())))
                continue;
            const double x = item.centred ? w.mm.center().x() : w.mm.left();
            const double want = item.centred && w.text == first ? item.mm.center().x() : item.mm.left();
            if (qAbs(x - want) <= kToleranceMm && w.mm.top() >= item.mm.top() - kToleranceMm
                && w.mm.top() <= item.mm.top() + 2.0)
                found = &w;
        }
        QVERIFY2(found, qPrintable(QStringLiteral("%1 \"%2\" not at %3,%4 mm")
                                       .arg(item.name, item.text)
                                       .arg(item.mm.left(), 0, 'f', 1)
                                       .arg(item.mm.top(), 0, 'f', 1)));
        // The glyphs' height follows the point size the text was fitted to.
        const double glyphPt = found->mm.height() / 25.4 * 72.0;
        QVERIFY2(glyphPt > item.points * 0.8 && glyphPt < item.points * 1.6,
                 qPrintable(QStringLiteral("%1: %2 pt glyphs for %3 pt")
                                .arg(item.name).arg(glyphPt).arg(item.points)));
        ++checked;
    }
    QVERIFY(checked >= 10);
}

void TestDataReport::placesAsTheFormsGiveThem_data()
{
    // A few controls per report, straight from the forms' measurements.
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("family");
    QTest::newRow("小信封 name") << "小信封" << "txt客户姓名" << QRect(1185, 2685, 2985, 780) << 36.0 << "宋体";
    QTest::newRow("小信封 收") << "小信封" << "Label5" << QRect(6630, 2865, 930, 570) << 26.25 << "宋体";
    QTest::newRow("中信封 sender") << "中信封" << "Label1" << QRect(5115, 5145, 5250, 405) << 18.0 << "黑体";
    QTest::newRow("中信封 phone/fax") << "中信封" << "Label8" << QRect(5115, 6135, 5280, 345) << 15.0 << "宋体";
    QTest::newRow("大信封 address") << "大信封" << "txt地址" << QRect(1065, 1935, 12360, 765) << 42.0 << "宋体";
    QTest::newRow("快件单 date") << "快件单" << "txt接货日期" << QRect(3030, 4365, 1170, 240) << 10.5 << "宋体";
    QTest::newRow("快件单 remark") << "快件单" << "Text1" << QRect(5610, 1815, 4470, 360) << 14.25 << "宋体";
    QTest::newRow("修理凭单 number") << "修理凭单" << "txt编号" << QRect(7467, 105, 960, 240) << 12.0 << "宋体";
    QTest::newRow("修理凭单 title") << "修理凭单" << "Label18" << QRect(1257, 0, 5235, 345) << 14.25 << "黑体";
    QTest::newRow("修理凭单 rule") << "修理凭单" << "Line45" << QRect(5382, 1545, 0, 510) << 9.0 << "宋体";
    QTest::newRow("填写修理单 staff") << "填写修理单" << "txt修理人员" << QRect(6825, 2715, 1260, 315) << 14.25 << "宋体";
    QTest::newRow("新飞维修 code") << "新飞维修" << "txt代码" << QRect(7200, 4620, 795, 240) << 12.0 << "隶书";
    QTest::newRow("新飞维修 contact") << "新飞维修" << "Label4" << QRect(6825, 11310, 1065, 360) << 14.25 << "楷体_GB2312";
    QTest::newRow("新飞全部填写 total") << "新飞全部填写" << "txt合计" << QRect(2295, 11565, 1110, 240) << 12.0 << "隶书";
    QTest::newRow("新飞全部填写 visit") << "新飞全部填写" << "Label5" << QRect(990, 12615, 8055, 300) << 14.25 << "隶书";
    // The title's box ends where the form number's begins (3720 wide on the form).
    QTest::newRow("新飞鉴定卡 title") << "新飞鉴定卡" << "Label9" << QRect(840, 405, 3705, 390) << 18.0 << "楷体_GB2312";
    QTest::newRow("新飞鉴定卡 frame") << "新飞鉴定卡" << "Shape2" << QRect(420, 105, 5580, 4905) << 9.0 << "宋体";
}

void TestDataReport::placesAsTheFormsGiveThem()
{
    QFETCH(QString, report);
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(double, points);
    QFETCH(QString, family);
    const auto layout = loadLayout(report);
    QVERIFY(layout.ok());
    const QVector<DrawnItem> drawn = pageItems(*layout, rowOf(filledJob(57)),
                                               filledServicePoint(), {}, {});
    const DrawnItem *item = itemNamed(drawn, name);
    QVERIFY(item);
    QVERIFY(qAbs(item->mm.left() - common::twipsToMm(twips.left())) <= 0.01);
    QVERIFY(qAbs(item->mm.top() - common::twipsToMm(twips.top())) <= 0.01);
    QVERIFY(qAbs(item->mm.width() - common::twipsToMm(twips.width())) <= 0.01);
    QVERIFY(qAbs(item->mm.height() - common::twipsToMm(twips.height())) <= 0.01);
    QCOMPARE(item->font.points, points);
    QCOMPARE(item->font.family, family);
}

void TestDataReport::everyParticularHasItsText()
{
    common::ServicePoint sp;
    sp.provinceCity = "浙江省宁波市";
    sp.name = "甬江维修部";
    sp.address = "中山路1号";
    sp.postcode = "315000";
    sp.phone = "87654321";
    sp.fax = "87654322";
    sp.web = "www.example.com";
    sp.contact = "陈明";
    sp.stationCode = "12345";
    for (const QString &report : dataReportNames()) {
        const auto layout = loadLayout(report);
        QVERIFY2(layout.ok(), qPrintable(report));
        QCOMPARE(layout->caption, report);
        for (const LayoutItem &item : layout->items)
            if (!item.role.isEmpty())
                QVERIFY2(!roleText(item.role, sp).isEmpty(), qPrintable(report + " " + item.name));
    }
    QCOMPARE(roleText("servicePoint.nameWithCity", sp), QString("浙江省宁波市甬江维修部"));
    QCOMPARE(roleText("servicePoint.voucherTitle", sp), QString("甬江维修部冰箱凭单"));
    const QString line = roleText("servicePoint.addressPhoneFax", sp);
    QVERIFY(line.startsWith(sp.address) && line.contains(sp.phone) && line.contains(sp.fax));
    QVERIFY(roleText("servicePoint.nonsense", sp).isNull());

    // A particular a shop never filled in prints nothing, alone or in a line.
    sp.web = common::SiteSettings::defaults().servicePoint.web;
    QVERIFY(roleText("servicePoint.web", sp).isEmpty());
    QVERIFY2(!roleText("servicePoint.contactLine", sp).contains(sp.web), qPrintable(roleText("servicePoint.contactLine", sp)));
    QVERIFY(roleText("servicePoint.contactLine", sp).contains(QString("87654321")));
}

void TestDataReport::voucherNumberOnlyOnTheCompleteVoucher()
{
    const auto words = [&](const QString &report) {
        const QString pdf = m_dir.filePath(report + QStringLiteral("-no.pdf"));
        if (const auto e = renderJobToPdf(shopAt(m_dir.path()), report, 58, pdf); e.failed())
            qWarning() << e.error().text;
        return pdfWords(pdf);
    };
    const QVector<PdfWord> complete = words(QStringLiteral("修理凭单"));
    const auto sign = std::find_if(complete.begin(), complete.end(),
                                   [](const PdfWord &w) { return w.text.startsWith(QStringLiteral("№")); });
    QVERIFY(sign != complete.end());
    const auto number = std::find_if(complete.begin(), complete.end(),
                                     [](const PdfWord &w) { return w.text == QStringLiteral("58"); });
    QVERIFY(number != complete.end());
    QVERIFY(number->mm.left() > sign->mm.right());
    QVERIFY(qAbs(number->mm.center().y() - sign->mm.center().y()) < 2.0);

    for (const PdfWord &w : words(QStringLiteral("填写修理单")))
        QVERIFY2(w.text != QStringLiteral("58") && !w.text.startsWith(QStringLiteral("№")), qPrintable(w.text));
}

void TestDataReport::envelopesAddressWhateverTheSex()
{
    for (const QString &report : {QStringLiteral("小信封"), QStringLiteral("中信封"), QStringLiteral("大信封")}) {
        for (int job : {57, 58}) {
            const QString pdf = m_dir.filePath(QStringLiteral("%1-%2.pdf").arg(report).arg(job));
            const common::Result<void> error = renderJobToPdf(shopAt(m_dir.path()), report, qint16(job), pdf);
            QVERIFY2(error.ok(), qPrintable(error.error().text));
            QStringList texts;
            for (const PdfWord &w : pdfWords(pdf))
                texts << w.text;
            QVERIFY2(texts.contains(QStringLiteral("先生(女士)")), qPrintable(report));
            QVERIFY2(texts.contains(QStringLiteral("收")), qPrintable(report));
            QVERIFY(texts.contains(job == 57 ? QStringLiteral("王芳") : QStringLiteral("李娜")));
        }
    }
}

void TestDataReport::emptyFieldPrintsNothingButTheFormStays()
{
    const auto layout = loadLayout(QStringLiteral("修理凭单"));
    QVERIFY(layout.ok());
    const auto sp = filledServicePoint();
    const QVector<DrawnItem> full = pageItems(*layout, rowOf(filledJob(57)), sp, {}, {});
    Row sparse = rowOf(filledJob(57));
    sparse.insert(QStringLiteral("备注"), QString());
    sparse.insert(QStringLiteral("检修结果"), QVariant());
    sparse.remove(QStringLiteral("移动电话"));
    const QVector<DrawnItem> drawn = pageItems(*layout, sparse, sp, {}, {});

    QVERIFY(!itemNamed(drawn, QStringLiteral("txt备注")));
    QVERIFY(!itemNamed(drawn, QStringLiteral("txt检修结果")));
    QVERIFY(!itemNamed(drawn, QStringLiteral("txt移动电话")));
    QCOMPARE(drawn.size(), full.size() - 3); // none of them long enough to break
    // A caption broken over lines is one control still.
    const auto formParts = [](const QVector<DrawnItem> &items) {
        QSet<QString> names;
        for (const DrawnItem &i : items)
            if (i.kind != ItemKind::TextBox)
                names.insert(i.name);
        return names.size();
    };
    QCOMPARE(formParts(drawn), formParts(full));
    QCOMPARE(formParts(drawn), 24 + 2 + 44); // the voucher's labels, rectangles and rules
}

void TestDataReport::onePagePerRow()
{
    QTemporaryDir dir;
    auto db = createJobTable(dir.path(), {filledJob(3), filledJob(1, {{"客户姓名", "甲"}}),
                                          filledJob(2, {{"客户姓名", "乙"}})});
    QVERIFY(db);
    DataSource source(dir.filePath(QStringLiteral("新客户信息.mdb")));
    const common::Result<QVector<Row>> rows = source.rows();
    QVERIFY(rows.ok());
    QCOMPARE(rows->size(), 3);

    const auto renderer = dataReportRenderer(QStringLiteral("快件单"), shopAt(dir.path()));
    QVERIFY(renderer.ok());
    const QString pdf = dir.filePath(QStringLiteral("three.pdf"));
    QVERIFY(renderer->renderToPdf(pdf, *rows).ok());
    QCOMPARE(pdfPages(pdf), 3);
    // In number order, each customer on a page of its own.
    QStringList byPage(3);
    for (const PdfWord &w : pdfWords(pdf))
        if (w.text == QStringLiteral("甲") || w.text == QStringLiteral("乙") || w.text == QStringLiteral("王芳"))
            byPage[w.page] += w.text;
    QCOMPARE(byPage, (QStringList{"甲", "乙", "王芳"}));
}

void TestDataReport::paperAndOffsetFollowTheStationery()
{
    const auto small = loadLayout(QStringLiteral("小信封"));
    const auto large = loadLayout(QStringLiteral("大信封"));
    const auto xinfei = loadLayout(QStringLiteral("新飞维修"));
    QVERIFY(small.ok() && large.ok() && xinfei.ok());
    const QPageLayout a4 = pageLayoutFor(*small, {});
    QCOMPARE(a4.pageSize().id(), QPageSize::A4);
    QCOMPARE(a4.orientation(), QPageLayout::Portrait);
    QCOMPARE(a4.margins(), QMarginsF());
    QCOMPARE(pageLayoutFor(*xinfei, {}).orientation(), QPageLayout::Portrait);
    // 238 mm wide: only lying down does A4 hold the large envelope.
    QCOMPARE(pageLayoutFor(*large, {}).orientation(), QPageLayout::Landscape);
    QCOMPARE(pageLayoutFor(*large, {}).pageSize().id(), QPageSize::A4);

    common::Stationery shop;
    shop.offsetXmm = 12.5;
    shop.offsetYmm = -3;
    shop.paper = QPageSize::B5;
    shop.orientation = QPageLayout::Landscape;
    const QPageLayout set = pageLayoutFor(*small, shop);
    QCOMPARE(set.pageSize().id(), QPageSize::B5);
    QCOMPARE(set.orientation(), QPageLayout::Landscape);

    // The offset moves the whole band, on the real sheet too.
    QTemporaryDir dir;
    auto db = createJobTable(dir.path(), {filledJob(57)});
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.stationery.insert(QStringLiteral("小信封"), shop);
    ReportRenderer renderer(*small, settings, dir.path());
    const QString pdf = dir.filePath(QStringLiteral("moved.pdf"));
    QVERIFY(renderer.renderToPdf(pdf, {rowOf(filledJob(57))}).ok());
    const QVector<PdfWord> words = pdfWords(pdf);
    const auto receive = std::find_if(words.begin(), words.end(),
                                      [](const PdfWord &w) { return w.text == QStringLiteral("收"); });
    QVERIFY(receive != words.end());
    QVERIFY(qAbs(receive->mm.left() - (common::twipsToMm(6630) + 12.5)) <= kToleranceMm);
    QVERIFY(qAbs(receive->mm.top() - (common::twipsToMm(2865) - 3)) <= 2.0);

    // As the shop sets it in its settings file.
    common::SiteSettings saved = common::SiteSettings::defaults();
    common::Stationery waybill;
    waybill.offsetXmm = 20;
    saved.stationery.insert(QStringLiteral("快件单"), waybill);
    QVERIFY(saved.save(dir.filePath(common::settingsFileName())).ok());
    const QString shifted = dir.filePath(QStringLiteral("shifted.pdf"));
    QVERIFY(renderJobToPdf(shopAt(dir.path()), QStringLiteral("快件单"), 57, shifted).ok());
    const QVector<PdfWord> moved = pdfWords(shifted);
    const auto date = std::find_if(moved.begin(), moved.end(),
                                   [](const PdfWord &w) { return w.text == QStringLiteral("2003-5-1"); });
    QVERIFY(date != moved.end());
    QVERIFY(qAbs(date->mm.left() - (common::twipsToMm(3030) + 20)) <= kToleranceMm);
}

void TestDataReport::formPictureOnlyWhenTheShopHasOne()
{
    QTemporaryDir dir;
    const auto layout = loadLayout(QStringLiteral("新飞维修"));
    QVERIFY(layout.ok());
    const auto sp = filledServicePoint();
    const auto pictures = [&] {
        int n = 0;
        for (const DrawnItem &i : pageItems(*layout, rowOf(filledJob(57)), sp, dir.path(), {}))
            n += i.kind == ItemKind::Picture;
        return n;
    };
    QCOMPARE(pictures(), 0);

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("报表")));
    QImage form(99, 131, QImage::Format_RGB32);
    form.fill(Qt::white);
    QVERIFY(form.save(dir.filePath(QStringLiteral("报表/新飞维修.png"))));
    QCOMPARE(pictures(), 1);
    const QList<DrawnItem> items = pageItems(*layout, rowOf(filledJob(57)), sp, dir.path(), {});
    const DrawnItem *picture = itemNamed(items, QStringLiteral("Image1"));
    QVERIFY(picture);
    QVERIFY(qAbs(picture->mm.width() - common::twipsToMm(9450)) < 0.01);
}

void TestDataReport::renderToolWritesTheJob()
{
    const QString pdf = m_dir.filePath(QStringLiteral("tool.pdf"));
    QProcess tool;
    tool.start(renderBinary(), {m_dir.path(), QStringLiteral("新飞鉴定卡"), QStringLiteral("58"), pdf});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(pdfPages(pdf), 1);
    QStringList texts;
    for (const PdfWord &w : pdfWords(pdf))
        texts << w.text;
    QVERIFY(texts.contains(QStringLiteral("李娜")));
    QVERIFY(texts.contains(QStringLiteral("新飞电器配件故障鉴定卡")));
}

void TestDataReport::renderToolRefusesBadInput()
{
    const QString pdf = m_dir.filePath(QStringLiteral("refused.pdf"));
    const QList<QStringList> cases = {
        {m_dir.path(), QStringLiteral("没有的报表"), QStringLiteral("57"), pdf},
        {m_dir.path(), QStringLiteral("小信封"), QStringLiteral("999"), pdf},
        {m_dir.path(), QStringLiteral("小信封"), QStringLiteral("abc"), pdf},
        {m_dir.filePath(QStringLiteral("nowhere")), QStringLiteral("小信封"), QStringLiteral("57"), pdf},
        {m_dir.path(), QStringLiteral("小信封")},
    };
    for (const QStringList &args : cases) {
        QProcess tool;
        tool.start(renderBinary(), args);
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() != 0, qPrintable(args.join(' ')));
        QVERIFY(!tool.readAllStandardError().isEmpty());
        QVERIFY(!QFileInfo::exists(pdf));
    }
}

void TestDataReport::longValuesPrintWholeAndApart_data()
{
    eachDataReport();
}

void TestDataReport::longValuesPrintWholeAndApart()
{
    QFETCH(QString, report);
    QTemporaryDir dir;
    QVERIFY(createJobTable(dir.path(), {longJob(30123)}));
    QVERIFY(fillParticulars(dir.path()));
    const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
    const common::Result<void> error = renderJobToPdf(shopAt(dir.path()), report, 30123, pdf);
    QVERIFY2(error.ok(), qPrintable(error.error().text));
    const QVector<PdfWord> words = pdfWords(pdf);
    QVERIFY(!words.isEmpty());

    // Nothing smaller than 6.5 pt; dates, numbers and codes whole, on the
    // lines they were broken onto, each where the page model put it; free
    // text cut only with the mark.
    const auto layout = loadLayout(report);
    QVERIFY(layout.ok());
    const LaidOutReport laidOut = layoutDataReport(*layout, {rowOf(longJob(30123))},
                                                   filledServicePoint(), dir.path(), {});
    QMap<QString, QString> printed; // by control, its lines joined
    double smallest = 1e9;
    for (const PageItem &item : laidOut.pages.first().items) {
        if (item.kind != PageItem::Kind::Text)
            continue;
        smallest = std::min(smallest, laidOut.fonts.at(item.font).points);
        printed[item.name] += item.text;
        const bool centred = item.align & Qt::AlignHCenter;
        const auto word = std::find_if(words.begin(), words.end(), [&](const PdfWord &w) {
            const double x = centred ? w.mm.center().x() : w.mm.left();
            const double want = (centred ? item.rect.center().x() : item.rect.left()) / kPointsPerMm;
            return item.text.startsWith(w.text) && qAbs(x - want) <= kToleranceMm
                && qAbs(w.mm.top() - item.rect.top() / kPointsPerMm) <= 2.0;
        });
        QVERIFY2(word != words.end(), qPrintable(QStringLiteral("%1 \"%2\" not at its place").arg(item.name, item.text)));
    }
    qInfo("%s: smallest text %.2f pt", qPrintable(report), smallest);
    QVERIFY2(smallest >= kSmallestPoints, qPrintable(QString::number(smallest)));
    int whole = 0;
    for (const LayoutItem &control : layout->items) {
        const store::FieldDef *field = store::findField(control.field);
        if (control.kind != ItemKind::TextBox || !field)
            continue;
        const QString want = fieldText(longJob(30123).value(field->name), field->name);
        if (field->printedWhole()) {
            QCOMPARE(printed.value(control.name).remove(u' '), QString(want).remove(u' '));
            ++whole;
        } else if (printed.value(control.name) != want) {
            QVERIFY2(printed.value(control.name).endsWith(cutMark()), qPrintable(control.name));
        }
    }
    QVERIFY(whole >= 1);

    // No text crosses a vertical rule of the form or sits on one: 新飞鉴定卡's
    // 型号 broken over two lines ran through Line6, 修理凭单's 宅电 began on
    // its double rule.
    for (const LayoutItem &rule : layout->items) {
        if (rule.kind != ItemKind::Line || rule.twips.width() != 0)
            continue;
        const double x = common::twipsToMm(rule.twips.left());
        const double top = common::twipsToMm(rule.twips.top());
        const double bottom = common::twipsToMm(rule.twips.top() + rule.twips.height());
        for (const PdfWord &w : words) {
            const QRectF glyphs = w.mm.adjusted(0, 0.6, 0, -0.6);
            QVERIFY2(glyphs.bottom() <= top || glyphs.top() >= bottom || x <= glyphs.left() - 0.2 || x >= glyphs.right(),
                     qPrintable(QStringLiteral("\"%1\" at %2 mm on %3 at %4 mm")
                                    .arg(w.text).arg(w.mm.left(), 0, 'f', 2).arg(rule.name).arg(x, 0, 'f', 2)));
        }
    }

    // No two texts on the sheet cover one another (a hair of the glyph boxes'
    // leading is allowed).
    for (int i = 0; i < words.size(); ++i)
        for (int j = i + 1; j < words.size(); ++j) {
            const QRectF overlap = words.at(i).mm.adjusted(0.1, 0.6, -0.1, -0.6)
                                       .intersected(words.at(j).mm.adjusted(0.1, 0.6, -0.1, -0.6));
            QVERIFY2(overlap.isEmpty(), qPrintable(QStringLiteral("\"%1\" covers \"%2\"")
                                                       .arg(words.at(i).text, words.at(j).text)));
        }
}

void TestDataReport::datesPrintShortAndWordsAsTheyAre()
{
    QCOMPARE(fieldText(QStringLiteral("2025-05-18"), QStringLiteral("购买日期")), QStringLiteral("2025-5-18"));
    QCOMPARE(fieldText(QStringLiteral("超保"), QStringLiteral("购买日期")), QStringLiteral("超保"));
    QCOMPARE(fieldText(QStringLiteral("2003-10-01"), QStringLiteral("接货日期")), QStringLiteral("2003-10-1"));
    QCOMPARE(fieldText(QStringLiteral("2003-10-01"), QStringLiteral("备注")), QStringLiteral("2003-10-01"));
    QCOMPARE(fieldText(QVariant(), QStringLiteral("接货日期")), QString());
    // Fees as money, whatever sum of floating-point parts the table holds.
    QCOMPARE(fieldText(0.1 + 0.2, QStringLiteral("车补")), QStringLiteral("0.30"));
    QCOMPARE(fieldText(1e-07, QStringLiteral("差旅费")), QStringLiteral("0.00"));
    QCOMPARE(fieldText(0, QStringLiteral("维修费")), QStringLiteral("0.00"));
    QCOMPARE(fieldText(99999.99, QStringLiteral("合计")), QStringLiteral("99999.99"));
    // Other numbers whole, as the workspace shows them.
    QCOMPARE(fieldText(126.125, QStringLiteral("里程数")), QStringLiteral("126.125"));
    QCOMPARE(cellText(126.125, QStringLiteral("里程数")), QStringLiteral("126.125"));
    // Text an older program left in a number column, as it stands.
    QCOMPARE(cellText(QStringLiteral("12元"), QStringLiteral("上门费")), QStringLiteral("12元"));
}

void TestDataReport::textShrinksThenIsCutVisibly()
{
    const auto fit = [](const QString &text, double points, bool whole, QSizeF box, QSizeF runOn = {},
                        QSizeF room = {}) {
        MonospaceMeasure measure;
        return fitText(text, points, whole, {box, runOn.isEmpty() ? box : runOn, room.isEmpty() ? box : room},
                       measure);
    };
    const QString digits = QStringLiteral("12345678901234567890");
    QCOMPARE(fit("ab", 8, false, {60, 8}), (FittedText{{"ab"}, 8}));
    // Smaller by at most a quarter...
    const FittedText smaller = fit("abcdefghij", 10, false, {80, 10});
    QVERIFY(smaller.lines == QStringList{"abcdefghij"} && !smaller.cut && smaller.points <= 8 && smaller.points >= 7.5);
    // ...never under 6.5 pt: free text is cut there, with the mark.
    const FittedText cut = fit("abcdefghij", 8, false, {60, 8});
    QVERIFY(cut.cut);
    QCOMPARE(cut.points, kSmallestPoints);
    QCOMPARE(cut.lines, QStringList{QStringLiteral("abcdefgh") + cutMark()});
    // A number too long for its line breaks within its box's height...
    const FittedText broken = fit(digits, 8, true, {70, 14});
    QVERIFY(!broken.cut && broken.points >= kSmallestPoints && !broken.runsOn);
    QCOMPARE(broken.lines.join(QString()), digits);
    QCOMPARE(broken.lines.size(), 2);
    // ...or runs on into the paper to its right, on one line...
    const FittedText runsOn = fit(digits, 8, true, {70, 8}, {140, 8});
    QVERIFY(runsOn.runsOn && runsOn.points >= kSmallestPoints && runsOn.points * 20 <= 140);
    QCOMPARE(runsOn.lines, QStringList{digits});
    // ...or breaks over the paper below it, at its own size where that fits.
    const FittedText below = fit(digits, 8, true, {70, 8}, {70, 8}, {70, 30});
    QCOMPARE(below.points, 8.0);
    QCOMPARE(below.lines.join(QString()), digits);
    // With no room at all it is still whole and readable, reaching below its box.
    const FittedText cramped = fit(digits, 8, true, {20, 8});
    QVERIFY(!cramped.cut && cramped.points == kSmallestPoints);
    QCOMPARE(cramped.lines.join(QString()), digits);
}

// Where two boxes of a form overlapped, a value printed over its neighbour
// (修理凭单's 发票号码 ran into the label 出厂日期); and a box running over
// a rule of the form prints across the pre-printed line.
void TestDataReport::layoutBoxesKeepApart()
{
    for (const QString &report : dataReportNames()) {
        const auto layout = loadLayout(report);
        QVERIFY(layout.ok());
        QVector<const LayoutItem *> texts, rules;
        for (const LayoutItem &item : layout->items) {
            if (item.kind == ItemKind::Label || item.kind == ItemKind::TextBox)
                texts << &item;
            else if (item.kind == ItemKind::Line && item.twips.width() == 0)
                rules << &item;
        }
        for (int i = 0; i < texts.size(); ++i) {
            for (int j = i + 1; j < texts.size(); ++j)
                QVERIFY2(!texts.at(i)->twips.intersects(texts.at(j)->twips),
                         qPrintable(report + ": " + texts.at(i)->name + " / " + texts.at(j)->name));
            const QRect box = texts.at(i)->twips;
            for (const LayoutItem *rule : rules) {
                const int x = rule->twips.left();
                const bool crossesRow = rule->twips.top() < box.top() + 240 && box.top() < rule->twips.bottom();
                QVERIFY2(!(crossesRow && x > box.center().x() && x < box.left() + box.width()),
                         qPrintable(report + ": " + texts.at(i)->name + " runs over " + rule->name));
            }
        }
    }
}

void TestDataReport::pdfOverAReadOnlyFileFailsAndKeepsIt()
{
    const QString pdf = m_dir.filePath(QStringLiteral("ro.pdf"));
    QFile old(pdf);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("the shop's own file");
    old.close();
    QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QList<QStringList> modes = {
        {m_dir.path(), QStringLiteral("修理凭单"), QStringLiteral("57"), pdf},
        {m_dir.path(), QStringLiteral("--file"), QStringLiteral("报表\\商场报表.RPT"), QStringLiteral("--formula"),
         QString(), pdf},
    };
    for (const QStringList &args : modes) {
        QProcess tool;
        tool.start(renderBinary(), args);
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() != 0, qPrintable(args.join(' ')));
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QStringLiteral("只读")));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the shop's own file"));
        old.close();
    }
    // Nothing of the attempts is left beside it.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*ro.pdf*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("ro.pdf")});
}

// A shop measures on the printed sheet: the scale's centimetre numbers must
// stand where they say, counted from the form's corner at the offset, and
// every mark must print on a printer with margins.
void TestDataReport::calibrationScalesStandAtTheOffset()
{
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.stationery.insert(QStringLiteral("修理凭单"), common::Stationery{7.5, 12.25, {}, {}});
    const auto layout = loadLayout(QStringLiteral("修理凭单"));
    QVERIFY(layout.ok());
    const QString pdf = m_dir.filePath(QStringLiteral("calibration.pdf"));
    QVERIFY(ReportRenderer(*layout, settings, m_dir.path()).calibrationToPdf(pdf).ok());
    const QVector<PdfWord> words = pdfWords(pdf);
    int found = 0;
    for (int cm = 10; cm <= 140; cm += 10) {
        // Along the top edge, each number just right of its tick.
        found += std::count_if(words.begin(), words.end(), [&](const PdfWord &w) {
            return w.text == QString::number(cm) && qAbs(w.mm.left() - (7.5 + cm + 0.5)) <= kToleranceMm
                && w.mm.top() < 12.25 + 8;
        });
    }
    QCOMPARE(found, 14);
    QStringList all;
    for (const PdfWord &w : words)
        all << w.text;
    // The offsets it was printed with, to correct them by what was measured.
    QVERIFY2(all.contains(QStringLiteral("7.5")) && all.contains(QStringLiteral("12.25")), qPrintable(all.join(' ')));

    // On an office printer that cannot print the outer 4.23 mm, with the form
    // at the paper's corner: crosshairs, scales and captions all print, and
    // the sheet names the printer's margins.
    const LaidOutReport sheet =
        layoutCalibration(*layout, {}, PrinterMargins{QStringLiteral("办公室"), QMarginsF(4.23, 4.23, 4.23, 4.23)});
    QCOMPARE(sheet.pages.size(), 1);
    int marks = 0;
    for (const PageItem &item : sheet.pages.first().items)
        marks += item.name.isEmpty();
    QVERIFY(marks > 100);
    for (const PageItem *outside : itemsInMargins(sheet.pages.first(), sheet.pageSize, QMarginsF(4.23, 4.23, 4.23, 4.23)))
        QVERIFY2(!outside->name.isEmpty(), qPrintable(QStringLiteral("a calibration mark at %1,%2 mm does not print: %3")
                                                         .arg(outside->rect.left() / kPointsPerMm)
                                                         .arg(outside->rect.top() / kPointsPerMm)
                                                         .arg(outside->text)));
    const auto says = [&](const QString &part) {
        return std::any_of(sheet.pages.first().items.begin(), sheet.pages.first().items.end(),
                           [&](const PageItem &i) { return i.text.contains(part); });
    };
    QVERIFY(says(QStringLiteral("办公室")) && says(QStringLiteral("4.23 mm")));

    // Each box says what it holds, not its control's name; the two scales'
    // numbers do not stand on one another where they meet in the corner.
    QStringList held;
    for (const PageItem &item : sheet.pages.first().items)
        if (item.kind == PageItem::Kind::Text && !item.name.isEmpty()) {
            QVERIFY2(item.text != item.name, qPrintable(item.text));
            held << item.text;
        }
    for (const QString &want : {QStringLiteral("宅电"), QStringLiteral("姓 名"), QStringLiteral("维修站名称"),
                                QStringLiteral("地址、电话、传真、网址")})
        QVERIFY2(held.contains(want), qPrintable(held.join(u'|')));
    const QString cornered = m_dir.filePath(QStringLiteral("calibration-margins.pdf"));
    QVERIFY(writeReportPdf(sheet, cornered).ok());
    QVector<QRectF> numbers;
    for (const PdfWord &w : pdfWords(cornered)) {
        bool number = false;
        w.text.toInt(&number);
        if (number)
            numbers << w.mm;
    }
    QVERIFY(numbers.size() > 20);
    for (int i = 0; i < numbers.size(); ++i)
        for (int j = i + 1; j < numbers.size(); ++j)
            QVERIFY2(numbers.at(i).intersected(numbers.at(j)).isEmpty(),
                     qPrintable(QStringLiteral("scale numbers on one another at %1,%2 mm")
                                    .arg(numbers.at(i).left(), 0, 'f', 1).arg(numbers.at(i).top(), 0, 'f', 1)));
}

CORVALE_CORE_TEST_MAIN(TestDataReport)
#include "tst_datareport.moc"
