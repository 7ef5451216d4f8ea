#include "query/frmserial.h"

#include "common/ui/busycursor.h"
#include "common/fonts.h"
#include "common/ui/programwindow.h"
#include "common/ui/prompt.h"
#include "common/twips.h"
#include "common/ui/widgets.h"
#include "store/fields.h"
#include "store/recordset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace query {

namespace {

const QColor kWindowColor(192, 192, 255);
const QColor kControlColor(255, 192, 192);

QGroupBox *addFrame(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *frame = common::placed(new QGroupBox(caption, parent), name, geometry);
    common::setBackColor(frame, kControlColor);
    return frame;
}

QComboBox *addKeyBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *box = common::placed(new QComboBox(parent), name, geometry);
    box->setEditable(true);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(store::fieldNames());
    box->setEditText(QStringLiteral("接货日期"));
    return box;
}

QCheckBox *addDescendingBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *check = common::placed(new QCheckBox(QStringLiteral("是否降序"), parent), name, geometry);
    common::setBackColor(check, kControlColor);
    return check;
}

} // namespace

FrmSerial::FrmSerial(RecordWorkspace &workspace)
    : QDialog(workspace.workspaceWindow()), m_workspace(workspace)
{
    common::markProgramWindow(this);
    setObjectName(QStringLiteral("frmSerial"));
    setWindowTitle(QStringLiteral("排序窗口"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(common::px(3690), common::px(2955));
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    common::setBackColor(this, kWindowColor);

    buildControls();

    connect(m_sort, &QPushButton::clicked, this, &FrmSerial::sort);
    connect(m_cancel, &QPushButton::clicked, this, &FrmSerial::unload);
}

void FrmSerial::buildControls()
{
    using common::twipRect;

    QGroupBox *primaryFrame = addFrame(this, "frmSerial", QStringLiteral("主要关键字"), twipRect(45, 225, 3645, 1920));
    m_primary = addKeyBox(primaryFrame, "Combo1", twipRect(150, 375, 1515, 300));
    m_primaryDescending = addDescendingBox(primaryFrame, "chkDownSerial", twipRect(2040, 390, 1035, 255));
    QGroupBox *secondaryFrame = addFrame(primaryFrame, "Frame1", QStringLiteral("次要关键字"), twipRect(15, 915, 3630, 1005));
    m_secondary = addKeyBox(secondaryFrame, "Combo2", twipRect(165, 405, 1515, 300));
    m_secondaryDescending = addDescendingBox(secondaryFrame, "Check1", twipRect(2055, 390, 1035, 255));

    m_cancel = common::dialogButton(this, "cmdCancel", QStringLiteral("关闭(&C)"), twipRect(2430, 2370, 1095, 375), kControlColor);
    m_sort = common::dialogButton(this, "cmdSerial", QStringLiteral("排  序(&S)"), twipRect(1170, 2370, 1095, 375), kControlColor);

    setTabOrder(m_primary, m_primaryDescending);
    setTabOrder(m_primaryDescending, m_secondary);
    setTabOrder(m_secondary, m_secondaryDescending);
    setTabOrder(m_secondaryDescending, m_cancel);
    setTabOrder(m_cancel, m_sort);
}

SortKeys FrmSerial::keys() const
{
    return {m_primary->currentText(), m_primaryDescending->isChecked(),
            m_secondary->currentText(), m_secondaryDescending->isChecked()};
}

void FrmSerial::sort()
{
    if (overLongKey(keys())) {
        common::say(overLongKeyText(), QStringLiteral("排序窗口"), common::Icon::Warning);
        QComboBox *box = keys().primary.size() > kLongestKey ? m_primary : m_secondary;
        box->setFocus();
        box->lineEdit()->selectAll();
        return;
    }
    const QString source = sortRecordSource(keys());
    if (!source.isEmpty()) {
        const common::Result<void> sorted = [&] {
            const common::BusyCursor busy;
            return m_workspace.recordSet().setRecordSource(source);
        }();
        if (sorted.failed()) {
            common::say(sorted.error(), QStringLiteral("排序窗口"), common::Icon::Warning);
        } else {
            m_workspace.filterCommands().refresh->setEnabled(true);
            m_workspace.filterCommands().append->setEnabled(true);
        }
    }
    close();
}

void FrmSerial::unload()
{
    m_workspace.filterCommands().append->setEnabled(true);
    close();
}

FrmSerial *openSortWindow(common::WindowSlot<FrmSerial> &slot, RecordWorkspace &workspace)
{
    const common::BusyCursor busy;
    slot.reset();
    return slot.show([&workspace] { return new FrmSerial(workspace); });
}

} // namespace query
