#include "reports/forms/formrenderer.h"

#include "common/fonts.h"
#include "common/textrules.h"
#include "common/twips.h"
#include "reports/catalogue/rows.h"
#include "reports/page/pagepaint.h"
#include "reports/forms/textfit.h"
#include "store/fields.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTextLayout>
#include <cmath>

namespace reports {

namespace {

constexpr double kRulePoints = 0.2 * kPointsPerMm;
constexpr double kThinPoints = 0.1 * kPointsPerMm;
// Texts are measured at the resolution of a fine printer.
constexpr int kMeasureDpi = 1200;
// Blank paper kept between a value that runs on and whatever comes next.
constexpr int kGapTwips = 20;

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

QRectF twipsToPoints(const QRect &twips, const QPointF &offset)
{
    return QRectF(common::twipsToPoints(twips.left()) + offset.x(), common::twipsToPoints(twips.top()) + offset.y(),
                  common::twipsToPoints(twips.width()), common::twipsToPoints(twips.height()));
}

QPointF offsetPoints(const common::Stationery &stationery)
{
    return QPointF(stationery.offsetXmm, stationery.offsetYmm) * kPointsPerMm;
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

PageFont pageFont(const LayoutFont &f, double points)
{
    return PageFont{f.family, points, f.bold, f.underline};
}

// Measures texts in one of a form's fonts as they will be drawn, in points.
class FontMeasure : public TextMeasure {
public:
    FontMeasure(const LayoutFont &font, const QImage *device) : m_font(font), m_device(device) {}

    double width(const QString &text, double points) override
    {
        return metrics(points).horizontalAdvance(text) * kPointsPerPixel;
    }

    QStringList lines(const QString &text, double points, double width, bool anywhere) override
    {
        QTextLayout layout(text, font(points), m_device);
        QTextOption option;
        option.setWrapMode(anywhere ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QStringList lines;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width / kPointsPerPixel);
            lines << text.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        lines.removeAll(QString());
        return lines;
    }

    double lineHeight(double points) override { return metrics(points).height() * kPointsPerPixel; }
    double descent(double points) override { return metrics(points).descent() * kPointsPerPixel; }

private:
    static constexpr double kPointsPerPixel = 72.0 / kMeasureDpi;

    QFont font(double points) const { return common::cjkFont(m_font.family, points, m_font.bold, m_font.underline); }

    const QFontMetricsF &metrics(double points)
    {
        auto it = m_metrics.find(points);
        if (it == m_metrics.end())
            it = m_metrics.insert(points, QFontMetricsF(font(points), m_device));
        return *it;
    }

    LayoutFont m_font;
    const QImage *m_device;
    QHash<double, QFontMetricsF> m_metrics;
};

// The measures of a form's fonts, each made once.
class FormMeasures {
public:
    FormMeasures() : m_device(1, 1, QImage::Format_Mono)
    {
        const int dotsPerMetre = qRound(kMeasureDpi / 0.0254);
        m_device.setDotsPerMeterX(dotsPerMetre);
        m_device.setDotsPerMeterY(dotsPerMetre);
    }

    TextMeasure &of(const LayoutFont &f)
    {
        const QString key = QStringLiteral("%1|%2|%3").arg(f.family).arg(f.bold).arg(f.underline);
        auto it = m_measures.find(key);
        if (it == m_measures.end())
            it = m_measures.emplace(key, std::make_unique<FontMeasure>(f, &m_device)).first;
        return *it->second;
    }

private:
    QImage m_device;
    std::map<QString, std::unique_ptr<FontMeasure>> m_measures;
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

// What a value on the form runs into: every other box and every rule, a
// rectangle by its four sides; the picture behind a form is paper.
struct Obstacle {
    QRect twips;
    int owner; // index of the layout item
};

QVector<Obstacle> obstaclesOf(const ReportLayout &layout)
{
    QVector<Obstacle> obstacles;
    for (int i = 0; i < layout.items.size(); ++i) {
        const LayoutItem &item = layout.items.at(i);
        const QRect r = item.twips;
        switch (item.kind) {
        case ItemKind::Label:
        case ItemKind::TextBox:
            obstacles.append({r, i});
            break;
        case ItemKind::Line:
            obstacles.append({QRect(r.left(), r.top(), std::max(1, r.width()), std::max(1, r.height())), i});
            break;
        case ItemKind::Rectangle:
            obstacles.append({QRect(r.left(), r.top(), r.width(), 1), i});
            obstacles.append({QRect(r.left(), r.top() + r.height(), r.width(), 1), i});
            obstacles.append({QRect(r.left(), r.top(), 1, r.height()), i});
            obstacles.append({QRect(r.left() + r.width(), r.top(), 1, r.height()), i});
            break;
        case ItemKind::Picture:
            break;
        }
    }
    return obstacles;
}

// How far a text keeps from a rule of the form: the rule's own half width
// and as much again as the rule is wide, so a digit never sits on the line.
constexpr int kRuleTwips = int(kRulePoints * 20 + 0.999);
constexpr int kClearTwips = kRuleTwips / 2 + kRuleTwips;

// The vertical rules of the form: lines, and the sides of rectangles.
QVector<QRect> verticalRules(const ReportLayout &layout)
{
    QVector<QRect> rules;
    for (const LayoutItem &item : layout.items) {
        const QRect r = item.twips;
        if (item.kind == ItemKind::Line && r.width() == 0)
            rules.append(r);
        else if (item.kind == ItemKind::Rectangle)
            rules << QRect(r.left(), r.top(), 0, r.height()) << QRect(r.left() + r.width(), r.top(), 0, r.height());
    }
    return rules;
}

// Box `index` drawn in by the vertical rules that touch or cross it: a
// field's box on the forms often starts on the rule before it (修理凭单's
// 宅电 on a double rule) or reaches over one (新飞鉴定卡's 型号 over Line6).
// The text keeps to the larger side, clear of the rule by its width.
QRect clearOfRules(const ReportLayout &layout, int index, const QVector<QRect> &rules)
{
    const QRect box = layout.items.at(index).twips;
    int left = box.left();
    int right = box.left() + box.width();
    const int middle = box.left() + box.width() / 2;
    for (const QRect &rule : rules) {
        const int x = rule.left();
        if (rule.top() >= box.top() + box.height() || rule.top() + rule.height() <= box.top())
            continue;
        if (x >= box.left() - kClearTwips && x <= middle)
            left = std::max(left, x + kClearTwips);
        else if (x > middle && x <= right + kClearTwips)
            right = std::min(right, x - kClearTwips);
    }
    // A box narrower than its rules' clearance is left as the form gives it.
    if (right - left < box.width() / 3)
        return box;
    return QRect(left, box.top(), right - left, box.height());
}

// The blank paper beside and below box `index` of the form (drawn in to
// `box`), in twips.
FitSpace spaceOf(const ReportLayout &layout, int index, const QRect &box, const QVector<Obstacle> &obstacles)
{
    const int boxRight = box.left() + box.width();
    const int boxBottom = box.top() + box.height();
    int right = layout.width;
    for (const Obstacle &o : obstacles) {
        const QRect r = o.twips;
        if (o.owner != index && r.top() < boxBottom && r.top() + r.height() > box.top()
            && r.left() >= boxRight - kGapTwips)
            right = std::min(right, r.left() - kGapTwips);
    }
    right = std::max(right, boxRight);
    int bottom = layout.detailHeight;
    for (const Obstacle &o : obstacles) {
        const QRect r = o.twips;
        if (o.owner != index && r.left() < right && r.left() + r.width() > box.left()
            && r.top() >= boxBottom - kGapTwips)
            bottom = std::min(bottom, r.top() - kGapTwips);
    }
    bottom = std::max(bottom, boxBottom);
    const auto points = [](int w, int h) { return QSizeF(common::twipsToPoints(w), common::twipsToPoints(h)); };
    return {points(box.width(), box.height()), points(right - box.left(), box.height()),
            points(right - box.left(), bottom - box.top())};
}

// The text a label or text box prints on this row; empty prints nothing.
QString itemText(const LayoutItem &item, const Row &row, const common::ServicePoint &servicePoint)
{
    if (item.kind == ItemKind::TextBox)
        return fieldText(row.value(item.field), item.field);
    return item.role.isEmpty() ? item.text : roleText(item.role, servicePoint);
}

class FormLayout {
public:
    FormLayout(const ReportLayout &layout, const common::ServicePoint &servicePoint, const QString &folder,
               const common::Stationery &stationery, LaidOutReport &report)
        : m_layout(layout), m_servicePoint(servicePoint), m_folder(folder), m_offset(offsetPoints(stationery)),
          m_obstacles(obstaclesOf(layout)), m_rules(verticalRules(layout)), m_report(report)
    {
    }

    ReportPage page(const Row &row)
    {
        ReportPage page;
        for (int i = 0; i < m_layout.items.size(); ++i) {
            const LayoutItem &item = m_layout.items.at(i);
            const QRectF at = twipsToPoints(item.twips, m_offset);
            switch (item.kind) {
            case ItemKind::Label:
            case ItemKind::TextBox:
                placeText(page, i, itemText(item, row, m_servicePoint));
                break;
            case ItemKind::Picture:
                if (const QString file = findPicture(m_folder, item.image); !file.isEmpty())
                    page.items.append(PageItem::picture(at, file, item.name));
                break;
            case ItemKind::Line:
                page.items.append(PageItem::drawn(PageItem::Kind::Line, at, kRulePoints, Qt::black, item.name));
                break;
            case ItemKind::Rectangle:
                page.items.append(PageItem::drawn(PageItem::Kind::Box, at, kRulePoints, Qt::black, item.name));
                break;
            }
        }
        return page;
    }

private:
    void placeText(ReportPage &page, int index, const QString &text)
    {
        if (text.isEmpty())
            return;
        const LayoutItem &item = m_layout.items.at(index);
        TextMeasure &measure = m_measures.of(item.font);
        const QRect clear = clearOfRules(m_layout, index, m_rules);
        const QRectF box = twipsToPoints(clear, m_offset);
        FitSpace space = spaceOf(m_layout, index, clear, m_obstacles);
        // A fixed caption is part of the form's drawing: it keeps to its box.
        if (item.kind == ItemKind::Label && item.role.isEmpty())
            space.runOn = space.room = space.box;
        const FittedText fitted = fitText(text, item.font.points, printedWhole(item), space, measure);
        const int font = m_report.fontIndex(pageFont(item.font, fitted.points));
        const double lineHeight = fitted.lines.size() > 1 ? measure.lineHeight(fitted.points) : box.height();
        const double width = fitted.runsOn ? space.room.width() : box.width();
        // A value that runs on starts where its box does.
        const Qt::Alignment align = Qt::AlignTop | (item.centred && !fitted.runsOn ? Qt::AlignHCenter : Qt::AlignLeft);
        for (int line = 0; line < fitted.lines.size(); ++line)
            page.items.append(PageItem::textAt(QRectF(box.left(), box.top() + line * lineHeight, width, lineHeight),
                                               fitted.lines.at(line), align, font, Qt::black, item.name));
    }

    const ReportLayout &m_layout;
    const common::ServicePoint &m_servicePoint;
    QString m_folder;
    QPointF m_offset;
    QVector<Obstacle> m_obstacles;
    QVector<QRect> m_rules;
    LaidOutReport &m_report;
    FormMeasures m_measures;
};

LaidOutReport blankSheet(const ReportLayout &layout, const common::Stationery &stationery, const QString &title)
{
    const QPageLayout sheet = pageLayoutFor(layout, stationery);
    return blankReport(title, sheet.pageSize().id(), sheet.orientation());
}

// The calibration sheet's drawing, in millimetres on the paper.
class CalibrationSheet {
public:
    CalibrationSheet(const ReportLayout &layout, const common::Stationery &stationery, const PrinterMargins &margins)
        : m_layout(layout), m_stationery(stationery), m_margins(margins),
          m_report(blankSheet(layout, stationery, layout.caption + QStringLiteral(" 校准页"))),
          m_origin(stationery.offsetXmm, stationery.offsetYmm),
          m_band(common::twipsToMm(layout.width), common::twipsToMm(layout.detailHeight))
    {
        const QSizeF paper = m_report.pageSize / kPointsPerMm;
        m_printable = QRectF(QPointF(0, 0), paper).marginsRemoved(margins.mm);
        m_note = m_report.fontIndex({QStringLiteral("宋体"), 6});
        m_caption = m_report.fontIndex({QStringLiteral("宋体"), 9});
    }

    LaidOutReport draw()
    {
        boxes();
        printableArea();
        // Crosshairs stand a whole number of millimetres inside the form's
        // corners, at least 10, and far enough in to print whole.
        const double arm = 5;
        const double inset = std::max({10.0, std::ceil(m_printable.left() - m_origin.x() + arm + 1),
                                       std::ceil(m_printable.top() - m_origin.y() + arm + 1),
                                       std::ceil(m_origin.x() + m_band.width() + arm + 1 - m_printable.right()),
                                       std::ceil(m_origin.y() + m_band.height() + arm + 1 - m_printable.bottom())});
        for (const QPointF corner : {QPointF(inset, inset), QPointF(m_band.width() - inset, inset),
                                     QPointF(inset, m_band.height() - inset),
                                     QPointF(m_band.width() - inset, m_band.height() - inset)})
            crosshair(m_origin + corner, arm);
        scales();
        captions(inset);
        m_report.pages.append(m_page);
        return m_report;
    }

private:
    void line(const QPointF &from, const QPointF &to, const QColor &colour = Qt::black)
    {
        m_page.items.append(
            PageItem::drawn(PageItem::Kind::Line, QRectF(from * kPointsPerMm, to * kPointsPerMm), kThinPoints, colour));
    }

    void text(const QRectF &mm, const QString &t, int font, Qt::Alignment align, const QColor &colour = Qt::black)
    {
        m_page.items.append(
            PageItem::textAt(QRectF(mm.topLeft() * kPointsPerMm, mm.size() * kPointsPerMm), t, align, font, colour));
    }

    void boxes()
    {
        for (const LayoutItem &item : m_layout.items) {
            const QRectF r = twipsToPoints(item.twips, m_origin * kPointsPerMm);
            const bool rule = item.kind == ItemKind::Line || item.kind == ItemKind::Rectangle;
            const QColor colour = rule ? QColor(Qt::black) : QColor(Qt::darkBlue);
            if (item.kind == ItemKind::Line) {
                m_page.items.append(PageItem::drawn(PageItem::Kind::Line, r, kThinPoints, colour, item.name));
                continue;
            }
            m_page.items.append(PageItem::drawn(PageItem::Kind::Box, r, kThinPoints, colour, item.name));
            if (const QString held = heldBy(item); !held.isEmpty())
                m_page.items.append(PageItem::textAt(r.adjusted(0.3 * kPointsPerMm, 0, 0, 0), held,
                                                     Qt::AlignLeft | Qt::AlignTop, m_note, Qt::darkGray, item.name));
        }
    }

    // What a box holds, as the shop knows it: the field, the caption, the
    // particulars, the picture's file; a rectangle of the form holds nothing.
    static QString heldBy(const LayoutItem &item)
    {
        switch (item.kind) {
        case ItemKind::TextBox:
            return item.field;
        case ItemKind::Label:
            return item.role.isEmpty() ? item.text.trimmed() : roleCaption(item.role);
        case ItemKind::Picture:
            return QStringLiteral("图片 %1").arg(QFileInfo(item.image).fileName());
        case ItemKind::Line:
        case ItemKind::Rectangle:
            break;
        }
        return {};
    }

    // The edge of what the printer prints, where it has margins.
    void printableArea()
    {
        if (m_margins.mm.isNull())
            return;
        const QRectF r = m_printable.adjusted(0.1, 0.1, -0.1, -0.1);
        m_page.items.append(PageItem::drawn(PageItem::Kind::Box,
                                            QRectF(r.topLeft() * kPointsPerMm, r.size() * kPointsPerMm), kThinPoints,
                                            Qt::gray));
    }

    void crosshair(const QPointF &at, double arm)
    {
        line(at - QPointF(arm, 0), at + QPointF(arm, 0));
        line(at - QPointF(0, arm), at + QPointF(0, arm));
        m_page.items.append(PageItem::drawn(
            PageItem::Kind::Circle, QRectF((at - QPointF(2, 2)) * kPointsPerMm, QSizeF(4, 4) * kPointsPerMm), kThinPoints));
    }

    // Millimetre scales along the form's top and left edges, numbered each
    // centimetre from its corner; moved in where the printer cannot print
    // the edge, and begun at the first millimetre it prints.
    void scales()
    {
        const double top = std::max(m_origin.y(), m_printable.top() + 0.5);
        const double left = std::max(m_origin.x(), m_printable.left() + 0.5);
        const double right = std::min(m_origin.x() + m_band.width(), m_printable.right() - 0.5);
        const double bottom = std::min(m_origin.y() + m_band.height(), m_printable.bottom() - 0.5);
        const auto tick = [](int mm) { return mm % 10 == 0 ? 4.0 : mm % 5 == 0 ? 3.0 : 1.5; };
        // The numbers of the top scale; the left scale's first ones would
        // stand on them in the corner, and are left out there.
        QVector<QRectF> numbers;
        for (int mm = int(std::ceil(left - m_origin.x())); m_origin.x() + mm <= right; ++mm) {
            const double x = m_origin.x() + mm;
            line(QPointF(x, top), QPointF(x, top + tick(mm)));
            if (mm % 10 == 0 && mm > 0) {
                const QRectF at(x + 0.5, top + 3.5, numberWidth(mm), 3);
                text(QRectF(at.topLeft(), QSizeF(10, 3)), QString::number(mm), m_note, Qt::AlignLeft | Qt::AlignTop);
                numbers << at;
            }
        }
        for (int mm = int(std::ceil(top - m_origin.y())); m_origin.y() + mm <= bottom; ++mm) {
            const double y = m_origin.y() + mm;
            line(QPointF(left, y), QPointF(left + tick(mm), y));
            const QRectF at(left + 4.5, y - 2.5, numberWidth(mm), 3);
            const bool onTop = std::any_of(numbers.begin(), numbers.end(), [&](const QRectF &n) {
                return n.adjusted(-1, -1, 1, 1).intersects(at);
            });
            if (mm % 10 == 0 && mm > 0 && !onTop)
                text(QRectF(at.topLeft(), QSizeF(10, 3)), QString::number(mm), m_note, Qt::AlignLeft | Qt::AlignTop);
        }
    }

    // How wide a scale number prints at 6 pt, in mm, with a little to spare.
    static double numberWidth(int mm) { return 1.3 * QString::number(mm).size() + 0.5; }

    void captions(double inset)
    {
        const QString offsets = QStringLiteral("校准页：%1　横向偏移 %2 mm　纵向偏移 %3 mm")
                                    .arg(m_layout.caption, common::numberText(m_stationery.offsetXmm),
                                         common::numberText(m_stationery.offsetYmm));
        const QString marks = QStringLiteral("十字中心距表格各角 %1 mm，刻度从表格左上角量起").arg(common::numberText(inset));
        const QMarginsF &m = m_margins.mm;
        const QString printer = m_margins.printer.isEmpty()
            ? QStringLiteral("PDF 文件，整张纸都印得到")
            : QStringLiteral("打印机“%1”印不到的边距：左 %2 mm　上 %3 mm　右 %4 mm　下 %5 mm（灰框以内印得到）")
                  .arg(m_margins.printer, common::numberText(m.left()), common::numberText(m.top()), common::numberText(m.right()),
                       common::numberText(m.bottom()));
        // Below the form where the printable sheet has room, else inside along its foot.
        const double height = 3 * 5;
        const double below = m_origin.y() + m_band.height() + 7;
        const double top = below + height <= m_printable.bottom() ? below : m_origin.y() + m_band.height() - inset - 6 - height;
        const double left = std::max(m_origin.x() + 8, m_printable.left() + 1);
        const double width = m_printable.right() - 1 - left;
        int row = 0;
        for (const QString &t : {offsets, marks, printer})
            text(QRectF(left, top + 5 * row++, width, 5), t, m_caption, Qt::AlignLeft | Qt::AlignTop);
    }

    const ReportLayout &m_layout;
    common::Stationery m_stationery;
    PrinterMargins m_margins;
    LaidOutReport m_report;
    ReportPage m_page;
    QPointF m_origin; // the form's corner on the paper, mm
    QSizeF m_band;    // the form's size, mm
    QRectF m_printable;
    int m_note = 0;
    int m_caption = 0;
};

} // namespace

QString fieldText(const QVariant &value, const QString &field)
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    const store::FieldDef *def = store::findField(field);
    if (!def)
        return text;
    switch (def->kind) {
    case store::FieldKind::Date:
    case store::FieldKind::PurchaseDate:
        // A purchase date may hold words such as 超保: those print as they are.
        if (const std::optional<QDate> date = common::parseDate(text))
            return common::shortDate(*date);
        return text;
    case store::FieldKind::Number:
        return cellText(value, def);
    default:
        return text;
    }
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

LaidOutReport layoutDataReport(const ReportLayout &layout, const QVector<Row> &rows,
                               const common::ServicePoint &servicePoint, const QString &folder,
                               const common::Stationery &stationery)
{
    LaidOutReport report = blankSheet(layout, stationery, layout.caption);
    FormLayout form(layout, servicePoint, folder, stationery, report);
    for (int r = 0; r < rows.size(); ++r) {
        report.pages.append(form.page(rows.at(r)));
        report.pages.last().rows = {r};
    }
    return report;
}

LaidOutReport layoutCalibration(const ReportLayout &layout, const common::Stationery &stationery,
                                const PrinterMargins &margins)
{
    return CalibrationSheet(layout, stationery, margins).draw();
}

QVector<const PageItem *> itemsInMargins(const ReportPage &page, const QSizeF &pageSize, const QMarginsF &marginsMm)
{
    const QRectF printable = QRectF(QPointF(0, 0), pageSize).marginsRemoved(marginsMm * kPointsPerMm);
    QVector<const PageItem *> outside;
    for (const PageItem &item : page.items) {
        // A rule has no width or height of its own.
        const QRectF r = item.rect.normalized().adjusted(0, 0, 0.01, 0.01);
        if (!printable.contains(r))
            outside.append(&item);
    }
    return outside;
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

LaidOutReport ReportRenderer::pages(const QVector<Row> &rows) const
{
    return layoutDataReport(m_layout, rows, m_settings.servicePoint, m_folder, stationery());
}

LaidOutReport ReportRenderer::calibration(const PrinterMargins &margins) const
{
    return layoutCalibration(m_layout, stationery(), margins);
}

common::Result<void> ReportRenderer::renderToPdf(const QString &path, const QVector<Row> &rows) const
{
    return writeReportPdf(pages(rows), path);
}

common::Result<void> ReportRenderer::calibrationToPdf(const QString &path) const
{
    return writeReportPdf(calibration(), path);
}

} // namespace reports
