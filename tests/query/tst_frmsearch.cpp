#include "query/frmsearch.h"
#include "standinworkspace.h"
#include "support/fixedclock.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

using query::FrmSearch;

namespace {

const QList<Job> kJobs{
    {1, QStringLiteral("王小明"), QStringLiteral("郑州市金水路"), QStringLiteral("2003-01-01"), true},
    {2, QStringLiteral("张王氏"), QStringLiteral("新乡市人民路"), QStringLiteral("2003-01-15"), false},
    {3, QStringLiteral("李四"), QStringLiteral("郑州市花园路"), QStringLiteral("2002-12-31"), true},
    {4, QStringLiteral("O'Neil"), QStringLiteral("新乡市平原路"), QStringLiteral("2003-02-01"), false},
    {5, QStringLiteral("赵王"), QStringLiteral("郑州市经三路"), QStringLiteral("2003-01-16"), true},
};

template <typename W>
W *child(QWidget *window, const char *name)
{
    W *w = window->findChild<W *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QString textOf(QWidget *window, const char *name)
{
    if (auto *box = window->findChild<QComboBox *>(QString::fromLatin1(name)))
        return box->currentText();
    return child<QLineEdit>(window, name)->text();
}

void click(QWidget *window, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// Picks the one list item (today's date) of a date box with the keyboard.
void pickListItem(QWidget *window, const char *name)
{
    QTest::keyClick(child<QComboBox>(window, name), Qt::Key_Down);
}

} // namespace

class TestFrmSearch : public QObject {
    Q_OBJECT

    FixedClock m_clock{QDateTime(QDate(2003, 4, 25), QTime(9, 30))};

private slots:
    void searchButtonFollowsCriteria()
    {
        StandInWorkspace ws(kJobs);
        FrmSearch w(ws);
        w.show();
        auto *search = child<QPushButton>(&w, "cmdSearch");
        QVERIFY(!search->isEnabled());

        typeText(child<QLineEdit>(&w, "txtList2"), QStringLiteral("路"));
        QVERIFY(search->isEnabled());
        // Alt with a letter that is no access key types nothing.
        QTest::keyClick(child<QLineEdit>(&w, "txtList2"), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(child<QLineEdit>(&w, "txtList2")->text(), QStringLiteral("路"));
        QTest::keyClick(child<QLineEdit>(&w, "txtList2"), Qt::Key_Backspace);
        QVERIFY(!search->isEnabled());

        click(&w, "Check1");
        QVERIFY(search->isEnabled());
        typeText(child<QLineEdit>(&w, "txtList3"), QStringLiteral("8"));
        click(&w, "Check1");
        QVERIFY2(search->isEnabled(), "a value is still present");
        QTest::keyClick(child<QLineEdit>(&w, "txtList3"), Qt::Key_Backspace);
        QVERIFY(!search->isEnabled());

        // Typing a date does not re-evaluate the button; choosing the list item does.
        typeText(child<QComboBox>(&w, "txtStartDate"), QStringLiteral("2003-1-1"));
        QVERIFY(!search->isEnabled());
        pickListItem(&w, "txtEndDate");
        QCOMPARE(textOf(&w, "txtEndDate"), QStringLiteral("2003-04-25"));
        QVERIFY(search->isEnabled());
    }

    void loadsWithTodayAndDesignDefaults()
    {
        StandInWorkspace ws(kJobs);
        FrmSearch w(ws);
        w.show();
        for (const char *name : {"txtStartDate", "txtEndDate"}) {
            auto *box = child<QComboBox>(&w, name);
            QCOMPARE(box->count(), 1);
            QCOMPARE(box->itemText(0), QStringLiteral("2003-04-25"));
            QCOMPARE(box->currentText(), QString());
        }
        QCOMPARE(textOf(&w, "Combo1"), QStringLiteral("客户姓名"));
        QCOMPARE(textOf(&w, "Combo2"), QStringLiteral("地址"));
        QCOMPARE(textOf(&w, "Combo3"), QStringLiteral("宅电"));
        QVERIFY(!child<QCheckBox>(&w, "Check1")->isChecked());
    }

    void searchFiltersTheWorkspace_data()
    {
        QTest::addColumn<QString>("startDate");
        QTest::addColumn<QString>("endDate");
        QTest::addColumn<QString>("field1");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("repaired"); // "", "是" or "否"
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<int>>("numbers");

        QTest::newRow("worked example")
            << "2003-1-1" << "" << "" << "王" << "否"
            << "select * from 客户信息 where 编号<>0 and 接货日期 >= #2003-1-1# "
               "and 客户姓名 Like '*王*' and  not 已修否"
            << QList<int>{2};
        QTest::newRow("substring anywhere")
            << "" << "" << "" << "王" << ""
            << "select * from 客户信息 where 编号<>0 and 客户姓名 Like '*王*'" << QList<int>{1, 2, 5};
        // Typed dates alone leave the button disabled; a value enables it.
        QTest::newRow("date range inclusive at both ends")
            << "2003-01-01" << "2003/1/15" << "地址" << "市" << ""
            << "select * from 客户信息 where 编号<>0 and 接货日期 >= #2003-01-01# "
               "and 接货日期 <= #2003/1/15# and 地址 Like '*市*'"
            << QList<int>{1, 2};
        QTest::newRow("repaired yes")
            << "" << "" << "" << "" << "是"
            << "select * from 客户信息 where 编号<>0 and 已修否" << QList<int>{1, 3, 5};
        QTest::newRow("repaired no")
            << "" << "" << "" << "" << "否"
            << "select * from 客户信息 where 编号<>0 and  not 已修否" << QList<int>{2, 4};
        QTest::newRow("apostrophe searched literally")
            << "" << "" << "" << "O'N" << ""
            << "select * from 客户信息 where 编号<>0 and 客户姓名 Like '*O''N*'" << QList<int>{4};
        QTest::newRow("other field typed into the name box")
            << "" << "" << "地址" << "郑州" << "是"
            << "select * from 客户信息 where 编号<>0 and 地址 Like '*郑州*' and 已修否" << QList<int>{1, 3, 5};
    }

    void searchFiltersTheWorkspace()
    {
        QFETCH(QString, startDate);
        QFETCH(QString, endDate);
        QFETCH(QString, field1);
        QFETCH(QString, value1);
        QFETCH(QString, repaired);
        QFETCH(QString, source);
        QFETCH(QList<int>, numbers);

        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        FrmSearch w(ws);
        w.show();
        typeText(child<QComboBox>(&w, "txtStartDate"), startDate);
        typeText(child<QComboBox>(&w, "txtEndDate"), endDate);
        if (!field1.isEmpty()) {
            child<QComboBox>(&w, "Combo1")->clearEditText();
            typeText(child<QComboBox>(&w, "Combo1"), field1);
        }
        typeText(child<QLineEdit>(&w, "txtList1"), value1);
        if (!repaired.isEmpty()) {
            click(&w, "Check1");
            click(&w, repaired == QStringLiteral("是") ? "Option1" : "Option2");
        }
        click(&w, "cmdSearch");

        QCOMPARE(prompt.texts(), QStringList());
        QCOMPARE(ws.set->recordSource(), source);
        QCOMPARE(ws.numbers(), numbers);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.isUnloaded());
        QCOMPARE(common::backColor(ws.button("cmdSearch")), common::filterMarkColor());
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdRenovation"}));
    }

    void noResultShowsTheWindowAgain()
    {
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        FrmSearch w(ws);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        typeText(child<QLineEdit>(&w, "txtList1"), QStringLiteral("钱"));
        pickListItem(&w, "txtEndDate");
        click(&w, "cmdSearch");

        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("对不起，没有您需要的记录！请重新输入。"));
        QCOMPARE(prompt.messages[0].title, QStringLiteral("信息查询"));
        QCOMPARE(prompt.messages[0].icon, common::Icon::Information);
        // The empty result stays applied and marked; the window is back for new criteria.
        QCOMPARE(ws.set->recordCount(), 0);
        QCOMPARE(common::backColor(ws.button("cmdSearch")), common::filterMarkColor());
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdRenovation"}));
        QVERIFY(w.isVisible());
        QCOMPARE(textOf(&w, "txtEndDate"), QString());
        QCOMPARE(w.focusWidget(), child<QLineEdit>(&w, "txtList1"));
        QCOMPARE(child<QLineEdit>(&w, "txtList1")->selectedText(), QStringLiteral("钱"));

        // Corrected criteria then find their rows and the window goes.
        typeText(child<QLineEdit>(&w, "txtList1"), QStringLiteral("李"));
        pickListItem(&w, "txtEndDate");
        QCOMPARE(textOf(&w, "txtEndDate"), QStringLiteral("2003-04-25"));
        click(&w, "cmdSearch");
        QCOMPARE(ws.set->recordSource(), QStringLiteral("select * from 客户信息 where 编号<>0 "
                                                        "and 接货日期 <= #2003-04-25# and 客户姓名 Like '*李*'"));
        QCOMPARE(ws.numbers(), QList<int>{3});
        QVERIFY(!w.isVisible());
    }

    void searchWithoutCriteriaAppliesNothing()
    {
        // The date boxes were the only criteria; showing the window again emptied them.
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        FrmSearch w(ws);
        w.show();
        pickListItem(&w, "txtEndDate");
        w.hide();
        w.show();
        QVERIFY(child<QPushButton>(&w, "cmdSearch")->isEnabled());
        click(&w, "cmdSearch");

        QCOMPARE(prompt.texts(), QStringList());
        QCOMPARE(ws.set->recordSource(), QStringLiteral("select * from 客户信息"));
        QCOMPARE(ws.set->recordCount(), kJobs.size());
        QCOMPARE(common::backColor(ws.button("cmdSearch")), common::buttonColor());
        QVERIFY(!w.isVisible());
    }

    void rejectedStatementKeepsTheWorkspace_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("startDate");
        QTest::newRow("unknown field") << "顾客" << "";
        QTest::newRow("empty field name") << "" << "";
        QTest::newRow("date that breaks the statement") << "客户姓名" << "2003-1-1#";
    }

    void rejectedStatementKeepsTheWorkspace()
    {
        QFETCH(QString, field);
        QFETCH(QString, startDate);
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        const QString previous = QStringLiteral("select * from 客户信息 order by 接货日期 desc");
        QVERIFY(ws.set->setRecordSource(previous).ok());
        FrmSearch w(ws);
        w.show();
        auto *combo3 = child<QComboBox>(&w, "Combo3");
        combo3->clearEditText();
        typeText(combo3, field);
        typeText(child<QComboBox>(&w, "txtStartDate"), startDate);
        typeText(child<QLineEdit>(&w, "txtList3"), QStringLiteral("王"));
        click(&w, "cmdSearch");

        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].title, QStringLiteral("信息查询"));
        QVERIFY(!prompt.messages[0].text.isEmpty());
        QCOMPARE(ws.set->recordSource(), previous);
        QCOMPARE(ws.numbers(), QList<int>({4, 5, 2, 1, 3}));
        QCOMPARE(common::backColor(ws.button("cmdSearch")), common::buttonColor());
        QCOMPARE(ws.enabledButtons().size(), 6);
        QVERIFY(w.isVisible());
    }

    void dateCheckOnLeavingTheBox()
    {
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        FrmSearch w(ws);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *start = child<QComboBox>(&w, "txtStartDate");
        start->setFocus(Qt::MouseFocusReason);
        typeText(start, QStringLiteral("2003-2-30"));
        QTest::keyClick(start, Qt::Key_Tab);
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("日期输入有误！"));
        QCOMPARE(prompt.messages[0].title, common::appTitle());
        QCOMPARE(prompt.messages[0].buttons, common::Buttons::Ok);
        QCOMPARE(w.focusWidget(), start);

        start->clearEditText();
        typeText(start, QStringLiteral("2003-2-28"));
        QTest::keyClick(start, Qt::Key_Tab);
        QCOMPARE(prompt.messages.size(), 1);
        QVERIFY(w.focusWidget() != start);

        auto *end = child<QComboBox>(&w, "txtEndDate");
        end->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(end, Qt::Key_Tab);
        QCOMPARE(prompt.messages.size(), 1); // an empty box passes
    }

    void hiddenWindowKeepsItsCriteria()
    {
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<FrmSearch *>(QApplication::activeModalWidget());
            QVERIFY(w);
            typeText(child<QLineEdit>(w, "txtList2"), QStringLiteral("新乡"));
            typeText(child<QComboBox>(w, "txtEndDate"), QStringLiteral("2003-12-31"));
            click(w, "Check1");
            click(w, "cmdSearch");
            driven = true;
        });
        query::runSearchWindow(ws.searchWindow, ws);
        QVERIFY(driven);
        QCOMPARE(ws.numbers(), QList<int>({2, 4}));

        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<FrmSearch *>(QApplication::activeModalWidget());
            QVERIFY(w);
            QCOMPARE(textOf(w, "txtList2"), QStringLiteral("新乡"));
            QCOMPARE(textOf(w, "txtEndDate"), QString());
            QVERIFY(child<QCheckBox>(w, "Check1")->isChecked());
            click(w, "cmdCancel");
        });
        query::runSearchWindow(ws.searchWindow, ws);
        // 关闭 leaves the filter in force and gives back append and delete, not copy.
        QCOMPARE(ws.numbers(), QList<int>({2, 4}));
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdAppend", "cmdDeleted", "cmdRenovation"}));
        QVERIFY(ws.widget.findChildren<FrmSearch *>().isEmpty());

        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<FrmSearch *>(QApplication::activeModalWidget());
            QVERIFY(w);
            QCOMPARE(textOf(w, "txtList2"), QString());
            QVERIFY(!child<QCheckBox>(w, "Check1")->isChecked());
            QVERIFY(!child<QPushButton>(w, "cmdSearch")->isEnabled());
            click(w, "cmdCancel");
        });
        query::runSearchWindow(ws.searchWindow, ws);
        QCOMPARE(prompt.texts(), QStringList());
    }
};

CORVALE_TEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
