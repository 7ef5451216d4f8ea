#include "workspace/frmcorvale.h"

#include "common/clock.h"
#include "common/fonts.h"
#include "common/textrules.h"
#include "common/twips.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/ui/widgets.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/jobwriter.h"
#include "store/recordset.h"
#include "store/recordsetmodel.h"
#include "workspace/aboutwindow.h"
#include "workspace/binder.h"
#include "workspace/commandrules.h"
#include "workspace/datacontrolbar.h"
#include "workspace/entryfilter.h"
#include "workspace/entryrules.h"
#include "workspace/gridmodel.h"
#include "workspace/lookupfills.h"
#include "workspace/lookups.h"
#include "workspace/photoview.h"
#include "workspace/recordcommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QUrl>
#include <QWindow>

namespace workspace {
namespace {

const QString kFrameTip = QStringLiteral("按TAB键，移到下一个字段！");

// One labelled control in a row of a frame; width 0 takes the rest of the row.
struct Cell {
    QString caption;
    QWidget *control;
    int width;
};

void placeRow(QWidget *frame, int y, const QList<Cell> &cells, int gap = 6)
{
    constexpr int left = 8, height = 22;
    const int right = frame->width() - 8;
    int x = left;
    for (const Cell &c : cells) {
        auto *label = new QLabel(c.caption, frame);
        const int lw = label->fontMetrics().horizontalAdvance(c.caption) + 4;
        label->setGeometry(x, y, lw, height);
        x += lw;
        const int w = c.width > 0 ? c.width : right - x;
        c.control->setGeometry(x, y, w, height);
        label->setBuddy(c.control);
        x += w + gap;
    }
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QRect rect)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(rect);
    f->setToolTip(kFrameTip);
    return f;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

// The list's rows are measured by the Latin face, shorter than the Chinese
// one that draws them; without room they run into each other. A delegate,
// not a style sheet: sheets on eighteen lists cost a tenth of start-up.
class RoomyRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize hint = QStyledItemDelegate::sizeHint(option, index);
        return {hint.width(), std::max(hint.height(), 20)};
    }
};

QComboBox *combo(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    c->setMaxVisibleItems(16);
    c->setItemDelegate(new RoomyRowDelegate(c));
    return c;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect rect)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(rect);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QString &tip)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    common::setBackColor(b, common::buttonColor());
    return b;
}

QAction *action(QObject *parent, const char *name, const QString &text)
{
    auto *a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

// The button runs its command's action and is enabled with it. Its access
// key moves to the action: a button's own access key clicks it a moment
// later (an animated click), and keys typed meanwhile would reach the row
// the command is about to leave.
void bindButton(QPushButton *b, QAction *a)
{
    const QKeySequence key = QKeySequence::mnemonic(b->text());
    b->setShortcut(QKeySequence());
    if (a->shortcut().isEmpty())
        a->setShortcut(key);
    QObject::connect(b, &QPushButton::clicked, a, &QAction::trigger);
    QObject::connect(a, &QAction::enabledChanged, b, &QWidget::setEnabled);
    b->setEnabled(a->isEnabled());
}

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

} // namespace

frmCorvale::frmCorvale(store::Database &db, const common::ShopContext &shop, QWidget *parent)
    : QMainWindow(parent), m_set(std::make_unique<store::RecordSet>(db)),
      m_writer(std::make_unique<store::JobWriter>(*m_set)), m_shop(shop)
{
    setObjectName(QStringLiteral("frmCorvale"));
    setWindowTitle(common::appTitle());
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(common::px(10800), common::px(8145));
    setCentralWidget(client);

    buildStatusLine(client);
    buildFrames(client);
    buildPhotoControls(client);
    buildButtons(client);
    buildGrid(client);
    buildCommands();
    buildMenus();
    bindButtons();
    arrangeTabOrder();

    m_binder = new Binder(*m_set, *m_writer, this);
    bindFields();
    m_photo = new PhotoView(*this);
    m_rules = new EntryRuleFilter(*this);
    m_fills = new LookupFills(*this);
    m_recordCommands = new RecordCommands(*this);

    connect(m_set.get(), &store::RecordSet::repositioned, this, &frmCorvale::onRepositioned);
    connect(m_set.get(), &store::RecordSet::rowsReset, this, &frmCorvale::onRepositioned);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmCorvale::onFocusWindowChanged);

    // Load: today's date, table view.
    m_controls.lblNowDate->setText(common::shortDate(common::clock().today()));
    m_photo->showTableView();

    layout()->setSizeConstraint(QLayout::SetFixedSize);

    if (const auto err = m_set->setRecordSource(store::tableName()); err.failed())
        reportStoreFailure(err.error());
    onRepositioned();
}

frmCorvale::~frmCorvale()
{
    // Nothing may call back into this window while its widgets are torn down,
    // and the binder and the grid model go before the set they watch.
    disconnect(qApp, nullptr, this, nullptr);
    m_controls.dbgrdDataBase->verticalScrollBar()->disconnect(this);
    m_controls.dbgrdDataBase->selectionModel()->disconnect(this);
    m_about.reset();
    delete m_recordCommands;
    m_controls.dbgrdDataBase->setModel(nullptr);
    delete m_binder;
    m_binder = nullptr;
}

void frmCorvale::buildStatusLine(QWidget *client)
{
    using common::twipRect;
    WorkspaceControls &c = m_controls;
    label(client, "lblCustomerNumber", QStringLiteral("客户编号:"), twipRect(120, 435, 1440, 285));
    c.lblAutoNumber = label(client, "lblAutoNumber", QString(), twipRect(1650, 420, 1185, 285));
    c.lblAutoNumber->setFrameShape(QFrame::Panel);
    c.lblAutoNumber->setFrameShadow(QFrame::Sunken);
    label(client, "lblCurrentDate", QStringLiteral("当前日期："), twipRect(4320, 105, 1590, 285));
    c.lblNowDate = label(client, "lblNowDate", QString(), twipRect(5820, 135, 960, 285));
    label(client, "lblRecordNumber", QStringLiteral("总记录数："), twipRect(4320, 480, 1590, 285));
    c.lblRecordNo = label(client, "lblRecordNo", QString(), twipRect(5835, 480, 1065, 285));
    label(client, "Label1", QStringLiteral("开票时间："), twipRect(7950, 150, 1365, 285));
    c.Timer = lineEdit(client, QStringLiteral("Timer"));
    c.Timer->setGeometry(twipRect(9435, 165, 1185, 315));
    c.cmdCopy = button(client, "cmdCopy", QStringLiteral("复 制 记 录"), QStringLiteral("把当前记录复制到新记录里"));
    c.cmdCopy->setGeometry(twipRect(9285, 510, 1110, 315));
}

void frmCorvale::buildFrames(QWidget *client)
{
    using common::twipRect;
    WorkspaceControls &c = m_controls;
    const auto info = [&c](QWidget *parent, int i) {
        QLineEdit *e = lineEdit(parent, QStringLiteral("txtInfo_%1").arg(i));
        c.txtInfo.insert(i, e);
        return e;
    };

    c.FraBaseDate = frame(client, "FraBaseDate", QStringLiteral("基本信息"), twipRect(165, 870, 8800, 2295));
    QWidget *base = c.FraBaseDate;
    QLineEdit *t0 = info(base, 0), *t1 = info(base, 1), *t2 = info(base, 2), *t4 = info(base, 4),
              *t3 = info(base, 3);
    c.cboAera = combo(base, QStringLiteral("cboAera"), districts());
    c.cboMail = combo(base, QStringLiteral("cboMail"), postcodes());
    c.cboType = combo(base, QStringLiteral("cboType"), m_shop.settings.models);
    QLineEdit *t8 = info(base, 8), *t5 = info(base, 5), *t6 = info(base, 6), *t7 = info(base, 7);
    c.cboBiaoXiu = combo(base, QStringLiteral("cboBiaoXiu"), warrantyPeriods());
    QLineEdit *t12 = info(base, 12), *t13 = info(base, 13);
    c.cboMessage = combo(base, QStringLiteral("cboMessage"), m_shop.settings.messageSources);
    c.Combo10 = combo(base, QStringLiteral("Combo10"), remarks());
    placeRow(base, 20, {{QStringLiteral("姓名"), t0, 130}, {QStringLiteral("地址"), t1, 0}});
    placeRow(base, 46, {{QStringLiteral("电话"), t2, 130}, {QStringLiteral("手机"), t4, 130},
                        {QStringLiteral("购店"), t3, 0}});
    placeRow(base, 72, {{QStringLiteral("地区"), c.cboAera, 80}, {QStringLiteral("邮编"), c.cboMail, 80},
                        {QStringLiteral("型号"), c.cboType, 150}, {QStringLiteral("编号"), t8, 0}});
    placeRow(base, 98, {{QStringLiteral("购期"), t5, 90}, {QStringLiteral("票号"), t6, 130},
                        {QStringLiteral("出期"), t7, 90}, {QStringLiteral("保修期"), c.cboBiaoXiu, 0}});
    placeRow(base, 124, {{QStringLiteral("接期"), t12, 84}, {QStringLiteral("发期"), t13, 84},
                         {QStringLiteral("信息来源"), c.cboMessage, 80}, {QStringLiteral("备注"), c.Combo10, 0}});

    c.Frame2 = frame(client, "Frame2", QStringLiteral("修理与人员"), twipRect(165, 3135, 8800, 1200));
    QWidget *repair = c.Frame2;
    c.Combo4 = combo(repair, QStringLiteral("Combo4"), faults());
    c.Combo9 = combo(repair, QStringLiteral("Combo9"), findings());
    c.Combo8 = combo(repair, QStringLiteral("Combo8"), repairContents());
    c.txtCode = lineEdit(repair, QStringLiteral("txtCode"));
    c.cboRepairType = combo(repair, QStringLiteral("cboRepairType"), m_shop.settings.repairTypes);
    c.cboPeople = combo(repair, QStringLiteral("cboPeople"), m_shop.settings.repairers);
    c.cboSendIn = combo(repair, QStringLiteral("cboSendIn"), m_shop.settings.broughtIn);
    c.cboSendOut = combo(repair, QStringLiteral("cboSendOut"), m_shop.settings.takenBack);
    c.cboRepair = combo(repair, QStringLiteral("cboRepair"), repairedAnswers());
    placeRow(repair, 20, {{QStringLiteral("故障"), c.Combo4, 100}, {QStringLiteral("检修"), c.Combo9, 150},
                          {QStringLiteral("修理"), c.Combo8, 110}, {QStringLiteral("维修代码"), c.txtCode, 0}});
    placeRow(repair, 50, {{QStringLiteral("维修类别"), c.cboRepairType, 70}, {QStringLiteral("修员"), c.cboPeople, 80},
                          {QStringLiteral("运来"), c.cboSendIn, 80}, {QStringLiteral("运去"), c.cboSendOut, 80},
                          {QStringLiteral("已经修否"), c.cboRepair, 0}});

    c.Frame1 = frame(client, "Frame1", QStringLiteral("配件"), twipRect(165, 4305, 8800, 780));
    QWidget *parts = c.Frame1;
    c.Combo13 = combo(parts, QStringLiteral("Combo13"), m_shop.settings.parts);
    c.txtTingsCode = lineEdit(parts, QStringLiteral("txtTingsCode"));
    QLineEdit *t9 = info(parts, 9);
    t9->setToolTip(QStringLiteral("一旦填了,就不能删除！"));
    c.cboReg = combo(parts, QStringLiteral("cboReg"), yesNo());
    placeRow(parts, 22, {{QStringLiteral("申请配件"), c.Combo13, 110}, {QStringLiteral("物料代码"), c.txtTingsCode, 90},
                         {QStringLiteral("到货日期"), t9, 90}, {QStringLiteral("是否申请"), c.cboReg, 0}});

    c.FraPrice = frame(client, "FraPrice", QStringLiteral("修理费用"), twipRect(165, 5055, 8800, 720));
    QList<Cell> fees;
    const QList<QPair<int, QString>> feeFields = {
        {21, QStringLiteral("里程数")}, {22, QStringLiteral("上门费")}, {23, QStringLiteral("维修费")},
        {24, QStringLiteral("车补费")}, {25, QStringLiteral("差旅费")}, {26, QStringLiteral("搬运费")}};
    for (const auto &[index, caption] : feeFields)
        fees << Cell{caption, info(c.FraPrice, index), 38};
    c.sum3 = lineEdit(c.FraPrice, QStringLiteral("sum3"));
    c.sum3->setToolTip(QStringLiteral("点击即可求和！"));
    fees << Cell{QStringLiteral("合 计"), c.sum3, 0};
    // Narrow gaps leave 合计 room for a five-digit total.
    placeRow(c.FraPrice, 18, fees, 2);
}

void frmCorvale::buildPhotoControls(QWidget *client)
{
    // In image view the photo controls take the parts frame's place; the
    // other frames stay, so the clerk still sees and edits the job.
    WorkspaceControls &c = m_controls;
    const QRect parts = common::twipRect(165, 4305, 8800, 780);
    c.Image1 = new QLabel(client);
    c.Image1->setObjectName(QStringLiteral("Image1"));
    c.Image1->setGeometry(parts.x(), parts.y() + 2, 120, parts.height() - 4);
    c.Image1->setAlignment(Qt::AlignCenter);
    c.Image1->setFrameShape(QFrame::StyledPanel);
    c.Image1->setToolTip(QStringLiteral("最近选择的照片"));
    const int x = parts.x() + 128;
    c.txtPhoto = lineEdit(client, QStringLiteral("txtPhoto"));
    c.txtPhoto->setGeometry(x, parts.y() + 16, parts.right() - x - 176, 22);
    c.cmdChangePhoto = new QPushButton(QStringLiteral("更换照片"), client);
    c.cmdChangePhoto->setObjectName(QStringLiteral("cmdChangePhoto"));
    c.cmdChangePhoto->setGeometry(parts.right() - 170, parts.y() + 14, 84, 26);
    c.Command3 = new QPushButton(QStringLiteral("清空"), client);
    c.Command3->setObjectName(QStringLiteral("Command3"));
    c.Command3->setGeometry(parts.right() - 80, parts.y() + 14, 76, 26);
}

void frmCorvale::buildButtons(QWidget *client)
{
    WorkspaceControls &c = m_controls;
    QGroupBox *mend = frame(client, "frmDataMend", QStringLiteral("数据修改"), common::twipRect(8970, 840, 1740, 4950));
    c.cmdAppend = button(mend, "cmdAppend", QStringLiteral("添    加(&A)"), QStringLiteral("当前记录后增加一条，编号+1"));
    c.cmdDeleted = button(mend, "cmdDeleted", QStringLiteral("删    除(&D)"), QStringLiteral("删除当前的记录"));
    c.cmdSerial = button(mend, "cmdSerial", QStringLiteral("排序(&S)..."), QStringLiteral("按照字段排序"));
    c.cmdFind = button(mend, "cmdFind", QStringLiteral("编号查询(&N)"), QStringLiteral("按编号查询"));
    c.cmdSearch = button(mend, "cmdSearch", QStringLiteral("信息查询(&I)"), QStringLiteral("模糊查询"));
    c.cmdPrint = button(mend, "cmdPrint", QStringLiteral("打印(&P)..."), QStringLiteral("打印工作单、报表"));
    c.cmdRenovation = button(mend, "cmdRenovation", QStringLiteral("刷    新(&R)"), QStringLiteral("刷新记录"));
    c.cmdExit = button(mend, "cmdExit", QStringLiteral("退    出(&X)"), QStringLiteral("退出系统"));

    const QList<QPushButton *> stack = {c.cmdAppend, c.cmdDeleted, c.cmdSerial, c.cmdFind,
                                        c.cmdSearch, c.cmdPrint, c.cmdRenovation, c.cmdExit};
    const int w = common::px(1215), h = common::px(375);
    const int step = (mend->height() - 28) / int(stack.size());
    int y = 24;
    for (QPushButton *b : stack) {
        b->setGeometry((mend->width() - w) / 2, y + (step - h) / 2, w, h);
        y += step;
    }
}

void frmCorvale::buildGrid(QWidget *client)
{
    WorkspaceControls &c = m_controls;
    const QStringList columns = {
        QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地址"),
        QStringLiteral("宅电"), QStringLiteral("移动电话"), QStringLiteral("已修否"),
        QStringLiteral("接货日期"), QStringLiteral("修理人员"), QStringLiteral("制冷者"),
        QStringLiteral("小修者"), QStringLiteral("钣金者")};
    m_model = new store::RecordSetModel(*m_set, columns, this);
    QTableView *grid = c.dbgrdDataBase = new QTableView(client);
    grid->setObjectName(QStringLiteral("dbgrdDataBase"));
    grid->setGeometry(common::twipRect(150, 5805, 10545, 1965));
    grid->setModel(new YesNoColumnModel(m_model, columns.indexOf(QStringLiteral("已修否")), this));
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the next control instead of walking its cells.
    grid->setTabKeyNavigation(false);
    // Header and rows sized so the repaired box, placed 500 twips below the
    // grid's top plus whole rows, sits in the middle of the current row.
    grid->horizontalHeader()->setFixedHeight(30);
    grid->verticalHeader()->setMinimumSectionSize(20);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->verticalHeader()->setFixedWidth(16);
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (current.row() != previous.row() && current.isValid()
                    && current.row() != m_set->absolutePosition()) {
                    if (const auto err = m_set->moveTo(current.row()); err.failed()) {
                        reportStoreFailure(err.error());
                        // The row was not left: the grid goes back to it.
                        QMetaObject::invokeMethod(this, &frmCorvale::onRepositioned, Qt::QueuedConnection);
                    }
                }
                onGridRowChanged();
            });
    connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmCorvale::onGridRowChanged);

    c.DatCustomer = new DataControlBar(client);
    c.DatCustomer->setObjectName(QStringLiteral("DatCustomer"));
    c.DatCustomer->setGeometry(common::twipRect(150, 7740, 10500, 375));
    c.DatCustomer->setCaption(QStringLiteral("显示记录"));
    QPalette p = c.DatCustomer->palette();
    p.setColor(QPalette::Window, QColor(255, 192, 192));
    p.setColor(QPalette::WindowText, QColor(64, 64, 64));
    p.setColor(QPalette::Button, QColor(255, 192, 192));
    c.DatCustomer->setPalette(p);
    c.DatCustomer->setAutoFillBackground(true);
    connect(c.DatCustomer, &DataControlBar::firstClicked, this, [this] { moveGuarded(&store::RecordSet::moveFirst); });
    connect(c.DatCustomer, &DataControlBar::lastClicked, this, [this] { moveGuarded(&store::RecordSet::moveLast); });
    connect(c.DatCustomer, &DataControlBar::nextClicked, this, [this] {
        moveGuarded(&store::RecordSet::moveNext);
        if (m_set->eof() && m_set->recordCount() > 0)
            moveGuarded(&store::RecordSet::moveLast);
    });
    connect(c.DatCustomer, &DataControlBar::previousClicked, this, [this] {
        moveGuarded(&store::RecordSet::movePrevious);
        if (m_set->bof() && m_set->recordCount() > 0)
            moveGuarded(&store::RecordSet::moveFirst);
    });

    c.chkDisplay = new QCheckBox(client);
    c.chkDisplay->setObjectName(QStringLiteral("chkDisplay"));
    // 195 twips square; the style's indicator needs a little more to be drawn whole.
    const QRect box = common::twipRect(8055, 6315, 195, 195);
    c.chkDisplay->setGeometry(box.x(), box.y(), 16, 16);
    c.chkDisplay->raise();
}

void frmCorvale::buildCommands()
{
    WorkspaceCommands &k = m_commands;
    k.append = action(this, "append", QStringLiteral("添加"));
    k.deleteJob = action(this, "delete", QStringLiteral("删除"));
    k.sort = action(this, "serial", QStringLiteral("排序"));
    k.findNumber = action(this, "findNumber", QStringLiteral("编号查询"));
    k.search = action(this, "Search", QStringLiteral("信息查询"));
    k.print = action(this, "Print", QStringLiteral("打印"));
    k.refresh = action(this, "Refresh", QStringLiteral("刷新"));
    k.copy = action(this, "CopyRecord", QStringLiteral("复制记录"));
    k.exit = action(this, "ExitSys", QStringLiteral("退出系统(&X)"));
    k.moveToServer = action(this, "MoveToServer", QStringLiteral("把本机数据移到服务器…"));
    // Only a program working on a shop's server has somewhere to move to.
    k.moveToServer->setEnabled(m_set->database().engine() == store::Engine::PostgreSQL);
    k.restoreBackup = action(this, "RestoreBackup", QStringLiteral("从备份恢复…"));
    k.viewImage = action(this, "ViewImage", QStringLiteral("显示图像"));
    k.viewImage->setCheckable(true);
    k.viewTable = action(this, "ViewTable", QStringLiteral("显示表格"));
    k.viewTable->setCheckable(true);
    k.helpDownload = action(this, "HelpDownload", QStringLiteral("说明书下载"));
    k.companyWeb = action(this, "CompanyWeb", QStringLiteral("公司网站"));
    k.about = action(this, "About", QStringLiteral("关于本软件"));

    connect(k.exit, &QAction::triggered, this, &QWidget::close);
    connect(k.moveToServer, &QAction::triggered, this, &frmCorvale::moveToServerRequested);
    connect(k.restoreBackup, &QAction::triggered, this, &frmCorvale::restoreRequested);
    connect(k.helpDownload, &QAction::triggered, this, [this] { openHelp(m_shop.settings.manualUrl); });
    connect(k.companyWeb, &QAction::triggered, this, [this] { openHelp(m_shop.settings.companyUrl); });
    connect(k.about, &QAction::triggered, this, &frmCorvale::showAbout);
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
    const QList<QPair<const char *, QString>> pages = {
        {"WorkerSer", QStringLiteral("员工设置")},       {"TypeSet", QStringLiteral("型号设置")},
        {"RepairType", QStringLiteral("维修类别设置")},  {"PeiJianSet", QStringLiteral("申请配件设置")},
        {"MessageSet", QStringLiteral("信息来源设置")}};
    for (int i = 0; i < pages.size(); ++i) {
        QAction *page = action(basics, pages[i].first, pages[i].second);
        basics->addAction(page);
        connect(page, &QAction::triggered, this, [this, i] { emit settingsRequested(i); });
    }

    QMenu *other = bar->addMenu(QStringLiteral("其它(&O)"));
    other->setObjectName(QStringLiteral("mnuOther"));
    other->addActions({k.viewImage, k.viewTable});

    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->addActions({k.helpDownload, k.companyWeb, k.about});

    bar->addAction(k.exit);
}

void frmCorvale::bindButtons()
{
    const WorkspaceControls &c = m_controls;
    const WorkspaceCommands &k = m_commands;
    bindButton(c.cmdAppend, k.append);
    bindButton(c.cmdDeleted, k.deleteJob);
    bindButton(c.cmdSerial, k.sort);
    bindButton(c.cmdFind, k.findNumber);
    bindButton(c.cmdSearch, k.search);
    bindButton(c.cmdPrint, k.print);
    bindButton(c.cmdRenovation, k.refresh);
    // Alt+X is the 退出系统 menu's own key (the same action); a second owner
    // would leave it doing nothing.
    c.cmdExit->setShortcut(QKeySequence());
    QObject::connect(c.cmdExit, &QPushButton::clicked, k.exit, &QAction::trigger);
    bindButton(c.cmdCopy, k.copy);
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

void frmCorvale::arrangeTabOrder()
{
    // The fields in their reading order, then the ticket time and the copy
    // button of the status line, the command column and the grid.
    const WorkspaceControls &c = m_controls;
    const QList<QWidget *> order = {
        c.info(0), c.info(1), c.info(2), c.info(4), c.info(3), c.cboAera, c.cboMail, c.cboType, c.info(8),
        c.info(5), c.info(6), c.info(7), c.cboBiaoXiu, c.info(12), c.info(13), c.cboMessage, c.Combo10,
        c.Combo4, c.Combo9, c.Combo8, c.txtCode, c.cboRepairType, c.cboPeople, c.cboSendIn, c.cboSendOut,
        c.cboRepair, c.Combo13, c.txtTingsCode, c.info(9), c.cboReg, c.txtPhoto, c.cmdChangePhoto, c.Command3,
        c.info(21), c.info(22), c.info(23), c.info(24), c.info(25), c.info(26), c.sum3,
        c.Timer, c.cmdCopy, c.cmdAppend, c.cmdDeleted, c.cmdSerial, c.cmdFind, c.cmdSearch, c.cmdPrint,
        c.cmdRenovation, c.cmdExit, c.dbgrdDataBase};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
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

void frmCorvale::setCommandEnabled(Command command, bool enabled)
{
    switch (command) {
    case Command::Append: m_commands.append->setEnabled(enabled); break;
    case Command::Delete: m_commands.deleteJob->setEnabled(enabled); break;
    case Command::Copy: m_commands.copy->setEnabled(enabled); break;
    case Command::Refresh: m_commands.refresh->setEnabled(enabled); break;
    }
}

bool frmCorvale::saveNow()
{
    if (const auto err = m_binder->writePendingEdits(); err.failed()) {
        reportStoreFailure(err.error());
        return false;
    }
    return true;
}

void frmCorvale::reportStoreFailure(const common::Error &err, const QString &notDone)
{
    if (err.code == store::code::FieldTooSmall && notDone.isEmpty())
        common::say(QStringLiteral("字段太小而不能接受输入的数据，请重新输入！"), QStringLiteral("警告"),
                    common::Icon::Critical);
    else
        common::say((notDone.isEmpty() ? QStringLiteral("记录未能保存或移动") : notDone) + QStringLiteral("：\n") + err.text,
                    QStringLiteral("警告"),
                    common::Icon::Critical);
    // What was typed is still there: the clerk corrects it where it is.
    m_binder->focusField(err.field);
}

bool frmCorvale::moveGuarded(common::Result<void> (store::RecordSet::*move)())
{
    if (m_set->recordCount() == 0)
        return true;
    const common::Result<void> moved = ((*m_set).*move)();
    if (moved.failed() && moved.error().code != store::code::NoCurrentRecord) {
        reportStoreFailure(moved.error());
        return false;
    }
    return true;
}

void frmCorvale::pageDown()
{
    // A row that cannot be left keeps the focus where the refusal put it.
    if (!moveGuarded(&store::RecordSet::moveNext))
        return;
    txtInfo(0)->setFocus();
    if (m_set->eof())
        moveGuarded(&store::RecordSet::moveLast);
}

void frmCorvale::pageUp()
{
    if (!moveGuarded(&store::RecordSet::movePrevious))
        return;
    txtInfo(0)->setFocus();
    if (m_set->bof())
        moveGuarded(&store::RecordSet::moveFirst);
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
    const WorkspaceControls &c = m_controls;
    c.lblRecordNo->setText(QString::number(m_set->recordCount()));
    c.DatCustomer->setCaption(recordCaption(m_set->absolutePosition()));
    if (m_set->hasCurrent()) {
        const QVariant repaired = m_set->value(QStringLiteral("已修否"));
        if (!repaired.isNull()) {
            const QSignalBlocker block(c.cboRepair);
            c.cboRepair->setEditText(repaired.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否"));
        }
    }
    // The grid follows the set's current row.
    const int pos = m_set->absolutePosition();
    QTableView *grid = c.dbgrdDataBase;
    QAbstractItemModel *model = grid->model();
    if (pos >= 0 && pos < model->rowCount()) {
        const int column = qMax(0, grid->currentIndex().column());
        if (grid->currentIndex().row() != pos)
            grid->setCurrentIndex(model->index(pos, column));
    } else {
        grid->selectionModel()->clearCurrentIndex();
    }
    // With no row to ride beside, the repaired box is not shown.
    if (model->rowCount() == 0)
        c.chkDisplay->hide();
}

void frmCorvale::onGridRowChanged()
{
    // The bound box rides beside the current row: 500 twips below the grid's
    // top on the first visible row, one row height further for each row below.
    QTableView *grid = m_controls.dbgrdDataBase;
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid())
        return;
    const QRect row = grid->visualRect(current);
    const QRect shown = grid->viewport()->rect();
    m_controls.chkDisplay->setVisible(row.bottom() > shown.top() && row.top() < shown.bottom());
    const int y = grid->y() + common::px(500) + row.top();
    m_controls.chkDisplay->move(m_controls.chkDisplay->x(), y);
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
    AboutWindow *about = m_about.ensure([this] { return new AboutWindow(this); });
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
        activate();
    }
}

void frmCorvale::closeEvent(QCloseEvent *event)
{
    // Nothing typed is lost unless the clerk chooses to drop it.
    if (const auto err = m_binder->writePendingEdits(); err.failed()) {
        const common::Answer answer =
            common::say(QStringLiteral("记录未能保存：%1\n放弃修改并退出吗？").arg(err.error().text), QStringLiteral("警告"),
                        common::Icon::Question, common::Buttons::YesNo);
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
