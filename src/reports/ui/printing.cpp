#include "reports/ui/printing.h"

#include "reports/ui/paizi.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace reports {

PrintCommand::PrintCommand(QWidget *workspace) : QObject(workspace), m_workspace(workspace) {}

// The panel and its previews read the source: they go first.
PrintCommand::~PrintCommand() { m_panel.reset(); }

void PrintCommand::run(std::optional<qint16> currentJob)
{
    // A source that cannot be read shows up when a report is opened; the
    // panel opens regardless.
    if (currentJob)
        m_source.selectJob(*currentJob);
    const bool opening = !m_panel.get();
    PaiZi *panel = m_panel.ensure([this] { return new PaiZi(m_source, m_workspace); });
    if (opening && m_workspace) {
        QRect place = panel->frameGeometry();
        place.moveCenter(m_workspace->frameGeometry().center());
        // Over the workspace, but never off the screen it is on.
        const QRect screen = m_workspace->screen()->availableGeometry();
        place.moveLeft(std::clamp(place.left(), screen.left(), std::max(screen.left(), screen.right() - place.width())));
        place.moveTop(std::clamp(place.top(), screen.top(), std::max(screen.top(), screen.bottom() - place.height())));
        panel->move(place.topLeft());
    }
    m_panel.show([panel] { return panel; });
}

PaiZi *PrintCommand::panel() const { return m_panel.get(); }

} // namespace reports
