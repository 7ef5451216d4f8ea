#include "workspace/frmcorvale.h"

#include "common/clock.h"
#include "common/fonts.h"
#include "common/ui/prompt.h"
#include "common/textrules.h"
#include "common/twips.h"
#include "common/ui/widgets.h"
#include "store/database.h"
#include "store/fields.h"
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

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QShowEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
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

void placeRow(QWidget *frame, int y, const QList<Cell> &cells)
{
    constexpr int left = 8, gap = 6, height = 22;
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
    // The frames hide the photo view behind them while it is off.
    f->setAutoFillBackground(true);
    return f;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

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
    return c;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect rect)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(rect);
    return l;
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

} // namespace

frmCorvale::frmCorvale(store::Database &db, const common::SiteSettings &settings, QWidget *parent)
    : QMainWindow(parent), m_set(std::make_unique<store::RecordSet>(db)), m_settings(settings)
{
    setObjectName(QStringLiteral("frmCorvale"));
    setWindowTitle(common::appTitle());
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(common::px(10800), common::px(8145));
    setCentralWidget(client);

    m_binder = new Binder(*m_set, this);
    buildStatusLine(client);
    buildFrames(client);
    buildButtons(client);
    buildGrid(client);
    buildMenus();
    m_photo = new PhotoView(*this, client);
    bindFields();

    m_rules = new EntryRuleFilter(*this);
    m_fills = new LookupFills(*this);
    m_commands = new RecordCommands(*this);
    connectCommands();

    connect(m_set.get(), &store::RecordSet::repositioned, this, &frmCorvale::onRepositioned);
    connect(m_set.get(), &store::RecordSet::rowsReset, this, &frmCorvale::onRepositioned);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmCorvale::onFocusWindowChanged);

    // Load: today's date, table view.
    findChild<QLabel *>(QStringLiteral("lblNowDate"))->setText(common::isoDate(common::clock().today()));
    m_photo->showTableView();

    layout()->setSizeConstraint(QLayout::SetFixedSize);

    if (store::StoreError err = m_set->setRecordSource(store::tableName()))
        reportStoreFailure(err);
    onRepositioned();
}

frmCorvale::~frmCorvale()
{
    // Nothing may call back into this window while its widgets are torn down,
    // and the binder and the grid model go before the set they watch.
    disconnect(qApp, nullptr, this, nullptr);
    m_grid->verticalScrollBar()->disconnect(this);
    m_grid->selectionModel()->disconnect(this);
    delete m_commands;
    m_grid->setModel(nullptr);
    delete m_binder;
    m_binder = nullptr;
}

void frmCorvale::buildStatusLine(QWidget *client)
{
    using common::twipRect;
    label(client, "lblCustomerNumber", QStringLiteral("客户编号:"), twipRect(120, 435, 1440, 285));
    auto *number = label(client, "lblAutoNumber", QString(), twipRect(1650, 420, 1185, 285));
    number->setFrameShape(QFrame::Panel);
    number->setFrameShadow(QFrame::Sunken);
    label(client, "lblCurrentDate", QStringLiteral("当前日期："), twipRect(4320, 105, 1590, 285));
    label(client, "lblNowDate", QString(), twipRect(5820, 135, 960, 285));
    label(client, "lblRecordNumber", QStringLiteral("总记录数："), twipRect(4320, 480, 1590, 285));
    m_lblRecordNo = label(client, "lblRecordNo", QString(), twipRect(5835, 480, 1065, 285));
    label(client, "Label1", QStringLiteral("开票时间："), twipRect(7950, 150, 1365, 285));
    auto *timer = lineEdit(client, QStringLiteral("Timer"));
    timer->setGeometry(twipRect(9435, 165, 1185, 315));
    auto *copy = new QPushButton(QStringLiteral("复 制 记 录"), client);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    copy->setToolTip(QStringLiteral("把当前记录复制到新记录里"));
    copy->setGeometry(twipRect(9285, 510, 1110, 315));
    common::setBackColor(copy, common::buttonColor());
}

void frmCorvale::buildFrames(QWidget *client)
{
    using common::twipRect;
    const auto info = [](QWidget *parent, int i) {
        return lineEdit(parent, QStringLiteral("txtInfo_%1").arg(i));
    };

    QGroupBox *base = frame(client, "FraBaseDate", QStringLiteral("基本信息"), twipRect(165, 870, 8800, 2295));
    QLineEdit *t0 = info(base, 0), *t1 = info(base, 1), *t2 = info(base, 2), *t4 = info(base, 4),
              *t3 = info(base, 3);
    QComboBox *aera = combo(base, QStringLiteral("cboAera"), districts());
    QComboBox *mail = combo(base, QStringLiteral("cboMail"), postcodes());
    QComboBox *type = combo(base, QStringLiteral("cboType"), m_settings.models);
    QLineEdit *t8 = info(base, 8), *t5 = info(base, 5), *t6 = info(base, 6), *t7 = info(base, 7);
    QComboBox *warranty = combo(base, QStringLiteral("cboBiaoXiu"), warrantyPeriods());
    QLineEdit *t12 = info(base, 12), *t13 = info(base, 13);
    QComboBox *message = combo(base, QStringLiteral("cboMessage"), m_settings.messageSources);
    QComboBox *remark = combo(base, QStringLiteral("Combo10"), remarks());
    placeRow(base, 20, {{QStringLiteral("姓名"), t0, 130}, {QStringLiteral("地址"), t1, 0}});
    placeRow(base, 46, {{QStringLiteral("电话"), t2, 130}, {QStringLiteral("手机"), t4, 130},
                        {QStringLiteral("购店"), t3, 0}});
    placeRow(base, 72, {{QStringLiteral("地区"), aera, 80}, {QStringLiteral("邮编"), mail, 80},
                        {QStringLiteral("型号"), type, 150}, {QStringLiteral("编号"), t8, 0}});
    placeRow(base, 98, {{QStringLiteral("购期"), t5, 90}, {QStringLiteral("票号"), t6, 130},
                        {QStringLiteral("出期"), t7, 90}, {QStringLiteral("保修期"), warranty, 0}});
    placeRow(base, 124, {{QStringLiteral("接期"), t12, 84}, {QStringLiteral("发期"), t13, 84},
                         {QStringLiteral("信息来源"), message, 80}, {QStringLiteral("备注"), remark, 0}});

    QGroupBox *repair = frame(client, "Frame2", QStringLiteral("修理与人员"), twipRect(165, 3135, 8800, 1200));
    QComboBox *fault = combo(repair, QStringLiteral("Combo4"), faults());
    QComboBox *finding = combo(repair, QStringLiteral("Combo9"), findings());
    QComboBox *content = combo(repair, QStringLiteral("Combo8"), repairContents());
    QLineEdit *code = lineEdit(repair, QStringLiteral("txtCode"));
    QComboBox *repairType = combo(repair, QStringLiteral("cboRepairType"), m_settings.repairTypes);
    QComboBox *people = combo(repair, QStringLiteral("cboPeople"), m_settings.repairers);
    QComboBox *sendIn = combo(repair, QStringLiteral("cboSendIn"), m_settings.broughtIn);
    QComboBox *sendOut = combo(repair, QStringLiteral("cboSendOut"), m_settings.takenBack);
    m_cboRepair = combo(repair, QStringLiteral("cboRepair"), repairedAnswers());
    placeRow(repair, 20, {{QStringLiteral("故障"), fault, 100}, {QStringLiteral("检修"), finding, 150},
                          {QStringLiteral("修理"), content, 110}, {QStringLiteral("维修代码"), code, 0}});
    placeRow(repair, 50, {{QStringLiteral("维修类别"), repairType, 70}, {QStringLiteral("修员"), people, 80},
                          {QStringLiteral("运来"), sendIn, 80}, {QStringLiteral("运去"), sendOut, 80},
                          {QStringLiteral("已经修否"), m_cboRepair, 0}});

    QGroupBox *parts = frame(client, "Frame1", QStringLiteral("配件"), twipRect(165, 4305, 8800, 780));
    QComboBox *part = combo(parts, QStringLiteral("Combo13"), m_settings.parts);
    QLineEdit *material = lineEdit(parts, QStringLiteral("txtTingsCode"));
    QLineEdit *t9 = info(parts, 9);
    t9->setToolTip(QStringLiteral("一旦填了,就不能删除！"));
    QComboBox *applied = combo(parts, QStringLiteral("cboReg"), yesNo());
    placeRow(parts, 22, {{QStringLiteral("申请配件"), part, 110}, {QStringLiteral("物料代码"), material, 90},
                         {QStringLiteral("到货日期"), t9, 90}, {QStringLiteral("是否申请"), applied, 0}});

    QGroupBox *price = frame(client, "FraPrice", QStringLiteral("修理费用"), twipRect(165, 5055, 8800, 720));
    QList<Cell> fees;
    const QList<QPair<int, QString>> feeFields = {
        {21, QStringLiteral("里程数")}, {22, QStringLiteral("上门费")}, {23, QStringLiteral("维修费")},
        {24, QStringLiteral("车补费")}, {25, QStringLiteral("差旅费")}, {26, QStringLiteral("搬运费")}};
    for (const auto &[index, caption] : feeFields)
        fees << Cell{caption, info(price, index), 38};
    auto *sum = lineEdit(price, QStringLiteral("sum3"));
    sum->setToolTip(QStringLiteral("点击即可求和！"));
    fees << Cell{QStringLiteral("合 计"), sum, 0};
    placeRow(price, 18, fees);
}

void frmCorvale::buildButtons(QWidget *client)
{
    QGroupBox *mend = frame(client, "frmDataMend", QStringLiteral("数据修改"), common::twipRect(8970, 840, 1740, 4950));
    mend->setAutoFillBackground(false);
    struct Button { const char *name; QString caption; QString tip; };
    const QList<Button> buttons = {
        {"cmdAppend", QStringLiteral("添    加(&A)"), QStringLiteral("当前记录后增加一条，编号+1")},
        {"cmdDeleted", QStringLiteral("删    除(&D)"), QStringLiteral("删除当前的记录")},
        {"cmdSerial", QStringLiteral("排序(&S)..."), QStringLiteral("按照字段排序")},
        {"cmdFind", QStringLiteral("编号查询(&N)"), QStringLiteral("按编号查询")},
        {"cmdSearch", QStringLiteral("信息查询(&I)"), QStringLiteral("模糊查询")},
        {"cmdPrint", QStringLiteral("打印(&P)..."), QStringLiteral("打印工作单、报表")},
        {"cmdRenovation", QStringLiteral("刷    新(&R)"), QStringLiteral("刷新记录")},
        {"cmdExit", QStringLiteral("退    出(&X)"), QStringLiteral("退出系统")},
    };
    const int w = common::px(1215), h = common::px(375);
    const int step = (mend->height() - 28) / int(buttons.size());
    int y = 24;
    for (const Button &b : buttons) {
        auto *button = new QPushButton(b.caption, mend);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(b.tip);
        button->setGeometry((mend->width() - w) / 2, y + (step - h) / 2, w, h);
        common::setBackColor(button, common::buttonColor());
        y += step;
    }
}

void frmCorvale::buildGrid(QWidget *client)
{
    const QStringList columns = {
        QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地址"),
        QStringLiteral("宅电"), QStringLiteral("移动电话"), QStringLiteral("已修否"),
        QStringLiteral("接货日期"), QStringLiteral("修理人员"), QStringLiteral("制冷者"),
        QStringLiteral("小修者"), QStringLiteral("钣金者")};
    m_model = new store::RecordSetModel(*m_set, columns, this);
    m_grid = new QTableView(client);
    m_grid->setObjectName(QStringLiteral("dbgrdDataBase"));
    m_grid->setGeometry(common::twipRect(150, 5805, 10545, 1965));
    m_grid->setModel(new YesNoColumnModel(m_model, columns.indexOf(QStringLiteral("已修否")), this));
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Header and rows sized so the repaired box, placed 500 twips below the
    // grid's top plus whole rows, sits in the middle of the current row.
    m_grid->horizontalHeader()->setFixedHeight(30);
    m_grid->verticalHeader()->setMinimumSectionSize(20);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->verticalHeader()->setFixedWidth(16);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (current.row() != previous.row() && current.isValid()
                    && current.row() != m_set->absolutePosition()) {
                    if (store::StoreError err = m_set->moveTo(current.row())) {
                        reportStoreFailure(err);
                        // The row was not left: the grid goes back to it.
                        QMetaObject::invokeMethod(this, &frmCorvale::onRepositioned, Qt::QueuedConnection);
                    }
                }
                onGridRowChanged();
            });

    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmCorvale::onGridRowChanged);

    m_dataControl = new DataControlBar(client);
    m_dataControl->setObjectName(QStringLiteral("DatCustomer"));
    m_dataControl->setGeometry(common::twipRect(150, 7740, 10500, 375));
    m_dataControl->setCaption(QStringLiteral("显示记录"));
    QPalette p = m_dataControl->palette();
    p.setColor(QPalette::Window, QColor(255, 192, 192));
    p.setColor(QPalette::WindowText, QColor(64, 64, 64));
    p.setColor(QPalette::Button, QColor(255, 192, 192));
    m_dataControl->setPalette(p);
    m_dataControl->setAutoFillBackground(true);
    connect(m_dataControl, &DataControlBar::firstClicked, this, [this] { moveGuarded(&store::RecordSet::moveFirst); });
    connect(m_dataControl, &DataControlBar::lastClicked, this, [this] { moveGuarded(&store::RecordSet::moveLast); });
    connect(m_dataControl, &DataControlBar::nextClicked, this, [this] {
        moveGuarded(&store::RecordSet::moveNext);
        if (m_set->eof() && m_set->recordCount() > 0)
            moveGuarded(&store::RecordSet::moveLast);
    });
    connect(m_dataControl, &DataControlBar::previousClicked, this, [this] {
        moveGuarded(&store::RecordSet::movePrevious);
        if (m_set->bof() && m_set->recordCount() > 0)
            moveGuarded(&store::RecordSet::moveFirst);
    });

    m_chkDisplay = new QCheckBox(client);
    m_chkDisplay->setObjectName(QStringLiteral("chkDisplay"));
    // 195 twips square; the style's indicator needs a little more to be drawn whole.
    const QRect box = common::twipRect(8055, 6315, 195, 195);
    m_chkDisplay->setGeometry(box.x(), box.y(), 16, 16);
    m_chkDisplay->raise();
}

void frmCorvale::buildMenus()
{
    QMenuBar *bar = menuBar();
    const auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu *data = bar->addMenu(QStringLiteral("数据修改(&M)"));
    data->setObjectName(QStringLiteral("mnuData"));
    item(data, "append", QStringLiteral("添加"));
    item(data, "delete", QStringLiteral("删除"));
    item(data, "serial", QStringLiteral("排序"));
    item(data, "findNumber", QStringLiteral("编号查询"));
    item(data, "Search", QStringLiteral("信息查询"));
    item(data, "Print", QStringLiteral("打印"));
    item(data, "Refresh", QStringLiteral("刷新"));

    QMenu *advanced = bar->addMenu(QStringLiteral("高级功能"));
    advanced->setObjectName(QStringLiteral("mnuAdvanced"));
    item(advanced, "CopyRecord", QStringLiteral("复制记录"));

    QMenu *basics = bar->addMenu(QStringLiteral("基础资料设置(&B)"));
    basics->setObjectName(QStringLiteral("mnuBasics"));
    const QList<QPair<const char *, QString>> pages = {
        {"WorkerSer", QStringLiteral("员工设置")},       {"TypeSet", QStringLiteral("型号设置")},
        {"RepairType", QStringLiteral("维修类别设置")},  {"PeiJianSet", QStringLiteral("申请配件设置")},
        {"MessageSet", QStringLiteral("信息来源设置")}};
    for (int i = 0; i < pages.size(); ++i)
        connect(item(basics, pages[i].first, pages[i].second), &QAction::triggered, this,
                [this, i] { emit settingsRequested(i); });

    QMenu *other = bar->addMenu(QStringLiteral("其它(&O)"));
    other->setObjectName(QStringLiteral("mnuOther"));
    item(other, "ViewImage", QStringLiteral("显示图像"))->setCheckable(true);
    item(other, "ViewTable", QStringLiteral("显示表格"))->setCheckable(true);

    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(item(help, "HelpDownload", QStringLiteral("说明书下载")), &QAction::triggered, this,
            [this] { openHelp(m_settings.manualUrl); });
    connect(item(help, "CompanyWeb", QStringLiteral("公司网站")), &QAction::triggered, this,
            [this] { openHelp(m_settings.companyUrl); });
    connect(item(help, "About", QStringLiteral("关于本软件")), &QAction::triggered, this, [this] {
        auto *about = new AboutWindow(this);
        about->show();
    });

    QAction *exit = bar->addAction(QStringLiteral("退出系统(&X)"));
    exit->setObjectName(QStringLiteral("ExitSys"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void frmCorvale::bindFields()
{
    for (int i : txtInfoIndices())
        m_binder->bind(txtInfo(i), txtInfoField(i));
    const QList<QPair<const char *, const char *>> combos = {
        {"cboAera", "地区"},       {"cboMail", "邮编"},       {"cboType", "型号"},
        {"cboBiaoXiu", "保修期"},  {"cboMessage", "信息来源"}, {"Combo10", "备注"},
        {"Combo4", "故障修理"},    {"Combo9", "检修结果"},    {"Combo8", "修理内容"},
        {"cboRepairType", "维修类别"}, {"cboPeople", "修理人员"}, {"cboSendIn", "运来者1"},
        {"cboSendOut", "运去者1"}, {"Combo13", "配件"},       {"cboReg", "是否申请"}};
    for (const auto &[name, field] : combos)
        m_binder->bind(findChild<QComboBox *>(QString::fromLatin1(name)), QString::fromUtf8(field));
    const QList<QPair<const char *, const char *>> edits = {
        {"txtCode", "代码"}, {"txtTingsCode", "物料代码"}, {"sum3", "合计"},
        {"Timer", "开票时间"}, {"txtPhoto", "Photo"}};
    for (const auto &[name, field] : edits)
        m_binder->bind(findChild<QLineEdit *>(QString::fromLatin1(name)), QString::fromUtf8(field));
    m_binder->bind(m_chkDisplay, QStringLiteral("已修否"));
    m_binder->bindReadOnly(findChild<QLabel *>(QStringLiteral("lblAutoNumber")), QStringLiteral("编号"));
}

void frmCorvale::connectCommands()
{
    const auto onClick = [this](const char *button, auto slot) {
        connect(findChild<QPushButton *>(QString::fromLatin1(button)), &QPushButton::clicked, m_commands, slot);
    };
    const auto onMenu = [this](const char *action, auto slot) {
        connect(findChild<QAction *>(QString::fromLatin1(action)), &QAction::triggered, m_commands, slot);
    };
    onClick("cmdAppend", &RecordCommands::rs_Append);
    onMenu("append", &RecordCommands::rs_Append);
    onClick("cmdDeleted", &RecordCommands::rs_Delete);
    onMenu("delete", &RecordCommands::rs_Delete);
    onClick("cmdSerial", &RecordCommands::openSort);
    onMenu("serial", &RecordCommands::openSort);
    onClick("cmdFind", &RecordCommands::number_Search);
    onMenu("findNumber", &RecordCommands::number_Search);
    onClick("cmdSearch", &RecordCommands::adv_Search);
    onMenu("Search", &RecordCommands::adv_Search);
    onClick("cmdPrint", &RecordCommands::print);
    onMenu("Print", &RecordCommands::print);
    onClick("cmdRenovation", &RecordCommands::rs_Refresh);
    onMenu("Refresh", &RecordCommands::rs_Refresh);
    onClick("cmdCopy", &RecordCommands::copy);
    onMenu("CopyRecord", &RecordCommands::copy);
    auto *exit = findChild<QPushButton *>(QStringLiteral("cmdExit"));
    // Alt+X also names the 退出系统 menu; two owners of one key would leave it
    // doing nothing, so the menu alone takes it (both end the program).
    exit->setShortcut(QKeySequence());
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
}

QLineEdit *frmCorvale::txtInfo(int index) const
{
    return findChild<QLineEdit *>(QStringLiteral("txtInfo_%1").arg(index));
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

bool frmCorvale::saveNow()
{
    if (store::StoreError err = m_binder->writePendingEdits()) {
        reportStoreFailure(err);
        return false;
    }
    return true;
}

void frmCorvale::reportStoreFailure(const store::StoreError &err)
{
    if (err.code == store::code::FieldTooSmall) {
        common::say(QStringLiteral("字段太小而不能接受输入的数据，请重新输入！"), QStringLiteral("警告"),
                    common::Icon::Critical);
        return;
    }
    common::say(QStringLiteral("记录未能保存或移动：\n") + err.text, QStringLiteral("警告"),
                common::Icon::Critical);
}

void frmCorvale::moveGuarded(store::StoreError (store::RecordSet::*move)())
{
    if (m_set->recordCount() == 0)
        return;
    const store::StoreError err = ((*m_set).*move)();
    if (err && err.code != store::code::NoCurrentRecord)
        reportStoreFailure(err);
}

void frmCorvale::pageDown()
{
    moveGuarded(&store::RecordSet::moveNext);
    txtInfo(0)->setFocus();
    if (m_set->eof())
        moveGuarded(&store::RecordSet::moveLast);
}

void frmCorvale::pageUp()
{
    moveGuarded(&store::RecordSet::movePrevious);
    txtInfo(0)->setFocus();
    if (m_set->bof())
        moveGuarded(&store::RecordSet::moveFirst);
}

void frmCorvale::activate()
{
    if (m_set->recordCount() == 0 || m_closing)
        return;
    if (store::StoreError err = m_set->moveLast()) {
        reportStoreFailure(err);
        return;
    }
    if (auto n = currentJobNumber())
        m_txtNewID = *n;
    txtInfo(0)->setFocus();
}

void frmCorvale::onFocusWindowChanged(QWindow *window)
{
    if (!window)
        return;
    QWidget *widget = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window)
            widget = w;
    if (!widget || widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip)
        return;
    const QPointer<QWidget> previous = m_lastActiveWindow;
    m_lastActiveWindow = widget;
    if (widget != this || previous == this)
        return;
    // Message, input and file boxes are part of the command that opened them;
    // returning from one is not a return to the workspace.
    if (previous && previous->inherits("QMessageBox"))
        return;
    if (previous && (previous->inherits("QInputDialog") || previous->inherits("QFileDialog")))
        return;
    activate();
}

void frmCorvale::onRepositioned()
{
    m_lblRecordNo->setText(QString::number(m_set->recordCount()));
    m_dataControl->setCaption(recordCaption(m_set->absolutePosition()));
    if (m_set->hasCurrent()) {
        const QVariant repaired = m_set->value(QStringLiteral("已修否"));
        if (!repaired.isNull()) {
            const QSignalBlocker block(m_cboRepair);
            m_cboRepair->setEditText(repaired.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否"));
        }
    }
    // The grid follows the set's current row.
    const int pos = m_set->absolutePosition();
    QAbstractItemModel *model = m_grid->model();
    if (pos >= 0 && pos < model->rowCount()) {
        const int column = qMax(0, m_grid->currentIndex().column());
        if (m_grid->currentIndex().row() != pos)
            m_grid->setCurrentIndex(model->index(pos, column));
    } else {
        m_grid->selectionModel()->clearCurrentIndex();
    }
}

void frmCorvale::onGridRowChanged()
{
    // The bound box rides beside the current row: 500 twips below the grid's
    // top on the first visible row, one row height further for each row below.
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    const QRect row = m_grid->visualRect(current);
    const QRect shown = m_grid->viewport()->rect();
    m_chkDisplay->setVisible(row.bottom() > shown.top() && row.top() < shown.bottom());
    const int y = m_grid->y() + common::px(500) + row.top();
    m_chkDisplay->move(m_chkDisplay->x(), y);
}

void frmCorvale::applySettings(const common::SiteSettings &settings)
{
    m_settings = settings;
    setItems(findChild<QComboBox *>(QStringLiteral("cboPeople")), settings.repairers);
    setItems(findChild<QComboBox *>(QStringLiteral("cboSendIn")), settings.broughtIn);
    setItems(findChild<QComboBox *>(QStringLiteral("cboSendOut")), settings.takenBack);
    setItems(findChild<QComboBox *>(QStringLiteral("cboType")), settings.models);
    setItems(findChild<QComboBox *>(QStringLiteral("cboRepairType")), settings.repairTypes);
    setItems(findChild<QComboBox *>(QStringLiteral("Combo13")), settings.parts);
    setItems(findChild<QComboBox *>(QStringLiteral("cboMessage")), settings.messageSources);
}

void frmCorvale::openHelp(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
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
    // Nothing typed may be lost by closing: a refused save keeps the window open.
    if (!saveNow()) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    emit closed();
}

} // namespace workspace
