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
#include "reports/ui/printjob.h"

#include <cups/ipp.h>

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
// A queue of the private print system beside its two PDF printers, with the
// same driver and the given device; removed again with the object.
struct ExtraPrinter {
    ExtraPrinter(const QString &name, const QString &device) : name(name)
    {
        added = cupsTool("lpadmin", {"-p", name, "-E", "-v", device, "-P",
                                     QStringLiteral(CORVALE_SOURCE_DIR "/tests/print/corvale-borderless.ppd")});
    }
    ~ExtraPrinter() { cupsTool("lpadmin", {"-x", name}); }
    QString name;
    QString added; // lpadmin's output: "<lpadmin failed: …>" when it did
};

QueueLook jobLook(QueueLook::Job job, QueueLook::Printer printer, const QString &message = {})
{
    QueueLook look;
    look.job = 7;
    look.jobState = job;
    look.printerState = printer;
    look.printerMessage = message;
    return look;
}

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
    void jobIsJudgedFromWhatThePrintSystemSays();
    void jobIsSaidWhenItWaitsAndAgainWhenItEnds();
    void unansweringPrinterIsSaidUntilTheJobEnds();
    void jobStoppedOnItsDeviceIsAWarning();
    void printerDeletedWhileTheDialogWasOpen();

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
    setWatchTiming({});
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
    QCOMPARE(asked.first().first().value<common::SettingsPage>(), common::SettingsPage::ServicePoint);
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
    // The operator's reason as given.
    QVERIFY2(m_prompt->messages.first().text.contains(printer)
                 && m_prompt->messages.first().text.contains(QStringLiteral("停止接受"))
                 && m_prompt->messages.first().text.contains(QStringLiteral("（换墨粉）")),
             qPrintable(m_prompt->messages.first().text));

    // A paused printer takes the job: it prints once resumed.
    const int done = jobsDone(printer);
    QCOMPARE(cupsTool("cupsdisable", {"-r", "修理中", printer}), QString());
    QVERIFY(printReport(paper, window->pages(), 0, 1, window));
    QCOMPARE(m_prompt->messages.size(), 2);
    QVERIFY2(m_prompt->messages.last().text.contains(QStringLiteral("暂停（修理中）")),
             qPrintable(m_prompt->messages.last().text));
    QCOMPARE(m_prompt->messages.last().icon, common::Icon::Information);
    QCOMPARE(cupsTool("cupsenable", {printer}), QString());
    QVERIFY(printerDone(printer, done));
    QVERIFY(pdfWords(printedFile(printer)).size() > 5);
}

// From one look at a job and its printer, some time after the hand-over.
void TestPrinting::jobIsJudgedFromWhatThePrintSystemSays()
{
    using Job = QueueLook::Job;
    using Printer = QueueLook::Printer;
    using namespace std::chrono_literals;
    const QString away = QStringLiteral("The printer may not exist or is unavailable at this time.");
    const QString sending = QStringLiteral("Sending data to printer.");
    QueueLook refused;
    refused.refusal = IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS;
    refused.refusalWords = QStringLiteral("Destination \"x\" is not accepting jobs.");
    refused.accepting = false;
    refused.printerMessage = QStringLiteral("换墨粉 下午 3 点");
    QueueLook unsent;
    unsent.printerReasons = {QStringLiteral("media-empty-error")};
    QueueLook unsaid; // the hand-over's answer lost: the queue tells
    unsaid.accepting = false;
    unsaid.printerMessage = QStringLiteral("换墨粉");
    QueueLook gone = jobLook(Job::Processing, Printer::Processing);
    gone.printerExists = false;
    QueueLook silent = jobLook(Job::Unknown, Printer::Unknown);
    silent.answered = false;
    QueueLook offline = jobLook(Job::Processing, Printer::Processing);
    offline.printerReasons = {QStringLiteral("offline-report"), QStringLiteral("connecting-to-device")};
    QueueLook lastWords = jobLook(Job::Processing, Printer::Idle);
    lastWords.jobMessage = away;
    QueueLook aborted = jobLook(Job::Aborted, Printer::Idle);
    aborted.jobMessage = QStringLiteral("Filter failed");

    const struct {
        const char *name;
        QueueLook look;
        std::chrono::milliseconds elapsed;
        JobPhase phase;
        QString reason;
    } cases[] = {
        {"on its way", jobLook(Job::Processing, Printer::Processing), 1s, JobPhase::Printing, {}},
        {"no answer, not long yet", jobLook(Job::Processing, Printer::Processing, away), 5s, JobPhase::Printing, {}},
        {"no answer, a while", jobLook(Job::Processing, Printer::Processing, away), 25s, JobPhase::NotAnswering, away},
        {"the job's last words", lastWords, 25s, JobPhase::NotAnswering, away},
        {"keywords only", offline, 25s, JobPhase::NotAnswering, QStringLiteral("打印机离线、正在连接打印机")},
        {"no reason, a while", jobLook(Job::Pending, Printer::Processing), 25s, JobPhase::Printing, {}},
        {"no reason, long", jobLook(Job::Pending, Printer::Processing), 55s, JobPhase::Unfinished, {}},
        // A long job on a printer that answers is no printer away.
        {"on its way, a while", jobLook(Job::Processing, Printer::Processing, sending), 25s, JobPhase::Printing, {}},
        {"on its way, long", jobLook(Job::Processing, Printer::Processing, sending), 55s, JobPhase::Unfinished, sending},
        {"stopped on its device", jobLook(Job::Stopped, Printer::Idle), 0s, JobPhase::Stuck, {}},
        {"paused", jobLook(Job::Pending, Printer::Stopped, QStringLiteral("修理中")), 0s, JobPhase::Paused,
         QStringLiteral("修理中")},
        // Stopped by the print system for an error, nothing resumes it by itself.
        {"stopped for an error", jobLook(Job::Pending, Printer::Stopped, QStringLiteral("/usr/lib/cups/backend/socket failed")),
         0s, JobPhase::Halted, QStringLiteral("/usr/lib/cups/backend/socket failed")},
        {"held", jobLook(Job::Held, Printer::Idle), 0s, JobPhase::Held, {}},
        {"printed", jobLook(Job::Completed, Printer::Idle, away), 90s, JobPhase::Printed, {}},
        {"cancelled", jobLook(Job::Canceled, Printer::Idle), 30s, JobPhase::Failed, QStringLiteral("任务已被取消")},
        {"aborted", aborted, 1s, JobPhase::Failed, QStringLiteral("打印出错（Filter failed）")},
        {"printer gone", gone, 0s, JobPhase::PrinterGone, {}},
        {"service away, not long", silent, 5s, JobPhase::Printing, {}},
        {"service away, a while", silent, 25s, JobPhase::ServiceAway, {}},
        {"refused with the operator's reason", refused, 0s, JobPhase::Refused,
         QStringLiteral("打印机已停止接受新的打印任务（换墨粉 下午 3 点）")},
        {"not handed over", unsent, 0s, JobPhase::Refused, QStringLiteral("任务没有交到打印系统（缺纸）")},
        {"refusal unsaid", unsaid, 0s, JobPhase::Refused, QStringLiteral("打印机已停止接受新的打印任务（换墨粉）")},
    };
    for (const auto &c : cases) {
        const JobView view = judgeJob(c.look, c.elapsed, JobPatience{20s, 50s});
        QVERIFY2(view.phase == c.phase, c.name);
        QVERIFY2(view.reason == c.reason, qPrintable(QString::fromUtf8(c.name) + QStringLiteral(": ") + view.reason));
    }
}

// Said once when the job's state is new to the clerk; a job that simply
// prints is never said, one said as waiting is said again when it prints.
void TestPrinting::jobIsSaidWhenItWaitsAndAgainWhenItEnds()
{
    const QString printer = QStringLiteral("前台");
    const QString away = QStringLiteral("The printer may not exist or is unavailable at this time.");
    QVERIFY(!jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::Printing, {}}));
    QVERIFY(!jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::Printed, {}}));
    QVERIFY(!jobNotice(printer, "修理凭单", 7, JobPhase::NotAnswering, {JobPhase::NotAnswering, away}));

    const std::optional<JobNotice> waits =
        jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::NotAnswering, away});
    QVERIFY(waits);
    QCOMPARE(waits->icon, common::Icon::Warning);
    for (const QString &part : {printer, QStringLiteral("没有应答"), QStringLiteral("修理凭单"), away})
        QVERIFY2(waits->text.contains(part), qPrintable(waits->text));

    const std::optional<JobNotice> unfinished =
        jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::Unfinished, QStringLiteral("Printing page 3")});
    QVERIFY(unfinished && unfinished->icon == common::Icon::Information);
    QVERIFY2(unfinished->text.contains(QStringLiteral("还没有打完")) && !unfinished->text.contains(QStringLiteral("没有应答"))
                 && unfinished->text.contains(QStringLiteral("Printing page 3")),
             qPrintable(unfinished->text));

    for (const JobPhase before : {JobPhase::NotAnswering, JobPhase::Unfinished, JobPhase::Stuck, JobPhase::Paused}) {
        const std::optional<JobNotice> printed = jobNotice(printer, "修理凭单", 7, before, {JobPhase::Printed, {}});
        QVERIFY(printed);
        QCOMPARE(printed->icon, common::Icon::Information);
        QVERIFY2(printed->text.contains(QStringLiteral("已在打印机“前台”上打印")), qPrintable(printed->text));
    }
    const std::optional<JobNotice> cancelled =
        jobNotice(printer, "修理凭单", 7, JobPhase::NotAnswering, {JobPhase::Failed, QStringLiteral("任务已被取消")});
    QVERIFY(cancelled && cancelled->icon == common::Icon::Warning && cancelled->text.contains(QStringLiteral("任务已被取消")));

    // Nothing recovers a job stopped on its device: not said as waiting.
    const std::optional<JobNotice> stuck = jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::Stuck, {}});
    QVERIFY(stuck);
    QCOMPARE(stuck->icon, common::Icon::Warning);
    QVERIFY2(!stuck->text.contains(QStringLiteral("恢复后")) && stuck->text.contains(QStringLiteral("连线"))
                 && stuck->text.contains(QStringLiteral("取消")),
             qPrintable(stuck->text));

    const std::optional<JobNotice> halted =
        jobNotice(printer, "修理凭单", 7, JobPhase::Printing, {JobPhase::Halted, QStringLiteral("backend failed")});
    QVERIFY(halted && halted->icon == common::Icon::Warning);
    QVERIFY2(!halted->text.contains(QStringLiteral("恢复后")) && halted->text.contains(QStringLiteral("重新启用"))
                 && halted->text.contains(QStringLiteral("backend failed")),
             qPrintable(halted->text));

    const std::optional<JobNotice> gone = jobNotice(printer, "修理凭单", 0, JobPhase::Printing, {JobPhase::PrinterGone, {}});
    QVERIFY(gone);
    QVERIFY2(gone->text.contains(QStringLiteral("“前台”已不在打印系统里")) && !gone->text.contains(QStringLiteral("没有响应")),
             qPrintable(gone->text));
}

// A queue whose device never answers (nothing listens on the port): the job
// stays processing. The watch says so, with the print system's reason, and
// again when the job is cancelled.
void TestPrinting::unansweringPrinterIsSaidUntilTheJobEnds()
{
    using namespace std::chrono_literals;
    const ExtraPrinter away(QStringLiteral("corvale-away"), QStringLiteral("ipp://127.0.0.1:9/ipp/print"));
    QVERIFY2(!away.added.startsWith(u'<'), qPrintable(away.added));
    setWatchTiming({100ms, {1s, 120s}});
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window);
    QPrinter paper(QPrinter::HighResolution);
    paper.setPrinterName(away.name);
    setUpPrinter(paper, window->pages());

    QVERIFY(printReport(paper, window->pages(), 0, 1, window));
    QVERIFY(QTest::qWaitFor([&] { return !m_prompt->messages.isEmpty(); }, 90000));
    const common::Message waits = m_prompt->messages.first();
    QCOMPARE(waits.icon, common::Icon::Warning);
    for (const QString &part : {away.name, QStringLiteral("没有应答"),
                                QStringLiteral("The printer may not exist or is unavailable at this time.")})
        QVERIFY2(waits.text.contains(part), qPrintable(waits.text));

    QCOMPARE(cupsTool("cancel", {"-a", away.name}), QString());
    QVERIFY(QTest::qWaitFor([&] { return m_prompt->messages.size() > 1; }, 60000));
    QCOMPARE(m_prompt->messages.size(), 2);
    QVERIFY2(m_prompt->messages.last().text.contains(QStringLiteral("任务已被取消"))
                 && m_prompt->messages.last().text.contains(away.name),
             qPrintable(m_prompt->messages.last().text));
}

// A file device in a folder that is not there: the scheduler cannot open
// it and stops the job, which nothing starts again.
void TestPrinting::jobStoppedOnItsDeviceIsAWarning()
{
    using namespace std::chrono_literals;
    const ExtraPrinter nowhere(QStringLiteral("corvale-nowhere"),
                               QStringLiteral("file://%1/no-such-folder/x.pdf").arg(qEnvironmentVariable("CORVALE_TEST_PRINTS")));
    QVERIFY2(!nowhere.added.startsWith(u'<'), qPrintable(nowhere.added));
    setWatchTiming({100ms, {60s, 120s}});
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window);
    QPrinter paper(QPrinter::HighResolution);
    paper.setPrinterName(nowhere.name);
    setUpPrinter(paper, window->pages());

    QVERIFY(printReport(paper, window->pages(), 0, 1, window));
    QVERIFY(QTest::qWaitFor([&] { return !m_prompt->messages.isEmpty(); }, 60000));
    QCOMPARE(m_prompt->messages.size(), 1);
    const common::Message stuck = m_prompt->messages.first();
    QCOMPARE(stuck.icon, common::Icon::Warning);
    QVERIFY2(stuck.text.contains(nowhere.name) && stuck.text.contains(QStringLiteral("停住")) && !stuck.text.contains(QStringLiteral("恢复后")),
             qPrintable(stuck.text));
}

// The printer was chosen in the dialog, then its queue was deleted.
void TestPrinting::printerDeletedWhileTheDialogWasOpen()
{
    auto doomed = std::make_unique<ExtraPrinter>(QStringLiteral("corvale-doomed"),
                                                 QStringLiteral("file://%1/corvale-doomed.pdf").arg(qEnvironmentVariable("CORVALE_TEST_PRINTS")));
    QVERIFY2(!doomed->added.startsWith(u'<'), qPrintable(doomed->added));
    m_print->run(qint16(57));
    m_print->panel()->showDataReport("快件单");
    DataReportWindow *window = m_print->panel()->dataReportWindow("快件单");
    QVERIFY(window);
    QPrinter paper(QPrinter::HighResolution);
    paper.setPrinterName(doomed->name);
    setUpPrinter(paper, window->pages());
    QCOMPARE(paper.outputFormat(), QPrinter::NativeFormat);
    doomed.reset();

    QVERIFY(!printReport(paper, window->pages(), 0, 1, window));
    QCOMPARE(m_prompt->messages.size(), 1);
    const QString said = m_prompt->messages.first().text;
    QVERIFY2(said.contains(QStringLiteral("“corvale-doomed”已不在打印系统里")) && !said.contains(QStringLiteral("没有响应")),
             qPrintable(said));
}

CORVALE_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
