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
    const auto onPick = [this](const char *name, void (LookupFills::*slot)()) {
        connect(new PickWatcher(combo(name)), &PickWatcher::picked, this, slot);
    };
    onPick("cboAera", &LookupFills::onDistrictPicked);
    onPick("Combo13", &LookupFills::onPartPicked);
    onPick("Combo9", &LookupFills::onFindingPicked);
    onPick("cboRepairType", &LookupFills::onRepairTypePicked);
    onPick("cboPeople", &LookupFills::onRepairerPicked);
    onPick("cboRepair", &LookupFills::onRepairedPicked);
    connect(window.findChild<QCheckBox *>(QStringLiteral("chkDisplay")), &QCheckBox::clicked, this,
            &LookupFills::onRepairedClicked);
}

QComboBox *LookupFills::combo(const char *name) const
{
    return m_window.findChild<QComboBox *>(QString::fromLatin1(name));
}

void LookupFills::onDistrictPicked()
{
    if (auto code = postcodeFor(combo("cboAera")->currentText()))
        combo("cboMail")->setEditText(*code);
}

void LookupFills::onPartPicked()
{
    if (auto code = materialCodeFor(combo("Combo13")->currentText(), combo("cboType")->currentText()))
        m_window.findChild<QLineEdit *>(QStringLiteral("txtTingsCode"))->setText(*code);
}

void LookupFills::onFindingPicked()
{
    const auto fill = repairFor(combo("Combo9")->currentText(), combo("cboType")->currentText());
    if (!fill)
        return;
    combo("Combo8")->setEditText(fill->content);
    if (fill->code)
        m_window.findChild<QLineEdit *>(QStringLiteral("txtCode"))->setText(*fill->code);
}

void LookupFills::onRepairTypePicked()
{
    if (auto fee = carryingFeeFor(combo("cboRepairType")->currentText()))
        m_window.txtInfo(26)->setText(*fee);
}

void LookupFills::onRepairerPicked()
{
    if (combo("cboPeople")->currentText().isEmpty())
        return;
    saveRepaired(true);
}

void LookupFills::onRepairedPicked()
{
    const QString answer = combo("cboRepair")->currentText();
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
    m_window.findChild<QCheckBox *>(QStringLiteral("chkDisplay"))->setChecked(repaired);
    m_window.binder().touch(QStringLiteral("已修否"));
    m_window.saveNow();
}

} // namespace workspace
