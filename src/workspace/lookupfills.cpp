#include "workspace/lookupfills.h"

#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/frmcorvale.h"
#include "workspace/lookups.h"
#include "workspace/pickwatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace workspace {

LookupFills::LookupFills(frmCorvale &window) : QObject(&window), m_window(window)
{
    const WorkspaceControls &c = window.controls();
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
    const WorkspaceControls &c = m_window.controls();
    if (auto code = postcodeFor(c.cboAera->currentText()))
        c.cboMail->setEditText(*code);
}

void LookupFills::onPartPicked()
{
    const WorkspaceControls &c = m_window.controls();
    if (auto code = materialCodeFor(c.Combo13->currentText(), c.cboType->currentText()))
        c.txtTingsCode->setText(*code);
}

void LookupFills::onFindingPicked()
{
    const WorkspaceControls &c = m_window.controls();
    const auto fill = repairFor(c.Combo9->currentText(), c.cboType->currentText());
    if (!fill)
        return;
    c.Combo8->setEditText(fill->content);
    if (fill->code)
        c.txtCode->setText(*fill->code);
}

void LookupFills::onRepairTypePicked()
{
    if (auto fee = carryingFeeFor(m_window.controls().cboRepairType->currentText()))
        m_window.txtInfo(26)->setText(*fee);
}

void LookupFills::onRepairerPicked()
{
    if (m_window.controls().cboPeople->currentText().isEmpty())
        return;
    saveRepaired(true);
}

void LookupFills::onRepairedPicked()
{
    const QString answer = m_window.controls().cboRepair->currentText();
    if (answer == QStringLiteral("是"))
        saveRepaired(true);
    else if (answer == QStringLiteral("否"))
        saveRepaired(false);
}

void LookupFills::onRepairedClicked()
{
    if (m_window.recordSet().hasCurrent())
        m_window.saveNow();
}

void LookupFills::saveRepaired(bool repaired)
{
    if (!m_window.recordSet().hasCurrent())
        return;
    m_window.controls().chkDisplay->setChecked(repaired);
    m_window.binder().touch(QStringLiteral("已修否"));
    m_window.saveNow();
}

} // namespace workspace
