#include "reports/paizi.h"

#include "common/twips.h"
#include "common/widgets.h"
#include "reports/reportengine.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace reports {

namespace {
QPointer<PaiZi> g_panel;
}

PaiZi::PaiZi(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("PaiZi"));
    setWindowTitle(QStringLiteral("报表打印"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(common::px(11430), common::px(8010));
    common::setBackColor(this, QColor(255, 192, 192));
    for (int i = 1; i <= kBrands; ++i) {
        m_frames[i] = new QGroupBox(this);
        m_frames[i]->setObjectName(QStringLiteral("FraPrn_%1").arg(i));
        m_frames[i]->resize(common::px(3645), common::px(2475));
    }
    load();
}

PaiZi *PaiZi::loaded() { return g_panel; }

PaiZi *PaiZi::showPanel()
{
    if (!g_panel)
        g_panel = new PaiZi;
    g_panel->show();
    g_panel->raise();
    g_panel->activateWindow();
    return g_panel;
}

void PaiZi::load()
{
    m_state = PanelState{};
    HideAll(0);
}

void PaiZi::HideAll(qint16 index)
{
    for (int i = 1; i <= kBrands; ++i)
        m_frames[i]->setVisible(false);
    if (index >= 1 && index <= kBrands)
        m_frames[index]->move(common::px(7600), common::px(1000));
}

void PaiZi::selectBrand(int index)
{
    HideAll(qint16(index));
    if (index >= 1 && index <= kBrands)
        m_frames[index]->setVisible(true);
}

QGroupBox *PaiZi::brandFrame(int index) const
{
    return index >= 1 && index <= kBrands ? m_frames[index] : nullptr;
}

PanelInputs PaiZi::inputs() const { return {}; }

void PaiZi::runCatalogueEntry(const QString &entry)
{
    const auto request = catalogueRequest(entry, inputs(), m_state);
    if (request)
        runReportRequest(*request, this);
}

void PaiZi::showDataReport(const QString &) {}

void PaiZi::buildTiles() {}
void PaiZi::buildBrandFrames() {}
void PaiZi::buildSettingsFrame() {}
void PaiZi::buildManagementFrame() {}
void PaiZi::buildEnvelopeFrame() {}

} // namespace reports
