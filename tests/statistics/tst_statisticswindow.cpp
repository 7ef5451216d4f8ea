// 经营统计 over a workspace: each tile, a repairer's row and a brand's row
// open exactly their jobs in the workspace, counted here from the rows the
// test wrote; 刷新 gives the whole table back; the period box moves the
// period's figures.
#include "support/testapp.h"
#include "workspace/workspacefixture.h"

#include "statistics/ui/figuretable.h"
#include "statistics/ui/statisticswindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>

namespace {

using Job = QVariantMap;

// The shop's rows: today is 2024-05-20 (the fixture's clock), overdue after 7 days.
QList<Job> shopJobs()
{
    const auto job = [](int n, const QString &received, bool repaired, const QVariantMap &more = {}) {
        QVariantMap m{{QStringLiteral("接货日期"), received.isEmpty() ? QVariant() : QVariant(received)},
                      {QStringLiteral("已修否"), repaired ? -1 : 0},
                      {QStringLiteral("发货日期"), QVariant()}};
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            m.insert(it.key(), it.value());
        return makeJob(n, m);
    };
    const QString zhang = QStringLiteral("张师傅"), li = QStringLiteral("李师傅");
    return {
        job(1, "2024-05-01", true, {{"发货日期", "2024-05-03"}, {"修理人员", zhang}, {"型号", "新飞BCD-1"}}),
        job(2, "2024-04-01", false, {{"是否申请", "是"}, {"修理人员", li}, {"型号", "美的KFR-2"}}),
        job(3, "2024-05-18", false, {{"修理人员", zhang}, {"型号", "新飞BCD-3"}}),
        job(4, "2024-05-10", true, {{"修理人员", zhang}, {"型号", "新飞"}}),
        job(5, "", false, {{"修理人员", ""}, {"型号", "BCD-5"}}),
        job(6, "2024-05-12", false, {{"是否申请", "是"}, {"到货日期", "2024-05-15"}, {"修理人员", li}}),
        job(7, "2024-05-13", false, {{"修理人员", li}, {"型号", "美的"}}),  // seven days: not yet overdue
        job(8, "2024-03-02", true, {{"发货日期", "2024-03-09"}, {"修理人员", zhang}}),
    };
}

bool repaired(const Job &j) { return j.value(QStringLiteral("已修否")).toInt() != 0; }
QDate received(const Job &j) { return QDate::fromString(j.value(QStringLiteral("接货日期")).toString(), Qt::ISODate); }
bool empty(const Job &j, const char *field) { return j.value(QString::fromUtf8(field)).toString().isEmpty(); }

int countOf(const QList<Job> &jobs, const std::function<bool(const Job &)> &rule)
{
    return int(std::count_if(jobs.cbegin(), jobs.cend(), rule));
}

// The numbers of the jobs the workspace shows, in its order.
QList<int> shownJobs(store::RecordSet &set)
{
    QList<int> numbers;
    if (set.moveFirst().failed())
        return {-1};
    while (!set.eof()) {
        numbers << set.value(QStringLiteral("编号")).toInt();
        if (set.moveNext().failed())
            return {-1};
    }
    return numbers;
}

QList<int> numbersOf(const QList<Job> &jobs, const std::function<bool(const Job &)> &rule)
{
    QList<int> n;
    for (const Job &j : jobs)
        if (rule(j))
            n << j.value(QStringLiteral("编号")).toInt();
    return n;
}

statistics::StatisticsWindow *openStatistics()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *stats = qobject_cast<statistics::StatisticsWindow *>(w))
            return stats;
    return nullptr;
}

} // namespace

class TestStatisticsWindow : public QObject {
    Q_OBJECT
private slots:
    void figuresOpenTheirJobs()
    {
        const QList<Job> jobs = shopJobs();
        WorkspaceFixture f(jobs);
        f.window->findChild<QAction *>(QStringLiteral("Statistics"))->trigger();
        auto *stats = openStatistics();
        QVERIFY(stats);
        QVERIFY(waitForFocus(stats));
        QCOMPARE(stats->windowTitle(), QStringLiteral("经营统计"));

        const QDate today(2024, 5, 20);
        const auto inMay = [](const Job &j) { return received(j) >= QDate(2024, 5, 1) && received(j) <= QDate(2024, 5, 31); };
        const QList<std::pair<const char *, std::function<bool(const Job &)>>> tiles = {
            {"tileOpen", [](const Job &j) { return !repaired(j); }},
            {"tileOverdue", [&](const Job &j) { return !repaired(j) && received(j).isValid() && received(j) < today.addDays(-7); }},
            {"tileAwaitingParts",
             [](const Job &j) { return !repaired(j) && j.value(QStringLiteral("是否申请")).toString() == u"是" && empty(j, "到货日期"); }},
            {"tileNotCollected", [](const Job &j) { return repaired(j) && empty(j, "发货日期"); }},
            {"tileReceived", inMay},
            {"tileRepaired", [&](const Job &j) { return inMay(j) && repaired(j); }},
            {"tileShipped", [&](const Job &j) { return inMay(j) && !empty(j, "发货日期"); }},
        };
        QAction *refresh = f.window->findChild<QAction *>(QStringLiteral("Refresh"));
        for (const auto &[name, rule] : tiles) {
            auto *tile = stats->findChild<QPushButton *>(QString::fromLatin1(name));
            QVERIFY2(tile, name);
            // The tile says the number it opens.
            QVERIFY2(tile->text().endsWith(u'\n' + QString::number(countOf(jobs, rule))), qPrintable(tile->text()));
            tile->setFocus();
            QTest::keyClick(tile, Qt::Key_Return);
            QCOMPARE(shownJobs(f.set()), numbersOf(jobs, rule));
            QVERIFY(!f.window->findChild<QAction *>(QStringLiteral("append"))->isEnabled());
            refresh->trigger();
            QCOMPARE(f.set().recordCount(), jobs.size());
        }

        // A repairer's row: that repairer's jobs received in the period.
        auto *view = stats->findChild<QTableView *>(QStringLiteral("tblRepairers"));
        auto *table = static_cast<statistics::FigureTable *>(view->model());
        int row = 0;
        while (row < table->rowCount() && table->nameAt(row) != QStringLiteral("张师傅"))
            ++row;
        QVERIFY(row < table->rowCount());
        view->setFocus();
        view->setCurrentIndex(table->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(shownJobs(f.set()),
                 numbersOf(jobs, [&](const Job &j) { return inMay(j) && j.value(QStringLiteral("修理人员")).toString() == u"张师傅"; }));
        refresh->trigger();

        // Last month instead: the tile follows the box.
        auto *period = stats->findChild<QComboBox *>(QStringLiteral("cboPeriod"));
        period->setFocus();
        QTest::keyClick(period, Qt::Key_Down);
        const auto inApril = [](const Job &j) { return received(j) >= QDate(2024, 4, 1) && received(j) <= QDate(2024, 4, 30); };
        QVERIFY(stats->findChild<QPushButton *>(QStringLiteral("tileReceived"))
                    ->text()
                    .endsWith(u'\n' + QString::number(countOf(jobs, inApril))));
        QCOMPARE(stats->figures().period, (statistics::Period{QDate(2024, 4, 1), QDate(2024, 4, 30)}));

        // Esc closes it.
        QTest::keyClick(stats, Qt::Key_Escape);
        QTRY_VERIFY(!openStatistics());
    }
};

CORVALE_TEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
