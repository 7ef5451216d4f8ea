#include "reports/enginepaint.h"

#include "reports/outputfile.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <QVarLengthArray>
#include <algorithm>
#include <vector>

namespace reports {

namespace {

// Font sizes are given in points; under a painter scaled to points the
// device's own resolution must be taken back out.
QFont scaledFont(FontRole role, double bodyPoints, double deviceDpi)
{
    QFont f = reportFont(role, bodyPoints);
    f.setPointSizeF(f.pointSizeF() * 72.0 / deviceDpi);
    return f;
}

QPageLayout pageLayout(const LaidOutReport &report)
{
    return QPageLayout(QPageSize(report.paper), report.orientation, QMarginsF(0, 0, 0, 0));
}


// Draws pages as a PDF writer likes them: every text of a page in one font
// goes out as one glyph run, as each drawn run costs a font lookup and a
// state change in the writer. Glyphs are looked up per character where the
// text allows (drawnAlone); any other text is shaped whole.
class CataloguePagePainter {
public:
    CataloguePagePainter(QPainter &painter, double bodyPoints) : m_painter(painter)
    {
        const double dpi = painter.device()->logicalDpiY();
        for (int r = 0; r < roleCount; ++r) {
            m_roles[r].font = scaledFont(FontRole(r), bodyPoints, dpi);
            const Shaped &probe = shapeWhole(QStringLiteral("汉"), m_roles[r]);
            m_roles[r].height = probe.height;
            m_roles[r].overhang = probe.width - probe.advance;
        }
    }

    void paint(const ReportPage &page)
    {
        m_painter.setPen(QPen(Qt::black, 0.6));
        for (const PageItem &item : page.items) {
            if (item.kind == PageItem::Kind::Line)
                m_painter.drawLine(item.rect.topLeft(), item.rect.topRight());
            else
                place(item);
        }
        flush();
    }

private:
    static constexpr int roleCount = 5;

    void flush()
    {
        for (Run &run : m_runs) {
            if (run.glyphs.isEmpty())
                continue;
            QGlyphRun glyphRun;
            glyphRun.setRawFont(run.font);
            glyphRun.setGlyphIndexes(run.glyphs);
            glyphRun.setPositions(run.positions);
            m_painter.drawGlyphRun(QPointF(0, 0), glyphRun);
            run.glyphs.clear();
            run.positions.clear();
        }
    }

    struct Glyph {
        int run;       // index into m_runs
        quint32 index;
        QPointF offset; // from the text's top left
    };
    struct Shaped {
        QVarLengthArray<Glyph, 2> glyphs;
        double width = 0;   // as drawn, with what bold adds after the last glyph
        double advance = 0; // to the next character
        double height = 0;
    };
    struct Role {
        QFont font;
        double height = 0;
        double overhang = 0; // width less advance
        // Indexed by UTF-16 unit: a lookup per character drawn must be cheap.
        std::vector<int> byUnit = std::vector<int>(0x10000, -1);
        std::vector<Shaped> characters;
    };
    // Glyphs of one raw font and one role, collected over a page.
    struct Run {
        QRawFont font;
        int role;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };

    int runFor(const QRawFont &font, int role)
    {
        for (int i = 0; i < m_runs.size(); ++i)
            if (m_runs.at(i).role == role && m_runs.at(i).font == font)
                return i;
        m_runs.append({font, role, {}, {}});
        return m_runs.size() - 1;
    }

    Shaped shapeWhole(const QString &text, Role &role)
    {
        const int roleIndex = int(&role - m_roles);
        QTextLayout layout(text, role.font, m_painter.device());
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
            const int r = runFor(run.rawFont(), roleIndex);
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (int i = 0; i < indexes.size(); ++i)
                s.glyphs.append({r, indexes.at(i), positions.at(i)});
        }
        return s;
    }

    const Shaped &character(char16_t c, Role &role)
    {
        int &slot = role.byUnit[c];
        if (slot < 0) {
            role.characters.push_back(shapeWhole(QString(QChar(c)), role));
            slot = int(role.characters.size()) - 1;
        }
        return role.characters[slot];
    }

    void place(const PageItem &item)
    {
        Role &role = m_roles[int(item.font)];
        const bool perCharacter = std::all_of(item.text.cbegin(), item.text.cend(),
                                              [](QChar c) { return drawnAlone(c.unicode()); });
        Shaped whole;
        double width = 0;
        double height = role.height;
        if (perCharacter) {
            for (QChar c : item.text)
                width += character(c.unicode(), role).advance;
            width += role.overhang;
        } else {
            whole = shapeWhole(item.text, role);
            width = whole.width;
            height = whole.height;
        }
        double x = item.rect.left();
        if (item.align & Qt::AlignRight)
            x = item.rect.right() - width;
        else if (item.align & Qt::AlignHCenter)
            x = item.rect.center().x() - width / 2;
        const QPointF origin(x, item.rect.center().y() - height / 2);
        if (perCharacter) {
            QPointF pen = origin;
            for (QChar c : item.text) {
                const Shaped &s = character(c.unicode(), role);
                add(s, pen);
                pen.rx() += s.advance;
            }
        } else {
            add(whole, origin);
        }
    }

    void add(const Shaped &shaped, QPointF origin)
    {
        for (const Glyph &g : shaped.glyphs) {
            Run &run = m_runs[g.run];
            run.glyphs.append(g.index);
            run.positions.append(origin + g.offset);
        }
    }

    QPainter &m_painter;
    Role m_roles[roleCount];
    QVector<Run> m_runs;
};

void paintPage(QPainter &painter, const LaidOutReport &report, int index, double scale,
               std::unique_ptr<CataloguePagePainter> &pagePainter)
{
    if (index < 0 || index >= report.pages.size())
        return;
    painter.save();
    painter.scale(scale, scale);
    if (!pagePainter)
        pagePainter = std::make_unique<CataloguePagePainter>(painter, report.bodyPoints);
    pagePainter->paint(report.pages.at(index));
    painter.restore();
}

} // namespace

void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale)
{
    std::unique_ptr<CataloguePagePainter> pagePainter;
    paintPage(painter, report, index, scale, pagePainter);
}

struct ReportPdfWriter::Open {
    std::unique_ptr<OutputFile> file; // none when writing into a device
    QPdfWriter writer;
    QPainter painter;
    std::unique_ptr<CataloguePagePainter> pagePainter;
    int pages = 0;

    explicit Open(std::unique_ptr<OutputFile> f) : file(std::move(f)), writer(file->device()) {}
    explicit Open(QIODevice *device) : writer(device) {}
};

ReportPdfWriter::ReportPdfWriter(const LaidOutReport &frame, const QString &path)
    : m_frame(frame), m_path(path)
{
}

ReportPdfWriter::ReportPdfWriter(const LaidOutReport &frame, QIODevice *device)
    : m_frame(frame), m_device(device)
{
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
    writer.setPageLayout(pageLayout(m_frame));
    writer.setResolution(600);
    writer.setTitle(m_frame.title);
    writer.setCreator(QStringLiteral("Corvale V3.0"));
    if (!m_open->painter.begin(&writer)) {
        m_open.reset();
        return OutputFile(m_path, OutputKind::Pdf).cannotWrite();
    }
    return {};
}

void ReportPdfWriter::addPage(const ReportPage &page)
{
    if (!m_open)
        return;
    if (m_open->pages++ > 0)
        m_open->writer.newPage();
    QPainter &painter = m_open->painter;
    painter.save();
    painter.scale(m_open->writer.resolution() / 72.0, m_open->writer.resolution() / 72.0);
    if (!m_open->pagePainter)
        m_open->pagePainter = std::make_unique<CataloguePagePainter>(painter, m_frame.bodyPoints);
    m_open->pagePainter->paint(page);
    painter.restore();
}

common::Result<void> ReportPdfWriter::finish()
{
    if (!m_open)
        return OutputFile(m_path, OutputKind::Pdf).cannotWrite();
    const bool ended = m_open->painter.end();
    const std::unique_ptr<Open> open = std::move(m_open);
    if (!open->file)
        return ended ? common::Error{} : common::Error::failed(QStringLiteral("无法写入 PDF"));
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

void paintReportPages(const LaidOutReport &report, QPagedPaintDevice &device, int first, int end)
{
    QPainter painter;
    if (!painter.begin(&device))
        return;
    const double scale = device.logicalDpiX() / 72.0;
    std::unique_ptr<CataloguePagePainter> pagePainter;
    end = std::min<int>(end, report.pages.size());
    for (int p = first; p < end; ++p) {
        if (p > first)
            device.newPage();
        paintPage(painter, report, p, scale, pagePainter);
    }
}

} // namespace reports
