#include "reports/ui/printing.h"

#include "reports/datasource.h"
#include "reports/ui/paizi.h"

namespace reports {

PrintCommand::PrintCommand(QWidget *workspace) : QObject(workspace), m_workspace(workspace) {}

PrintCommand::~PrintCommand() = default;

void PrintCommand::run(std::optional<qint16> currentJob)
{
    // A source that cannot be read shows up when a report is opened; the
    // panel opens regardless.
    if (currentJob)
        DataSource::instance().selectJob(*currentJob);
    PaiZi::showPanel();
}

PaiZi *PrintCommand::panel() const { return PaiZi::loaded(); }

} // namespace reports
