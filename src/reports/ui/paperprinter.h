#pragma once
// Laid-out reports on the clerk's printer, with one page set-up for every
// report: the whole paper from its corner, no margins added, so a form lands
// where its PDF puts it whatever margins the printer's driver declares.
#include "reports/page/pagemodel.h"
#include "reports/forms/formrenderer.h"

#include "common/result.h"

#include <QPrinter>
#include <functional>

class QWidget;

namespace reports {

// Paper and orientation of the report, the whole sheet from its corner.
void setUpPrinter(QPrinter &printer, const LaidOutReport &report);

// What the printer's driver says it cannot print, in mm; none for a PDF file.
PrinterMargins printerMargins(const QPrinter &printer);

// The one notice of what falls into those margins: which report, which
// items; empty when everything lies within what the printer prints.
QString marginNotice(const LaidOutReport &report, const PrinterMargins &margins);

// Prints pages first .. end-1 (from 0) on printer, chosen in its dialog.
// What falls into the printer's margins is said once, not moved. A job the
// print system refuses, or a printer no longer there, is said at once with
// the printer's name and the reason; a job taken is watched for as long as
// keeper lives (the program passes the application: a clerk who closes the
// preview at once still hears of a printer that is off), and said when it
// waits (a paused printer, a printer that does not answer, a job stopped by
// an error) and again when it has printed or failed after that. False when
// nothing went to the printer.
bool printReport(QPrinter &printer, const LaidOutReport &report, int first, int end, QObject *keeper);

// The print dialog over parent, kept on the screen, then printReport for the
// pages chosen there.
void printWithDialog(QWidget *parent, const LaidOutReport &report);

// Asks where to save (dialog title, the file offered as name.suffix), adds
// the suffix to a name typed without one, writes, and says a failure.
void saveReportAs(const QString &dialogTitle, const QString &name, const QString &suffix, const QString &filter,
                  const std::function<common::Result<void>(const QString &)> &write);

} // namespace reports
