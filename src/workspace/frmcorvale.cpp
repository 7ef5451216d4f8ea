#include "workspace/frmcorvale.h"

#include "common/clock.h"
#include "common/fonts.h"
#include "common/textrules.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "common/ui/typingguard.h"
#include "common/ui/widgets.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobwriter.h"
#include "statistics/ui/statisticswindow.h"
#include "store/recordset.h"
#include "workspace/aboutwindow.h"
#include "workspace/binder.h"
#include "workspace/commandrules.h"
#include "workspace/datacontrolbar.h"
#include "workspace/entryfilter.h"
#include "workspace/entryrules.h"
#include "workspace/jobgrid.h"
#include "workspace/lookupfills.h"
#include "workspace/lookups.h"
#include "workspace/photoview.h"
#include "workspace/recordcommands.h"
#include "workspace/workspaceform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QShowEvent>
#include <QUrl>
#include <QWindow>

namespace workspace {
namespace {

// Replaces a combo's list without touching the text it shows.
void setItems(QComboBox *c, const QStringList &items)
{
    const QSignalBlocker block(c);
    const QString text = c->currentText();
    c->clear();
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(text);
}

// The program's window behind a window of the platform; nullptr for a
// window of another program.
QWidget *topLevelOf(QWindow *window)
{
    if (!window)
        return nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window)
            return w;
    return nullptr;
}

QString noCurrentJobHint()
{
    return QStringLiteral("没有当前记录，不能输入：按“添加”(Alt+A) 新建一条记录，或在下面的表格中选一条。");
}

} // namespace

frmCorvale::frmCorvale(store::Database &db, const common::ShopContext &shop, QWidget *parent)
    : QMainWindow(parent), m_set(std::make_unique<store::RecordSet>(db)),
      m_writer(std::make_unique<store::JobWriter>(*m_set)), m_shop(shop)
{
    setObjectName(QStringLiteral("frmCorvale"));
    setWindowTitle(common::appTitle());
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));

    // The fields scroll where the screen is smaller than the form (a laptop
    // at 150 %); a larger window gives the grid the extra height.
    auto *client = new QWidget;
    client->setObjectName(QStringLiteral("client"));
    m_commands = WorkspaceCommands::create(this);
    m_controls = buildWorkspaceForm(client, new JobGrid(*m_set), m_shop.settings);
    setCentralWidget(client);
    statusBar()->setObjectName(QStringLiteral("statusHint"));

    connectCommands();
    buildMenus();
    bindButtons(m_controls, m_commands);

    m_binder = new Binder(*m_set, *m_writer, this);
    bindFields();
    m_photo = new PhotoView(*this);
    m_rules = new EntryRuleFilter(*this);
    m_fills = new LookupFills(*this);
    m_recordCommands = new RecordCommands(*this);
    connect(m_recordCommands, &RecordCommands::settingsRequested, this, &frmCorvale::settingsRequested);
    guardTyping();

    connect(m_set.get(), &store::RecordSet::repositioned, this, &frmCorvale::onRepositioned);
    connect(m_set.get(), &store::RecordSet::rowsReset, this, &frmCorvale::onRepositioned);
    // A fill that saves the repaired flag shows in 已经修否 at once.
    connect(m_set.get(), &store::RecordSet::rowChanged, this, [this](int row) {
        if (row == m_set->absolutePosition())
            showRepaired();
    });
    connect(m_controls.grid, &JobGrid::rowChosen, this, &frmCorvale::onRowChosen);
    connect(m_controls.grid, &JobGrid::stepRequested, this, &frmCorvale::step);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmCorvale::onFocusWindowChanged);
    // Wherever the focus goes in a form scrolled out of sight (Tab, a refused
    // save putting the clerk back in the field), the field is brought into view.
    auto *fields = client->findChild<QScrollArea *>(QStringLiteral("clientScroll"));
    connect(qApp, &QApplication::focusChanged, this, [fields](QWidget *, QWidget *now) {
        if (now && fields->widget()->isAncestorOf(now))
            fields->ensureWidgetVisible(now);
    });

    // Load: today's date, table view.
    m_controls.lblNowDate->setText(common::shortDate(common::clock().today()));
    m_photo->showTableView();

    if (const auto err = m_set->setRecordSource(store::tableName()); err.failed())
        reportStoreFailure(err.error());
    onRepositioned();
}

frmCorvale::~frmCorvale()
{
    // Nothing may call back into this window while its widgets are torn down,
    // and the binder and the grid go before the set they watch.
    disconnect(qApp, nullptr, this, nullptr);
    m_about.reset();
    m_statistics.reset();
    delete m_recordCommands;
    delete m_binder;
    m_binder = nullptr;
    delete takeCentralWidget();
}

void frmCorvale::connectCommands()
{
    const WorkspaceCommands &k = m_commands;
    // Only a program working on a shop's server has somewhere to move to.
    k.moveToServer->setEnabled(m_set->database().engine() == store::Engine::PostgreSQL);
    connect(k.exit, &QAction::triggered, this, &QWidget::close);
    connect(k.moveToServer, &QAction::triggered, this, &frmCorvale::moveToServerRequested);
    connect(k.restoreBackup, &QAction::triggered, this, &frmCorvale::restoreRequested);
    for (const auto &[settingsAction, page] : k.settingsPages())
        connect(settingsAction, &QAction::triggered, this, [this, page = page] { emit settingsRequested(page); });
    connect(k.helpDownload, &QAction::triggered, this, [this] { openHelp(m_shop.settings.manualUrl); });
    connect(k.companyWeb, &QAction::triggered, this, [this] { openHelp(m_shop.settings.companyUrl); });
    connect(k.about, &QAction::triggered, this, &frmCorvale::showAbout);
    connect(k.statistics, &QAction::triggered, this,
            [this] { statistics::openStatisticsWindow(m_statistics, *this, m_shop); });
}

void frmCorvale::buildMenus()
{
    const WorkspaceCommands &k = m_commands;
    QMenuBar *bar = menuBar();
    QMenu *data = bar->addMenu(QStringLiteral("数据修改(&M)"));
    data->setObjectName(QStringLiteral("mnuData"));
    data->addActions({k.append, k.deleteJob, k.sort, k.findNumber, k.search, k.print, k.refresh});

    QMenu *advanced = bar->addMenu(QStringLiteral("高级功能"));
    advanced->setObjectName(QStringLiteral("mnuAdvanced"));
    advanced->addAction(k.copy);
    advanced->addAction(k.moveToServer);
    advanced->addAction(k.restoreBackup);

    QMenu *basics = bar->addMenu(QStringLiteral("基础资料设置(&B)"));
    basics->setObjectName(QStringLiteral("mnuBasics"));
    for (const auto &[settingsAction, page] : k.settingsPages())
        basics->addAction(settingsAction);

    QMenu *other = bar->addMenu(QStringLiteral("其它(&O)"));
    other->setObjectName(QStringLiteral("mnuOther"));
    other->addActions({k.viewImage, k.viewTable});

    QMenu *statistics = bar->addMenu(QStringLiteral("统计(&T)"));
    statistics->setObjectName(QStringLiteral("mnuStatistics"));
    statistics->addAction(k.statistics);

    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->addActions({k.helpDownload, k.companyWeb, k.about});

    bar->addAction(k.exit);
}

void frmCorvale::bindFields()
{
    const WorkspaceControls &c = m_controls;
    for (auto it = c.txtInfo.cbegin(); it != c.txtInfo.cend(); ++it)
        m_binder->bind(it.value(), txtInfoField(it.key()));
    const QList<QPair<QComboBox *, const char *>> combos = {
        {c.cboAera, "地区"},       {c.cboMail, "邮编"},          {c.cboType, "型号"},
        {c.cboBiaoXiu, "保修期"},  {c.cboMessage, "信息来源"},    {c.Combo10, "备注"},
        {c.Combo4, "故障修理"},    {c.Combo9, "检修结果"},        {c.Combo8, "修理内容"},
        {c.cboRepairType, "维修类别"}, {c.cboPeople, "修理人员"}, {c.cboSendIn, "运来者1"},
        {c.cboSendOut, "运去者1"}, {c.Combo13, "配件"},           {c.cboReg, "是否申请"}};
    for (const auto &[box, field] : combos)
        m_binder->bind(box, QString::fromUtf8(field));
    const QList<QPair<QLineEdit *, const char *>> edits = {
        {c.txtCode, "代码"}, {c.txtTingsCode, "物料代码"}, {c.sum3, "合计"},
        {c.Timer, "开票时间"}, {c.txtPhoto, "Photo"}};
    for (const auto &[edit, field] : edits)
        m_binder->bind(edit, QString::fromUtf8(field));
    m_binder->bind(c.chkDisplay, QStringLiteral("已修否"));
    m_binder->bindReadOnly(c.lblAutoNumber, QStringLiteral("编号"));
}

void frmCorvale::guardTyping()
{
    // Made last, so it sees the fields' keys before the entry rules and the binder.
    m_typing = new common::TypingGuard(this);
    for (QComboBox *box : centralWidget()->findChildren<QComboBox *>())
        m_typing->guard(box);
    for (QLineEdit *edit : centralWidget()->findChildren<QLineEdit *>())
        if (!qobject_cast<QComboBox *>(edit->parent()))
            m_typing->guard(edit);
}

std::optional<qint16> frmCorvale::currentJobNumber() const
{
    if (!m_set->hasCurrent())
        return std::nullopt;
    const QVariant v = m_set->value(QStringLiteral("编号"));
    if (v.isNull())
        return std::nullopt;
    return qint16(v.toInt());
}

void frmCorvale::markFilter() { common::setBackColor(m_controls.cmdSearch, common::filterMarkColor()); }

query::FilterCommands frmCorvale::filterCommands()
{
    return {m_commands.append, m_commands.deleteJob, m_commands.copy, m_commands.refresh};
}

bool frmCorvale::saveNow()
{
    if (const auto err = m_binder->writePendingEdits(); err.failed()) {
        reportStoreFailure(err.error());
        return false;
    }
    return true;
}

void frmCorvale::reportStoreFailure(const common::Error &err, const QString &whatFailed)
{
    if (err.code == store::code::FieldTooSmall)
        common::say(QStringLiteral("字段太小而不能接受输入的数据，请重新输入！"), QStringLiteral("警告"),
                    common::Icon::Critical);
    else
        common::say(storeFailureText(whatFailed, err.text, !m_binder->pendingFields().isEmpty()),
                    QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, err.detail);
    // What was typed is still there: the clerk corrects it where it is.
    m_binder->focusField(err.field);
}

bool frmCorvale::step(Step step)
{
    if (m_set->recordCount() == 0)
        return true;
    const auto moved = [this](common::Result<void> result) {
        if (result.failed() && result.error().code != store::code::NoCurrentRecord) {
            reportStoreFailure(result.error());
            return false;
        }
        return true;
    };
    bool left = false;
    switch (step) {
    case Step::First: left = moved(m_set->moveFirst()); break;
    case Step::Previous: left = moved(m_set->movePrevious()); break;
    case Step::Next: left = moved(m_set->moveNext()); break;
    case Step::Last: left = moved(m_set->moveLast()); break;
    }
    if (left && m_set->eof())
        return moved(m_set->moveLast());
    if (left && m_set->bof())
        return moved(m_set->moveFirst());
    return left;
}

void frmCorvale::pageDown()
{
    // A row that cannot be left keeps the focus where the refusal put it.
    if (step(Step::Next))
        txtInfo(0)->setFocus();
}

void frmCorvale::pageUp()
{
    if (step(Step::Previous))
        txtInfo(0)->setFocus();
}

void frmCorvale::activate()
{
    if (m_set->recordCount() == 0 || m_closing)
        return;
    if (const auto err = m_set->moveLast(); err.failed()) {
        reportStoreFailure(err.error());
        return;
    }
    if (auto n = currentJobNumber())
        m_txtNewID = *n;
    txtInfo(0)->setFocus();
}

void frmCorvale::onFocusWindowChanged(QWindow *window)
{
    // Decided as the focus moves, while the window it moves to still exists:
    // a box closing later leaves nothing behind to be asked about.
    QWidget *widget = topLevelOf(window);
    if (!widget)
        return; // another program, or no window of ours
    if (widget == this) {
        if (std::exchange(m_backFromProgramWindow, false))
            activate();
        return;
    }
    if (common::isProgramWindow(widget))
        m_backFromProgramWindow = true;
}

void frmCorvale::onRepositioned()
{
    m_controls.lblRecordNo->setText(QString::number(m_set->recordCount()));
    showRepaired();
    m_controls.grid->followCurrentRow();
    showWhetherFieldsTakeInput();
}

void frmCorvale::showRepaired()
{
    if (!m_set->hasCurrent())
        return;
    const QVariant repaired = m_set->value(QStringLiteral("已修否"));
    if (repaired.isNull())
        return;
    const QSignalBlocker block(m_controls.cboRepair);
    m_controls.cboRepair->setEditText(repaired.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否"));
}

QList<QWidget *> frmCorvale::inputFields() const
{
    const WorkspaceControls &c = m_controls;
    return {c.FraBaseDate, c.Frame2, c.Frame1, c.FraPrice, c.Timer, c.txtPhoto, c.cmdChangePhoto, c.Command3,
            c.chkDisplay};
}

void frmCorvale::showWhetherFieldsTakeInput()
{
    const bool current = m_set->hasCurrent();
    for (QWidget *w : inputFields())
        w->setEnabled(current);
    if (current)
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(noCurrentJobHint());
}

void frmCorvale::onRowChosen(int row)
{
    if (const auto err = m_set->moveTo(row); err.failed()) {
        reportStoreFailure(err.error());
        // The row was not left: the grid goes back to it.
        QMetaObject::invokeMethod(this, &frmCorvale::onRepositioned, Qt::QueuedConnection);
    }
}

void frmCorvale::applySettings()
{
    const common::SiteSettings &settings = m_shop.settings;
    const WorkspaceControls &c = m_controls;
    setItems(c.cboPeople, settings.repairers);
    setItems(c.cboSendIn, settings.broughtIn);
    setItems(c.cboSendOut, settings.takenBack);
    setItems(c.cboType, settings.models);
    setItems(c.cboRepairType, settings.repairTypes);
    setItems(c.Combo13, settings.parts);
    setItems(c.cboMessage, settings.messageSources);
}

void frmCorvale::openHelp(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}

void frmCorvale::showAbout()
{
    AboutWindow *about = m_about.ensure([this] { return new AboutWindow(this, m_shop); });
    // Centred over the workspace, not wherever the desktop puts a new window.
    about->move(geometry().center() - about->rect().center());
    about->show();
    about->raise();
    about->activateWindow();
}

void frmCorvale::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The first showing counts as an activation even where no window manager
    // hands the window the focus.
    if (!m_shownOnce && !event->spontaneous()) {
        m_shownOnce = true;
        // As the form was drawn, or as much of it as the screen has room for.
        const QSize form = centralWidget()->sizeHint();
        common::fitOnScreen(this, {form.width(), form.height() + menuBar()->sizeHint().height()
                                                      + statusBar()->sizeHint().height()});
        activate();
    }
}

void frmCorvale::closeEvent(QCloseEvent *event)
{
    // Nothing typed is lost unless the clerk chooses to drop it.
    if (const auto err = m_binder->writePendingEdits(); err.failed()) {
        const common::Answer answer =
            common::say(QStringLiteral("记录未能保存：%1\n放弃修改并退出吗？").arg(err.error().text), QStringLiteral("警告"),
                        common::Icon::Question, common::Buttons::YesNo, err.error().detail);
        if (answer != common::Answer::Yes) {
            event->ignore();
            m_binder->focusField(err.error().field);
            return;
        }
        m_binder->discardPendingEdits();
    }
    m_closing = true;
    event->accept();
    emit closed();
}

} // namespace workspace
