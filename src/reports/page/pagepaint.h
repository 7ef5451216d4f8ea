#pragma once
// The one painter of laid-out pages (pagemodel.h): previews, printers and
// PDF files all draw through it, with the page's corner at the paper's.
#include "common/result.h"
#include "reports/page/pagemodel.h"

#include <memory>

class QIODevice;
class QPainter;
class QPagedPaintDevice;

namespace reports {

// Draws laid-out pages onto one painter, one after another. Text goes out as
// glyph runs, every text of a page in one font as one run, as a PDF writer
// likes it best; glyphs are looked up once per character where the text
// allows (drawnAlone), any other text is shaped whole.
class PagePainter {
public:
    // painter: scaled so that one unit is one point, its origin at the paper's corner.
    explicit PagePainter(QPainter &painter);
    ~PagePainter();
    PagePainter(const PagePainter &) = delete;
    PagePainter &operator=(const PagePainter &) = delete;

    void paint(const LaidOutReport &report, const ReportPage &page);

private:
    struct Fonts;
    std::unique_ptr<Fonts> m_fonts;
    QPainter &m_painter;
};

// Draws page `index` with the page's top left at the painter's origin, scale
// device units per point.
void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale);

// Draws pages first .. end-1 onto a printer (or any paged device) set up for
// the report's paper from its corner, one sheet each. False when the device
// could not be painted on.
bool paintReportPages(const LaidOutReport &report, QPagedPaintDevice &device, int first, int end);

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

} // namespace reports
