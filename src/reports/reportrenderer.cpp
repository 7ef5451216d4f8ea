#include "reports/reportrenderer.h"

#include "common/fonts.h"
#include "common/textrules.h"
#include "common/twips.h"
#include "reports/outputfile.h"
#include "reports/textfit.h"
#include "store/fields.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace reports {

namespace {

constexpr double kRuleMm = 0.2;
constexpr double kThinMm = 0.1;
// The PDF writer's resolution, at which texts are measured to fit their boxes.
constexpr int kMeasureDpi = 1200;

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

QFont layoutFont(const LayoutFont &f, double points)
{
    return common::cjkFont(f.family, points, f.bold, f.underline);
}

// A box of one line keeps its text on that line, as the form's box would; a
// box tall enough for two lines at the layout's size wraps.
bool wrapsAt(const QRectF &boxMm, const QFontMetricsF &metrics)
{
    return boxMm.height() / common::kMmPerInch * metrics.fontDpi() >= 2 * metrics.height();
}

// Measures texts as the PDF writer lays them out. A form has a handful of
// fonts, each measured with metrics made once.
class BoxMeasure {
public:
    BoxMeasure() : m_device(1, 1, QImage::Format_Mono)
    {
        const int dotsPerMetre = qRound(kMeasureDpi / 0.0254);
        m_device.setDotsPerMeterX(dotsPerMetre);
        m_device.setDotsPerMeterY(dotsPerMetre);
    }

    bool wraps(const QRectF &boxMm, const LayoutFont &f) { return wrapsAt(boxMm, metrics(f, f.points)); }

    FitsBox fitsIn(const QRectF &boxMm, const LayoutFont &f, bool wrapping)
    {
        const QSizeF box = boxMm.size() * (kMeasureDpi / common::kMmPerInch);
        return [this, box, f, wrapping](const QString &text, double points) {
            const QFontMetricsF &m = metrics(f, points);
            if (!wrapping)
                return m.horizontalAdvance(text) <= box.width();
            const QRectF used = m.boundingRect(QRectF(0, 0, box.width(), 1e6),
                                               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            return used.width() <= box.width() && used.height() <= box.height() + m.descent();
        };
    }

private:
    const QFontMetricsF &metrics(const LayoutFont &f, double points)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(f.family).arg(points).arg(f.bold).arg(f.underline);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.insert(key, QFontMetricsF(layoutFont(f, points), &m_device));
        return *it;
    }

    QImage m_device;
    QHash<QString, QFontMetricsF> m_metrics;
};

// Fixed captions keep every character, and so do the particulars that are,
// or carry, a number: the phone and fax lines, postcode, station code.
bool labelPrintedWhole(const LayoutItem &item)
{
    if (item.role.isEmpty())
        return true;
    static const QStringList numbers = {
        QStringLiteral("servicePoint.postcode"),    QStringLiteral("servicePoint.phone"),
        QStringLiteral("servicePoint.phoneFax"),    QStringLiteral("servicePoint.addressPhoneFax"),
        QStringLiteral("servicePoint.contactLine"), QStringLiteral("servicePoint.stationCode")};
    return numbers.contains(item.role);
}

bool printedWhole(const LayoutItem &item)
{
    if (item.kind == ItemKind::Label)
        return labelPrintedWhole(item);
    const store::FieldDef *field = store::findField(item.field);
    return field && field->printedWhole();
}

} // namespace

QString fieldText(const QVariant &value, const QString &field)
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    const store::FieldDef *def = store::findField(field);
    if (def && (def->kind == store::FieldKind::Date || def->kind == store::FieldKind::PurchaseDate)) {
        // A purchase date may hold words such as 超保: those print as they are.
        if (const std::optional<QDate> date = common::parseDate(text))
            return common::shortDate(*date);
    }
    return text;
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
    static BoxMeasure measure;
    const QPointF offset(stationery.offsetXmm, stationery.offsetYmm);
    QVector<DrawnItem> items;
    for (const LayoutItem &item : layout.items) {
        DrawnItem drawn{page, item.name, item.kind, {}, twipsToMmRect(item.twips, offset), item.font,
                        item.font.points, false, item.centred, false};
        switch (item.kind) {
        case ItemKind::Label:
            drawn.text = item.role.isEmpty() ? item.text : roleText(item.role, servicePoint);
            break;
        case ItemKind::TextBox:
            drawn.text = fieldText(row.value(item.field), item.field);
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
        if (item.kind == ItemKind::Label || item.kind == ItemKind::TextBox) {
            drawn.wraps = measure.wraps(drawn.mm, item.font);
            const FittedText fitted = fitText(drawn.text, item.font.points, printedWhole(item),
                                              measure.fitsIn(drawn.mm, item.font, drawn.wraps));
            drawn.text = fitted.text;
            drawn.points = fitted.points;
            drawn.cut = fitted.cut;
        }
        items.append(drawn);
    }
    return items;
}

namespace {

// Draws the items of a data report's form in millimetres onto a device.
class FormItemPainter {
public:
    FormItemPainter(QPainter &painter, const QPaintDevice &device)
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
            drawText(r, item.text, layoutFont(item.font, item.points), item.centred, item.wraps);
            break;
        case ItemKind::Line:
            m_p.setPen(pen(kRuleMm));
            m_p.drawLine(r.topLeft(), r.topLeft() + QPointF(r.width(), r.height()));
            break;
        case ItemKind::Rectangle:
            m_p.setPen(pen(kRuleMm));
            m_p.setBrush(Qt::NoBrush);
            m_p.drawRect(r);
            break;
        case ItemKind::Picture:
            m_p.drawImage(r, QImage(item.text));
            break;
        }
    }

    // The calibration sheet: boxes, crosshairs, scales, all from the band's corner.
    void drawCalibration(const ReportLayout &layout, const common::Stationery &stationery)
    {
        const QPointF origin(stationery.offsetXmm, stationery.offsetYmm);
        const QSizeF band(common::twipsToMm(layout.width), common::twipsToMm(layout.detailHeight));
        const QFont note = common::cjkFont(QStringLiteral("宋体"), 6);
        for (const LayoutItem &item : layout.items) {
            const QRectF r = toDevice(twipsToMmRect(item.twips, origin));
            m_p.setPen(pen(kThinMm, item.kind == ItemKind::Line || item.kind == ItemKind::Rectangle
                                        ? Qt::black : Qt::darkBlue));
            m_p.setBrush(Qt::NoBrush);
            if (item.kind == ItemKind::Line) {
                m_p.drawLine(r.topLeft(), r.topLeft() + QPointF(r.width(), r.height()));
                continue;
            }
            m_p.drawRect(r);
            const QString name = !item.field.isEmpty() ? item.field : !item.text.isEmpty() ? item.text : item.name;
            m_p.setFont(note);
            m_p.setPen(Qt::darkGray);
            m_p.drawText(r.adjusted(m_pxPerMmX * 0.3, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, name);
        }
        for (const QPointF corner : {origin, origin + QPointF(band.width(), 0),
                                     origin + QPointF(0, band.height()), origin + QPointF(band.width(), band.height())})
            crosshair(corner);
        scales(origin, band);
        m_p.setPen(Qt::black);
        m_p.setFont(common::cjkFont(QStringLiteral("宋体"), 9));
        const QString caption = QStringLiteral("校准页：%1　横向偏移 %2 mm　纵向偏移 %3 mm　（刻度从表格左上角量起）")
                                    .arg(layout.caption)
                                    .arg(stationery.offsetXmm, 0, 'f', 1)
                                    .arg(stationery.offsetYmm, 0, 'f', 1);
        // Below the band where the sheet has room, else along its foot.
        const QSizeF sheet = pageLayoutFor(layout, stationery).fullRect(QPageLayout::Millimeter).size();
        const double below = origin.y() + band.height() + 7;
        const double top = below + 5 <= sheet.height() ? below : origin.y() + band.height() - 6;
        m_p.drawText(toDevice(QRectF(origin.x() + 8, top, band.width(), 5)), Qt::AlignLeft | Qt::AlignTop, caption);
    }

private:
    QRectF toDevice(const QRectF &mm) const
    {
        return QRectF(mm.x() * m_pxPerMmX, mm.y() * m_pxPerMmY, mm.width() * m_pxPerMmX,
                      mm.height() * m_pxPerMmY);
    }
    QPointF toDevice(const QPointF &mm) const { return QPointF(mm.x() * m_pxPerMmX, mm.y() * m_pxPerMmY); }

    QPen pen(double mm, const QColor &colour = Qt::black) const { return QPen(colour, mm * m_pxPerMmX); }

    void crosshair(const QPointF &at)
    {
        m_p.setPen(pen(kThinMm));
        m_p.drawLine(toDevice(at - QPointF(5, 0)), toDevice(at + QPointF(5, 0)));
        m_p.drawLine(toDevice(at - QPointF(0, 5)), toDevice(at + QPointF(0, 5)));
        m_p.drawEllipse(toDevice(at), 2 * m_pxPerMmX, 2 * m_pxPerMmY);
    }

    // A millimetre scale along the band's top and left edges, numbered each centimetre.
    void scales(const QPointF &origin, const QSizeF &band)
    {
        m_p.setFont(common::cjkFont(QStringLiteral("宋体"), 6));
        for (int mm = 0; mm <= int(band.width()); ++mm) {
            const double tick = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 3 : 1.5;
            const QPointF at = origin + QPointF(mm, 0);
            m_p.setPen(pen(kThinMm));
            m_p.drawLine(toDevice(at), toDevice(at + QPointF(0, tick)));
            if (mm % 10 == 0 && mm > 0)
                m_p.drawText(toDevice(at + QPointF(0.5, 6)), QString::number(mm));
        }
        for (int mm = 0; mm <= int(band.height()); ++mm) {
            const double tick = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 3 : 1.5;
            const QPointF at = origin + QPointF(0, mm);
            m_p.setPen(pen(kThinMm));
            m_p.drawLine(toDevice(at), toDevice(at + QPointF(tick, 0)));
            if (mm % 10 == 0 && mm > 0)
                m_p.drawText(toDevice(at + QPointF(4.5, 1)), QString::number(mm));
        }
    }

    void drawText(const QRectF &box, const QString &text, const QFont &font, bool centred, bool wrapping)
    {
        m_p.setFont(font);
        m_p.setPen(Qt::black);
        int flags = Qt::AlignTop | (centred ? Qt::AlignHCenter : Qt::AlignLeft);
        if (wrapping)
            flags |= Qt::TextWordWrap;
        // The text was fitted to the box; a one-line box may be less tall
        // than the font, which then reaches below it as on the form.
        m_p.drawText(box, flags | Qt::TextDontClip, text);
    }

    QPainter &m_p;
    const QPaintDevice &m_device;
    double m_pxPerMmX;
    double m_pxPerMmY;
};

} // namespace

void paintCalibration(QPainter &painter, const QPaintDevice &device, const ReportLayout &layout,
                      const common::Stationery &stationery)
{
    FormItemPainter(painter, device).drawCalibration(layout, stationery);
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

bool ReportRenderer::paintRows(QPagedPaintDevice *device, const QVector<Row> &rows, QVector<DrawnItem> *drawn) const
{
    QPainter painter;
    if (!painter.begin(device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    FormItemPainter items(painter, *device);
    const common::Stationery place = stationery();
    for (int page = 0; page < rows.size(); ++page) {
        if (page > 0)
            device->newPage();
        const QVector<DrawnItem> onPage =
            pageItems(m_layout, rows.at(page), m_settings.servicePoint, m_folder, place, page);
        for (const DrawnItem &item : onPage)
            items.draw(item);
        *drawn += onPage;
    }
    return painter.end();
}

bool ReportRenderer::paintCalibrationPage(QPagedPaintDevice *device) const
{
    QPainter painter;
    if (!painter.begin(device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    paintCalibration(painter, *device, m_layout, stationery());
    return painter.end();
}

QVector<DrawnItem> ReportRenderer::render(QPagedPaintDevice *device, const QVector<Row> &rows) const
{
    QVector<DrawnItem> drawn;
    paintRows(device, rows, &drawn);
    return drawn;
}

void ReportRenderer::renderCalibration(QPagedPaintDevice *device) const
{
    paintCalibrationPage(device);
}

common::Result<void> ReportRenderer::writePdf(const QString &path,
                                       const std::function<bool(QPagedPaintDevice *)> &paint) const
{
    OutputFile file(path, OutputKind::Pdf);
    if (const auto e = file.open(); e.failed())
        return e;
    {
        QPdfWriter writer(file.device());
        writer.setTitle(m_layout.caption);
        writer.setCreator(QStringLiteral("Corvale"));
        writer.setPageLayout(pageLayout());
        if (!paint(&writer)) {
            file.discard();
            return file.cannotWrite();
        }
    }
    return file.commit();
}

common::Result<void> ReportRenderer::renderToPdf(const QString &path, const QVector<Row> &rows) const
{
    return writePdf(path, [&](QPagedPaintDevice *device) {
        QVector<DrawnItem> drawn;
        return paintRows(device, rows, &drawn);
    });
}

common::Result<void> ReportRenderer::calibrationToPdf(const QString &path) const
{
    return writePdf(path, [&](QPagedPaintDevice *device) { return paintCalibrationPage(device); });
}

} // namespace reports
