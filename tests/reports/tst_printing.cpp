// The workspace's print command: which jobs the data reports print, and the
// preview windows the panel opens on them.
#include "support/datafolder.h"
#include "support/pdfwords.h"
#include "support/jobtable.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include "reports/ui/datareportwindow.h"
#include "reports/ui/enginepreview.h"
#include "reports/forms/datasource.h"
#include "reports/ui/paizi.h"
#include "reports/ui/paperprinter.h"
#include "reports/ui/printing.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QScreen>
#include <QSqlQuery>
#include <QWheelEvent>
#include <QtTest>

using namespace reports;

namespace {

QList<int> jobNumbers(DataSource &source)
{
    const common::Result<QVector<Row>> rows = source.rows();
    if (rows.failed())
        return {-1};
    QList<int> numbers;
    for (const Row &row : *rows)
        numbers << row.value(QStringLiteral("编号")).toInt();
    return numbers;
}

// Label96 opens the data report 修理凭单, Label59 the catalogue list 新飞回访记录表.
QWidget *openPreview(PaiZi *panel, const char *caption)
{
    QTest::mouseClick(panel->findChild<QLabel *>(caption), Qt::LeftButton);
    if (QLatin1String(caption) == QLatin1String("Label96"))
        return panel->dataReportWindow("修理凭单");
    return panel->cataloguePreview("新飞回访记录表");
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void withoutJobEveryJobIsSelected();
    void printSelectsTheJob();
    void secondPrintReplacesTheFirst();
    void withoutJobTheLastSourceStays();
    void reportsReadWhatWasSavedSince();
    void unreadableFileStillOpensThePanel();
    void captionOpensOneWindowPerReport();
    void previewSavesThePdf();
    void panelOpensOverTheWorkspaceAndGoesWithIt();
    void previewsCloseWithEscapeOrTheirButton();
    void previewsFitTheScreenAndZoom();
    void placeholdersArePointedOutOncePerRun();
    void calibrationSheetInPlaceOfTheJob();
    void printedFormLandsWhereThePdfPutsIt_data();
    void printedFormLandsWhereThePdfPutsIt();
    void refusedOrWaitingJobIsSaid();

private:
    std::unique_ptr<DataFolder> m_folder;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<store::Database> m_db;
    std::unique_ptr<QWidget> m_workspace;
    common::ShopContext m_shop;
    PrintCommand *m_print = nullptr;
};

void TestPrinting::init()
{
    m_folder = std::make_unique<DataFolder>();
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_db = createJobTable(m_folder->path(), {makeJob(58), makeJob(56), makeJob(57)});
    QVERIFY(m_db);
    // A shop that has filled in its particulars.
    common::SiteSettings settings = common::SiteSettings::defaults();
    settings.servicePoint = {"浙江省宁波市", "甬江维修部", "中山路1号", "315000", "87654321",
                             "87654322", "www.example.com", "陈明", "12345"};
    QVERIFY(settings.save(m_folder->file(common::settingsFileName())).ok());
    m_workspace = std::make_unique<QWidget>();
    m_shop = m_folder->shop();
    m_print = new PrintCommand(m_workspace.get(), m_shop);
}

void TestPrinting::cleanup()
{
    m_workspace.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_db.reset();
    m_prompt.reset();
    m_folder.reset();
}

void TestPrinting::withoutJobEveryJobIsSelected()
{
    DataSource &source = m_print->source();
    m_print->run(std::nullopt);
    QVERIFY(m_print->panel() && m_print->panel()->isVisible());
    QCOMPARE(source.job(), std::nullopt);
    QCOMPARE(jobNumbers(source), (QList<int>{56, 57, 58}));
}

void TestPrinting::printSelectsTheJob()
{
    m_print->run(qint16(57));
    DataSource &source = m_print->source();
    QCOMPARE(source.job(), std::optional<qint16>(57));
    QCOMPARE(jobNumbers(source), QList<int>{57});
    QVERIFY(m_print->panel() && m_print->panel()->isVisible());
    QVERIFY(m_prompt->messages.isEmpty());
}

void TestPrinting::secondPrintReplacesTheFirst()
{
    m_print->run(qint16(57));
    PaiZi *panel = m_print->panel();
    m_print->run(qint16(58));
    QCOMPARE(m_print->panel(), panel);
    QCOMPARE(jobNumbers(m_print->source()), QList<int>{58});
}

void TestPrinting::withoutJobTheLastSourceStays()
{
    m_print->run(qint16(56));
    m_print->run(std::nullopt);
    QCOMPARE(jobNumbers(m_print->source()), QList<int>{56});
}

void TestPrinting::reportsReadWhatWasSavedSince()
{
    m_print->run(qint16(57));
    QSqlQuery q(m_db->sql());
    QVERIFY(q.exec("UPDATE 客户信息 SET 客户姓名='赵敏' WHERE 编号=57"));
    const common::Result<QVector<Row>> rows = m_print->source().rows();
    QVERIFY(rows.ok());
    QCOMPARE(rows->size(), 1);
    QCOMPARE(rows->first().value("客户姓名").toString(), QString("赵敏"));
}

void TestPrinting::unreadableFileStillOpensThePanel()
{
    m_db.reset();
    QVERIFY(QFile::remove(m_folder->file("新客户信息.mdb")));
    m_print->run(qint16(57));
    QVERIFY(m_print->panel() && m_print->panel()->isVisible());
    QVERIFY(m_print->source().rows().failed());
}

void TestPrinting::captionOpensOneWindowPerReport()
{
    m_print->run(qint16(57));
    PaiZi *panel = m_print->panel();
    QTest::mouseClick(panel->findChild<QLabel *>("Label96"), Qt::LeftButton);
    DataReportWindow *voucher = panel->dataReportWindow("修理凭单");
    QVERIFY(voucher && voucher->isVisible());
    QCOMPARE(voucher->windowTitle(), QString("修理凭单"));
    QCOMPARE(voucher->pageCount(), 1);
    const auto number = std::find_if(voucher->pages().pages.first().items.begin(), voucher->pages().pages.first().items.end(),
                                     [](const PageItem &i) { return i.name == "txt编号"; });
    QVERIFY(number != voucher->pages().pages.first().items.end());
    QCOMPARE(number->text, QString("57"));

    // The same window again, now on the job the next print command chose.
    m_print->run(qint16(58));
    QTest::mouseClick(panel->findChild<QLabel *>("Label96"), Qt::LeftButton);
    QCOMPARE(panel->dataReportWindow("修理凭单"), voucher);
    const auto again = std::find_if(voucher->pages().pages.first().items.begin(), voucher->pages().pages.first().items.end(),
                                    [](const PageItem &i) { return i.name == "txt编号"; });
    QVERIFY(again != voucher->pages().pages.first().items.end());
    QCOMPARE(again->text, QString("58"));

    QTest::mouseClick(panel->findChild<QLabel *>("Label35"), Qt::LeftButton);
    QVERIFY(panel->dataReportWindow("小信封"));
    QVERIFY(panel->dataReportWindow("小信封") != voucher);
    QVERIFY(m_prompt->messages.isEmpty());
}

void TestPrinting::previewSavesThePdf()
{
    m_print->run(qint16(56));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window);
    const QString pdf = m_folder->file("快件单.pdf");
    QVERIFY(window->savePdf(pdf));
    QVERIFY(QFileInfo(pdf).size() > 0);

    QVERIFY(!window->savePdf(m_folder->file("no/such/folder/x.pdf")));
    QCOMPARE(m_prompt->messages.size(), 1);
}

void TestPrinting::panelOpensOverTheWorkspaceAndGoesWithIt()
{
    m_workspace->setGeometry(200, 150, 1000, 700);
    m_workspace->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_workspace.get()));
    m_print->run(qint16(57));
    QPointer<PaiZi> panel = m_print->panel();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QVERIFY((panel->frameGeometry().center() - m_workspace->frameGeometry().center()).manhattanLength() <= 40);
    panel->showDataReport("修理凭单");
    QTest::mouseClick(panel->findChild<QLabel *>("Label59"), Qt::LeftButton);
    QPointer<QWidget> voucher = panel->dataReportWindow("修理凭单");
    QPointer<QWidget> list = panel->cataloguePreview("新飞回访记录表");
    QVERIFY(voucher && list);

    // A second click shows the entry's one window again, with the new run.
    QTest::mouseClick(panel->findChild<QLabel *>("Label59"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int lists = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        lists += w->isVisible() && qobject_cast<EnginePreview *>(w);
    QCOMPARE(lists, 1);

    m_workspace.reset();
    QVERIFY(!panel && !voucher);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!list);
}

void TestPrinting::previewsCloseWithEscapeOrTheirButton()
{
    m_print->run(qint16(57));
    PaiZi *panel = m_print->panel();
    const auto open = [panel](const char *caption) { return openPreview(panel, caption); };
    for (const char *caption : {"Label96", "Label59"}) {
        QPointer<QWidget> shown = open(caption);
        QVERIFY(shown);
        // Wherever the focus is inside the window.
        QWidget *inside = shown->findChildren<QWidget *>().last();
        QTest::keyClick(inside, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!shown, caption);

        shown = open(caption);
        QVERIFY(shown);
        auto *close = shown->findChild<QPushButton *>("cmdClose");
        QVERIFY(close);
        QVERIFY(close->text().startsWith(QStringLiteral("关闭")));
        QTest::mouseClick(close, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!shown, caption);
    }
}

// Both previews open within the screen, fitted to the page; Ctrl+plus steps
// up from where the fitted page stands, Ctrl+wheel back down.
void TestPrinting::previewsFitTheScreenAndZoom()
{
    m_print->run(qint16(57));
    PaiZi *panel = m_print->panel();
    const auto open = [panel](const char *caption) { return openPreview(panel, caption); };
    for (const char *caption : {"Label96", "Label59"}) {
        QPointer<QWidget> preview = open(caption);
        QVERIFY(preview);
        preview->activateWindow();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == preview; }));
        QVERIFY(preview->screen()->availableGeometry().contains(preview->frameGeometry()));
        auto *zoom = preview->findChild<QComboBox *>("cboZoom");
        QVERIFY(zoom);
        QCOMPARE(zoom->currentText(), QStringLiteral("整页"));
        QTest::keySequence(preview->windowHandle(), QKeySequence::ZoomIn);
        const int up = zoom->currentText().chopped(1).toInt();
        // One step above a page fitted into less than 1024 px.
        QVERIFY2(up > 25 && up <= 100, qPrintable(zoom->currentText()));
        QWidget *pageArea = preview->findChild<QAbstractScrollArea *>()->viewport();
        QWheelEvent wheel(QPointF(20, 20), pageArea->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pageArea, &wheel);
        QVERIFY(zoom->currentText().chopped(1).toInt() < up);
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void TestPrinting::placeholdersArePointedOutOncePerRun()
{
    m_shop.settings = common::SiteSettings::defaults(); // the built-in placeholders
    QSignalSpy asked(m_print, &PrintCommand::settingsRequested);
    m_print->run(qint16(57));
    PaiZi *panel = m_print->panel();
    // 填写修理单 prints none of the particulars.
    QTest::mouseClick(panel->findChild<QLabel *>("Label99"), Qt::LeftButton);
    QVERIFY(m_prompt->messages.isEmpty());

    m_prompt->answers = {common::Answer::Yes};
    QTest::mouseClick(panel->findChild<QLabel *>("Label96"), Qt::LeftButton);
    QCOMPARE(m_prompt->messages.size(), 1);
    QVERIFY(m_prompt->messages.first().text.contains(QStringLiteral("维修站名称")));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().first().toInt(), int(common::settingsPage::ServicePoint));
    QVERIFY(panel->dataReportWindow("修理凭单"));

    // Once a run: the panel opened again, another report, no second word.
    panel->close();
    m_print->run(qint16(58));
    QTest::mouseClick(m_print->panel()->findChild<QLabel *>("Label35"), Qt::LeftButton);
    QCOMPARE(m_prompt->messages.size(), 1);
    QCOMPARE(asked.size(), 1);
}

void TestPrinting::calibrationSheetInPlaceOfTheJob()
{
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window && window->pages().pages.size() == 1);
    QTest::mouseClick(window->findChild<QPushButton *>("cmdCalibration"), Qt::LeftButton);
    QVERIFY(window->calibration());
    QVERIFY(window->pages().pages.first().rows.isEmpty()); // no job on the sheet
    const QString pdf = m_folder->file("校准.pdf");
    QVERIFY(window->savePdf(pdf));
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    QVERIFY(text.waitForFinished(60000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    const QString customer = makeJob(57).value("客户姓名").toString();
    QVERIFY2(printed.contains(QStringLiteral("校准页")) && !printed.contains(customer), qPrintable(printed));
}

// Through the test's own print system (tests/print/with-cups.sh): a printer
// whose driver declares 12 pt margins, and one that declares none.
void TestPrinting::printedFormLandsWhereThePdfPutsIt_data()
{
    QTest::addColumn<QString>("printer");
    QTest::newRow("with margins") << QStringLiteral("corvale-margins");
    QTest::newRow("borderless") << QStringLiteral("corvale-borderless");
}

void TestPrinting::printedFormLandsWhereThePdfPutsIt()
{
    QFETCH(QString, printer);
    QVERIFY2(!qEnvironmentVariableIsEmpty("CORVALE_TEST_PRINTS"), "run through tests/print/with-cups.sh");
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("修理凭单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("修理凭单");
    QVERIFY(window);
    const QString pdf = m_folder->file("修理凭单.pdf");
    QVERIFY(window->savePdf(pdf));

    QPrinter paper(QPrinter::HighResolution);
    paper.setPrinterName(printer);
    setUpPrinter(paper, window->pages());
    const int done = jobsDone(printer);
    QVERIFY(printReport(paper, window->pages(), 0, 1, window));
    QVERIFY(printerDone(printer, done));
    const QString differs = wordsDiffer(pdfWords(printedFile(printer)), pdfWords(pdf), 0.2);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    // The voucher's title stands at the top edge of the form, in the margin
    // such a printer does not print: said once, and not moved.
    if (printer == QStringLiteral("corvale-margins")) {
        QCOMPARE(m_prompt->messages.size(), 1);
        const QString said = m_prompt->messages.first().text;
        QVERIFY2(said.contains(QStringLiteral("修理凭单")) && said.contains(printer) && said.contains(QStringLiteral("4.23 mm")),
                 qPrintable(said));
    } else {
        QVERIFY(m_prompt->messages.isEmpty());
    }
}

void TestPrinting::refusedOrWaitingJobIsSaid()
{
    const QString printer = QStringLiteral("corvale-borderless");
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window);
    QPrinter paper(QPrinter::HighResolution);
    paper.setPrinterName(printer);
    setUpPrinter(paper, window->pages());

    QCOMPARE(cupsTool("cupsreject", {"-r", "换墨粉", printer}), QString());
    const bool printed = printReport(paper, window->pages(), 0, 1, window);
    QCOMPARE(cupsTool("cupsaccept", {printer}), QString());
    QVERIFY(!printed);
    QCOMPARE(m_prompt->messages.size(), 1);
    QVERIFY2(m_prompt->messages.first().text.contains(printer)
                 && m_prompt->messages.first().text.contains(QStringLiteral("停止接受")),
             qPrintable(m_prompt->messages.first().text));

    // A paused printer takes the job: it prints once resumed.
    const int done = jobsDone(printer);
    QCOMPARE(cupsTool("cupsdisable", {printer}), QString());
    QVERIFY(printReport(paper, window->pages(), 0, 1, window));
    QCOMPARE(m_prompt->messages.size(), 2);
    QVERIFY2(m_prompt->messages.last().text.contains(QStringLiteral("暂停")), qPrintable(m_prompt->messages.last().text));
    QCOMPARE(cupsTool("cupsenable", {printer}), QString());
    QVERIFY(printerDone(printer, done));
    QVERIFY(pdfWords(printedFile(printer)).size() > 5);
}

CORVALE_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
