#include "query/frmserial.h"
#include "standinworkspace.h"
#include "store/fields.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>

using query::FrmSerial;

namespace {

// Dates whose text order differs from a naive day-month reading.
const QList<Job> kJobs{
    {1, QStringLiteral("甲"), QStringLiteral("郑州"), QStringLiteral("2003-10-01"), true},
    {2, QStringLiteral("乙"), QStringLiteral("新乡"), QStringLiteral("2003-02-15"), false},
    {3, QStringLiteral("丙"), QStringLiteral("郑州"), QStringLiteral("2002-12-31"), true},
    {4, QStringLiteral("丁"), QStringLiteral("新乡"), QStringLiteral("2003-09-30"), false},
    {5, QStringLiteral("戊"), QStringLiteral("郑州"), QStringLiteral("2004-01-01"), false},
};

// Opens the sort window the way the workspace does and returns it.
FrmSerial *openWindow(StandInWorkspace &ws)
{
    query::openSortWindow(ws.sortWindow, ws);
    const auto windows = ws.widget.findChildren<FrmSerial *>();
    if (windows.size() != 1)
        qFatal("expected one sort window, found %d", int(windows.size()));
    return windows.first();
}

template <typename W>
W *child(QWidget *window, const char *name)
{
    W *w = window->findChild<W *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

void replaceText(QComboBox *box, const QString &text)
{
    box->clearEditText();
    typeText(box, text);
}

void click(QWidget *window, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// Lets the window's deferred deletion happen.
bool unloaded(const QPointer<FrmSerial> &window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

} // namespace

class TestFrmSerial : public QObject {
    Q_OBJECT

private slots:
    void sortOrdersTheWholeTable_data()
    {
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("primaryDescending");
        QTest::addColumn<QString>("secondary");
        QTest::addColumn<bool>("secondaryDescending");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<int>>("numbers");

        QTest::newRow("defaults") << "接货日期" << false << "接货日期" << true
                                  << "select * from 客户信息 order by 接货日期" << QList<int>{3, 2, 4, 1, 5};
        QTest::newRow("descending") << "接货日期" << true << "接货日期" << false
                                    << "select * from 客户信息 order by 接货日期 desc"
                                    << QList<int>{5, 1, 4, 2, 3};
        QTest::newRow("secondary key") << "地址" << false << "接货日期" << true
                                       << "select * from 客户信息 order by 地址, 接货日期 desc"
                                       << QList<int>{4, 2, 5, 1, 3};
        QTest::newRow("yes/no primary") << "已修否" << true << "编号" << false
                                        << "select * from 客户信息 order by 已修否 desc, 编号"
                                        << QList<int>{2, 4, 5, 1, 3};
    }

    void sortOrdersTheWholeTable()
    {
        QFETCH(QString, primary);
        QFETCH(bool, primaryDescending);
        QFETCH(QString, secondary);
        QFETCH(bool, secondaryDescending);
        QFETCH(QString, source);
        QFETCH(QList<int>, numbers);

        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        // A filter and its marks from the query window are in force.
        QVERIFY(ws.set->setRecordSource(QStringLiteral("select * from 客户信息 where 编号<>0 and 已修否")).ok());
        common::setBackColor(ws.button("cmdSearch"), common::filterMarkColor());
        for (const char *name : {"cmdAppend", "cmdDeleted", "cmdCopy", "cmdRenovation"})
            ws.command(name)->setEnabled(false);

        QPointer<FrmSerial> w = openWindow(ws);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        if (primary != QStringLiteral("接货日期"))
            replaceText(child<QComboBox>(w, "Combo1"), primary);
        if (primaryDescending)
            click(w, "chkDownSerial");
        if (secondary != QStringLiteral("接货日期"))
            replaceText(child<QComboBox>(w, "Combo2"), secondary);
        if (secondaryDescending)
            click(w, "Check1");
        click(w, "cmdSerial");

        QCOMPARE(prompt.texts(), QStringList());
        QCOMPARE(ws.set->recordSource(), source);
        QCOMPARE(ws.numbers(), numbers);
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdAppend", "cmdRenovation"}));
        QCOMPARE(common::backColor(ws.button("cmdSearch")), common::filterMarkColor());
        QVERIFY(unloaded(w));
    }

    void emptyPrimaryKeyAppliesNothing()
    {
        StandInWorkspace ws(kJobs);
        ws.command("cmdRenovation")->setEnabled(false);
        ws.command("cmdAppend")->setEnabled(false);
        QPointer<FrmSerial> w = openWindow(ws);
        child<QComboBox>(w, "Combo1")->clearEditText();
        replaceText(child<QComboBox>(w, "Combo2"), QStringLiteral("编号"));
        click(w, "cmdSerial");

        QCOMPARE(ws.set->recordSource(), QStringLiteral("select * from 客户信息"));
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdDeleted", "cmdCopy"}));
        QVERIFY(unloaded(w));
    }

    void rejectedKeyKeepsThePreviousSource()
    {
        StandInWorkspace ws(kJobs);
        ScriptedPrompt prompt;
        const QString previous = QStringLiteral("select * from 客户信息 where 编号<>0 and  not 已修否");
        QVERIFY(ws.set->setRecordSource(previous).ok());
        ws.command("cmdAppend")->setEnabled(false);
        ws.command("cmdRenovation")->setEnabled(false);

        QPointer<FrmSerial> w = openWindow(ws);
        replaceText(child<QComboBox>(w, "Combo1"), QStringLiteral("接货时间"));
        click(w, "cmdSerial");

        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].title, QStringLiteral("排序窗口"));
        QVERIFY(!prompt.messages[0].text.isEmpty());
        QCOMPARE(ws.set->recordSource(), previous);
        QCOMPARE(ws.numbers(), QList<int>({2, 4, 5}));
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdDeleted", "cmdCopy"}));
        QVERIFY(unloaded(w));
    }

    void closeEnablesAppendOnly()
    {
        StandInWorkspace ws(kJobs);
        for (const char *name : {"cmdAppend", "cmdDeleted", "cmdCopy", "cmdRenovation"})
            ws.command(name)->setEnabled(false);
        QPointer<FrmSerial> w = openWindow(ws);
        click(w, "chkDownSerial");
        click(w, "cmdCancel");

        QCOMPARE(ws.set->recordSource(), QStringLiteral("select * from 客户信息"));
        QCOMPARE(ws.enabledButtons(), QStringList({"cmdSearch", "cmdFind", "cmdAppend"}));
        QVERIFY(unloaded(w));
    }

    void eachOpeningStartsFromDefaults()
    {
        StandInWorkspace ws(kJobs);
        QPointer<FrmSerial> first = openWindow(ws);
        replaceText(child<QComboBox>(first, "Combo1"), QStringLiteral("编号"));
        click(first, "chkDownSerial");
        click(first, "cmdCancel");
        QVERIFY(unloaded(first));

        FrmSerial *w = openWindow(ws);
        for (const char *name : {"Combo1", "Combo2"}) {
            auto *box = child<QComboBox>(w, name);
            QVERIFY(box->isEditable());
            QCOMPARE(box->currentText(), QStringLiteral("接货日期"));
            QCOMPARE(box->count(), store::fieldNames().size());
        }
        QVERIFY(!child<QCheckBox>(w, "chkDownSerial")->isChecked());
        QVERIFY(!child<QCheckBox>(w, "Check1")->isChecked());
        w->close();
    }
};

CORVALE_TEST_MAIN(TestFrmSerial)
#include "tst_frmserial.moc"
