#include "reports/ui/stationerypreview.h"

#include "reports/page/pagepaint.h"
#include "reports/forms/formrenderer.h"

#include <QImage>
#include <QPainter>

namespace reports {

StationeryPreview::StationeryPreview(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("stationeryPreview"));
    setMinimumSize(240, 280);
}

void StationeryPreview::setReport(const QString &report)
{
    common::Result<ReportLayout> layout = loadLayout(report);
    m_layout = layout.ok() ? std::optional(std::move(*layout)) : std::nullopt;
    update();
}

void StationeryPreview::setStationery(const common::Stationery &stationery)
{
    m_stationery = stationery;
    update();
}

void StationeryPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    if (!m_layout)
        return;
    const LaidOutReport calibration = layoutCalibration(*m_layout, m_stationery);
    const QSizeF sheetMm = calibration.pageSize / kPointsPerMm;
    const double scale = std::min((width() - 16) / sheetMm.width(), (height() - 16) / sheetMm.height());
    // Drawn at twice the shown size and scaled down, so thin lines and small
    // names stay legible; the sheet's resolution makes fonts keep their size.
    const double pxPerMm = 2 * scale * devicePixelRatioF();
    QImage sheet((sheetMm * pxPerMm).toSize(), QImage::Format_RGB32);
    sheet.setDotsPerMeterX(qRound(pxPerMm * 1000));
    sheet.setDotsPerMeterY(qRound(pxPerMm * 1000));
    sheet.fill(Qt::white);
    {
        QPainter onSheet(&sheet);
        onSheet.setRenderHint(QPainter::Antialiasing);
        paintReportPage(onSheet, calibration, 0, pxPerMm / kPointsPerMm);
    }
    const QSizeF shown = sheetMm * scale;
    const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    painter.fillRect(target.translated(3, 3), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, sheet);
}

} // namespace reports
