#pragma once
// Draws a data report, one page per row, onto any paged device (preview,
// printer, PDF) in physical units, and tells what it drew where.
#include "common/result.h"
#include "common/sitesettings.h"
#include "reports/datasource.h"
#include "reports/reportlayout.h"

#include <QPageLayout>
#include <QRectF>
#include <functional>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace reports {

struct DrawnItem {
    int page = 0;       // 0-based
    QString name;
    ItemKind kind = ItemKind::Label;
    QString text;       // what a label or text box printed, fitted to its box
    QRectF mm;          // the control's box from the printable corner of the sheet
    LayoutFont font;    // as the layout gives it
    double points = 0;  // the size the text was printed at (smaller when it had to fit)
    bool cut = false;   // the text ends in the cut mark
    bool centred = false;
    bool wraps = false; // a box tall enough for two lines takes the text on several
};

// The text a text box of `field` prints for a value: dates in the short
// form, a purchase date that is not a date as it is; empty prints nothing.
QString fieldText(const QVariant &value, const QString &field);

// The sheet for a report: the shop's paper and orientation if set, otherwise
// the first of A4 portrait, A4 landscape, A3 portrait, A3 landscape that holds
// the band at its offset. No margins: the band is placed by the offset alone.
QPageLayout pageLayoutFor(const ReportLayout &layout, const common::Stationery &stationery);

// What one row puts on its page, without drawing, each text fitted to its
// box. Pictures whose file is missing are left out, as are empty fields.
QVector<DrawnItem> pageItems(const ReportLayout &layout, const Row &row,
                             const common::ServicePoint &servicePoint, const QString &folder,
                             const common::Stationery &stationery, int page = 0);

// The calibration sheet of a layout onto painter, whose device gives the
// resolution: every box drawn thin and named, crosshairs at the band's corners
// and millimetre scales from its top left corner, all at the stationery offset.
void paintCalibration(QPainter &painter, const QPaintDevice &device, const ReportLayout &layout,
                      const common::Stationery &stationery);

class ReportRenderer {
public:
    // folder: where the pictures' files (报表/...) are found.
    ReportRenderer(ReportLayout layout, common::SiteSettings settings, QString folder);

    const ReportLayout &layout() const { return m_layout; }
    const common::SiteSettings &settings() const { return m_settings; }
    QPageLayout pageLayout() const;

    // Paints every row on its own page of device, which must not be painted
    // on yet. Returns what was drawn.
    QVector<DrawnItem> render(QPagedPaintDevice *device, const QVector<Row> &rows) const;
    // The calibration sheet on one page of device.
    void renderCalibration(QPagedPaintDevice *device) const;

    common::Result<void> renderToPdf(const QString &path, const QVector<Row> &rows) const;
    common::Result<void> calibrationToPdf(const QString &path) const;

private:
    common::Stationery stationery() const;
    // Paints onto device; false when the painter could not begin.
    bool paintRows(QPagedPaintDevice *device, const QVector<Row> &rows, QVector<DrawnItem> *drawn) const;
    bool paintCalibrationPage(QPagedPaintDevice *device) const;
    common::Result<void> writePdf(const QString &path, const std::function<bool(QPagedPaintDevice *)> &paint) const;

    ReportLayout m_layout;
    common::SiteSettings m_settings;
    QString m_folder;
};

} // namespace reports
