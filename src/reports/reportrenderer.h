#pragma once
// Draws a data report, one page per row, onto any paged device (preview,
// printer, PDF) in physical units, and tells what it drew where.
#include "common/sitesettings.h"
#include "reports/datasource.h"
#include "reports/reportlayout.h"

#include <QPageLayout>
#include <QRectF>

class QPagedPaintDevice;

namespace reports {

struct DrawnItem {
    int page = 0;       // 0-based
    QString name;
    ItemKind kind = ItemKind::Label;
    QString text;       // what a label or text box printed
    QRectF mm;          // the control's box from the printable corner of the sheet
    LayoutFont font;
    bool centred = false;
};

// The text a text box prints for a value; empty prints nothing.
QString fieldText(const QVariant &value);

// The sheet for a report: the shop's paper and orientation if set, otherwise
// the first of A4 portrait, A4 landscape, A3 portrait, A3 landscape that holds
// the band at its offset. No margins: the band is placed by the offset alone.
QPageLayout pageLayoutFor(const ReportLayout &layout, const common::Stationery &stationery);

// What one row puts on its page, without drawing. Pictures whose file is
// missing are left out, as are empty fields.
QVector<DrawnItem> pageItems(const ReportLayout &layout, const Row &row,
                             const common::ServicePoint &servicePoint, const QString &folder,
                             const common::Stationery &stationery, int page = 0);

class ReportRenderer {
public:
    // folder: where the pictures' files (报表/...) are found.
    ReportRenderer(ReportLayout layout, common::SiteSettings settings, QString folder);

    const ReportLayout &layout() const { return m_layout; }
    QPageLayout pageLayout() const;

    // Paints every row on its own page of device, which must not be painted
    // on yet. Returns what was drawn.
    QVector<DrawnItem> render(QPagedPaintDevice *device, const QVector<Row> &rows) const;
    common::Error renderToPdf(const QString &path, const QVector<Row> &rows) const;

private:
    common::Stationery stationery() const;

    ReportLayout m_layout;
    common::SiteSettings m_settings;
    QString m_folder;
};

} // namespace reports
