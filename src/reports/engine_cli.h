#pragma once
#include <QStringList>

namespace reports {

// True when the arguments ask for a report request: DATAFOLDER --file F [--formula X] OUT.
// OUT ending in .xlsx is written as an Excel workbook, in .csv as CSV, else as PDF.
bool isRequestCommandLine(const QStringList &arguments);

// Runs that request in DATAFOLDER into OUT without any window. arguments
// as QCoreApplication::arguments() gives them. Prints the engine's message to
// stderr and returns non-zero on failure.
int runRequestCli(const QStringList &arguments);

} // namespace reports
