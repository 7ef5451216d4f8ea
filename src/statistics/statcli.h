#pragma once
// corvale-render DATAFOLDER --statistics FROM TO OUT: the shop's figures for
// the days FROM to TO (both YYYY-MM-DD, both included) written as a workbook
// (.xlsx), pages (.pdf) or the table by repairer (.csv), from a scheduled job
// with no window. The shop is found as corvale-render finds it.
#include "common/result.h"
#include "statistics/figures.h"

#include <QStringList>

namespace statistics {

enum class StatisticsFile { Workbook, Pdf, Csv };

struct StatisticsCommand {
    QString folder;
    Period period;
    QString out; // absolute
    StatisticsFile kind = StatisticsFile::Workbook;
};

// True when the arguments (after the program's name) ask for the figures.
bool isStatisticsCommandLine(const QStringList &arguments);

// DATAFOLDER --statistics FROM TO OUT, nothing more; a day that is not
// YYYY-MM-DD on the calendar, FROM after TO, or OUT not ending in .xlsx, .pdf
// or .csv is refused in words.
common::Result<StatisticsCommand> parseStatisticsArgs(const QStringList &arguments);

// The figures written to path as kind says.
common::Result<void> writeStatisticsFile(const ShopFigures &f, StatisticsFile kind, const QString &path);

// Runs the command: 0 when the file was written, 1 when it could not be (the
// reason on stderr), 2 for arguments refused (the reason and the usage on stderr).
int runStatisticsCommand(const QStringList &arguments);

} // namespace statistics
