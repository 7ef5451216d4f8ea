#include "reports/ui/printing.h"

#include "reports/datasource.h"
#include "reports/ui/paizi.h"

namespace reports {

void printCommand(std::optional<qint16> currentJob, QWidget *)
{
    // A source that cannot be read shows up when a report is opened; the
    // panel opens regardless.
    if (currentJob)
        DataSource::instance().selectJob(*currentJob);
    PaiZi::showPanel();
}

} // namespace reports
