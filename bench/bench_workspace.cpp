// The clerk's actions on the workspace window at full size, through its own
// buttons and keys, each beside raw SQLite doing the same writes or reads.
#include "bench.h"
#include "rawsqlite.h"

#include "common/ui/prompt.h"
#include "common/sitesettings.h"
#include "store/database.h"
#include "store/recordset.h"
#include "workspace/frmcorvale.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <memory>
#include <stdexcept>

namespace bench {
namespace {

// Answers every question with yes / OK and the number search with a number.
class BenchPrompt final : public common::Prompt {
public:
    QString number = QStringLiteral("16384");
    common::Answer message(const common::Message &m) override
    {
        return m.buttons == common::Buttons::YesNo ? common::Answer::Yes : common::Answer::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return number; }
    QString openFile(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString openFolder(const QString &, const QString &) override { return {}; }
};

struct Workspace {
    BenchPrompt prompt;
    std::unique_ptr<store::Database> db;
    std::unique_ptr<workspace::frmCorvale> window;

    void open(const Context &ctx)
    {
        close();
        common::setPrompt(&prompt);
        auto opened = store::Database::open(ctx.database);
        if (opened.failed())
            throw std::runtime_error(opened.error().text.toStdString());
        db = std::move(opened).value();
        window = std::make_unique<workspace::frmCorvale>(*db, ctx.shop);
        window->show();
        QApplication::processEvents();
    }
    void close()
    {
        window.reset();
        db.reset();
    }
    void click(const char *button)
    {
        window->findChild<QPushButton *>(QLatin1String(button))->click();
        QApplication::processEvents();
    }
    store::RecordSet &set() { return window->recordSet(); }
};

Workspace &ws()
{
    static Workspace w;
    return w;
}

void ensureOpen(Context &ctx)
{
    if (!ws().window)
        ws().open(ctx);
}

// Frees the top numbers so append and copy have room, as a shop's table would.
void freeTopNumbers(Context &ctx)
{
    RawDb raw(ctx.database);
    raw.exec("DELETE FROM 客户信息 WHERE 编号 > 32000");
}

Registrar startUp({
    QStringLiteral("start-up to a usable workspace"),
    nullptr,
    [](Context &ctx) { ws().open(ctx); },
    nullptr, 5, 200,
    [](Context &) { ws().close(); }});

Registrar refresh({
    QStringLiteral("workspace refresh"),
    ensureOpen,
    [](Context &) { ws().click("cmdRenovation"); },
    nullptr, 5, 210});

Registrar firstLast({
    QStringLiteral("workspace first→last"),
    ensureOpen,
    [](Context &) {
        check(ws().set().moveFirst());
        QApplication::processEvents();
        check(ws().set().moveLast());
        QApplication::processEvents();
    },
    nullptr, 9, 220});

// Runs of Page Down from eight places spread over the table: the sweep of
// every row took a quarter of a minute and told no more than a sample.
Registrar pageDownStep({
    QStringLiteral("Page Down: 8 runs of 100 steps over the table"),
    ensureOpen,
    [](Context &) {
        auto &w = ws();
        constexpr int kRuns = 8, kSteps = 100;
        int steps = 0;
        const double total = timeMs([&] {
            for (int run = 0; run < kRuns; ++run) {
                check(w.set().moveTo(run * (w.set().recordCount() - kSteps) / kRuns));
                for (int i = 0; i < kSteps; ++i, ++steps)
                    w.window->pageDown();
                QApplication::processEvents();
            }
        }, 1);
        std::printf("Page Down one step (mean of %d)  %.2f ms\n", steps, steps ? total / steps : 0.0);
    },
    nullptr, 1, 230});

Registrar append({
    QStringLiteral("append"),
    [](Context &ctx) {
        freeTopNumbers(ctx);
        ws().open(ctx);
    },
    [](Context &) { ws().click("cmdAppend"); },
    nullptr,
    5, 240,
    [](Context &) { check(ws().set().moveLast()); }});

Registrar copy({
    QStringLiteral("copy"),
    nullptr,
    [](Context &) { ws().click("cmdCopy"); },
    nullptr,
    5, 250,
    // Each copy starts from the whole table, as after the refresh the message asks for.
    [](Context &) { ws().click("cmdRenovation"); }});

Registrar remove({
    QStringLiteral("delete"),
    nullptr,
    [](Context &) { ws().click("cmdDeleted"); },
    nullptr,
    5, 260,
    [](Context &) { check(ws().set().moveLast()); }});

Registrar numberSearch({
    QStringLiteral("workspace number search"),
    [](Context &ctx) {
        ensureOpen(ctx);
        ws().click("cmdRenovation"); // the whole table again after the copy's two-row set
    },
    [](Context &) {
        ws().click("cmdFind");
        if (ws().set().value(QStringLiteral("编号")).toInt() != 16384)
            throw std::runtime_error("number search did not find job 16384");
    },
    [](Context &ctx) {
        RawDb raw(ctx.database);
        raw.readAll("SELECT * FROM 客户信息 WHERE 编号 = 16384");
    },
    9, 270});

// 经营统计 over the whole table: the window opened from its menu item, and
// the period box moved between this month and this year.
QDialog *statisticsWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmStatistics") && w->isVisible())
            return qobject_cast<QDialog *>(w);
    return nullptr;
}

Registrar statisticsOpen({
    QStringLiteral("经营统计: open the window"),
    ensureOpen,
    [](Context &) {
        ws().window->findChild<QAction *>(QStringLiteral("Statistics"))->trigger();
        QApplication::processEvents();
        if (!statisticsWindow())
            throw std::runtime_error("经营统计 did not open");
    },
    nullptr, 5, 280,
    [](Context &) {
        if (QDialog *open = statisticsWindow())
            delete open;
    }});

Registrar statisticsPeriod({
    QStringLiteral("经营统计: change the period"),
    [](Context &ctx) {
        ensureOpen(ctx);
        if (!statisticsWindow())
            ws().window->findChild<QAction *>(QStringLiteral("Statistics"))->trigger();
    },
    [](Context &) {
        auto *period = statisticsWindow()->findChild<QComboBox *>(QStringLiteral("cboPeriod"));
        period->setCurrentIndex(period->currentIndex() == 0 ? 3 : 0);
        QApplication::processEvents();
    },
    nullptr, 9, 281});

Registrar closeAll({
    QStringLiteral("close the workspace"),
    nullptr,
    [](Context &) { ws().close(); },
    nullptr, 1, 299});

} // namespace
} // namespace bench
