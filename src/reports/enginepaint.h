#pragma once
// Draws laid-out pages. Preview, printer and PDF all go through paintReportPage.
#include "common/result.h"
#include "reports/enginelayout.h"

#include <memory>

class QIODevice;
class QPainter;
class QPagedPaintDevice;

namespace reports {

// Draws page `index` with the page's top left at the painter's origin, scale
// device units per point.
void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale);

// Writes a PDF page by page, as pages are laid out, so no more than one
// page is held at a time.
class ReportPdfWriter {
public:
    // frame gives the title, paper and fonts; its pages are not looked at.
    ReportPdfWriter(const LaidOutReport &frame, const QString &path);
    // Writes into device, which must be open for writing.
    ReportPdfWriter(const LaidOutReport &frame, QIODevice *device);
    ~ReportPdfWriter();

    common::Result<void> begin();
    void addPage(const ReportPage &page);
    // Closes the file; an error when it could not be written.
    common::Result<void> finish();

private:
    struct Open;
    LaidOutReport m_frame;
    QString m_path;
    QIODevice *m_device = nullptr;
    std::unique_ptr<Open> m_open;
};

// Writes every page to a PDF file.
common::Result<void> writeReportPdf(const LaidOutReport &report, const QString &path);

// Draws pages first .. end-1 onto a printer (or any paged device), one sheet each.
void paintReportPages(const LaidOutReport &report, QPagedPaintDevice &device, int first, int end);

} // namespace reports
