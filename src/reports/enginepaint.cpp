#include "reports/enginepaint.h"

#include <QFileInfo>
#include <QGlyphRun>
#include <QTextLayout>
#include <QPainter>
#include <QPaintDevice>
#include <QPdfWriter>
#include <QPrinter>

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


// Shaped text by font role and string: reports repeat dates, models and fees
// on every page, and shaping is the dearest part of drawing text.
class ShapedTextCache {
public:
    struct Shaped {
        QList<QGlyphRun> runs;
        double width = 0;
        double height = 0;
    };

    const Shaped &get(const QString &text, int role, const QFont &font, QPaintDevice *device)
    {
        if (m_shaped.size() > 100000)
            m_shaped.clear();
        auto it = m_shaped.find({role, text});
        if (it != m_shaped.end())
            return *it;
        QTextLayout layout(text, font, device);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        Shaped s;
        if (line.isValid()) {
            s.runs = layout.glyphRuns();
            s.width = line.naturalTextWidth();
            s.height = line.height();
        }
        return *m_shaped.insert({role, text}, s);
    }

private:
    QHash<std::pair<int, QString>, Shaped> m_shaped;
};

void paintPage(QPainter &painter, const LaidOutReport &report, int index, double scale, ShapedTextCache &cache)
{
    if (index < 0 || index >= report.pages.size())
        return;
    painter.save();
    painter.scale(scale, scale);
    QPaintDevice *device = painter.device();
    const double dpi = device->logicalDpiY();
    QFont fonts[5];
    for (int r = 0; r < 5; ++r)
        fonts[r] = scaledFont(FontRole(r), report.bodyPoints, dpi);
    painter.setPen(QPen(Qt::black, 0.6));
    for (const PageItem &item : report.pages.at(index).items) {
        if (item.kind == PageItem::Kind::Line) {
            painter.drawLine(item.rect.topLeft(), item.rect.topRight());
            continue;
        }
        const int role = int(item.font);
        const ShapedTextCache::Shaped &shaped = cache.get(item.text, role, fonts[role], device);
        double x = item.rect.left();
        if (item.align & Qt::AlignRight)
            x = item.rect.right() - shaped.width;
        else if (item.align & Qt::AlignHCenter)
            x = item.rect.center().x() - shaped.width / 2;
        const QPointF origin(x, item.rect.center().y() - shaped.height / 2);
        for (const QGlyphRun &run : shaped.runs)
            painter.drawGlyphRun(origin, run);
    }
    painter.restore();
}

} // namespace

void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale)
{
    ShapedTextCache cache;
    paintPage(painter, report, index, scale, cache);
}

bool writeReportPdf(const LaidOutReport &report, const QString &path, QString *error)
{
    QPdfWriter writer(path);
    writer.setPageLayout(pageLayout(report));
    writer.setResolution(600);
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("Corvale V3.0"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = QStringLiteral("无法写入 PDF 文件 “%1”").arg(path);
        return false;
    }
    const double scale = writer.resolution() / 72.0;
    ShapedTextCache cache;
    for (int p = 0; p < report.pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        paintPage(painter, report, p, scale, cache);
    }
    if (!painter.end() || !QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("无法写入 PDF 文件 “%1”").arg(path);
        return false;
    }
    return true;
}

void printReport(const LaidOutReport &report, QPrinter &printer)
{
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const double scale = printer.resolution() / 72.0;
    ShapedTextCache cache;
    const int from = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int to = printer.toPage() > 0 ? std::min<int>(printer.toPage(), report.pages.size()) : report.pages.size();
    for (int p = from; p < to; ++p) {
        if (p > from)
            printer.newPage();
        paintPage(painter, report, p, scale, cache);
    }
}

} // namespace reports
