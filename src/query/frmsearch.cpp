#include "query/frmsearch.h"

#include "common/ui/busycursor.h"
#include "common/clock.h"
#include "common/fonts.h"
#include "common/ui/programwindow.h"
#include "common/ui/typingguard.h"
#include "common/ui/prompt.h"
#include "common/textrules.h"
#include "common/twips.h"
#include "common/ui/widgets.h"
#include "store/recordset.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace query {

namespace {

const QColor kWindowColor(192, 192, 255);
const QColor kFrameColor(255, 192, 192);

QString windowTitleText() { return QStringLiteral("信息查询"); }

QFont controlFont() { return common::cjkFont(QStringLiteral("宋体"), 10.5); }

QLabel *addLabel(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *label = common::placed(new QLabel(caption, parent), name, geometry);
    label->setFont(controlFont());
    return label;
}

QComboBox *addComboBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *box = common::placed(new QComboBox(parent), name, geometry);
    box->setEditable(true);
    // The boxes take any text as typed; no completion or insertion into the list.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFont(controlFont());
    return box;
}

QComboBox *addDateBox(QWidget *parent, const char *name, const QRect &geometry)
{
    QComboBox *box = addComboBox(parent, name, geometry);
    QPalette p = box->palette();
    p.setColor(QPalette::Text, Qt::blue);
    p.setColor(QPalette::Base, Qt::white);
    box->setPalette(p);
    box->addItem(common::isoDate(common::clock().today()));
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    return box;
}

QComboBox *addFieldBox(QWidget *parent, const char *name, const QRect &geometry,
                       const QStringList &items, const QString &text)
{
    QComboBox *box = addComboBox(parent, name, geometry);
    box->addItems(items);
    box->setCurrentIndex(box->findText(text));
    // 宅电 is the third box's text without being one of its items.
    box->setEditText(text);
    box->setToolTip(QStringLiteral("请选择要查找的字段名"));
    return box;
}

QLineEdit *addValueBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *box = common::placed(new QLineEdit(parent), name, geometry);
    // The window's plain font, not the frame caption's.
    box->setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    return box;
}

template <typename B>
B *addChoice(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *choice = common::placed(new B(caption, parent), name, geometry);
    choice->setFont(controlFont());
    common::setBackColor(choice, kFrameColor);
    return choice;
}

} // namespace

FrmSearch::FrmSearch(RecordWorkspace &workspace)
    : QDialog(workspace.workspaceWindow()), m_workspace(workspace)
{
    common::markProgramWindow(this);
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("信息查询窗口"));
    setFixedSize(common::px(6030), common::px(4020));
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    common::setBackColor(this, kWindowColor);

    buildControls();
    arrangeTabOrder();

    connect(m_repaired, &QCheckBox::toggled, this, &FrmSearch::updateSearchButton);
    for (QLineEdit *value : m_values)
        connect(value, &QLineEdit::textChanged, this, &FrmSearch::updateSearchButton);
    // Only choosing the list item re-evaluates the button, not typing a date.
    for (QComboBox *date : {m_startDate, m_endDate}) {
        connect(date, &QComboBox::activated, this, &FrmSearch::updateSearchButton);
        date->installEventFilter(this);
    }
    connect(m_search, &QPushButton::clicked, this, &FrmSearch::search);
    connect(m_cancel, &QPushButton::clicked, this, &FrmSearch::unload);

    // As in the workspace: no stray Alt letters, and a pinyin composition
    // keeps Enter from searching and Tab from leaving until it is committed.
    // Made last, so it sees the keys before the date check.
    auto *typing = new common::TypingGuard(this);
    for (QComboBox *box : findChildren<QComboBox *>())
        typing->guard(box);
    for (QLineEdit *value : m_values)
        typing->guard(value);
}

void FrmSearch::buildControls()
{
    using common::twipRect;

    m_frame = common::placed(new QGroupBox(QStringLiteral("请输入或选择"), this), "Frame1",
                    twipRect(30, 210, 5940, 3060));
    m_frame->setFont(common::cjkFont(QStringLiteral("楷体_GB2312"), 14.25, true));
    common::setBackColor(m_frame, kFrameColor);

    QLabel *label1 = addLabel(m_frame, "Label1", QStringLiteral("起始日期(&B)"), twipRect(323, 540, 1155, 210));
    m_startDate = addDateBox(m_frame, "txtStartDate", twipRect(1545, 465, 1440, 330));
    QLabel *label2 = addLabel(m_frame, "Label2", QStringLiteral("截止日期(&E)"), twipRect(3150, 525, 1155, 210));
    m_endDate = addDateBox(m_frame, "txtEndDate", twipRect(4305, 420, 1440, 330));

    QLabel *label3 = addLabel(m_frame, "Label3", QStringLiteral("查询组合1(&O)"), twipRect(315, 1065, 1260, 210));
    m_fields[0] = addFieldBox(m_frame, "Combo1", twipRect(1710, 990, 1215, 300),
                              {QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地址"),
                               QStringLiteral("宅电"), QStringLiteral("移动电话"), QStringLiteral("型号"),
                               QStringLiteral("产品编号"), QStringLiteral("故障修理"), QStringLiteral("运来者1"),
                               QStringLiteral("制冷者"), QStringLiteral("小修者"), QStringLiteral("钣金者")},
                              QStringLiteral("客户姓名"));
    m_values[0] = addValueBox(m_frame, "txtList1", twipRect(3315, 960, 2415, 315));

    QLabel *label4 = addLabel(m_frame, "Label4", QStringLiteral("查询组合2(&T)"), twipRect(315, 1590, 1260, 210));
    m_fields[1] = addFieldBox(m_frame, "Combo2", twipRect(1695, 1515, 1230, 300),
                              {QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地区"),
                               QStringLiteral("地址"), QStringLiteral("宅电"), QStringLiteral("移动电话"),
                               QStringLiteral("型号"), QStringLiteral("产品编号"), QStringLiteral("故障修理"),
                               QStringLiteral("购店")},
                              QStringLiteral("地址"));
    m_values[1] = addValueBox(m_frame, "txtList2", twipRect(3315, 1500, 2415, 315));

    QLabel *label7 = addLabel(m_frame, "Label7", QStringLiteral("查询组合3(&H)"), twipRect(300, 2085, 1260, 210));
    m_fields[2] = addFieldBox(m_frame, "Combo3", twipRect(1695, 2040, 1230, 300),
                              {QStringLiteral("移动电话"), QStringLiteral("型号"), QStringLiteral("产品编号"),
                               QStringLiteral("故障修理"), QStringLiteral("检修结果"), QStringLiteral("备注"),
                               QStringLiteral("修理内容"), QStringLiteral("修理人员"), QStringLiteral("运来者1"),
                               QStringLiteral("运去者1")},
                              QStringLiteral("宅电"));
    m_values[2] = addValueBox(m_frame, "txtList3", twipRect(3315, 2025, 2415, 315));

    m_repaired = addChoice<QCheckBox>(m_frame, "Check1", QStringLiteral("已修否(&Q)"), twipRect(300, 2580, 1245, 315));
    m_repairedYes = addChoice<QRadioButton>(m_frame, "Option1", QStringLiteral("是(&Y)"), twipRect(1710, 2595, 900, 315));
    m_repairedNo = addChoice<QRadioButton>(m_frame, "Option2", QStringLiteral("否(&N)"), twipRect(2760, 2625, 960, 255));

    m_search = common::dialogButton(this, "cmdSearch", QStringLiteral("查找(&S)"), twipRect(3105, 3435, 1035, 435),
                                    common::buttonColor());
    m_search->setDefault(true);
    m_search->setEnabled(false);
    m_cancel = common::dialogButton(this, "cmdCancel", QStringLiteral("关闭(&C)"), twipRect(4500, 3435, 1035, 405),
                                    common::buttonColor());

    // Each caption's access key goes to the box beside it.
    label1->setBuddy(m_startDate);
    label2->setBuddy(m_endDate);
    label3->setBuddy(m_fields[0]);
    label4->setBuddy(m_fields[1]);
    label7->setBuddy(m_fields[2]);
}

void FrmSearch::arrangeTabOrder()
{
    const QList<QWidget *> order{m_fields[0], m_values[0], m_fields[1], m_values[1], m_fields[2],
                                 m_values[2], m_search, m_cancel, m_repaired, m_repairedNo,
                                 m_repairedYes, m_startDate, m_endDate};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QueryCriteria FrmSearch::criteria() const
{
    QueryCriteria c;
    c.startDate = m_startDate->currentText();
    c.endDate = m_endDate->currentText();
    for (std::size_t i = 0; i < c.conditions.size(); ++i) {
        c.conditions[i].field = m_fields[i]->currentText();
        c.conditions[i].value = m_values[i]->text();
    }
    c.repairedChecked = m_repaired->isChecked();
    c.repairedYes = m_repairedYes->isChecked();
    return c;
}

void FrmSearch::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

// Each time the window comes up: fresh date boxes, the first value ready to
// overtype. The search button keeps whatever state it had.
void FrmSearch::activate()
{
    for (QComboBox *date : {m_startDate, m_endDate}) {
        date->setCurrentIndex(-1);  // so the list item can be chosen again
        date->setEditText(QString());
    }
    m_values[0]->setFocus();
    m_values[0]->selectAll();
}

void FrmSearch::updateSearchButton()
{
    m_search->setEnabled(hasCriterion(criteria()));
}

// Puts the criteria into force on the workspace and marks its query button;
// with no criterion filled nothing changes.
common::Result<void> FrmSearch::applyQuery()
{
    const QString source = queryRecordSource(criteria());
    if (source.isEmpty())
        return {};
    return applyFilter(m_workspace, source);
}

void FrmSearch::search()
{
    if (const int box = overLongValue(criteria()); box >= 0) {
        common::say(overLongValueText(), windowTitleText(), common::Icon::Warning);
        m_values[box]->setFocus();
        m_values[box]->selectAll();
        return;
    }
    if (const auto error = applyQuery(); error.failed()) {
        // The workspace keeps its previous rows and marks; the criteria stay
        // here to be corrected.
        common::say(error.error(), windowTitleText(), common::Icon::Warning);
        return;
    }
    if (m_workspace.recordSet().eof()) {
        common::say(QStringLiteral("对不起，没有您需要的记录！请重新输入。"), windowTitleText(),
                    common::Icon::Information);
        activate();
        return;
    }
    accept();
}

void FrmSearch::unload()
{
    m_workspace.filterCommands().append->setEnabled(true);
    m_workspace.filterCommands().deleteJob->setEnabled(true);
    reject();
}

void FrmSearch::reject()
{
    m_unloaded = true;
    QDialog::reject();
}

bool FrmSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        auto *box = qobject_cast<QComboBox *>(watched);
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Focus leaving for a message box, a list popup or another window is
        // not the user leaving the box.
        const bool leftBox = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (box && leftBox && isVisible())
            checkDate(box);
    }
    return QDialog::eventFilter(watched, event);
}

bool FrmSearch::checkDate(QComboBox *box)
{
    if (m_checkingDate)
        return true;
    const QString text = box->currentText();
    if (text.isEmpty() || common::parseDate(text))
        return true;
    m_checkingDate = true;
    common::say(QStringLiteral("日期输入有误！"));
    box->setFocus();
    m_checkingDate = false;
    return false;
}

common::Result<void> applyFilter(RecordWorkspace &workspace, const QString &source)
{
    const common::Result<void> applied = [&] {
        const common::BusyCursor busy;
        return workspace.recordSet().setRecordSource(source);
    }();
    if (applied.failed())
        return applied;
    workspace.markFilter();
    // While a filter is shown, records cannot be appended, deleted or copied.
    const FilterCommands commands = workspace.filterCommands();
    for (QAction *command : {commands.append, commands.deleteJob, commands.copy})
        command->setEnabled(false);
    return {};
}

void runSearchWindow(common::WindowSlot<FrmSearch> &slot, RecordWorkspace &workspace)
{
    FrmSearch *window = slot.ensure([&workspace] {
        const common::BusyCursor busy;
        return new FrmSearch(workspace);
    });
    window->exec();
    if (window->isUnloaded())
        slot.reset();
}

} // namespace query
