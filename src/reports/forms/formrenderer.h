#pragma once
// Lays a data report out into the page model (pagemodel.h), one page per
// row: every label and field at its place on the form, the form moved on the
// paper by the shop's offsets for the report, every value fitted to its box
// (textfit.h). The calibration sheet of a form is laid out the same way.
// What is laid out is painted by pagepaint.h, on screen, printer and PDF alike.
#include "common/result.h"
#include "common/sitesettings.h"
#include "reports/forms/datasource.h"
#include "reports/page/pagemodel.h"
#include "reports/forms/formlayout.h"

#include <QMarginsF>
#include <QPageLayout>

namespace reports {

// The text a text box of `field` prints for a value: dates in the short
// form, a purchase date that is not a date as it is, fees as money and other
// numbers without an exponent; empty prints nothing.
QString fieldText(const QVariant &value, const QString &field);

// The sheet for a report: the shop's paper and orientation if set, otherwise
// the first of A4 portrait, A4 landscape, A3 portrait, A3 landscape that holds
// the band at its offset. No margins: the band is placed by the offset alone.
QPageLayout pageLayoutFor(const ReportLayout &layout, const common::Stationery &stationery);

// The pages of rows, one a row. A text's item is named after its control;
// a value broken over lines gives one item a line, all of that name.
// Pictures whose file is missing are left out, as are empty fields.
LaidOutReport layoutDataReport(const ReportLayout &layout, const QVector<Row> &rows,
                               const common::ServicePoint &servicePoint, const QString &folder,
                               const common::Stationery &stationery);

// What a printer cannot print: the margins its driver declares, in mm.
struct PrinterMargins {
    QString printer; // empty for a PDF file
    QMarginsF mm;
};

// The calibration sheet of a form: every box drawn thin and named at the
// stationery offset, crosshairs 10 mm inside the form's corners (further in
// where the printer's margin reaches further) and millimetre scales counted
// from the form's corner, all inside what the printer prints; the outline
// of the printable area and the margins as the driver gives them.
LaidOutReport layoutCalibration(const ReportLayout &layout, const common::Stationery &stationery,
                                const PrinterMargins &margins = {});

// The items of page that reach into the margins a printer cannot print on
// a sheet of size pageSize (points).
QVector<const PageItem *> itemsInMargins(const ReportPage &page, const QSizeF &pageSize, const QMarginsF &marginsMm);

class ReportRenderer {
public:
    // folder: where the pictures' files (报表/...) are found.
    ReportRenderer(ReportLayout layout, common::SiteSettings settings, QString folder);

    const ReportLayout &layout() const { return m_layout; }
    const common::SiteSettings &settings() const { return m_settings; }
    QPageLayout pageLayout() const;

    LaidOutReport pages(const QVector<Row> &rows) const;
    LaidOutReport calibration(const PrinterMargins &margins = {}) const;

    common::Result<void> renderToPdf(const QString &path, const QVector<Row> &rows) const;
    common::Result<void> calibrationToPdf(const QString &path) const;

private:
    common::Stationery stationery() const;

    ReportLayout m_layout;
    common::SiteSettings m_settings;
    QString m_folder;
};

} // namespace reports
