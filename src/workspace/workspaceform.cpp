#include "workspace/workspaceform.h"

#include "common/sitesettings.h"
#include "common/twips.h"
#include "common/ui/widgets.h"
#include "workspace/datacontrolbar.h"
#include "workspace/jobgrid.h"
#include "workspace/lookups.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QScrollArea>
#include <QVBoxLayout>

namespace workspace {
namespace {

using common::twipRect;

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

void buildStatusLine(QWidget *client, WorkspaceControls &c)
{
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

void buildFrames(QWidget *client, WorkspaceControls &c, const common::SiteSettings &settings)
{
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
    c.cboType = combo(base, QStringLiteral("cboType"), settings.models);
    QLineEdit *t8 = info(base, 8), *t5 = info(base, 5), *t6 = info(base, 6), *t7 = info(base, 7);
    c.cboBiaoXiu = combo(base, QStringLiteral("cboBiaoXiu"), warrantyPeriods());
    QLineEdit *t12 = info(base, 12), *t13 = info(base, 13);
    c.cboMessage = combo(base, QStringLiteral("cboMessage"), settings.messageSources);
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
    c.cboRepairType = combo(repair, QStringLiteral("cboRepairType"), settings.repairTypes);
    c.cboPeople = combo(repair, QStringLiteral("cboPeople"), settings.repairers);
    c.cboSendIn = combo(repair, QStringLiteral("cboSendIn"), settings.broughtIn);
    c.cboSendOut = combo(repair, QStringLiteral("cboSendOut"), settings.takenBack);
    c.cboRepair = combo(repair, QStringLiteral("cboRepair"), repairedAnswers());
    placeRow(repair, 20, {{QStringLiteral("故障"), c.Combo4, 100}, {QStringLiteral("检修"), c.Combo9, 150},
                          {QStringLiteral("修理"), c.Combo8, 110}, {QStringLiteral("维修代码"), c.txtCode, 0}});
    placeRow(repair, 50, {{QStringLiteral("维修类别"), c.cboRepairType, 70}, {QStringLiteral("修员"), c.cboPeople, 80},
                          {QStringLiteral("运来"), c.cboSendIn, 80}, {QStringLiteral("运去"), c.cboSendOut, 80},
                          {QStringLiteral("已经修否"), c.cboRepair, 0}});

    c.Frame1 = frame(client, "Frame1", QStringLiteral("配件"), twipRect(165, 4305, 8800, 780));
    QWidget *parts = c.Frame1;
    c.Combo13 = combo(parts, QStringLiteral("Combo13"), settings.parts);
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

void buildPhotoControls(QWidget *client, WorkspaceControls &c)
{
    // In image view the photo controls take the parts frame's place; the
    // other frames stay, so the clerk still sees and edits the job.
    const QRect parts = twipRect(165, 4305, 8800, 780);
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

void buildButtons(QWidget *client, WorkspaceControls &c)
{
    QGroupBox *mend = frame(client, "frmDataMend", QStringLiteral("数据修改"), twipRect(8970, 840, 1740, 4950));
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

void arrangeTabOrder(const WorkspaceControls &c)
{
    // The fields in their reading order, then the ticket time and the copy
    // button of the status line, the command column and the grid.
    const QList<QWidget *> order = {
        c.info(0), c.info(1), c.info(2), c.info(4), c.info(3), c.cboAera, c.cboMail, c.cboType, c.info(8),
        c.info(5), c.info(6), c.info(7), c.cboBiaoXiu, c.info(12), c.info(13), c.cboMessage, c.Combo10,
        c.Combo4, c.Combo9, c.Combo8, c.txtCode, c.cboRepairType, c.cboPeople, c.cboSendIn, c.cboSendOut,
        c.cboRepair, c.Combo13, c.txtTingsCode, c.info(9), c.cboReg, c.txtPhoto, c.cmdChangePhoto, c.Command3,
        c.info(21), c.info(22), c.info(23), c.info(24), c.info(25), c.info(26), c.sum3,
        c.Timer, c.cmdCopy, c.cmdAppend, c.cmdDeleted, c.cmdSerial, c.cmdFind, c.cmdSearch, c.cmdPrint,
        c.cmdRenovation, c.cmdExit, c.dbgrdDataBase};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

// Asks for the whole form, where a plain scroll area caps its wish at a
// couple of dozen lines.
class FieldScroll : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return widget()->size(); }
};

} // namespace

WorkspaceControls buildWorkspaceForm(QWidget *client, JobGrid *grid, const common::SiteSettings &settings)
{
    WorkspaceControls c;
    // Everything above the grid keeps the form's places, in one block as
    // wide as the form; the grid starts where the form put it.
    auto *form = new QWidget(client);
    form->setObjectName(QStringLiteral("fieldArea"));
    form->setFixedSize(common::px(10800), common::px(5805) - 4);
    buildStatusLine(form, c);
    buildFrames(form, c, settings);
    buildPhotoControls(form, c);
    buildButtons(form, c);

    c.grid = grid;
    c.dbgrdDataBase = grid->table();
    c.DatCustomer = grid->navigator();
    c.chkDisplay = grid->repairedBox();

    // On a low screen (1366 × 768 at 150 %) the fields scroll and the grid
    // keeps five rows and its navigator in sight below them.
    auto *fields = new FieldScroll(client);
    fields->setObjectName(QStringLiteral("clientScroll"));
    fields->setFrameShape(QFrame::NoFrame);
    fields->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fields->setWidget(form);
    fields->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(2);
    layout->addWidget(fields);
    auto *gridRow = new QHBoxLayout;
    gridRow->setContentsMargins(common::px(150), 0, common::px(10800 - 150 - 10545), 0);
    gridRow->addWidget(grid);
    layout->addLayout(gridRow, 1);

    arrangeTabOrder(c);
    return c;
}

} // namespace workspace
