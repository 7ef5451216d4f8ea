// The workspace window itself: what it shows on an empty and a filled table,
// activation, the grid and its check box, saving what was typed, the entry
// rules as the keyboard meets them, and the menus.
#include "support/testapp.h"
#include "common/ui/qtwords.h"
#include "workspace/workspacefixture.h"

#include "common/ui/lateinput.h"
#include "common/ui/prompt.h"
#include "workspace/commandrules.h"
#include "workspace/binder.h"
#include "workspace/datacontrolbar.h"

#include <QAction>
#include <QDesktopServices>
#include <QGroupBox>
#include <QPointer>
#include <QUrl>
#include <QCheckBox>
#include <QAbstractFileIconProvider>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using workspace::recordCaption;

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestFrmCorvale : public QObject {
    Q_OBJECT
private:
    static QString caption(const WorkspaceFixture &f)
    {
        return f.get<workspace::DataControlBar>(QStringLiteral("DatCustomer"))->caption();
    }
    static void clickArrow(const WorkspaceFixture &f, const char *name)
    {
        QTest::mouseClick(f.get<QToolButton>(QString::fromLatin1(name)), Qt::LeftButton);
    }

private slots:
    void emptyTableOpensBlank()
    {
        WorkspaceFixture f({});
        QCOMPARE(caption(f), recordCaption(-1));
        QVERIFY(caption(f).endsWith(QStringLiteral("第  0  条记录")));
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblRecordNo"))->text(), QStringLiteral("0"));
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblNowDate"))->text(), QStringLiteral("2024-5-20"));
        QVERIFY(f.info(0)->text().isEmpty());
        QCOMPARE(f.window->txtNewID(), qint16(0)); // no activation on an empty table
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Corvale V3.0"));
        // The form as drawn, 10800 × 8145 twips, where the screen has room for it.
        QCOMPARE(f.get<QScrollArea>(QStringLiteral("clientScroll"))->viewport()->size(),
                 f.get<QWidget>(QStringLiteral("fieldArea"))->size());
        QVERIFY(f.get<QWidget>(QStringLiteral("client"))->height() >= 543);
        // Paging through nothing is harmless.
        QTest::keyClick(f.info(0), Qt::Key_PageDown);
        QTest::keyClick(f.info(0), Qt::Key_PageUp);
        QVERIFY(f.prompt.messages.isEmpty());
        // With no job the fields take nothing, and the status bar says how to get one.
        QVERIFY(!f.info(0)->isEnabled() && !f.combo(QStringLiteral("cboType"))->isEnabled());
        QVERIFY(f.window->statusBar()->currentMessage().contains(QStringLiteral("添加")));
        WorkspaceFixture::type(f.info(0), QStringLiteral("无处可存"));
        QVERIFY(f.info(0)->text().isEmpty());
        // 添加 gives a job, and with it fields that take input.
        f.window->commands().append->trigger();
        QVERIFY(f.info(0)->isEnabled());
        QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
        WorkspaceFixture::type(f.info(0), QStringLiteral("赵六"));
        f.window->close();
        QCOMPARE(f.count(), 1);
        QCOMPARE(f.stored(1, QStringLiteral("客户姓名")).toString(), QStringLiteral("赵六"));
    }

    // A laptop screen: the form scrolls rather than running off the screen;
    // a tall window gives the grid the height, the fields keep their places.
    void windowFitsAndGrows()
    {
        WorkspaceFixture f(makeJobs(1, 30));
        QVERIFY(f.window->maximumSize().height() > 2000);
        const QRect screen = f.window->screen()->availableGeometry();
        QVERIFY2(screen.contains(f.window->frameGeometry()), "the title bar and the bottom edge on the screen");
        auto *grid = f.get<QTableView>(QStringLiteral("dbgrdDataBase"));
        auto *frame = f.get<QGroupBox>(QStringLiteral("FraPrice"));
        const QPoint framePlace = frame->mapTo(f.window.get(), QPoint());
        const int gridHeight = grid->height();
        f.window->resize(f.window->width() + 100, f.window->height() + 200);
        QVERIFY(QTest::qWaitFor([&] { return grid->height() >= gridHeight + 190; }));
        QCOMPARE(frame->mapTo(f.window.get(), QPoint()), framePlace);
        f.window->resize(600, 300);
        auto *scroll = f.get<QScrollArea>(QStringLiteral("clientScroll"));
        QVERIFY2(QTest::qWaitFor([&] { return scroll->verticalScrollBar()->isVisible(); }),
                 qPrintable(QStringLiteral("%1x%2").arg(f.window->width()).arg(f.window->height())));
        // The grid keeps five rows and its navigator in sight.
        auto *navigator = f.get<QWidget>(QStringLiteral("DatCustomer"));
        QVERIFY(grid->viewport()->height() >= 5 * grid->verticalHeader()->defaultSectionSize());
        QVERIFY(f.window->rect().contains(QRect(navigator->mapTo(f.window.get(), QPoint()), navigator->size())));
        // A field out of sight comes into view as it takes the focus.
        f.info(26)->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitFor([&] {
            return scroll->viewport()->rect().contains(f.info(26)->mapTo(scroll->viewport(), QPoint()));
        }));
    }

    // Alt with a letter that is no command types nothing into the field.
    void altLettersAreNoText()
    {
        WorkspaceFixture f(makeJobs(1, 2));
        WorkspaceFixture::type(f.info(0), QStringLiteral("客户"));
        for (Qt::Key key : {Qt::Key_C, Qt::Key_Z, Qt::Key_Q})
            QTest::keyClick(f.info(0), key, Qt::AltModifier);
        WorkspaceFixture::type(f.combo(QStringLiteral("Combo4")), QStringLiteral("不制冷"));
        QTest::keyClick(f.combo(QStringLiteral("Combo4")), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(f.info(0)->text(), QStringLiteral("客户"));
        QCOMPARE(f.combo(QStringLiteral("Combo4"))->currentText(), QStringLiteral("不制冷"));
        QCOMPARE(f.set().absolutePosition(), 1);
    }

    // While pinyin is being composed, the keys that would leave the field or
    // the job wait until a candidate is chosen.
    void compositionHoldsTheClerkInPlace()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        QCOMPARE(f.set().absolutePosition(), 2);
        QLineEdit *name = f.info(0);
        WorkspaceFixture::type(name, QString());
        QInputMethodEvent composing(QStringLiteral("zhao"), {});
        QApplication::sendEvent(name, &composing);
        for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_Tab, Qt::Key_Return})
            QTest::keyClick(name, key);
        QCOMPARE(f.set().absolutePosition(), 2);
        QCOMPARE(QApplication::focusWidget(), name);
        QInputMethodEvent chosen;
        chosen.setCommitString(QStringLiteral("赵"));
        QApplication::sendEvent(name, &chosen);
        QTest::keyClick(name, Qt::Key_PageUp);
        QCOMPARE(f.set().absolutePosition(), 1);
        QCOMPARE(f.stored(3, QStringLiteral("客户姓名")).toString(), QStringLiteral("赵"));
    }

    // What the file holds is what the fields and the grid show.
    void storedValuesShowAsStored()
    {
        WorkspaceFixture f({makeJob(1, {{QStringLiteral("维修费"), -0.0001},
                                        {QStringLiteral("车补"), 0.00001},
                                        {QStringLiteral("已修否"), 0}})});
        // Text in number columns, as a file converted from elsewhere may hold.
        QSqlQuery q(f.db->sql());
        QVERIFY(q.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")));
        QVERIFY(q.exec(QStringLiteral("UPDATE 客户信息 SET 上门费 = 'abc', 里程数 = '12元' WHERE 编号 = 1")));
        f.window->commands().refresh->trigger();
        QCOMPARE(f.info(22)->text(), QStringLiteral("abc"));
        QCOMPARE(f.info(21)->text(), QStringLiteral("12元"));
        QCOMPARE(f.info(23)->text(), QStringLiteral("-0.0001"));
        QCOMPARE(f.info(24)->text(), QStringLiteral("0.00001"));
        // Passing through says nothing; the rule applies once the clerk edits.
        f.info(22)->setFocus();
        WorkspaceFixture::leaveTo(f.info(23));
        QVERIFY(f.prompt.messages.isEmpty());
        WorkspaceFixture::type(f.info(22), QStringLiteral("abcd"));
        WorkspaceFixture::leaveTo(f.info(23));
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("请输入数字！")});
    }

    void activationShowsTheLastRow()
    {
        WorkspaceFixture f(makeJobs(1, 20));
        QCOMPARE(f.set().absolutePosition(), 19);
        QCOMPARE(caption(f), QString(27, QLatin1Char(' ')) + QStringLiteral("第  20  条记录"));
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblRecordNo"))->text(), QStringLiteral("20"));
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblAutoNumber"))->text(), QStringLiteral("20"));
        QCOMPARE(f.window->txtNewID(), qint16(20));
        QVERIFY(f.info(0)->hasFocus());
        QCOMPARE(f.info(0)->text(), f.stored(20, QStringLiteral("客户姓名")).toString());

        // Back from another window of the program (the about window): the last row again.
        clickArrow(f, "cmdFirst");
        QCOMPARE(f.set().absolutePosition(), 0);
        QCOMPARE(caption(f), QString(27, QLatin1Char(' ')) + QStringLiteral("第  1  条记录"));
        f.window->commands().about->trigger();
        auto *about = f.get<QWidget>(QStringLiteral("frmAbout"));
        QVERIFY(about && waitForFocus(about));
        QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdReturn")), Qt::LeftButton);
        f.settle();
        QCOMPARE(f.set().absolutePosition(), 19);

        // A message box closing is not a return to the window: 没找到 leaves
        // the row where it was, and so does coming back from a window that
        // is none of the program's.
        clickArrow(f, "cmdFirst");
        f.prompt.inputAnswers << QStringLiteral("999");
        QTest::mouseClick(f.get<QPushButton>(QStringLiteral("cmdFind")), Qt::LeftButton);
        f.settle();
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("没找到!")});
        QCOMPARE(f.set().absolutePosition(), 0);
        QWidget other;
        other.show();
        QVERIFY(waitForFocus(&other));
        // Closed, as a clerk closes it: the window manager hands the focus
        // back, where an activation asked by the program may be refused.
        other.close();
        f.settle();
        QCOMPARE(f.set().absolutePosition(), 0);
    }

    void repairedComboFollowsTheRow()
    {
        WorkspaceFixture f({makeJob(1), makeJob(2, {{QStringLiteral("已修否"), 0}}), makeJob(3)});
        QComboBox *repaired = f.combo(QStringLiteral("cboRepair"));
        QCheckBox *check = f.get<QCheckBox>(QStringLiteral("chkDisplay"));
        clickArrow(f, "cmdFirst");
        QCOMPARE(repaired->currentText(), QStringLiteral("是"));
        QVERIFY(check->isChecked());
        clickArrow(f, "cmdNext");
        QCOMPARE(repaired->currentText(), QStringLiteral("否"));
        QVERIFY(!check->isChecked());
        clickArrow(f, "cmdFirst");
        clickArrow(f, "cmdLast");
        QCOMPARE(f.set().absolutePosition(), 2);
        QCOMPARE(repaired->currentText(), QStringLiteral("是"));
        // The arrows stop at the ends.
        clickArrow(f, "cmdNext");
        QCOMPARE(f.set().absolutePosition(), 2);
        clickArrow(f, "cmdFirst");
        clickArrow(f, "cmdPrevious");
        QCOMPARE(f.set().absolutePosition(), 0);
    }

    void gridColumnsAndCheckBoxRide()
    {
        WorkspaceFixture f(makeJobs(1, 10));
        auto *grid = f.get<QTableView>(QStringLiteral("dbgrdDataBase"));
        const QStringList expected = {"编号", "客户姓名", "地址", "宅电", "移动电话", "已修否",
                                      "接货日期", "修理人员", "制冷者", "小修者", "钣金者"};
        QCOMPARE(grid->model()->columnCount(), expected.size());
        for (int c = 0; c < expected.size(); ++c)
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), expected.at(c));
        // Yes/no reads as in 已经修否; row numbers show whole.
        QCOMPARE(grid->model()->index(0, 5).data().toString(), QStringLiteral("是")); // job 1
        QCOMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("否")); // job 2
        QVERIFY(grid->verticalHeader()->width() > grid->fontMetrics().horizontalAdvance(QStringLiteral("32767")));

        grid->scrollToTop();
        grid->setCurrentIndex(grid->model()->index(2, 1));
        QCOMPARE(f.set().absolutePosition(), 2);
        QCOMPARE(f.info(0)->text(), f.stored(3, QStringLiteral("客户姓名")).toString());
        QCheckBox *check = f.get<QCheckBox>(QStringLiteral("chkDisplay"));
        const int rowHeight = grid->verticalHeader()->defaultSectionSize();
        QCOMPARE(check->y(), grid->y() + 33 + 2 * rowHeight);
        QCOMPARE(check->mapTo(f.get<QWidget>(QStringLiteral("client")), QPoint()).x(), 537);
        QVERIFY(check->isChecked()); // job 3 is repaired
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QCOMPARE(check->y(), grid->y() + 33);
        // Scrolled, it stays beside its row.
        grid->setCurrentIndex(grid->model()->index(9, 1));
        const QRect row = grid->visualRect(grid->currentIndex());
        QVERIFY(check->isVisible());
        QVERIFY(check->y() > grid->y() + grid->viewport()->y() + row.top());
        QVERIFY(check->y() + check->height() < grid->y() + grid->viewport()->y() + row.bottom() + 2);
    }

    void typedFieldsAreSavedOnMoveAndClose()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        WorkspaceFixture::type(f.info(1), QStringLiteral("解放路8号"));
        WorkspaceFixture::type(f.combo(QStringLiteral("cboType")), QStringLiteral("新飞BCD-182"));
        clickArrow(f, "cmdPrevious");
        QCOMPARE(f.stored(3, QStringLiteral("地址")).toString(), QStringLiteral("解放路8号"));
        QCOMPARE(f.stored(3, QStringLiteral("型号")).toString(), QStringLiteral("新飞BCD-182"));

        WorkspaceFixture::type(f.info(0), QStringLiteral("赵六"));
        QTest::keyClick(f.info(0), Qt::Key_PageDown);
        QCOMPARE(f.stored(2, QStringLiteral("客户姓名")).toString(), QStringLiteral("赵六"));

        WorkspaceFixture::type(f.info(2), QStringLiteral("0574-1234567"));
        QSignalSpy closed(f.window.get(), &workspace::frmCorvale::closed);
        // Alt+X names both the exit button and the exit menu: either way it ends.
        QTest::keyClick(f.info(2), Qt::Key_X, Qt::AltModifier);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(f.stored(3, QStringLiteral("宅电")).toString(), QStringLiteral("0574-1234567"));
    }

    void closingWithAnEditThatCannotBeSaved()
    {
        WorkspaceFixture f(makeJobs(1, 2));
        const QString before = f.stored(2, QStringLiteral("客户姓名")).toString();
        const QString tooLong(60, QChar(u'张'));
        WorkspaceFixture::type(f.info(0), tooLong);
        QSignalSpy closed(f.window.get(), &workspace::frmCorvale::closed);
        // 否: the window stays, with what was typed, the focus in the field.
        f.prompt.answers << common::Answer::No;
        f.window->commands().exit->trigger();
        f.settle();
        QCOMPARE(closed.count(), 0);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY2(f.prompt.texts().first().startsWith(QStringLiteral("记录未能保存：")), qPrintable(f.prompt.texts().first()));
        QVERIFY(f.prompt.texts().first().endsWith(QStringLiteral("放弃修改并退出吗？")));
        QCOMPARE(f.stored(2, QStringLiteral("客户姓名")).toString(), before);
        QCOMPARE(f.info(0)->text(), tooLong);
        QVERIFY(f.info(0)->hasFocus());
        QCOMPARE(f.info(0)->selectedText(), tooLong);
        // Corrected, it closes and saves.
        WorkspaceFixture::type(f.info(0), QStringLiteral("张三"));
        f.window->close();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(f.stored(2, QStringLiteral("客户姓名")).toString(), QStringLiteral("张三"));

        // 是: the edit is dropped and the program ends; the file keeps its row.
        WorkspaceFixture g(makeJobs(1, 2));
        WorkspaceFixture::type(g.info(0), tooLong);
        QSignalSpy gone(g.window.get(), &workspace::frmCorvale::closed);
        g.prompt.answers << common::Answer::Yes;
        QVERIFY(g.window->close());
        QCOMPARE(gone.count(), 1);
        QCOMPARE(g.stored(2, QStringLiteral("客户姓名")).toString(), before);
    }

    void pagingStopsAtBothEnds()
    {
        WorkspaceFixture f(makeJobs(1, 5));
        f.info(22)->setFocus();
        QTest::keyClick(f.info(22), Qt::Key_PageDown);
        QCOMPARE(f.set().absolutePosition(), 4);
        QVERIFY(f.info(0)->hasFocus());
        QTest::keyClick(f.info(0), Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(f.set().absolutePosition(), 3);
        clickArrow(f, "cmdFirst");
        QTest::keyClick(f.info(5), Qt::Key_PageUp);
        QCOMPARE(f.set().absolutePosition(), 0);
        QVERIFY(f.info(0)->hasFocus());
        QCOMPARE(f.info(0)->text(), f.stored(1, QStringLiteral("客户姓名")).toString());
        QApplication::processEvents();
        QVERIFY(f.prompt.messages.isEmpty());
    }

    void enterMovesAlongTheChains()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        f.info(8)->setFocus();
        QTest::keyClick(f.info(8), Qt::Key_Return);
        QVERIFY(f.info(9)->hasFocus());
        for (int end : {9, 13, 26}) {
            f.info(end)->setFocus();
            QTest::keyClick(f.info(end), Qt::Key_Return);
            QVERIFY2(f.info(end)->hasFocus(), qPrintable(QString::number(end)));
        }
        f.info(21)->setFocus();
        QTest::keyClick(f.info(21), Qt::Key_Enter);
        QVERIFY(f.info(22)->hasFocus());
        QApplication::processEvents();
        QVERIFY(f.prompt.messages.isEmpty());
    }

    void leavingDateAndNumberFields()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        WorkspaceFixture::type(f.info(7), QStringLiteral("2003-13-40"));
        WorkspaceFixture::leaveTo(f.info(8));
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("日期格式输入有误！")});
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("Corvale V3.0"));
        QCOMPARE(f.prompt.messages.first().icon, common::Icon::None);
        QVERIFY(f.info(7)->hasFocus());
        QCOMPARE(f.info(7)->text(), QStringLiteral("2003-13-40"));

        // 超保 switches the checks of every date field off.
        f.prompt.clear();
        WorkspaceFixture::type(f.info(5), QStringLiteral("超保"));
        for (int i : {7, 9, 12, 13}) {
            WorkspaceFixture::type(f.info(i), QStringLiteral("不是日期"));
            WorkspaceFixture::leaveTo(f.info(0));
        }
        QVERIFY(f.prompt.messages.isEmpty());

        WorkspaceFixture::type(f.info(21), QString());
        WorkspaceFixture::leaveTo(f.info(22));
        QCOMPARE(f.info(21)->text(), QStringLiteral("0"));
        WorkspaceFixture::type(f.info(23), QStringLiteral("12元"));
        WorkspaceFixture::leaveTo(f.info(24));
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("请输入数字！")});
        QVERIFY(f.info(23)->hasFocus());
        QCOMPARE(f.info(23)->text(), QStringLiteral("12元"));
        f.prompt.clear();
        WorkspaceFixture::type(f.info(23), QStringLiteral("-3"));
        WorkspaceFixture::leaveTo(f.info(24));
        QVERIFY(f.prompt.messages.isEmpty());
    }

    void shopRuleOnTypedRepairContent()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        WorkspaceFixture::type(f.info(3), QString());
        WorkspaceFixture::type(f.combo(QStringLiteral("Combo8")), QStringLiteral("同意换机"));
        WorkspaceFixture::leaveTo(f.info(0));
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("请填写购店！")});
        QVERIFY(f.info(3)->hasFocus());
        QCOMPARE(f.combo(QStringLiteral("Combo8"))->currentText(), QStringLiteral("同意换机"));

        f.prompt.clear();
        WorkspaceFixture::type(f.info(3), QStringLiteral("百货大楼"));
        f.combo(QStringLiteral("Combo8"))->setFocus();
        WorkspaceFixture::leaveTo(f.info(0));
        QVERIFY(f.prompt.messages.isEmpty());
    }

    // Tab reaches the ticket time and the copy button, and leaves the grid
    // instead of walking its cells.
    void tabReachesEveryControlAndLeavesTheGrid()
    {
        WorkspaceFixture f(makeJobs(1, 5));
        f.info(26)->setFocus();
        QTest::keyClick(f.info(26), Qt::Key_Tab);
        QVERIFY(f.get(QStringLiteral("sum3"))->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(f.get(QStringLiteral("Timer"))->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(f.get(QStringLiteral("cmdCopy"))->hasFocus());
        auto *grid = f.get<QTableView>(QStringLiteral("dbgrdDataBase"));
        grid->setFocus();
        const int row = f.set().absolutePosition();
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(!grid->hasFocus());
        QCOMPARE(f.set().absolutePosition(), row);
    }

    void menusAndViews()
    {
        WorkspaceFixture f({});
        QStringList titles;
        for (QAction *a : f.window->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"数据修改(&M)", "高级功能", "基础资料设置(&B)", "其它(&O)",
                                      "统计(&T)", "帮助(&H)", "退出系统(&X)"}));
        for (const char *name : {"append", "delete", "serial", "findNumber", "Search", "Print", "Refresh",
                                 "CopyRecord", "WorkerSer", "TypeSet", "RepairType", "PeiJianSet",
                                 "MessageSet", "HelpDownload", "CompanyWeb", "About"})
            QVERIFY2(f.window->findChild<QAction *>(QString::fromLatin1(name)), name);
        auto *image = f.window->findChild<QAction *>(QStringLiteral("ViewImage"));
        auto *table = f.window->findChild<QAction *>(QStringLiteral("ViewTable"));
        QVERIFY(!image->isChecked());
        QVERIFY(table->isChecked());
        QVERIFY(!f.get(QStringLiteral("Image1"))->isVisible());
        QVERIFY(f.get(QStringLiteral("Frame1"))->isVisible());

        QSignalSpy settings(f.window.get(), &workspace::frmCorvale::settingsRequested);
        f.window->findChild<QAction *>(QStringLiteral("PeiJianSet"))->trigger();
        QCOMPARE(settings.count(), 1);
        QCOMPARE(settings.first().first().value<common::SettingsPage>(), common::SettingsPage::Parts);

        auto *cmd = f.get<QPushButton>(QStringLiteral("cmdAppend"));
        QCOMPARE(cmd->text(), QStringLiteral("添    加(&A)"));
        QCOMPARE(cmd->toolTip(), QStringLiteral("当前记录后增加一条，编号+1"));
        QCOMPARE(cmd->geometry().size(), QSize(81, 25));
        QCOMPARE(f.get(QStringLiteral("FraBaseDate"))->geometry(), QRect(11, 58, 587, 153));
        QCOMPARE(f.get(QStringLiteral("FraPrice"))->toolTip(), QStringLiteral("按TAB键，移到下一个字段！"));
        QCOMPARE(f.get(QStringLiteral("sum3"))->toolTip(), QStringLiteral("点击即可求和！"));
    }

    void helpAndAbout()
    {
        WorkspaceFixture f({});
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        f.window->findChild<QAction *>(QStringLiteral("HelpDownload"))->trigger();
        f.window->findChild<QAction *>(QStringLiteral("CompanyWeb"))->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        const common::SiteSettings defaults = common::SiteSettings::defaults();
        QCOMPARE(catcher.opened, (QList<QUrl>{QUrl(defaults.manualUrl), QUrl(defaults.companyUrl)}));

        f.window->findChild<QAction *>(QStringLiteral("About"))->trigger();
        QWidget *about = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmAbout") && w->isVisible())
                about = w;
        QVERIFY(about);
        auto *frame = about->findChild<QGroupBox *>();
        QCOMPARE(frame->title(), QStringLiteral("关于本软件"));
        // Where this shop's jobs are, not the program's own folder.
        const QString text = about->findChild<QLabel *>(QStringLiteral("Label1"))->text();
        QVERIFY2(text.contains(QStringLiteral("数据库文件“%1”").arg(f.shop.jobTable)), qPrintable(text));
        auto *back = about->findChild<QPushButton *>(QStringLiteral("cmdReturn"));
        QCOMPARE(back->text(), QStringLiteral("返 回(&R)"));
        const QPointer<QWidget> open(about);
        QTest::mouseClick(back, Qt::LeftButton);
        QVERIFY(!open || !open->isVisible());
        // Esc goes back too.
        f.settle();
        f.get<QAction>(QStringLiteral("About"))->trigger();
        QWidget *again = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmAbout") && w->isVisible())
                again = w;
        QVERIFY(again && waitForFocus(again));
        const QPointer<QWidget> second(again);
        QTest::keyClick(again, Qt::Key_Escape);
        QVERIFY(!second || !second->isVisible());
    }

    void settingsRefreshTheStaffLists()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        QComboBox *people = f.combo(QStringLiteral("cboPeople"));
        QCOMPARE(people->count(), 7);
        const QString shown = people->currentText();
        f.shop.settings.repairers = QStringList{QStringLiteral("甲"), QStringLiteral("乙")};
        f.window->applySettings();
        QCOMPARE(people->count(), 2);
        QCOMPARE(people->itemText(1), QStringLiteral("乙"));
        QCOMPARE(people->currentText(), shown);
        QVERIFY(f.window->binder().pendingFields().isEmpty());
    }

    void keysTypedDuringALongWaitGoNowhere()
    {
        // The job field the clerk types into after a save that kept the
        // program waiting; the keys carry the window system's times.
        WorkspaceFixture f(makeJobs(1, 2));
        QLineEdit *name = f.info(0);
        name->clear();
        common::LateInputFilter late(QCoreApplication::instance());
        const auto press = [name](Qt::Key key, const QString &text, ulong stamp) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
            event.setTimestamp(stamp);
            QApplication::sendEvent(name, &event);
        };
        press(Qt::Key_A, QStringLiteral("a"), 500000);
        late.discardUntilNow();
        press(Qt::Key_B, QStringLiteral("b"), 499990); // typed during the wait
        press(Qt::Key_C, QStringLiteral("c"), 500000 + 3600000);
        QCOMPARE(name->text(), QStringLiteral("ac"));
    }

    // Qt's own dialogs speak Chinese, the file dialog's types included.
    void qtWordsInChinese()
    {
        common::installChineseQtWords();
        QCOMPARE(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("文件夹"));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }
};

CORVALE_TEST_MAIN(TestFrmCorvale)
#include "tst_frmcorvale.moc"
