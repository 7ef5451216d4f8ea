#include "workspace/recordcommands.h"

#include "common/clock.h"
#include "common/textrules.h"
#include "common/ui/busycursor.h"
#include "common/ui/prompt.h"
#include "common/ui/widgets.h"
#include "query/frmsearch.h"
#include "query/frmserial.h"
#include "reports/ui/printing.h"
#include "store/jobwriter.h"
#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/commandrules.h"
#include "workspace/jobdesk.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace workspace {
namespace {
const QString kWarning = QStringLiteral("警告");
const QString kDuplicate = QStringLiteral("禁止编号重复！");
const QString kNumbersUsedUp = QStringLiteral("编号已到最大值 32767，不能再添加记录。");
} // namespace

RecordCommands::RecordCommands(JobDesk &desk)
    : QObject(desk.workspaceWindow()), m_desk(desk), m_print(new reports::PrintCommand(desk.workspaceWindow(), desk.shop()))
{
    const WorkspaceCommands &k = desk.commands();
    connect(k.append, &QAction::triggered, this, &RecordCommands::rs_Append);
    connect(k.deleteJob, &QAction::triggered, this, &RecordCommands::rs_Delete);
    connect(k.sort, &QAction::triggered, this, &RecordCommands::openSort);
    connect(k.findNumber, &QAction::triggered, this, &RecordCommands::number_Search);
    connect(k.search, &QAction::triggered, this, &RecordCommands::adv_Search);
    connect(k.print, &QAction::triggered, this, &RecordCommands::print);
    connect(k.refresh, &QAction::triggered, this, &RecordCommands::rs_Refresh);
    connect(k.copy, &QAction::triggered, this, &RecordCommands::copy);
    // A report that would print placeholders offers the settings page for them.
    connect(m_print, &reports::PrintCommand::settingsRequested, this, &RecordCommands::settingsRequested);
}

RecordCommands::~RecordCommands()
{
    m_search.reset();
    m_sort.reset();
}

void RecordCommands::focusName() { m_desk.controls().info(0)->setFocus(Qt::OtherFocusReason); }

void RecordCommands::reportMoveFailure(const common::Result<void> &moved)
{
    if (moved.failed())
        m_desk.reportStoreFailure(moved.error());
}

void RecordCommands::rs_Append()
{
    store::RecordSet &set = m_desk.recordSet();
    const WorkspaceControls &c = m_desk.controls();
    focusName();
    const auto current = m_desk.currentJobNumber();
    const auto next = current ? nextJobNumber(*current)
                              : firstJobNumber(set.recordCount(), set.recordSource());
    if (!next) {
        common::say(current ? kNumbersUsedUp
                            : QStringLiteral("当前查询结果中没有记录，无法确定新编号。请按“刷新”显示全部记录后再添加。"),
                    kWarning, common::Icon::Warning);
        return;
    }
    // What was typed into the row being left is written before the new row exists.
    if (!m_desk.saveNow())
        return;
    // A number the clerk can see taken is refused; one another desk took in
    // the same moment gives way to the next free number.
    const common::Result<qint16> added = m_desk.jobWriter().appendJob(*next);
    if (added.failed()) {
        if (added.error().code == store::code::DuplicateKey) {
            common::say(kDuplicate, kWarning, common::Icon::Critical);
            reportMoveFailure(set.moveLast());
        } else {
            // A file that cannot be written: no row was added, and the clerk must know.
            m_desk.reportStoreFailure(added.error(), QStringLiteral("没有添加新记录"));
        }
        return;
    }
    if (const auto err = set.moveLast(); err.failed()) {
        m_desk.reportStoreFailure(err.error());
        return;
    }
    c.cboBiaoXiu->setEditText(QStringLiteral("六个月"));
    const QString today = common::isoDate(common::clock().today());
    c.info(12)->setText(today);
    c.info(13)->setText(today);
    c.Timer->setText(common::clock().time().toString(QStringLiteral("HH:mm:ss")));
    c.cboReg->setEditText(QStringLiteral("否"));
    // On a table that was empty the fields have only now begun to take input.
    focusName();
}

void RecordCommands::rs_Delete()
{
    store::RecordSet &set = m_desk.recordSet();
    focusName();
    if (common::say(QStringLiteral("真的要删除吗？"), kWarning, common::Icon::Question,
                    common::Buttons::YesNo) != common::Answer::Yes)
        return;
    if (set.recordCount() <= 0 || !set.hasCurrent())
        return;
    // The row goes, and with it whatever was typed into it; a refused
    // delete keeps what was typed, to be saved with the next move.
    const QSet<QString> typed = m_desk.binder().pendingFields();
    m_desk.binder().discardPendingEdits();
    if (const auto err = m_desk.jobWriter().deleteCurrent(); err.failed()) {
        for (const QString &field : typed)
            m_desk.binder().touch(field);
        m_desk.reportStoreFailure(err.error(), QStringLiteral("记录没有删除"));
        return;
    }
    reportMoveFailure(set.movePrevious());
}

void RecordCommands::number_Search()
{
    store::RecordSet &set = m_desk.recordSet();
    const int remembered = set.absolutePosition();
    const auto answer = common::askText(QStringLiteral("请输入编号:"), QStringLiteral("编号"), QString());
    if (!answer)
        return;
    const common::Int16Result number = common::toInt16(*answer);
    if (number.error == common::Int16Error::Overflow) {
        common::say(QStringLiteral("数字溢出！请重新输入。"), kWarning, common::Icon::Critical);
        return;
    }
    if (!number.ok())
        return;
    if (const auto err = set.findFirst(numberCriterion(number.value)); err.failed()) {
        m_desk.reportStoreFailure(err.error());
        return;
    }
    if (set.noMatch()) {
        common::say(QStringLiteral("没找到!"), QStringLiteral("提示"));
        if (remembered >= 0 && set.absolutePosition() != remembered)
            reportMoveFailure(set.moveTo(remembered));
    }
}

void RecordCommands::adv_Search()
{
    query::runSearchWindow(m_search, m_desk);
    common::setBackColor(m_desk.controls().cmdFind, common::buttonColor());
    m_desk.commands().refresh->setEnabled(true);
}

void RecordCommands::rs_Refresh()
{
    store::RecordSet &set = m_desk.recordSet();
    const WorkspaceControls &c = m_desk.controls();
    const common::Error err = [&] {
        const common::BusyCursor busy;
        if (const auto shown = set.setRecordSource(fullSource()); shown.failed() || set.recordCount() == 0)
            return shown.error();
        return set.moveLast().error();
    }();
    if (err.failed()) {
        // Also a refused save other than 524: what was typed is still unsaved on screen.
        m_desk.reportStoreFailure(err);
        if (err.code != store::code::FieldTooSmall)
            return;
    } else {
        common::setBackColor(c.cmdSearch, common::buttonColor());
        common::setBackColor(c.cmdFind, common::buttonColor());
        const WorkspaceCommands &k = m_desk.commands();
        for (QAction *command : {k.deleteJob, k.append, k.copy})
            command->setEnabled(true);
    }
    if (auto n = m_desk.currentJobNumber())
        m_desk.setTxtNewID(*n);
}

void RecordCommands::copy()
{
    store::RecordSet &set = m_desk.recordSet();
    const auto source = m_desk.currentJobNumber();
    if (!source)
        return;
    // The copy carries its final number from the start, so no two rows ever share one.
    const auto number = nextJobNumber(m_desk.txtNewID());
    if (!number) {
        common::say(kNumbersUsedUp, kWarning, common::Icon::Warning);
        return;
    }
    if (common::say(QStringLiteral("真的要复制吗？"), kWarning, common::Icon::Question,
                    common::Buttons::YesNo) != common::Answer::Yes)
        return;
    if (!m_desk.saveNow())
        return;
    const common::Result<qint64> copied = m_desk.jobWriter().copyCurrent(*number, copyOverrides(common::clock().today()));
    if (copied.failed()) {
        if (copied.error().code == store::code::DuplicateKey)
            common::say(kDuplicate, kWarning, common::Icon::Critical);
        else
            m_desk.reportStoreFailure(copied.error(), QStringLiteral("记录没有复制"));
        return;
    }
    const qint64 newKey = *copied;
    if (const auto err = set.setRecordSource(singleJobSource(*source)); err.failed()) {
        m_desk.reportStoreFailure(err.error());
        return;
    }
    set.includeKey(newKey);
    if (const auto err = set.moveLast(); err.failed()) {
        m_desk.reportStoreFailure(err.error());
        return;
    }
    common::say(QStringLiteral("操作成功,请刷新!"));
}

void RecordCommands::openSort() { query::openSortWindow(m_sort, m_desk); }

void RecordCommands::print() { m_print->run(m_desk.currentJobNumber()); }

} // namespace workspace
