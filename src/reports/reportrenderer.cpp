#include "reports/reportrenderer.h"

#include "common/fonts.h"
#include "common/twips.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace reports {

namespace {

constexpr double kRuleMm = 0.2;

// The named picture, or the same name with another common image suffix.
QString findPicture(const QString &folder, const QString &image)
{
    const QFileInfo named(QDir(folder).filePath(image));
    if (named.exists())
        return named.filePath();
    const QString base = named.dir().filePath(named.completeBaseName());
    for (const char *suffix : {".jpg", ".jpeg", ".png", ".bmp", ".JPG", ".PNG", ".BMP"}) {
        const QString candidate = base + QLatin1String(suffix);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

QRectF twipsToMmRect(const QRect &twips, const QPointF &offsetMm)
{
    return QRectF(common::twipsToMm(twips.left()) + offsetMm.x(),
                  common::twipsToMm(twips.top()) + offsetMm.y(), common::twipsToMm(twips.width()),
                  common::twipsToMm(twips.height()));
}

QPageSize::PageSizeId chooseSize(const QSizeF &needMm, QPageLayout::Orientation *orientation)
{
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::A3}) {
        const QSizeF sheet = QPageSize(id).size(QPageSize::Millimeter);
        if (needMm.width() <= sheet.width() && needMm.height() <= sheet.height()) {
            *orientation = QPageLayout::Portrait;
            return id;
        }
        if (needMm.width() <= sheet.height() && needMm.height() <= sheet.width()) {
            *orientation = QPageLayout::Landscape;
            return id;
        }
    }
    *orientation = QPageLayout::Portrait;
    return QPageSize::A3;
}

} // namespace

QString fieldText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    return value.toString();
}

QPageLayout pageLayoutFor(const ReportLayout &layout, const common::Stationery &stationery)
{
    const QSizeF need(common::twipsToMm(layout.width) + stationery.offsetXmm,
                      common::twipsToMm(layout.detailHeight) + stationery.offsetYmm);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPageSize::PageSizeId size = chooseSize(need, &orientation);
    if (stationery.paper)
        size = *stationery.paper;
    if (stationery.orientation)
        orientation = *stationery.orientation;
    return QPageLayout(QPageSize(size), orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QVector<DrawnItem> pageItems(const ReportLayout &layout, const Row &row,
                             const common::ServicePoint &servicePoint, const QString &folder,
                             const common::Stationery &stationery, int page)
{
    const QPointF offset(stationery.offsetXmm, stationery.offsetYmm);
    QVector<DrawnItem> items;
    for (const LayoutItem &item : layout.items) {
        DrawnItem drawn{page, item.name, item.kind, {}, twipsToMmRect(item.twips, offset), item.font,
                        item.centred};
        switch (item.kind) {
        case ItemKind::Label:
            drawn.text = item.role.isEmpty() ? item.text : roleText(item.role, servicePoint);
            break;
        case ItemKind::TextBox:
            drawn.text = fieldText(row.value(item.field));
            if (drawn.text.isEmpty())
                continue;
            break;
        case ItemKind::Picture:
            drawn.text = findPicture(folder, item.image);
            if (drawn.text.isEmpty())
                continue;
            break;
        case ItemKind::Line:
        case ItemKind::Rectangle:
            break;
        }
        items.append(drawn);
    }
    return items;
}

ReportRenderer::ReportRenderer(ReportLayout layout, common::SiteSettings settings, QString folder)
    : m_layout(std::move(layout)), m_settings(std::move(settings)), m_folder(std::move(folder))
{
}

common::Stationery ReportRenderer::stationery() const
{
    return m_settings.stationeryFor(m_layout.caption);
}

QPageLayout ReportRenderer::pageLayout() const
{
    return pageLayoutFor(m_layout, stationery());
}

namespace {

class FormItemPainter {
public:
    FormItemPainter(QPainter &painter, const QPagedPaintDevice &device)
        : m_p(painter), m_device(device),
          m_pxPerMmX(device.logicalDpiX() / common::kMmPerInch),
          m_pxPerMmY(device.logicalDpiY() / common::kMmPerInch)
    {
    }

    void draw(const DrawnItem &item)
    {
        const QRectF r = toDevice(item.mm);
        switch (item.kind) {
        case ItemKind::Label:
        case ItemKind::TextBox:
            drawText(r, item.text, item.font, item.centred);
            break;
        case ItemKind::Line:
            m_p.setPen(rulePen());
            m_p.drawLine(r.topLeft(), r.topLeft() + QPointF(r.width(), r.height()));
            break;
        case ItemKind::Rectangle:
            m_p.setPen(rulePen());
            m_p.setBrush(Qt::NoBrush);
            m_p.drawRect(r);
            break;
        case ItemKind::Picture:
            m_p.drawImage(r, QImage(item.text));
            break;
        }
    }

private:
    QRectF toDevice(const QRectF &mm) const
    {
        return QRectF(mm.x() * m_pxPerMmX, mm.y() * m_pxPerMmY, mm.width() * m_pxPerMmX,
                      mm.height() * m_pxPerMmY);
    }

    QPen rulePen() const { return QPen(Qt::black, kRuleMm * m_pxPerMmX); }

    void drawText(const QRectF &box, const QString &text, const LayoutFont &f, bool centred)
    {
        const QFont font = common::cjkFont(f.family, f.points, f.bold, f.underline);
        m_p.setFont(font);
        m_p.setPen(Qt::black);
        const QFontMetricsF metrics(font, &m_device);
        // A box of one line keeps its text on that line and cuts it at the
        // right edge, as the form's box would; a taller box wraps.
        const bool wraps = box.height() >= 2 * metrics.height();
        int flags = Qt::AlignTop | (centred ? Qt::AlignHCenter : Qt::AlignLeft);
        if (wraps)
            flags |= Qt::TextWordWrap;
        const QRectF clip(box.left(), box.top(), box.width(),
                          wraps ? box.height() + metrics.descent() : std::max(box.height(), metrics.height()));
        m_p.save();
        m_p.setClipRect(clip);
        m_p.drawText(clip, flags, text);
        m_p.restore();
    }

    QPainter &m_p;
    const QPagedPaintDevice &m_device;
    double m_pxPerMmX;
    double m_pxPerMmY;
};

} // namespace

QVector<DrawnItem> ReportRenderer::render(QPagedPaintDevice *device, const QVector<Row> &rows) const
{
    QVector<DrawnItem> all;
    QPainter painter;
    if (!painter.begin(device))
        return all;
    painter.setRenderHint(QPainter::Antialiasing);
    FormItemPainter pagePainter(painter, *device);
    const common::Stationery place = stationery();
    for (int page = 0; page < rows.size(); ++page) {
        if (page > 0)
            device->newPage();
        const QVector<DrawnItem> items =
            pageItems(m_layout, rows.at(page), m_settings.servicePoint, m_folder, place, page);
        for (const DrawnItem &item : items)
            pagePainter.draw(item);
        all += items;
    }
    painter.end();
    return all;
}

common::Error ReportRenderer::renderToPdf(const QString &path, const QVector<Row> &rows) const
{
    QPdfWriter writer(path);
    writer.setTitle(m_layout.caption);
    writer.setCreator(QStringLiteral("Corvale"));
    writer.setPageLayout(pageLayout());
    render(&writer, rows);
    // QPdfWriter only tells of a file it could not write by leaving it empty.
    if (QFileInfo(path).size() <= 0)
        return common::Error::failed(QStringLiteral("无法写入文件：%1").arg(path));
    return {};
}

} // namespace reports
