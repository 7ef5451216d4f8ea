// The report panel: tiles, brand frames, boxes and the state kept while loaded.
#include "support/checked.h"
#include "support/datafolder.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include "common/twips.h"
#include "common/ui/screenfit.h"
#include "reports/catalogue/catalogue.h"
#include "reports/catalogue/panelcontent.h"
#include "reports/ui/enginepreview.h"
#include "reports/ui/paizi.h"
#include "reports/ui/printing.h"
#include "reports/ui/reportwindow.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/readsheet.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

using namespace reports;

namespace {

const QPoint kShown(common::px(7600), common::px(1000));

QStringList visibleFrames(PaiZi *panel)
{
    QStringList names;
    for (int i = 1; i <= PaiZi::kBrands; ++i)
        if (panel->brandFrame(i)->isVisible())
            names << panel->brandFrame(i)->objectName();
    return names;
}

void clickTile(PaiZi *panel, const QString &control)
{
    auto *tile = panel->findChild<QLabel *>(control);
    QVERIFY2(tile, qPrintable(control));
    QTest::mouseClick(tile, Qt::LeftButton);
}

QLabel *captionIn(QWidget *frame, const QString &text)
{
    for (QLabel *label : frame->findChildren<QLabel *>())
        if (label->text() == text)
            return label;
    return nullptr;
}

void unload(PaiZi *panel)
{
    panel->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const QDate kToday(2026, 12, 8);

// A widget by name, or by its text when it has none.
QString nameOf(const QWidget *w)
{
    // The line edit inside a combo or spin box stands for its box.
    while (w && w->objectName().startsWith(QStringLiteral("qt_")))
        w = w->parentWidget();
    if (!w)
        return QStringLiteral("(none)");
    if (!w->objectName().isEmpty())
        return w->objectName();
    auto *label = qobject_cast<const QLabel *>(w);
    return label ? label->text() : QString::fromUtf8(w->metaObject()->className());
}

QString focusName() { return nameOf(QApplication::focusWidget()); }

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// The names Tab walks through from the focus, until it comes back to where it began.
QStringList tabChain(int limit = 80)
{
    const QString start = focusName();
    QStringList names{start};
    for (int i = 0; i < limit; ++i) {
        press(Qt::Key_Tab);
        if (focusName() == start)
            break;
        names << focusName();
    }
    return names;
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensWithNoBrandShown();
    void boxesStartWithTheirTexts();
    void captionsSitInTheirFrames();
    void tabReachesEveryTileAndCaptionInOrder();
    void keyboardAloneRunsAMonthsReport();
    void focusIsOutlined();
    void scrollBarsDoNotCoverThePanel();
    void windowThatGrowsStaysOnScreen();
    void tileShowsItsFrameInTheOnePlace();
    void hideAllHidesAndMovesOnly();
    void printCommandsKeepStateWhileLoaded();
    void reopeningResetsState();
    void captionWithoutActionDoesNothing();
    void catalogueReportShowsPreviewOrMessage();
    void previewSavesItsOwnRowsAsExcel();

private:
    // The panel as the workspace's print command opens it.
    PaiZi *showPanel()
    {
        m_print->run(std::nullopt);
        return m_print->panel();
    }

    std::unique_ptr<DataFolder> m_folder;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<QWidget> m_workspace;
    common::ShopContext m_shop;
    PrintCommand *m_print = nullptr;
};

void TestPanel::init()
{
    m_folder = std::make_unique<DataFolder>();
    m_clock = std::make_unique<FixedClock>(QDateTime(kToday, QTime(10, 0)));
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_workspace = std::make_unique<QWidget>();
    m_shop = m_folder->shop();
    m_print = new PrintCommand(m_workspace.get(), m_shop);
}

void TestPanel::cleanup()
{
    if (PaiZi *panel = m_print->panel())
        unload(panel);
    QVERIFY(!m_print->panel());
    m_workspace.reset();
    m_prompt.reset();
    m_clock.reset();
    m_folder.reset();
}

void TestPanel::opensWithNoBrandShown()
{
    PaiZi *panel = showPanel();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QCOMPARE(panel->windowTitle(), QString("报表打印"));
    QVERIFY(visibleFrames(panel).isEmpty());
    for (int i = 1; i <= PaiZi::kBrands; ++i)
        QCOMPARE(panel->brandFrame(i)->title(), reports::brandTiles().at(i - 1).frameCaption);
    QCOMPARE(reports::brandTiles().size(), 16);
    for (const reports::BrandTile &t : reports::brandTiles()) {
        auto *tile = panel->findChild<QLabel *>(t.control);
        QVERIFY2(tile && tile->isVisible(), qPrintable(t.control));
        QVERIFY(panel->rect().contains(tile->geometry()));
        QCOMPARE(tile->toolTip(), t.toolTip);
    }
    QCOMPARE(panel->findChild<QLabel *>("Label200")->text(), QString("佳利制冷"));
    for (const char *name : {"Frame3", "Frame2", "Frame1"}) {
        auto *frame = panel->findChild<QGroupBox *>(name);
        QVERIFY2(frame && frame->isVisible(), name);
        QVERIFY(panel->rect().contains(frame->geometry()));
    }
    // The monthly report's window starts as this month's, in this year.
    QCOMPARE(panel->dateFrom(), QDate(2026, 11, 20));
    QCOMPARE(panel->dateTo(), QDate(2026, 12, 19));
    QCOMPARE(panel->quarter(), QString());
}

void TestPanel::boxesStartWithTheirTexts()
{
    PaiZi *panel = showPanel();
    const auto *month = panel->findChild<QComboBox *>("cboDate");
    QVERIFY(month && month->isEditable());
    QCOMPARE(month->count(), 12);
    QCOMPARE(month->itemText(10), QString("十一月"));
    // The last makers' month that has ended (10-20 to 11-19), as an item
    // so the arrow keys step on from it.
    QCOMPARE(month->currentText(), QString("十一月"));
    QCOMPARE(month->currentIndex(), 10);
    QCOMPARE(panel->findChild<QSpinBox *>("txtYear")->value(), 2026);
    const auto *quarter = panel->findChild<QComboBox *>("jido");
    QCOMPARE(quarter->currentText(), QString("3rd"));
    QCOMPARE(quarter->count(), 4);
    QCOMPARE(panel->findChild<QLineEdit *>("txtPeiJianDate")->text(), QString("2003,7,22"));
    const auto *area = panel->findChild<QComboBox *>("Aera");
    QCOMPARE(area->currentText(), QString());
    QCOMPARE(area->count(), 11);
    QCOMPARE(area->itemText(0), QString("海曙"));
    QCOMPARE(area->itemText(10), QString("象山"));
    QCOMPARE(panel->findChild<QLineEdit *>("Text1")->text(), QString());
    QCOMPARE(panel->findChild<QComboBox *>("cboShop")->currentText(), QString("二百"));
    QCOMPARE(panel->findChild<QComboBox *>("cboShop")->count(), 8);

    const reports::PanelInputs in = panel->inputs();
    QCOMPARE(in.month, QString("十一月"));
    QCOMPARE(in.year, 2026);
    QCOMPARE(in.quarterBox, QString("3rd"));
    QCOMPARE(in.quarterYear, 2026);
    QCOMPARE(in.partsLedgerStart, QString("2003,7,22"));
    QCOMPARE(in.store, QString("二百"));
}

void TestPanel::captionsSitInTheirFrames()
{
    PaiZi *panel = showPanel();
    // The acting captions by name, in the frame the panel shows them in.
    const QList<QPair<QString, QString>> acting = {
        {"Label1", "FraPrn_1"},   {"Label3", "FraPrn_1"},  {"Label95", "FraPrn_1"},
        {"Label33", "FraPrn_1"},  {"Label69", "FraPrn_1"}, {"Label129", "FraPrn_3"},
        {"Label101", "FraPrn_3"}, {"Label65", "FraPrn_3"}, {"Label40", "FraPrn_14"},
        {"Label96", "FraPrn_16"}, {"Label99", "FraPrn_16"}, {"Label74", "Frame2"},
        {"Label32", "Frame2"},    {"Label76", "Frame2"},   {"Label59", "Frame2"},
        {"Label35", "Frame1"},    {"Label36", "Frame1"},   {"Label37", "Frame1"},
        {"Label57", "Frame1"},
    };
    for (const auto &[name, frame] : acting) {
        auto *label = panel->findChild<QLabel *>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->parentWidget()->objectName(), frame);
    }
    QCOMPARE(panel->findChild<QLabel *>("Label32")->text(), QString("维修员报表"));

    const QStringList tags = {"16K", "A4", "A4", " 8K", "16K", "A4"};
    const QStringList tagFrames = {"FraPrn_1", "FraPrn_1", "FraPrn_2", "FraPrn_4", "FraPrn_13", "FraPrn_14"};
    for (int i = 0; i < tags.size(); ++i) {
        auto *tag = panel->findChild<QLabel *>(QString("Label39_%1").arg(i));
        QVERIFY(tag);
        QCOMPARE(tag->text(), tags.at(i));
        QCOMPARE(tag->parentWidget()->objectName(), tagFrames.at(i));
    }
    // Whatever a frame holds, boxes included, stands inside it and clear of the rest.
    for (int i = 1; i <= PaiZi::kBrands; ++i) {
        QWidget *frame = panel->brandFrame(i);
        const QList<QWidget *> parts = frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (int a = 0; a < parts.size(); ++a) {
            QVERIFY2(frame->rect().contains(parts.at(a)->geometry()), qPrintable(frame->objectName()));
            for (int b = a + 1; b < parts.size(); ++b)
                QVERIFY2(!parts.at(a)->geometry().intersects(parts.at(b)->geometry()),
                         qPrintable(frame->objectName() + ' ' + nameOf(parts.at(a)) + ' ' + nameOf(parts.at(b))));
        }
    }
}

void TestPanel::tileShowsItsFrameInTheOnePlace()
{
    PaiZi *panel = showPanel();
    CHECKED(clickTile(panel, "Label200"));
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_3"});
    QCOMPARE(panel->brandFrame(3)->pos(), kShown);

    CHECKED(clickTile(panel, "Image5"));
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_14"});
    QCOMPARE(panel->brandFrame(14)->pos(), kShown);

    CHECKED(clickTile(panel, "Image5"));
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_14"});
}

void TestPanel::hideAllHidesAndMovesOnly()
{
    PaiZi *panel = showPanel();
    CHECKED(clickTile(panel, "Label200"));
    QVector<QPoint> before;
    for (int i = 1; i <= PaiZi::kBrands; ++i)
        before << panel->brandFrame(i)->pos();

    panel->HideAll(0);
    QVERIFY(visibleFrames(panel).isEmpty());
    for (int i = 1; i <= PaiZi::kBrands; ++i)
        QCOMPARE(panel->brandFrame(i)->pos(), before.at(i - 1));

    QVERIFY(panel->brandFrame(5)->pos() != kShown);
    panel->HideAll(5);
    QVERIFY(visibleFrames(panel).isEmpty());
    QCOMPARE(panel->brandFrame(5)->pos(), kShown);
}

void TestPanel::printCommandsKeepStateWhileLoaded()
{
    PaiZi *panel = showPanel();
    CHECKED(clickTile(panel, "Image11"));
    panel->findChild<QComboBox *>("cboDate")->setCurrentText("三月");
    panel->findChild<QLineEdit *>("Text1")->setText("张师傅");
    QCOMPARE(showPanel(), panel);
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_1"});
    QCOMPARE(panel->findChild<QComboBox *>("cboDate")->currentText(), QString("三月"));
    QCOMPARE(panel->findChild<QLineEdit *>("Text1")->text(), QString("张师傅"));
}

void TestPanel::reopeningResetsState()
{
    PaiZi *panel = showPanel();
    CHECKED(clickTile(panel, "Label77"));
    panel->findChild<QComboBox *>("jido")->setCurrentText("1st");
    panel->findChild<QComboBox *>("cboDate")->setCurrentText("一月");
    panel->findChild<QComboBox *>("Aera")->setCurrentText("江北");
    panel->findChild<QLineEdit *>("txtPeiJianDate")->setText("2004,1,1");
    panel->findChild<QSpinBox *>("txtYear")->setValue(2004);
    // The monthly report moves the date window and the quarterly one takes the quarter.
    panel->runCatalogueEntry("新飞月报表");
    panel->runCatalogueEntry("佳利季报表");
    QCOMPARE(panel->dateFrom(), QDate(2003, 12, 20));
    QCOMPARE(panel->quarter(), QString("1st"));

    unload(panel);
    QVERIFY(!m_print->panel());
    panel = showPanel();
    QVERIFY(visibleFrames(panel).isEmpty());
    QCOMPARE(panel->dateFrom(), QDate(2026, 11, 20));
    QCOMPARE(panel->dateTo(), QDate(2026, 12, 19));
    QCOMPARE(panel->quarter(), QString());
    QCOMPARE(panel->findChild<QSpinBox *>("txtYear")->value(), 2026);
    QCOMPARE(panel->findChild<QComboBox *>("jido")->currentText(), QString("3rd"));
    QCOMPARE(panel->findChild<QComboBox *>("cboDate")->currentText(), QString("十一月"));
    QCOMPARE(panel->findChild<QComboBox *>("Aera")->currentText(), QString());
    QCOMPARE(panel->findChild<QLineEdit *>("txtPeiJianDate")->text(), QString("2003,7,22"));
}

void TestPanel::captionWithoutActionDoesNothing()
{
    PaiZi *panel = showPanel();
    CHECKED(clickTile(panel, "Image11"));
    const QWidgetList windowsBefore = QApplication::topLevelWidgets();
    QLabel *caption = captionIn(panel->brandFrame(1), "鉴定证明表");
    QVERIFY(caption);
    QTest::mouseClick(caption, Qt::LeftButton);
    QTest::keyClick(caption, Qt::Key_Return);
    QTest::mouseClick(captionIn(panel->brandFrame(1), "请选择月份："), Qt::LeftButton);

    QVERIFY(m_prompt->messages.isEmpty());
    QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore.size());
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_1"});
    QCOMPARE(panel->dateFrom(), QDate(2026, 11, 20));
    QCOMPARE(panel->quarter(), QString());
}

void TestPanel::catalogueReportShowsPreviewOrMessage()
{
    QVERIFY(createJobTable(m_folder->path(), makeJobs(1, 50)));
    ScriptedPrompt &prompt = *m_prompt;
    QWidget panel;

    PanelState state = panelStateAtLoad(kToday);
    PanelInputs in;
    in.partsLedgerStart = QStringLiteral("七月");
    QVERIFY(!runReportRequest(*catalogueRequest(QStringLiteral("配件流水帐"), in, state), m_shop, &panel));
    QCOMPARE(prompt.messages.size(), 1);
    QVERIFY(prompt.messages.first().text.contains(QStringLiteral("选择公式有误")));
    QCOMPARE(prompt.messages.first().icon, common::Icon::Warning);

    prompt.clear();
    EnginePreview *preview = runReportRequest(*catalogueRequest(QStringLiteral("新飞回访记录表"), in, state), m_shop, &panel);
    QVERIFY(prompt.messages.isEmpty());
    QVERIFY(preview);
    QCOMPARE(preview->parentWidget(), &panel);
    preview->show();
    QVERIFY(preview->isWindow());
    QVERIFY(!preview->isModal());
    QCOMPARE(preview->report().title, QStringLiteral("用户回访记录表"));
    preview->showPage(99);
    QCOMPARE(preview->currentPage(), preview->report().pages.size() - 1);
    preview->close();
}

// The sheet holds the rows on the pages shown, not the table as it is by the
// time the clerk saves; a name typed without .xlsx gets it.
void TestPanel::previewSavesItsOwnRowsAsExcel()
{
    const std::unique_ptr<store::Database> db = createJobTable(m_folder->path(), makeJobs(1, 20));
    QVERIFY(db);
    const ReportRequest request{QStringLiteral("报表\\新飞回访记录表.RPT"), QStringLiteral("{客户信息.型号} StartsWith '新飞'"), 1};
    QWidget panel;
    EnginePreview *preview = runReportRequest(request, m_shop, &panel);
    QVERIFY(preview);
    preview->show();
    QList<int> shown; // as the table was when the preview was made
    const common::Result<BuiltReport> before = buildReport(request, m_folder->shop());
    for (const ReportRow &row : before->prepared.rows)
        shown << row.cells.first().toInt();
    QVERIFY(insertJobs(*db, {makeJob(21, {{"型号", "新飞BCD-21"}})}).ok());
    QCOMPARE(buildReport(request, m_folder->shop())->selectedRows, shown.size() + 1);

    m_prompt->fileAnswers << m_folder->file(QStringLiteral("回访"));
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("cmdSaveExcel")), Qt::LeftButton);
    QCOMPARE(m_prompt->filesAsked, QStringList{QStringLiteral("Excel 工作簿 (*.xlsx)")});
    QVERIFY2(m_prompt->messages.isEmpty(), qPrintable(m_prompt->texts().join(u'|')));
    READ_SHEET_BACK(sheet, m_folder->file(QStringLiteral("回访.xlsx")));
    QList<int> saved;
    for (const QJsonValue &row : sheet.value("rows").toArray())
        if (const QJsonObject first = row.toArray().at(0).toObject(); first.contains("number"))
            saved << first.value("number").toInt();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(saved, shown);
    preview->close();
}

// From the first tile, Tab goes through the tiles row by row, then the
// shown brand's captions and boxes, then the frames along the bottom; a
// brand chosen with Enter takes the focus straight to its first caption.
void TestPanel::tabReachesEveryTileAndCaptionInOrder()
{
    PaiZi *panel = showPanel();
    QVERIFY(waitForFocus(panel));
    QStringList tiles;
    for (const BrandTile &t : brandTiles())
        tiles << t.control;
    const QStringList bottom = {"txtPeiJianDate", "jido", "txtQuarterYear", "Label74", "Aera", "Label32", "Text1", "Label76",
                                "cboShop", "Label59", "Label35", "Label36", "Label37", "Label57"};
    panel->findChild<QLabel *>(tiles.first())->setFocus(Qt::TabFocusReason);
    QCOMPARE(tabChain(), tiles + bottom);

    press(Qt::Key_Return);
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_1"});
    QCOMPARE(focusName(), QString("Label1"));
    const QStringList frameOne = {"Label1", "鉴定证明表", "Label3", "Label95", "Label33", "Label69", "cboDate", "txtYear"};
    QCOMPARE(tabChain().mid(0, frameOne.size() + 1), frameOne + QStringList{"txtPeiJianDate"});

    // Shift+Tab walks back; Space chooses as Enter does.
    panel->findChild<QLabel *>("Image5")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focusName(), QString("Image1"));
    press(Qt::Key_Space);
    QCOMPARE(visibleFrames(panel), QStringList{"FraPrn_13"});
    QCOMPARE(focusName(), QString("保修记录单"));
}

// No mouse: choose 新飞冰箱, pick the month and the year, print the month's
// report, close the preview and the panel with Esc.
void TestPanel::keyboardAloneRunsAMonthsReport()
{
    QVERIFY(createJobTable(m_folder->path(),
                           {makeJob(1, {{"型号", "新飞BCD-1"}, {"接货日期", "2025-08-19"}}),
                            makeJob(2, {{"型号", "新飞BCD-2"}, {"接货日期", "2025-08-20"}}),
                            makeJob(3, {{"型号", "新飞BCD-3"}, {"接货日期", "2026-08-01"}})}));
    PaiZi *panel = showPanel();
    QVERIFY(waitForFocus(panel));
    panel->findChild<QLabel *>("Image11")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Enter);
    while (focusName() != QString("cboDate") && focusName() != QString("Image11"))
        press(Qt::Key_Tab);
    QCOMPARE(focusName(), QString("cboDate"));
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Up); // 十一月 to 八月
    QCOMPARE(panel->inputs().month, QString("八月"));
    press(Qt::Key_Tab);
    QCOMPARE(focusName(), QString("txtYear"));
    press(Qt::Key_Down); // a year back
    QCOMPARE(panel->inputs().year, 2025);
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focusName(), QString("Label33"));
    press(Qt::Key_Return);

    EnginePreview *preview = panel->cataloguePreview(QStringLiteral("新飞月报表"));
    QVERIFY(preview);
    QVERIFY(waitForFocus(preview));
    QVERIFY2(m_prompt->messages.isEmpty(), qPrintable(m_prompt->texts().join(u'|')));
    QStringList notes;
    for (const PageItem &item : preview->report().pages.first().items)
        if (item.font == int(FontRole::Note))
            notes << item.text;
    QVERIFY2(notes.contains(QStringLiteral("接货日期：2025年7月20日 至 2025年8月19日；型号以“新飞”开头")),
             qPrintable(notes.join(u'|')));
    QCOMPARE(preview->report().pages.first().rows.size(), 1);

    press(Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!panel->cataloguePreview(QStringLiteral("新飞月报表")));
    QVERIFY(waitForFocus(panel));
    // Esc closes the panel from a box as well.
    panel->findChild<QLineEdit *>("Text1")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_print->panel());
}

// The caption with the focus is outlined; the one without is not.
void TestPanel::focusIsOutlined()
{
    PaiZi *panel = showPanel();
    QVERIFY(waitForFocus(panel));
    for (const char *name : {"Label59", "Label200", "Image10"}) {
        auto *caption = panel->findChild<QLabel *>(name);
        caption->setFocus(Qt::TabFocusReason);
        QVERIFY(caption->hasFocus());
        const QImage focused = caption->grab().toImage();
        panel->findChild<QLineEdit *>("Text1")->setFocus(Qt::TabFocusReason);
        const QImage unfocused = caption->grab().toImage();
        QVERIFY(focused != unfocused);
        const QColor outline = caption->palette().color(QPalette::Highlight);
        for (const QPoint p : {QPoint(1, focused.height() / 2), QPoint(focused.width() - 2, focused.height() / 2),
                               QPoint(focused.width() / 2, 1)}) {
            QCOMPARE(focused.pixelColor(p), outline);
            QVERIFY(unfocused.pixelColor(p) != outline);
        }
    }
}

// On a screen too low for the panel (1366 × 768 at 150 %) the window is wider
// by the vertical bar, so no horizontal bar is needed; where the screen is
// narrower still, both bars get their room.
void TestPanel::scrollBarsDoNotCoverThePanel()
{
    const QSize panel(762, 534);
    const int bar = 16;
    QCOMPARE(common::sizeWithScrollBars(panel, QSize(1366, 728), bar), panel);
    QCOMPARE(common::sizeWithScrollBars(panel, QSize(898, 472), bar), QSize(778, 534));
    QCOMPARE(common::sizeWithScrollBars(panel, QSize(770, 472), bar), QSize(778, 550));
    QCOMPARE(common::sizeWithScrollBars(panel, QSize(900, 540), bar), panel);
    QCOMPARE(common::sizeWithScrollBars(panel, QSize(700, 540), bar), QSize(778, 550));
}

// A dialog of fixed size that grows by itself past the screen's bottom edge,
// as the print dialog does with 选项 >>, is moved back up with its buttons on
// the screen (the window manager moves only windows the user may resize).
void TestPanel::windowThatGrowsStaysOnScreen()
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *always = new QWidget;
    always->setFixedSize(400, 150);
    auto *options = new QWidget;
    options->setFixedSize(400, 450);
    options->hide();
    layout->addWidget(always);
    layout->addWidget(options);
    common::keepOnScreen(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect area = dialog.screen()->availableGeometry();
    dialog.move(area.left() + 50, area.bottom() - 300);
    QTRY_VERIFY(dialog.frameGeometry().top() > area.center().y());
    options->show();
    QTRY_VERIFY(area.contains(dialog.frameGeometry()));
}

CORVALE_TEST_MAIN(TestPanel)
#include "tst_panel.moc"
