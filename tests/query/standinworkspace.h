#pragma once
// A workspace as the query and sort windows see it: a window whose six
// command buttons show what the windows enable and mark, and a record set
// over a real job table in a temporary data folder.
#include "common/ui/widgets.h"
#include "common/ui/windowslot.h"
#include "query/recordworkspace.h"
#include "store/database.h"
#include "store/recordset.h"
#include "support/datafolder.h"
#include "support/jobtable.h"

#include <QAction>
#include <QPushButton>
#include <QSqlRecord>
#include <QTest>
#include <QWidget>

struct Job {
    int number;
    QString name;
    QString address;
    QString date;   // 接货日期
    bool repaired;
};

namespace query {
class FrmSearch;
class FrmSerial;
}

class StandInWorkspace : public query::RecordWorkspace {
public:
    explicit StandInWorkspace(const QList<Job> &jobs)
    {
        QList<QVariantMap> rows;
        for (const Job &j : jobs) {
            rows << makeJob(j.number, {{QStringLiteral("客户姓名"), j.name},
                                       {QStringLiteral("地址"), j.address},
                                       {QStringLiteral("接货日期"), j.date},
                                       {QStringLiteral("已修否"), j.repaired ? -1 : 0}});
        }
        db = createJobTable(folder.path(), rows);
        set = std::make_unique<store::RecordSet>(*db);
        QVERIFY(set->setRecordSource(QStringLiteral("select * from 客户信息")).ok());
        for (const char *name : {"cmdSearch", "cmdFind", "cmdAppend", "cmdDeleted", "cmdCopy", "cmdRenovation"}) {
            auto *b = new QPushButton(QString::fromLatin1(name), &widget);
            b->setObjectName(QString::fromLatin1(name));
            common::setBackColor(b, common::buttonColor());
        }
        // The commands' buttons follow their actions, as on the workspace.
        const auto command = [this](const char *button) {
            auto *a = new QAction(&widget);
            QObject::connect(a, &QAction::enabledChanged, this->button(button), &QWidget::setEnabled);
            return a;
        };
        commands = {command("cmdAppend"), command("cmdDeleted"), command("cmdCopy"), command("cmdRenovation")};
    }

    store::RecordSet &recordSet() override { return *set; }
    void markFilter() override { common::setBackColor(button("cmdSearch"), common::filterMarkColor()); }
    query::FilterCommands filterCommands() override { return commands; }
    QWidget *workspaceWindow() override { return &widget; }

    // The action a command button follows.
    QAction *command(const char *button) const
    {
        const QString name = QString::fromLatin1(button);
        return name == QLatin1String("cmdAppend")   ? commands.append
             : name == QLatin1String("cmdDeleted")  ? commands.deleteJob
             : name == QLatin1String("cmdCopy")     ? commands.copy
                                                    : commands.refresh;
    }

    QPushButton *button(const char *name) const
    {
        return widget.findChild<QPushButton *>(QString::fromLatin1(name));
    }

    // Which buttons are enabled, in a fixed order, for one-line comparisons.
    QStringList enabledButtons() const
    {
        QStringList names;
        for (const char *name : {"cmdSearch", "cmdFind", "cmdAppend", "cmdDeleted", "cmdCopy", "cmdRenovation"}) {
            if (button(name)->isEnabled())
                names << QString::fromLatin1(name);
        }
        return names;
    }

    // The job numbers of the set, in its order.
    QList<int> numbers() const
    {
        QList<int> result;
        for (int i = 0; i < set->recordCount(); ++i)
            result << set->rowAt(i).value(QStringLiteral("编号")).toInt();
        return result;
    }

    DataFolder folder;
    std::unique_ptr<store::Database> db;
    std::unique_ptr<store::RecordSet> set;
    QWidget widget;
    query::FilterCommands commands;
    // As the workspace keeps them: one query window, one sort window.
    common::WindowSlot<query::FrmSearch> searchWindow;
    common::WindowSlot<query::FrmSerial> sortWindow;
};

// Types text as key presses carrying the characters, as an input method
// delivers Chinese text.
inline void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}
