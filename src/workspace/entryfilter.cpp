#include "workspace/entryfilter.h"

#include "common/ui/prompt.h"
#include "workspace/entryrules.h"
#include "workspace/feesum.h"
#include "workspace/jobdesk.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace workspace {
namespace {

const char *kIndexProperty = "txtInfoIndex";

// Focus that leaves for another window or a popup is not the clerk leaving the field.
bool leftByUser(const QFocusEvent *e)
{
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

} // namespace

EntryRuleFilter::EntryRuleFilter(JobDesk &desk)
    : QObject(desk.workspaceWindow()), m_desk(desk), m_sum(desk.controls().sum3), m_combo8(desk.controls().Combo8)
{
    for (int i : txtInfoIndices()) {
        QLineEdit *e = desk.controls().info(i);
        e->setProperty(kIndexProperty, i);
        e->installEventFilter(this);
    }
    m_combo8->installEventFilter(this);
    m_sum->installEventFilter(this);
    // A box would step its own list on Page Up/Page Down, and its fills
    // would rewrite the job; the keys move between jobs from every field.
    for (QComboBox *box : desk.workspaceWindow()->findChildren<QComboBox *>())
        if (box != m_combo8)
            box->installEventFilter(this);
}

bool EntryRuleFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (auto *box = qobject_cast<QComboBox *>(watched); box && event->type() == QEvent::KeyPress
                                                        && !box->view()->isVisible()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            key == Qt::Key_PageDown ? m_desk.pageDown() : m_desk.pageUp();
            return true;
        }
    }
    if (watched == m_sum) {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            addUpFees();
        // Enter or Space adds up as the click does; a total holds no blanks.
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                addUpFees();
                return true;
            }
        }
        return false;
    }
    if (watched == m_combo8) {
        if (event->type() == QEvent::FocusOut && leftByUser(static_cast<QFocusEvent *>(event)))
            // After the focus change has finished, so the message box can move it again.
            QMetaObject::invokeMethod(this, &EntryRuleFilter::checkShop, Qt::QueuedConnection);
        return false;
    }
    const QVariant indexProperty = watched->property(kIndexProperty);
    if (!indexProperty.isValid())
        return false;
    const int index = indexProperty.toInt();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto next = enterTarget(index))
                m_desk.controls().info(*next)->setFocus(Qt::OtherFocusReason);
        } else if (key->key() == Qt::Key_PageDown) {
            m_desk.pageDown();
            return true;
        } else if (key->key() == Qt::Key_PageUp) {
            m_desk.pageUp();
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        if (leftByUser(static_cast<QFocusEvent *>(event)))
            QMetaObject::invokeMethod(this, [this, index] { checkLeftField(index); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return false;
}

void EntryRuleFilter::checkLeftField(int index)
{
    // A box already up (a refused save of the same field) has said it.
    if (QApplication::activeModalWidget())
        return;
    QLineEdit *field = m_desk.controls().info(index);
    const store::FieldDef *bound = store::findField(txtInfoField(index));
    LeaveOutcome outcome = leaveOutcome(*bound, field->text(), m_desk.controls().info(5)->text());
    // What the file already held (text an older program put in a number
    // column) is checked once the clerk changes it, not on every pass.
    if (!field->isModified() && outcome != LeaveOutcome::FillZero)
        outcome = LeaveOutcome::Accept;
    switch (outcome) {
    case LeaveOutcome::Accept:
        break;
    case LeaveOutcome::FillZero:
        field->setText(QStringLiteral("0"));
        break;
    case LeaveOutcome::RefuseDate:
    case LeaveOutcome::RefuseNumber:
        common::say(refusalText(outcome));
        field->setFocus(Qt::OtherFocusReason);
        break;
    }
}

void EntryRuleFilter::checkShop()
{
    if (QApplication::activeModalWidget())
        return;
    if (!needsShop(m_combo8->currentText(), m_desk.controls().info(3)->text()))
        return;
    common::say(shopMissingText());
    m_desk.controls().info(3)->setFocus(Qt::OtherFocusReason);
}

void EntryRuleFilter::addUpFees()
{
    QStringList charges;
    for (int i : {22, 23, 24, 25, 26})
        charges << m_desk.controls().info(i)->text();
    const FeeSum sum = sumCharges(charges);
    switch (sum.status) {
    case FeeSum::Status::Total:
        m_sum->setText(sum.text);
        break;
    case FeeSum::Status::EmptyCharge:
        break;
    case FeeSum::Status::NotNumeric:
    case FeeSum::Status::OutOfRange:
        common::say(feeSumRefusal(sum.status), QStringLiteral("警告"), common::Icon::Critical);
        break;
    }
}

} // namespace workspace
