#include "reports/page/pagepaint.h"

#include "common/fonts.h"
#include "reports/page/outputfile.h"

#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <QVarLengthArray>
#include <algorithm>
#include <vector>

namespace reports {

namespace {

// The PDF writer's resolution: positions land on a 1/600 inch grid.
constexpr int kPdfDpi = 600;
// Pages are drawn in twentieths of a point: a font's size is taken in whole
// units of the painter's space, and sizes such as 10.5 pt must come out whole.
constexpr double kUnitsPerPoint = 20;

QRectF inUnits(const QRectF &points)
{
    return QRectF(points.topLeft() * kUnitsPerPoint, points.size() * kUnitsPerPoint);
}

} // namespace

struct PagePainter::Fonts {
    struct Glyph {
        int run;        // index into runs
        quint32 index;
        QPointF offset; // from the text's top left
    };
    struct Shaped {
        QVarLengthArray<Glyph, 2> glyphs;
        double width = 0;   // as drawn, with what bold adds after the last glyph
        double advance = 0; // to the next character
        double height = 0;
    };
    struct Face {
        QFont font;
        double height = 0;
        double overhang = 0; // width less advance
        double underlineAt = 0; // below the top of the line
        double underlineWidth = 0;
        // Indexed by UTF-16 unit: a lookup per character drawn must be cheap.
        std::vector<int> byUnit = std::vector<int>(0x10000, -1);
        std::vector<Shaped> characters;
    };
    // Glyphs of one raw font and one colour, collected over a page.
    struct Run {
        QRawFont font;
        QRgb colour;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };

    QPainter &painter;
    std::vector<std::unique_ptr<Face>> faces; // by the report's font index
    QVector<Run> runs;
    QHash<QString, QImage> pictures;

    explicit Fonts(QPainter &p) : painter(p) {}

    Face &face(const LaidOutReport &report, int index)
    {
        if (index >= int(faces.size()))
            faces.resize(index + 1);
        std::unique_ptr<Face> &f = faces[index];
        if (!f) {
            f = std::make_unique<Face>();
            const PageFont &page = report.fonts.value(index);
            // Sizes are in points; under a painter scaled to units the
            // device's own resolution is taken back out.
            f->font = common::cjkFont(page.family, page.points * kUnitsPerPoint * 72.0 / painter.device()->logicalDpiY(),
                                      page.bold, page.underline);
            const Shaped probe = shapeWhole(QStringLiteral("汉"), *f, qRgb(0, 0, 0));
            f->height = probe.height;
            f->overhang = probe.width - probe.advance;
            const QFontMetricsF metrics(f->font, painter.device());
            f->underlineAt = metrics.ascent() + metrics.underlinePos();
            f->underlineWidth = metrics.lineWidth();
        }
        return *f;
    }

    int runFor(const QRawFont &font, QRgb colour)
    {
        for (int i = 0; i < runs.size(); ++i)
            if (runs.at(i).colour == colour && runs.at(i).font == font)
                return i;
        runs.append({font, colour, {}, {}});
        return int(runs.size()) - 1;
    }

    Shaped shapeWhole(const QString &text, const Face &face, QRgb colour)
    {
        QTextLayout layout(text, face.font, painter.device());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        Shaped s;
        if (!line.isValid())
            return s;
        s.width = line.naturalTextWidth();
        s.advance = line.cursorToX(text.size());
        s.height = line.height();
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const int r = runFor(run.rawFont(), colour);
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (int i = 0; i < indexes.size(); ++i)
                s.glyphs.append({r, indexes.at(i), positions.at(i)});
        }
        return s;
    }

    // Black text is looked up per character; other colours are rare (the
    // calibration sheet's names) and shaped whole.
    const Shaped &character(char16_t c, Face &face)
    {
        int &slot = face.byUnit[c];
        if (slot < 0) {
            face.characters.push_back(shapeWhole(QString(QChar(c)), face, qRgb(0, 0, 0)));
            slot = int(face.characters.size()) - 1;
        }
        return face.characters[slot];
    }

    void add(const Shaped &shaped, QPointF origin)
    {
        for (const Glyph &g : shaped.glyphs) {
            Run &run = runs[g.run];
            run.glyphs.append(g.index);
            run.positions.append(origin + g.offset);
        }
    }

    void place(const LaidOutReport &report, const PageItem &item)
    {
        const QRectF rect = inUnits(item.rect);
        Face &f = face(report, item.font);
        const QRgb colour = item.colour.rgb();
        const bool perCharacter = colour == qRgb(0, 0, 0)
            && std::all_of(item.text.cbegin(), item.text.cend(), [](QChar c) { return drawnAlone(c.unicode()); });
        Shaped whole;
        double width = 0;
        double height = f.height;
        if (perCharacter) {
            for (QChar c : item.text)
                width += character(c.unicode(), f).advance;
            width += f.overhang;
        } else {
            whole = shapeWhole(item.text, f, colour);
            width = whole.width;
            height = whole.height;
        }
        double x = rect.left();
        if (item.align & Qt::AlignRight)
            x = rect.right() - width;
        else if (item.align & Qt::AlignHCenter)
            x = rect.center().x() - width / 2;
        const double y = item.align & Qt::AlignTop ? rect.top() : rect.center().y() - height / 2;
        const QPointF origin(x, y);
        if (perCharacter) {
            QPointF pen = origin;
            for (QChar c : item.text) {
                const Shaped &s = character(c.unicode(), f);
                add(s, pen);
                pen.rx() += s.advance;
            }
        } else {
            add(whole, origin);
        }
        if (f.font.underline()) {
            painter.setPen(QPen(item.colour, f.underlineWidth));
            const double at = y + f.underlineAt;
            painter.drawLine(QPointF(x, at), QPointF(x + width - f.overhang, at));
        }
    }

    void flush()
    {
        for (Run &run : runs) {
            if (run.glyphs.isEmpty())
                continue;
            QGlyphRun glyphRun;
            glyphRun.setRawFont(run.font);
            glyphRun.setGlyphIndexes(run.glyphs);
            glyphRun.setPositions(run.positions);
            painter.setPen(QColor::fromRgb(run.colour));
            painter.drawGlyphRun(QPointF(0, 0), glyphRun);
            run.glyphs.clear();
            run.positions.clear();
        }
    }

    const QImage &picture(const QString &file)
    {
        auto it = pictures.find(file);
        if (it == pictures.end())
            it = pictures.insert(file, QImage(file));
        return *it;
    }
};

PagePainter::PagePainter(QPainter &painter) : m_fonts(std::make_unique<Fonts>(painter)), m_painter(painter) {}

PagePainter::~PagePainter() = default;

void PagePainter::paint(const LaidOutReport &report, const ReportPage &page)
{
    m_painter.save();
    m_painter.scale(1 / kUnitsPerPoint, 1 / kUnitsPerPoint);
    // Pictures, rules and boxes first; the texts of the page go out last, over them.
    m_painter.setBrush(Qt::NoBrush);
    for (const PageItem &item : page.items) {
        const QRectF rect = inUnits(item.rect);
        const QPen pen(item.colour, item.pen * kUnitsPerPoint);
        switch (item.kind) {
        case PageItem::Kind::Text:
            m_fonts->place(report, item);
            break;
        case PageItem::Kind::Line:
            m_painter.setPen(pen);
            m_painter.drawLine(rect.topLeft(), rect.bottomRight());
            break;
        case PageItem::Kind::Box:
            if (item.fill.isValid()) {
                m_painter.setPen(item.pen > 0 ? pen : QPen(Qt::NoPen));
                m_painter.setBrush(item.fill);
                m_painter.drawRect(rect);
                m_painter.setBrush(Qt::NoBrush);
            } else {
                m_painter.setPen(pen);
                m_painter.drawRect(rect);
            }
            break;
        case PageItem::Kind::Circle:
            m_painter.setPen(pen);
            m_painter.drawEllipse(rect);
            break;
        case PageItem::Kind::Picture:
            m_painter.drawImage(rect, m_fonts->picture(item.text));
            break;
        }
    }
    m_fonts->flush();
    m_painter.restore();
}

namespace {

void paintScaled(QPainter &painter, PagePainter &pages, const LaidOutReport &report, const ReportPage &page,
                 double scale)
{
    painter.save();
    painter.scale(scale, scale);
    pages.paint(report, page);
    painter.restore();
}

} // namespace

void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale)
{
    if (index < 0 || index >= report.pages.size())
        return;
    painter.save();
    painter.scale(scale, scale);
    PagePainter(painter).paint(report, report.pages.at(index));
    painter.restore();
}

bool paintReportPages(const LaidOutReport &report, QPagedPaintDevice &device, int first, int end)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = device.logicalDpiX() / 72.0;
    PagePainter pages(painter);
    end = std::min<int>(end, report.pages.size());
    for (int p = first; p < end; ++p) {
        if (p > first)
            device.newPage();
        paintScaled(painter, pages, report, report.pages.at(p), scale);
    }
    return painter.end();
}

struct ReportPdfWriter::Open {
    std::unique_ptr<OutputFile> file; // none when writing into a device
    QPdfWriter writer;
    QPainter painter;
    std::unique_ptr<PagePainter> pages;
    int count = 0;

    explicit Open(std::unique_ptr<OutputFile> f) : file(std::move(f)), writer(file->device()) {}
    explicit Open(QIODevice *device) : writer(device) {}
};

ReportPdfWriter::ReportPdfWriter(const LaidOutReport &frame, const QString &path)
    : m_frame(frame), m_path(path)
{
    m_frame.pages.clear();
}

ReportPdfWriter::ReportPdfWriter(const LaidOutReport &frame, QIODevice *device)
    : m_frame(frame), m_device(device)
{
    m_frame.pages.clear();
}

ReportPdfWriter::~ReportPdfWriter() = default;

common::Result<void> ReportPdfWriter::begin()
{
    if (m_device) {
        m_open = std::make_unique<Open>(m_device);
    } else {
        auto file = std::make_unique<OutputFile>(m_path, OutputKind::Pdf);
        if (const auto e = file->open(); e.failed())
            return e;
        m_open = std::make_unique<Open>(std::move(file));
    }
    QPdfWriter &writer = m_open->writer;
    writer.setPageLayout(paperLayout(m_frame));
    writer.setResolution(kPdfDpi);
    writer.setTitle(m_frame.title);
    writer.setCreator(QStringLiteral("Corvale V3.0"));
    if (!m_open->painter.begin(&writer)) {
        m_open.reset();
        return OutputFile(m_path, OutputKind::Pdf).cannotWrite();
    }
    m_open->painter.setRenderHint(QPainter::Antialiasing);
    m_open->pages = std::make_unique<PagePainter>(m_open->painter);
    return {};
}

void ReportPdfWriter::addPage(const ReportPage &page)
{
    if (!m_open)
        return;
    if (m_open->count++ > 0)
        m_open->writer.newPage();
    paintScaled(m_open->painter, *m_open->pages, m_frame, page, kPdfDpi / 72.0);
}

common::Result<void> ReportPdfWriter::finish()
{
    if (!m_open)
        return OutputFile(m_path, OutputKind::Pdf).cannotWrite();
    m_open->pages.reset();
    const bool ended = m_open->painter.end();
    const std::unique_ptr<Open> open = std::move(m_open);
    if (!open->file)
        return ended ? common::Result<void>() : common::Error::failed(QStringLiteral("无法写入 PDF"));
    if (!ended) {
        open->file->discard();
        return open->file->cannotWrite();
    }
    return open->file->commit();
}

common::Result<void> writeReportPdf(const LaidOutReport &report, const QString &path)
{
    ReportPdfWriter writer(report, path);
    if (const auto e = writer.begin(); e.failed())
        return e;
    for (const ReportPage &page : report.pages)
        writer.addPage(page);
    return writer.finish();
}

} // namespace reports
