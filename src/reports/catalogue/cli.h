#pragma once
// corvale-render's command lines.
#include "common/result.h"
#include "common/shopcontext.h"

#include <QStringList>

namespace reports {

// True when the arguments ask for a report request: DATAFOLDER --file F [--formula X] OUT.
// OUT ending in .xlsx is written as an Excel workbook, in .csv as CSV, else as PDF.
bool isRequestCommandLine(const QStringList &arguments);

// Runs that request in DATAFOLDER into OUT without any window. arguments
// as QCoreApplication::arguments() gives them. Prints the engine's message to
// stderr and returns non-zero on failure.
int runRequestCli(const QStringList &arguments);

// The shop whose data folder is folder, found as the program finds it when
// it starts there: its settings (what cannot be read is said on stderr) and
// its jobs, on the server its settings name or in the folder's file.
common::Result<common::ShopContext> shopInFolder(const QString &folder);

} // namespace reports
