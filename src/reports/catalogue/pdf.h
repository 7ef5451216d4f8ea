#pragma once
// A prepared report written to one PDF file. Qt's PDF writer spends most of
// the time of a long report compressing and writing glyphs, one page after
// another on one core; a long report is therefore written in two halves at
// once, each by its own writer, and the halves joined into one file.
#include "reports/catalogue/rows.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace reports {

// From this many pages on, the two halves are worth the thread and the join.
constexpr int pdfHalvesFromPages = 200;

// Lays out and writes every page of prepared to path, in two halves when the
// report has at least halvesFrom pages. On failure nothing is left at path.
common::Result<void> writePreparedPdf(const PreparedReport &prepared, const QString &path, int halvesFrom);

// Joins whole PDF documents, in order, into one file at path. The first
// part's title and creator are kept; page contents are copied as they are,
// still compressed.
common::Result<void> joinPdfs(const QList<QByteArray> &parts, const QString &path);

} // namespace reports
