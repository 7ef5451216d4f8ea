#pragma once
// A workspace window over a job table in a temporary data folder, with a fixed
// clock and scripted dialogs, and a second connection to read what was stored.
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include "common/sitesettings.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "workspace/frmcorvale.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

struct WorkspaceFixture {
    DataFolder folder;
    FixedClock clock{QDateTime(QDate(2024, 5, 20), QTime(9, 30, 15))};
    ScriptedPrompt prompt;
    std::unique_ptr<store::Database> db;
    common::ShopContext shop;
    std::unique_ptr<workspace::frmCorvale> window;

    explicit WorkspaceFixture(const QList<QVariantMap> &jobs)
    {
        db = createJobTable(folder.path(), jobs);
        if (!db)
            return;
        shop = folder.shop();
        window = std::make_unique<workspace::frmCorvale>(*db, shop);
        window->show();
        if (!waitForFocus(window.get()))
            QTest::qFail("the workspace never became the active window", __FILE__, __LINE__);
    }

    // Waits until the workspace has the focus back (after a box closed or
    // another window went) and whatever that set off has run.
    void settle() const
    {
        QVERIFY(waitForFocus(window.get()));
        QApplication::processEvents();
    }

    template <class T = QWidget>
    T *get(const QString &name) const { return window->findChild<T *>(name); }
    QLineEdit *info(int i) const { return window->txtInfo(i); }
    QComboBox *combo(const QString &name) const { return get<QComboBox>(name); }
    store::RecordSet &set() const { return window->recordSet(); }

    // Picks an entry from a combo's list as a user does.
    void pick(const QString &comboName, const QString &entry) const
    {
        QComboBox *c = combo(comboName);
        const int i = c->findText(entry);
        QVERIFY2(i >= 0, qPrintable(entry));
        c->setCurrentIndex(i);
        emit c->activated(i);
    }

    // Types into a field the way the keyboard does, after clearing it.
    static void type(QWidget *field, const QString &text)
    {
        field->setFocus();
        if (auto *e = qobject_cast<QLineEdit *>(field))
            e->clear();
        else if (auto *c = qobject_cast<QComboBox *>(field))
            c->clearEditText();
        // keyClicks knows only ASCII; a key event carrying the text types anything.
        QWidget *target = field;
        if (auto *c = qobject_cast<QComboBox *>(field))
            target = c->lineEdit();
        if (text.isEmpty())
            return;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }

    // Moves the focus to another field and lets the leave rules run.
    // Waits, too, until a box the rule opened has closed and the focus is back.
    static void leaveTo(QWidget *next)
    {
        next->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QVERIFY2(waitForFocus(next->window()), qPrintable(QStringLiteral("focus is on %1").arg(QGuiApplication::focusWindow() ? QGuiApplication::focusWindow()->objectName() : QStringLiteral("no window"))));
        QApplication::processEvents();
    }

    // What the file holds, read through a connection of its own.
    QVariant stored(int number, const QString &field) const
    {
        const QVariantList v = column(field, QStringLiteral("where 编号=%1").arg(number));
        return v.isEmpty() ? QVariant() : v.first();
    }
    int count(const QString &where = QString()) const { return column(QStringLiteral("编号"), where).size(); }

    QVariantList column(const QString &field, const QString &where) const
    {
        const QString name = QUuid::createUuid().toString();
        QVariantList out;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            c.setDatabaseName(folder.file(store::databaseFileName()));
            c.open();
            QSqlQuery q(c);
            q.exec(QStringLiteral("select %1 from 客户信息 %2 order by rowid").arg(field, where));
            while (q.next())
                out << q.value(0);
        }
        QSqlDatabase::removeDatabase(name);
        return out;
    }
};
