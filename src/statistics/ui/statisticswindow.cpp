#include "statistics/ui/statisticswindow.h"

#include "common/clock.h"
#include "common/textrules.h"
#include "common/ui/busycursor.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "query/recordworkspace.h"
#include "reports/ui/paperprinter.h"
#include "statistics/statpages.h"
#include "statistics/statworkbook.h"
#include "statistics/ui/figurecharts.h"
#include "statistics/ui/figuretable.h"
#include "store/recordset.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace statistics {

namespace {

const QString kTitle = QStringLiteral("经营统计");

QString tileText(const QString &name, const QString &value) { return name + u'\n' + value; }

// Enter opens the row's jobs and stops there: passed on, it would also
// press the dialog's default tile.
class FigureView : public QTableView {
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter || !currentIndex().isValid())
            return QTableView::keyPressEvent(event);
        emit activated(currentIndex());
        event->accept();
    }
};

QTableView *figureView(FigureTable *model, const QString &objectName, QWidget *parent)
{
    auto *view = new FigureView(parent);
    view->setObjectName(objectName);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

QChartView *chartView(const QString &objectName, QWidget *parent)
{
    auto *view = new QChartView(parent);
    view->setObjectName(objectName);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(260, 180);
    return view;
}

void replaceChart(QChartView *view, QChart *chart)
{
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace

QList<std::pair<QString, PeriodKind>> periodChoices()
{
    return {{QStringLiteral("本月"), PeriodKind::ThisMonth},
            {QStringLiteral("上月"), PeriodKind::LastMonth},
            {QStringLiteral("本季度"), PeriodKind::ThisQuarter},
            {QStringLiteral("本年"), PeriodKind::ThisYear},
            {QStringLiteral("厂家月份（上月20日至本月19日）"), PeriodKind::MakersMonth},
            {QStringLiteral("自定义"), PeriodKind::Custom}};
}

StatisticsWindow::StatisticsWindow(query::RecordWorkspace &workspace, const common::ShopContext &shop, QWidget *parent)
    : QDialog(parent), m_workspace(workspace), m_shop(shop)
{
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);
    common::markProgramWindow(this);
    m_repairers = new FigureTable(this);
    m_brands = new FigureTable(this);
    // The figures scroll on a small screen (1366 × 768 at 150 %); the
    // buttons stay in sight below them.
    auto *body = new QWidget(this);
    auto *bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(periodRow());
    bodyLayout->addWidget(tiles());
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabFigures"));
    tabs->addTab(tables(), QStringLiteral("维修人员和品牌(&R)"));
    tabs->addTab(charts(), QStringLiteral("图表(&G)"));
    bodyLayout->addWidget(tabs, 1);
    m_leftOut = new QLabel(this);
    m_leftOut->setObjectName(QStringLiteral("lblLeftOut"));
    m_leftOut->setWordWrap(true);
    bodyLayout->addWidget(m_leftOut);
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons());
    periodChosen();
    common::fitOnScreen(this, QSize(1000, 720));
}

QWidget *StatisticsWindow::periodRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_period = new QComboBox(row);
    m_period->setObjectName(QStringLiteral("cboPeriod"));
    for (const auto &[caption, kind] : periodChoices())
        m_period->addItem(caption, int(kind));
    auto *label = new QLabel(QStringLiteral("期间(&Q)："), row);
    label->setBuddy(m_period);
    const auto dateEdit = [row](const char *name) {
        auto *edit = new QDateEdit(row);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-M-d"));
        edit->setCalendarPopup(true);
        return edit;
    };
    m_from = dateEdit("dtpFrom");
    m_to = dateEdit("dtpTo");
    m_periodText = new QLabel(row);
    m_periodText->setObjectName(QStringLiteral("lblPeriod"));
    layout->addWidget(label);
    layout->addWidget(m_period);
    layout->addWidget(new QLabel(QStringLiteral("从"), row));
    layout->addWidget(m_from);
    layout->addWidget(new QLabel(QStringLiteral("到"), row));
    layout->addWidget(m_to);
    layout->addWidget(m_periodText, 1);
    connect(m_period, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_settingPeriod)
            periodChosen();
    });
    // Dates changed by hand make the period the clerk's own.
    for (QDateEdit *edit : {m_from, m_to})
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (m_settingPeriod)
                return;
            m_settingPeriod = true;
            m_period->setCurrentIndex(m_period->findData(int(PeriodKind::Custom)));
            m_settingPeriod = false;
            recompute();
        });
    return row;
}

// Each tile answers Alt and its place, 1 to 8, so the keyboard reaches it
// without tabbing through the period's dates.
void StatisticsWindow::keyToTile(QPushButton *tile)
{
    const int place = ++m_tileKeys;
    // A shortcut of its own: a button's setText() replaces the button's
    // shortcut with its text's mnemonic, and the tiles' texts change.
    auto *key = new QShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(place)), this);
    connect(key, &QShortcut::activated, tile, &QPushButton::click);
    tile->setToolTip(QStringLiteral("Alt+%1 或回车：在主窗口中列出这些记录").arg(place));
}

QPushButton *StatisticsWindow::tile(const QString &objectName, Figure figure)
{
    auto *button = new QPushButton(this);
    button->setObjectName(objectName);
    button->setMinimumSize(88, 52);
    QFont f = button->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    button->setFont(f);
    connect(button, &QPushButton::clicked, this, [this, figure] { openJobs(figureSource(figure, m_figures)); });
    m_tiles.insert(figure, button);
    keyToTile(button);
    return button;
}

QWidget *StatisticsWindow::tiles()
{
    auto *box = new QWidget(this);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *now = new QGroupBox(box);
    m_nowBox = now;
    auto *nowLayout = new QHBoxLayout(now);
    nowLayout->addWidget(tile(QStringLiteral("tileOpen"), Figure::Open));
    nowLayout->addWidget(tile(QStringLiteral("tileOverdue"), Figure::Overdue));
    nowLayout->addWidget(tile(QStringLiteral("tileAwaitingParts"), Figure::AwaitingParts));
    nowLayout->addWidget(tile(QStringLiteral("tileNotCollected"), Figure::RepairedNotCollected));
    auto *period = new QGroupBox(QStringLiteral("期间内接货"), box);
    auto *periodLayout = new QHBoxLayout(period);
    periodLayout->addWidget(tile(QStringLiteral("tileReceived"), Figure::Received));
    periodLayout->addWidget(tile(QStringLiteral("tileRepaired"), Figure::Repaired));
    periodLayout->addWidget(tile(QStringLiteral("tileShipped"), Figure::Shipped));
    // The money of the period is made by the jobs received in it.
    m_totalTile = new QPushButton(period);
    m_totalTile->setObjectName(QStringLiteral("tileTotal"));
    m_totalTile->setMinimumSize(104, 52);
    m_totalTile->setFont(m_tiles.value(Figure::Received)->font());
    connect(m_totalTile, &QPushButton::clicked, this,
            [this] { openJobs(figureSource(Figure::Received, m_figures)); });
    keyToTile(m_totalTile);
    periodLayout->addWidget(m_totalTile);
    layout->addWidget(now);
    layout->addWidget(period);
    return box;
}

QWidget *StatisticsWindow::tables()
{
    auto *page = new QWidget(this);
    auto *layout = new QHBoxLayout(page);
    m_repairerView = figureView(m_repairers, QStringLiteral("tblRepairers"), page);
    m_brandView = figureView(m_brands, QStringLiteral("tblBrands"), page);
    connect(m_repairerView, &QTableView::activated, this, [this](const QModelIndex &index) {
        openJobs(repairerSource(m_repairers->nameAt(index.row()), m_figures));
    });
    connect(m_brandView, &QTableView::activated, this, [this](const QModelIndex &index) {
        openJobs(brandSource(m_brands->nameAt(index.row()), m_figures));
    });
    layout->addWidget(m_repairerView, 1);
    layout->addWidget(m_brandView, 1);
    return page;
}

QWidget *StatisticsWindow::charts()
{
    auto *page = new QWidget(this);
    auto *layout = new QGridLayout(page);
    m_monthly = chartView("chartMonthly", page);
    m_money = chartView("chartRepairerMoney", page);
    m_turnaround = chartView("chartTurnaround", page);
    layout->addWidget(m_monthly, 0, 0, 1, 2);
    layout->addWidget(m_money, 1, 0);
    layout->addWidget(m_turnaround, 1, 1);
    return page;
}

QWidget *StatisticsWindow::buttons()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [row, layout](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, row);
        b->setObjectName(QString::fromLatin1(name));
        layout->addWidget(b);
        return b;
    };
    layout->addStretch(1);
    connect(button(QStringLiteral("另存为 Excel(&E)..."), "cmdExcel"), &QPushButton::clicked, this,
            &StatisticsWindow::saveWorkbook);
    connect(button(QStringLiteral("打印(&P)..."), "cmdPrint"), &QPushButton::clicked, this, &StatisticsWindow::print);
    connect(button(QStringLiteral("另存为PDF(&F)..."), "cmdPdf"), &QPushButton::clicked, this,
            &StatisticsWindow::savePdf);
    connect(button(QStringLiteral("关闭(&C)"), "cmdClose"), &QPushButton::clicked, this, &QDialog::close);
    return row;
}

void StatisticsWindow::periodChosen()
{
    const auto kind = PeriodKind(m_period->currentData().toInt());
    if (kind != PeriodKind::Custom) {
        const Period p = periodOf(kind, common::clock().today());
        m_settingPeriod = true;
        m_from->setDate(p.from);
        m_to->setDate(p.to);
        m_settingPeriod = false;
    }
    recompute();
}

bool StatisticsWindow::recompute()
{
    return recompute(Quietly::No);
}

bool StatisticsWindow::recompute(Quietly quietly)
{
    Period period{m_from->date(), m_to->date()};
    if (period.from > period.to)
        std::swap(period.from, period.to);
    const common::Result<ShopFigures> computed = [&] {
        const common::BusyCursor busy;
        return computeFigures(m_workspace.recordSet().database(), period, common::clock().today(),
                              m_shop.settings.overdueDays);
    }();
    if (computed.failed() && quietly == Quietly::Yes) {
        // Coming back to the window is no time for a box: the figures stay
        // and say they are not up to date.
        m_leftOut->setText(QStringLiteral("统计没有更新：%1").arg(computed.error().text));
        m_leftOut->show();
        return false;
    }
    if (computed.failed()) {
        common::say(computed.error().reworded(QStringLiteral("统计没有算出：%1").arg(computed.error().text)), kTitle,
                    common::Icon::Warning);
        return false;
    }
    m_figures = *computed;
    showFigures();
    return true;
}

void StatisticsWindow::showFigures()
{
    const ShopFigures &f = m_figures;
    m_periodText->setText(periodText(f.period));
    const auto count = [](int n) { return QString::number(n); };
    m_tiles.value(Figure::Open)->setText(tileText(QStringLiteral("在修"), count(f.now.open)));
    m_tiles.value(Figure::Overdue)
        ->setText(tileText(QStringLiteral("超期未修"), count(f.now.overdue)));
    m_nowBox->setTitle(QStringLiteral("现在（超期：接货超过 %1 天未修）").arg(f.overdueDays));
    m_tiles.value(Figure::AwaitingParts)->setText(tileText(QStringLiteral("待配件"), count(f.now.awaitingParts)));
    m_tiles.value(Figure::RepairedNotCollected)
        ->setText(tileText(QStringLiteral("已修未取"), count(f.now.repairedNotCollected)));
    m_tiles.value(Figure::Received)->setText(tileText(QStringLiteral("接修"), count(f.inPeriod.received)));
    m_tiles.value(Figure::Repaired)->setText(tileText(QStringLiteral("已修"), count(f.inPeriod.repaired)));
    m_tiles.value(Figure::Shipped)->setText(tileText(QStringLiteral("已发货"), count(f.inPeriod.shipped)));
    m_totalTile->setText(tileText(QStringLiteral("合计金额"), common::moneyText(f.inPeriod.total)));
    m_repairers->showRepairers(f.repairers);
    m_brands->showBrands(f.brands);
    m_repairerView->resizeColumnsToContents();
    m_brandView->resizeColumnsToContents();
    replaceChart(m_monthly, monthlyChart(f.monthly, [this](const ChosenBar &bar) { openBar(bar); }));
    replaceChart(m_money, repairerMoneyChart(f.repairers, [this](const ChosenBar &bar) { openBar(bar); }));
    replaceChart(m_turnaround, turnaroundChart(f.turnaround));
    const QStringList notes = leftOutNotes(f.leftOut);
    m_leftOut->setText(notes.join(u'\n'));
    m_leftOut->setVisible(!notes.isEmpty());
}

void StatisticsWindow::openBar(const ChosenBar &bar)
{
    if (!bar.month.isValid()) {
        openJobs(repairerSource(bar.name, m_figures));
        return;
    }
    // A monthly bar: that brand's jobs received in that month.
    ShopFigures month = m_figures;
    month.period = {bar.month, bar.month.addMonths(1).addDays(-1)};
    openJobs(brandSource(bar.name, month));
}

void StatisticsWindow::openJobs(const QString &source)
{
    if (const auto applied = query::applyFilter(m_workspace, source); applied.failed()) {
        common::say(applied.error(), kTitle, common::Icon::Warning);
        return;
    }
    QWidget *workspace = m_workspace.workspaceWindow();
    workspace->raise();
    workspace->activateWindow();
}

bool StatisticsWindow::event(QEvent *event)
{
    // Back in front after another window had it: what was saved meanwhile
    // counts. The first activation follows the figures just worked out.
    if (event->type() == QEvent::WindowDeactivate)
        m_leftBehind = true;
    if (event->type() == QEvent::WindowActivate && m_leftBehind) {
        m_leftBehind = false;
        recompute(Quietly::Yes);
    }
    return QDialog::event(event);
}

void StatisticsWindow::saveWorkbook()
{
    reports::saveReportAs(QStringLiteral("另存为 Excel"), kTitle, QStringLiteral("xlsx"),
                          QStringLiteral("Excel 工作簿 (*.xlsx)"),
                          [this](const QString &path) { return writeStatisticsWorkbook(m_figures, path); });
}

void StatisticsWindow::savePdf()
{
    reports::saveReportAs(QStringLiteral("另存为PDF"), kTitle, QStringLiteral("pdf"), QStringLiteral("PDF 文件 (*.pdf)"),
                          [this](const QString &path) { return writeStatisticsPdf(m_figures, path); });
}

void StatisticsWindow::print()
{
    reports::printWithDialog(this, layoutStatistics(m_figures));
}

StatisticsWindow *openStatisticsWindow(common::WindowSlot<StatisticsWindow> &slot, query::RecordWorkspace &workspace,
                                       const common::ShopContext &shop)
{
    const common::BusyCursor busy;
    // Without a parent: a window kept above its parent would hide the jobs
    // a figure has just listed in the workspace. The slot's owner deletes it.
    return slot.show([&] { return new StatisticsWindow(workspace, shop, nullptr); });
}

} // namespace statistics
