#pragma once
// A report definition file under 报表/: our own JSON text, whatever its
// extension (.RPT or .PRN). It says what the report shows; the engine lays it out.
#include "common/result.h"

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace reports {

struct ReportColumn {
    QString field;   // empty: a blank column to write in by hand
    QString caption;
    double width = 20; // relative; the columns share the printable width
    Qt::Alignment align = Qt::AlignLeft;
};

struct ReportDefinition {
    QString title;
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double fontPoints = 9;
    QVector<ReportColumn> columns;
    QStringList sort;      // fields, ascending, after the group field
    QString groupField;    // empty: no groups
    QString groupCaption;
    QStringList totals;    // number fields summed per group and for the report
};

// Checks every field name against 客户信息, so a bad file is refused before
// anything is queried.
common::Result<ReportDefinition> parseReportDefinition(const QByteArray &text);
common::Result<ReportDefinition> loadReportDefinition(const QString &path);

// "报表\新飞月报表.PRN" → the path of that file below folder.
QString reportFilePath(const QString &folder, const QString &catalogueFile);
// Whether path lies inside the data folder's 报表 (after "..", links and all):
// the only definitions a request may name.
bool insideReportFolder(const QString &folder, const QString &path);

// The base names of the built-in definitions (e.g. "新飞月报表.PRN").
QStringList builtInDefinitionNames();

// Writes each built-in definition that is missing from folder/报表, or
// empty (what a full disk left); never overwrites one with content, as the
// shop may have edited it. Gives the names of the empty ones it rewrote.
// Fails, naming the file or folder, when one could not be written.
common::Result<QStringList> ensureReportDefinitions(const QString &folder);

} // namespace reports
