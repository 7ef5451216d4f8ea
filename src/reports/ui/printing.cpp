#include "reports/ui/printing.h"

#include "common/sitesettings.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "reports/ui/paizi.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace reports {

PrintCommand::PrintCommand(QWidget *workspace, const common::ShopContext &shop)
    : QObject(workspace), m_workspace(workspace), m_shop(shop), m_source(shop.jobTable)
{
}

// The panel and its previews read the source: they go first.
PrintCommand::~PrintCommand() { m_panel.reset(); }

void PrintCommand::run(std::optional<qint16> currentJob)
{
    // A source that cannot be read shows up when a report is opened; the
    // panel opens regardless.
    if (currentJob)
        m_source.selectJob(*currentJob);
    const bool opening = !m_panel.get();
    PaiZi *panel = m_panel.ensure([this] {
        auto *made = new PaiZi(m_shop, m_source, m_workspace);
        connect(made, &PaiZi::placeholdersAboutToPrint, this, &PrintCommand::pointOutPlaceholders);
        return made;
    });
    // Over the workspace, but never off the screen it is on.
    if (opening && m_workspace)
        common::centreOver(panel, m_workspace->frameGeometry());
    m_panel.show([panel] { return panel; });
}

PaiZi *PrintCommand::panel() const { return m_panel.get(); }

void PrintCommand::pointOutPlaceholders(const QStringList &captions)
{
    if (m_placeholdersPointedOut)
        return;
    m_placeholdersPointedOut = true;
    const QString text = QStringLiteral("报表上本站的资料还是占位文字：%1。\n"
                                        "请在“基础资料设置”中填写本站的名称、地址、电话等，报表才会印上它们。\n\n"
                                        "现在就去填写吗？")
                             .arg(captions.join(QStringLiteral("、")));
    if (common::say(text, QStringLiteral("提示"), common::Icon::Information, common::Buttons::YesNo)
        == common::Answer::Yes)
        emit settingsRequested(common::SettingsPage::ServicePoint);
}

} // namespace reports
