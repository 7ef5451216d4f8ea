#include "reports/enginepaint.h"

#include <QFileInfo>
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

} // namespace

void paintReportPage(QPainter &painter, const LaidOutReport &report, int index, double scale)
{
    if (index < 0 || index >= report.pages.size())
        return;
    painter.save();
    painter.scale(scale, scale);
    const double dpi = painter.device()->logicalDpiY();
    QFont fonts[5];
    for (int r = 0; r < 5; ++r)
        fonts[r] = scaledFont(FontRole(r), report.bodyPoints, dpi);
    painter.setPen(QPen(Qt::black, 0.6));
    int current = -1;
    for (const PageItem &item : report.pages.at(index).items) {
        if (item.kind == PageItem::Kind::Line) {
            painter.drawLine(item.rect.topLeft(), item.rect.topRight());
            continue;
        }
        if (int(item.font) != current) {
            current = int(item.font);
            painter.setFont(fonts[current]);
        }
        painter.drawText(item.rect, int(item.align | Qt::AlignVCenter | Qt::TextSingleLine), item.text);
    }
    painter.restore();
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
    for (int p = 0; p < report.pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        paintReportPage(painter, report, p, scale);
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
    const int from = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int to = printer.toPage() > 0 ? std::min<int>(printer.toPage(), report.pages.size()) : report.pages.size();
    for (int p = from; p < to; ++p) {
        if (p > from)
            printer.newPage();
        paintReportPage(painter, report, p, scale);
    }
}

} // namespace reports
