#include "workspace/lookupfills.h"

#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/jobdesk.h"
#include "workspace/lookups.h"
#include "workspace/pickwatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace workspace {

LookupFills::LookupFills(JobDesk &desk) : QObject(desk.workspaceWindow()), m_desk(desk)
{
    const WorkspaceControls &c = desk.controls();
    const auto onPick = [this](QComboBox *box, void (LookupFills::*slot)()) {
        connect(new PickWatcher(box), &PickWatcher::picked, this, slot);
    };
    onPick(c.cboAera, &LookupFills::onDistrictPicked);
    onPick(c.Combo13, &LookupFills::onPartPicked);
    onPick(c.Combo9, &LookupFills::onFindingPicked);
    onPick(c.cboRepairType, &LookupFills::onRepairTypePicked);
    onPick(c.cboPeople, &LookupFills::onRepairerPicked);
    onPick(c.cboRepair, &LookupFills::onRepairedPicked);
    connect(c.chkDisplay, &QCheckBox::clicked, this, &LookupFills::onRepairedClicked);
}

void LookupFills::onDistrictPicked()
{
    const WorkspaceControls &c = m_desk.controls();
    if (auto code = postcodeFor(c.cboAera->currentText()))
        c.cboMail->setEditText(*code);
}

void LookupFills::onPartPicked()
{
    const WorkspaceControls &c = m_desk.controls();
    if (auto code = materialCodeFor(c.Combo13->currentText(), c.cboType->currentText()))
        c.txtTingsCode->setText(*code);
}

void LookupFills::onFindingPicked()
{
    const WorkspaceControls &c = m_desk.controls();
    const auto fill = repairFor(c.Combo9->currentText(), c.cboType->currentText());
    if (!fill)
        return;
    c.Combo8->setEditText(fill->content);
    if (fill->code)
        c.txtCode->setText(*fill->code);
}

void LookupFills::onRepairTypePicked()
{
    if (auto fee = carryingFeeFor(m_desk.controls().cboRepairType->currentText()))
        m_desk.controls().info(26)->setText(*fee);
}

void LookupFills::onRepairerPicked()
{
    if (m_desk.controls().cboPeople->currentText().isEmpty())
        return;
    saveRepaired(true);
}

void LookupFills::onRepairedPicked()
{
    if (const auto repaired = repairedFromAnswer(m_desk.controls().cboRepair->currentText()))
        saveRepaired(*repaired);
}

void LookupFills::onRepairedClicked()
{
    if (m_desk.recordSet().hasCurrent())
        m_desk.saveNow();
}

void LookupFills::saveRepaired(bool repaired)
{
    if (!m_desk.recordSet().hasCurrent())
        return;
    m_desk.controls().chkDisplay->setChecked(repaired);
    m_desk.binder().touch(QStringLiteral("已修否"));
    m_desk.saveNow();
}

} // namespace workspace
