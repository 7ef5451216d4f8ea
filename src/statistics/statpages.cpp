#include "statistics/statpages.h"

#include "common/fonts.h"
#include "common/textrules.h"
#include "reports/page/pagepaint.h"
#include "statistics/stattext.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace statistics {

namespace {

using reports::PageFont;
using reports::PageItem;

constexpr double kMargin = 15 * reports::kPointsPerMm;
constexpr double kFoot = 16;     // the page number's band above the bottom margin
constexpr double kRow = 14;      // a table row
constexpr double kGap = 12;      // between blocks
constexpr double kPad = 3;       // inside a table cell
constexpr double kTileHeight = 46;
constexpr double kPlotHeight = 170;
constexpr double kBinsHeight = 120;
constexpr double kBarRow = 13;   // a repairer's bar
constexpr int kMaxSeries = 10;   // brands told apart by colour; the rest are one

// Told apart on screen and, by lightness, on a black-and-white printer.
const QColor &seriesColour(int i)
{
    static const QColor colours[kMaxSeries] = {
        QColor(0x1f, 0x4e, 0x79), QColor(0xe0, 0x8a, 0x2b), QColor(0x3a, 0x8f, 0x3a), QColor(0xc0, 0x39, 0x2b),
        QColor(0x7d, 0x5b, 0xa6), QColor(0x8c, 0x5a, 0x3c), QColor(0xd9, 0x7a, 0xb8), QColor(0x7f, 0x7f, 0x7f),
        QColor(0xb5, 0xb8, 0x2e), QColor(0x2b, 0xb0, 0xc0)};
    return colours[i % kMaxSeries];
}

QString otherBrands()
{
    return QStringLiteral("其余品牌");
}

enum class Role { Title, Section, Body, Bold, Small, TileLarge, TileMedium };

PageFont roleFont(Role role)
{
    const QString family = QStringLiteral("宋体");
    switch (role) {
    case Role::Title: return {family, 16, true};
    case Role::Section: return {family, 11, true};
    case Role::Body: return {family, 9};
    case Role::Bold: return {family, 9, true};
    case Role::Small: return {family, 7.5};
    case Role::TileLarge: return {family, 18, true};
    case Role::TileMedium: return {family, 13, true};
    }
    return {};
}

// An even step for an axis over 0..top, about four to a scale; whole for counts.
double axisStep(double top)
{
    if (top <= 0)
        return 1;
    const double raw = top / 4;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * magnitude >= raw)
            return std::max(1.0, m * magnitude);
    return std::max(1.0, 10 * magnitude);
}

class Pages {
public:
    explicit Pages(reports::LaidOutReport &report) : m_report(report), m_device(1, 1, QImage::Format_RGB32)
    {
        // Measured at 720 dpi, so advances come out in tenths of a point.
        m_device.setDotsPerMeterX(28346);
        m_device.setDotsPerMeterY(28346);
        for (Role r : {Role::Title, Role::Section, Role::Body, Role::Bold, Role::Small, Role::TileLarge,
                       Role::TileMedium})
            m_report.fontIndex(roleFont(r));
        left = kMargin;
        right = m_report.pageSize.width() - kMargin;
        top = kMargin;
        bottom = m_report.pageSize.height() - kMargin - kFoot;
        newPage();
    }

    double left, right, top, bottom;
    double y = 0;
    double width() const { return right - left; }

    int font(Role role) { return m_report.fontIndex(roleFont(role)); }

    const QFontMetricsF &metrics(Role role)
    {
        auto it = m_metrics.find(int(role));
        if (it == m_metrics.end()) {
            const PageFont f = roleFont(role);
            it = m_metrics.insert(int(role), QFontMetricsF(common::cjkFont(f.family, f.points, f.bold), &m_device));
        }
        return *it;
    }
    double textWidth(const QString &text, Role role) { return metrics(role).horizontalAdvance(text) / 10.0; }
    double lineHeight(Role role) { return metrics(role).height() / 10.0; }

    // text as it fits width: whole, or its longest beginning that fits with "…".
    QString fitted(const QString &text, Role role, double width)
    {
        if (textWidth(text, role) <= width)
            return text;
        const QString mark = QStringLiteral("…");
        for (qsizetype n = text.size() - 1; n > 0; --n) {
            if (text.at(n - 1).isHighSurrogate())
                continue;
            if (textWidth(text.left(n) + mark, role) <= width)
                return text.left(n) + mark;
        }
        return textWidth(mark, role) <= width ? mark : QString();
    }

    // Lines of at most width, broken between any two characters (Chinese
    // has no spaces to break at).
    QStringList wrapped(const QString &text, Role role, double width)
    {
        QStringList lines;
        QString rest = text;
        while (!rest.isEmpty()) {
            qsizetype n = 1;
            while (n < rest.size() && (rest.at(n).isLowSurrogate() || textWidth(rest.left(n + 1), role) <= width))
                ++n;
            lines << fitted(rest.left(n), role, width);
            rest = rest.mid(n);
        }
        return lines;
    }

    void newPage()
    {
        m_report.pages.append(reports::ReportPage());
        y = top;
    }
    bool fits(double height) const { return y + height <= bottom + 1e-6; }
    // Goes on to a new page unless height fits below; a page just begun
    // takes whatever comes.
    bool need(double height)
    {
        if (fits(height) || y <= top)
            return false;
        newPage();
        return true;
    }

    void text(const QRectF &rect, const QString &text, Qt::Alignment align, Role role,
              const QColor &colour = Qt::black)
    {
        const QString shown = fitted(text, role, rect.width());
        if (!shown.isEmpty())
            add(PageItem::textAt(rect, shown, align, font(role), colour));
    }
    void line(const QPointF &from, const QPointF &to, double pen = 0.6, const QColor &colour = Qt::black)
    {
        add(PageItem::drawn(PageItem::Kind::Line, QRectF(from, to), pen, colour));
    }
    void box(const QRectF &rect, double pen = 0.6) { add(PageItem::drawn(PageItem::Kind::Box, rect, pen)); }
    // A bar, named "chart/what it stands for" for whoever reads the pages.
    void fill(const QRectF &rect, const QColor &colour, const QString &name = {})
    {
        if (rect.width() > 0 && rect.height() > 0)
            add(PageItem::filledBox(rect, colour, name));
    }

    // A section's heading at y.
    void heading(const QString &text)
    {
        const double h = lineHeight(Role::Section) + 4;
        this->text(QRectF(left, y, width(), h), text, Qt::AlignLeft | Qt::AlignVCenter, Role::Section);
        y += h + 2;
    }
    double headingHeight() { return lineHeight(Role::Section) + 6; }

    // "第 N 页 共 M 页" at the foot of every page, now that M is known.
    void finish()
    {
        const int count = int(m_report.pages.size());
        const double h = lineHeight(Role::Small) + 2;
        for (int p = 0; p < count; ++p) {
            const QRectF at(left, bottom + kFoot - h, width(), h);
            const QString number = QStringLiteral("第 %1 页 共 %2 页").arg(p + 1).arg(count);
            m_report.pages[p].items.append(PageItem::textAt(at, fitted(number, Role::Small, at.width()),
                                                            Qt::AlignHCenter | Qt::AlignVCenter, font(Role::Small)));
        }
    }

private:
    void add(PageItem item) { m_report.pages.last().items.append(std::move(item)); }

    reports::LaidOutReport &m_report;
    QImage m_device;
    QHash<int, QFontMetricsF> m_metrics;
};

void layoutHeader(Pages &p, const ShopFigures &f)
{
    const double title = p.lineHeight(Role::Title) + 6;
    p.text(QRectF(p.left, p.y, p.width(), title), statisticsTitle(), Qt::AlignHCenter | Qt::AlignVCenter, Role::Title);
    p.y += title + 4;
    const double line = p.lineHeight(Role::Body) + 3;
    for (const QString &text : {periodLine(f), asOfLine(f)}) {
        p.text(QRectF(p.left, p.y, p.width(), line), text, Qt::AlignLeft | Qt::AlignVCenter, Role::Body);
        p.y += line;
    }
    p.y += kGap / 2;
}

// A row of boxed numbers under a caption; a number too wide for its box in
// the large size takes the medium one.
void layoutTiles(Pages &p, const QString &caption, const QVector<FigureLine> &lines)
{
    const double captionHeight = p.lineHeight(Role::Bold) + 4;
    p.need(captionHeight + kTileHeight);
    p.text(QRectF(p.left, p.y, p.width(), captionHeight), caption, Qt::AlignLeft | Qt::AlignVCenter, Role::Bold);
    p.y += captionHeight;
    const double gap = 8;
    const int n = int(lines.size());
    const double w = (p.width() - gap * (n - 1)) / n;
    for (int i = 0; i < n; ++i) {
        const QRectF tile(p.left + i * (w + gap), p.y, w, kTileHeight);
        p.box(tile, 0.8);
        const QRectF inside = tile.adjusted(4, 3, -4, -3);
        const double labelHeight = p.lineHeight(Role::Body) + 2;
        p.text(QRectF(inside.left(), inside.top(), inside.width(), labelHeight), lines.at(i).name,
               Qt::AlignHCenter | Qt::AlignVCenter, Role::Body);
        const QString value = figureText(lines.at(i));
        const Role size = p.textWidth(value, Role::TileLarge) <= inside.width() ? Role::TileLarge : Role::TileMedium;
        p.text(QRectF(inside.left(), inside.top() + labelHeight, inside.width(), inside.height() - labelHeight), value,
               Qt::AlignHCenter | Qt::AlignVCenter, size);
    }
    p.y += kTileHeight + kGap;
}

void layoutNotes(Pages &p, const QStringList &notes)
{
    if (notes.isEmpty())
        return;
    const double line = p.lineHeight(Role::Small) + 2;
    for (const QString &note : notes)
        for (const QString &part : p.wrapped(note, Role::Small, p.width())) {
            p.need(line);
            p.text(QRectF(p.left, p.y, p.width(), line), part, Qt::AlignLeft | Qt::AlignVCenter, Role::Small);
            p.y += line;
        }
    p.y += kGap / 2;
}

// A table of a name and numbers: the numbers' columns as wide as their widest
// value, the name taking the rest (never less than four characters, the
// numbers giving way). Continued under its heading and headings on every
// page it runs on to; the total closes it.
void layoutTable(Pages &p, const QString &title, const QStringList &captions, const QVector<QStringList> &rows,
                 const QStringList &total)
{
    const int columns = int(captions.size());
    QVector<double> widths(columns, 0.0);
    for (int c = 1; c < columns; ++c) {
        double w = std::max(p.textWidth(captions.at(c), Role::Bold), p.textWidth(total.value(c), Role::Bold));
        for (const QStringList &row : rows)
            w = std::max(w, p.textWidth(row.value(c), Role::Body));
        widths[c] = w + 2 * kPad + 4;
    }
    const double numbers = std::accumulate(widths.begin() + 1, widths.end(), 0.0);
    const double leastName = p.textWidth(QStringLiteral("维修人员"), Role::Bold) + 2 * kPad;
    if (p.width() - numbers < leastName)
        for (int c = 1; c < columns; ++c)
            widths[c] *= (p.width() - leastName) / numbers;
    widths[0] = p.width() - std::accumulate(widths.begin() + 1, widths.end(), 0.0);

    const auto cells = [&](const QStringList &cells, Role role) {
        double x = p.left;
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x + kPad, p.y, widths.at(c) - 2 * kPad, kRow);
            p.text(cell, cells.value(c), (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, role);
            x += widths.at(c);
        }
        p.y += kRow;
    };
    const auto top = [&](bool continued) {
        p.heading(continued ? title + QStringLiteral("（续）") : title);
        cells(captions, Role::Bold);
        p.line(QPointF(p.left, p.y), QPointF(p.right, p.y), 0.6);
    };

    p.need(p.headingHeight() + 3 * kRow);
    top(false);
    for (const QStringList &row : rows) {
        // The total is never left alone at the top of a page.
        if (p.need(kRow + (&row == &rows.last() ? kRow : 0)))
            top(true);
        cells(row, Role::Body);
        p.line(QPointF(p.left, p.y), QPointF(p.right, p.y), 0.2, Qt::gray);
    }
    if (p.need(kRow))
        top(true);
    p.line(QPointF(p.left, p.y), QPointF(p.right, p.y), 0.6);
    cells(total, Role::Bold);
    p.line(QPointF(p.left, p.y), QPointF(p.right, p.y), 0.6);
    p.y += kGap;
}

// Grid lines and their values up the left of a plot over 0..axisTop.
void layoutScale(Pages &p, const QRectF &plot, double axisTop, double step, double labelWidth)
{
    const double h = p.lineHeight(Role::Small);
    for (double v = 0; v <= axisTop + 1e-9; v += step) {
        const double at = plot.bottom() - v / axisTop * plot.height();
        if (v > 0)
            p.line(QPointF(plot.left(), at), QPointF(plot.right(), at), 0.3, Qt::lightGray);
        p.text(QRectF(plot.left() - labelWidth - 3, at - h / 2, labelWidth, h), QString::number(qint64(v)),
               Qt::AlignRight | Qt::AlignVCenter, Role::Small);
    }
    p.line(plot.bottomLeft(), plot.topLeft(), 0.8);
    p.line(plot.bottomLeft(), plot.bottomRight(), 0.8);
}

struct Series {
    QString name;
    QVector<int> values; // one per month
};

// The brands by jobs received over the months, most first; beyond the
// colours there are, the rest as one.
QVector<Series> monthlySeries(const MonthlyReceived &monthly)
{
    QVector<Series> series;
    for (int b = 0; b < monthly.brands.size(); ++b) {
        Series s{monthly.brands.at(b), {}};
        for (int m = 0; m < monthly.months.size(); ++m)
            s.values << monthly.counts.value(m).value(b);
        series << s;
    }
    const auto sum = [](const Series &s) { return std::accumulate(s.values.begin(), s.values.end(), 0); };
    std::stable_sort(series.begin(), series.end(), [&](const Series &a, const Series &b) { return sum(a) > sum(b); });
    if (series.size() > kMaxSeries) {
        Series rest{otherBrands(), QVector<int>(monthly.months.size(), 0)};
        for (int i = kMaxSeries - 1; i < series.size(); ++i)
            for (int m = 0; m < rest.values.size(); ++m)
                rest.values[m] += series.at(i).values.value(m);
        series.resize(kMaxSeries - 1);
        series << rest;
    }
    return series;
}

void layoutMonthlyChart(Pages &p, const MonthlyReceived &monthly)
{
    const int months = int(monthly.months.size());
    if (months == 0)
        return;
    const QVector<Series> series = monthlySeries(monthly);
    int highest = 0;
    for (int m = 0; m < months; ++m) {
        int sum = 0;
        for (const Series &s : series)
            sum += s.values.value(m);
        highest = std::max(highest, sum);
    }
    const double step = axisStep(highest);
    const double axisTop = std::max(step, std::ceil(highest / step) * step);

    // The legend's entries flow in lines under the plot.
    const double swatch = 8, entryGap = 12;
    const double legendLine = std::max(swatch, p.lineHeight(Role::Small)) + 4;
    QVector<QPointF> legendAt;
    {
        double x = 0, line = 0;
        for (const Series &s : series) {
            const double w = std::min(p.width(), swatch + 3 + p.textWidth(s.name, Role::Small));
            if (x > 0 && x + w > p.width()) {
                x = 0;
                ++line;
            }
            legendAt << QPointF(x, line * legendLine);
            x += w + entryGap;
        }
    }
    const double legendHeight = series.isEmpty() ? 0 : legendAt.last().y() + legendLine;
    const double small = p.lineHeight(Role::Small);
    const double labelWidth = p.textWidth(QString::number(qint64(axisTop)), Role::Small) + 2;
    p.need(p.headingHeight() + small + 2 + kPlotHeight + 3 + small + 6 + legendHeight);
    p.heading(QStringLiteral("每月接修（按品牌）"));
    const QRectF plot(p.left + labelWidth + 4, p.y + small + 2, p.width() - labelWidth - 4, kPlotHeight);
    layoutScale(p, plot, axisTop, step, labelWidth);

    const double slot = plot.width() / months;
    const double bar = slot * 0.62;
    // Year and month while every label fits its column, else the month alone.
    bool whole = true;
    for (const QDate &month : monthly.months)
        whole = whole && p.textWidth(monthLabel(month), Role::Small) <= slot - 2;
    for (int m = 0; m < months; ++m) {
        const double x = plot.left() + m * slot + (slot - bar) / 2;
        double base = plot.bottom();
        int sum = 0;
        for (int s = 0; s < series.size(); ++s) {
            const int count = series.at(s).values.value(m);
            if (count <= 0)
                continue;
            const double h = count / axisTop * plot.height();
            p.fill(QRectF(x, base - h, bar, h), seriesColour(s),
                   QStringLiteral("每月接修/%1/%2").arg(monthLabel(monthly.months.at(m)), series.at(s).name));
            base -= h;
            sum += count;
        }
        if (sum > 0)
            p.text(QRectF(plot.left() + m * slot, base - small - 1, slot, small), QString::number(sum),
                   Qt::AlignHCenter | Qt::AlignVCenter, Role::Small);
        const QDate month = monthly.months.at(m);
        p.text(QRectF(plot.left() + m * slot + 1, plot.bottom() + 3, slot - 2, small),
               whole ? monthLabel(month) : QStringLiteral("%1月").arg(month.month()), Qt::AlignHCenter | Qt::AlignVCenter,
               Role::Small);
    }
    const double legendTop = plot.bottom() + 3 + small + 6;
    for (int s = 0; s < series.size(); ++s) {
        const QPointF at(p.left + legendAt.at(s).x(), legendTop + legendAt.at(s).y());
        p.fill(QRectF(at.x(), at.y() + (legendLine - 4 - swatch) / 2, swatch, swatch), seriesColour(s));
        p.text(QRectF(at.x() + swatch + 3, at.y(), p.right - at.x() - swatch - 3, legendLine - 4), series.at(s).name,
               Qt::AlignLeft | Qt::AlignVCenter, Role::Small);
    }
    p.y = legendTop + legendHeight + kGap;
}

// One bar a repairer, across the page, as many pages as the repairers take.
void layoutRepairerChart(Pages &p, const QVector<RepairerRow> &rows)
{
    if (rows.isEmpty())
        return;
    double highest = 0, names = 0, values = 0;
    for (const RepairerRow &r : rows) {
        highest = std::max(highest, r.total);
        names = std::max(names, p.textWidth(r.repairer, Role::Small));
        values = std::max(values, p.textWidth(common::moneyText(r.total), Role::Small));
    }
    const double nameWidth = std::min(names, p.width() * 0.3) + 2;
    const double valueWidth = std::min(values, p.width() * 0.25) + 4;
    const double axisX = p.left + nameWidth + 4;
    const double longest = p.right - axisX - valueWidth - 3;
    const QString title = QStringLiteral("合计金额（按维修人员）");
    const double small = p.lineHeight(Role::Small);

    // Whole on one page when a page holds it, rather than a few bars left behind.
    const int pageRows = int((p.bottom - p.top - p.headingHeight()) / kBarRow);
    p.need(p.headingHeight() + std::min<int>(int(rows.size()), pageRows) * kBarRow);
    p.heading(title);
    double axisFrom = p.y;
    for (const RepairerRow &r : rows) {
        if (!p.fits(kBarRow)) {
            p.line(QPointF(axisX, axisFrom), QPointF(axisX, p.y), 0.8);
            p.newPage();
            p.heading(title + QStringLiteral("（续）"));
            axisFrom = p.y;
        }
        const double length = highest > 0 ? std::max(0.0, r.total) / highest * longest : 0;
        p.text(QRectF(p.left, p.y, nameWidth, kBarRow), r.repairer, Qt::AlignRight | Qt::AlignVCenter, Role::Small);
        p.fill(QRectF(axisX, p.y + (kBarRow - 8) / 2, length, 8), seriesColour(0),
               QStringLiteral("合计金额/") + r.repairer);
        p.text(QRectF(axisX + length + 3, p.y + (kBarRow - small) / 2, valueWidth, small),
               common::moneyText(r.total), Qt::AlignLeft | Qt::AlignVCenter, Role::Small);
        p.y += kBarRow;
    }
    p.line(QPointF(axisX, axisFrom), QPointF(axisX, p.y), 0.8);
    p.y += kGap;
}

void layoutTurnaroundChart(Pages &p, const QVector<TurnaroundBin> &bins)
{
    if (bins.isEmpty())
        return;
    int highest = 0;
    for (const TurnaroundBin &b : bins)
        highest = std::max(highest, b.jobs);
    const double step = axisStep(highest);
    const double axisTop = std::max(step, std::ceil(highest / step) * step);
    const double small = p.lineHeight(Role::Small);
    const double labelWidth = p.textWidth(QString::number(qint64(axisTop)), Role::Small) + 2;
    p.need(p.headingHeight() + small + 2 + kBinsHeight + 3 + small + 4);
    p.heading(QStringLiteral("维修周期分布（接货至发货）"));
    const QRectF plot(p.left + labelWidth + 4, p.y + small + 2, p.width() - labelWidth - 4, kBinsHeight);
    layoutScale(p, plot, axisTop, step, labelWidth);
    const double slot = plot.width() / bins.size();
    const double bar = slot * 0.6;
    for (int i = 0; i < bins.size(); ++i) {
        const TurnaroundBin &b = bins.at(i);
        const double h = b.jobs / axisTop * plot.height();
        const double x = plot.left() + i * slot;
        p.fill(QRectF(x + (slot - bar) / 2, plot.bottom() - h, bar, h), seriesColour(0),
               QStringLiteral("维修周期/") + b.label);
        p.text(QRectF(x, plot.bottom() - h - small - 1, slot, small), QString::number(b.jobs),
               Qt::AlignHCenter | Qt::AlignVCenter, Role::Small);
        p.text(QRectF(x + 1, plot.bottom() + 3, slot - 2, small), b.label, Qt::AlignHCenter | Qt::AlignVCenter,
               Role::Small);
    }
    p.y = plot.bottom() + 3 + small + kGap;
}

QVector<QStringList> brandCells(const QVector<BrandRow> &rows)
{
    QVector<QStringList> cells;
    for (const BrandRow &b : rows)
        cells << QStringList{b.brand,
                             QString::number(b.received),
                             QString::number(b.repaired),
                             daysText(b.meanDays),
                             daysText(b.medianDays),
                             common::moneyText(b.total)};
    return cells;
}

QStringList brandTotalCells(const QVector<BrandRow> &rows)
{
    int received = 0, repaired = 0;
    double total = 0;
    for (const BrandRow &b : rows) {
        received += b.received;
        repaired += b.repaired;
        total += b.total;
    }
    return {totalLabel(), QString::number(received), QString::number(repaired), {}, {}, common::moneyText(total)};
}

} // namespace

reports::LaidOutReport layoutStatistics(const ShopFigures &f)
{
    reports::LaidOutReport report = reports::blankReport(statisticsTitle(), QPageSize::A4, QPageLayout::Portrait);
    Pages p(report);
    layoutHeader(p, f);
    layoutTiles(p, QStringLiteral("截至 %1").arg(common::shortDate(f.today)), nowLines(f));
    layoutTiles(p, QStringLiteral("期间内接修的机器"), periodLines(f));
    layoutNotes(p, leftOutNotes(f.leftOut));

    QVector<QStringList> repairers;
    for (const RepairerRow &r : f.repairers)
        repairers << repairerCells(r);
    layoutTable(p, QStringLiteral("按维修人员"), repairerCaptions(), repairers, repairerTotalCells(f.repairers));
    layoutTable(p, QStringLiteral("按品牌"), brandCaptions(), brandCells(f.brands), brandTotalCells(f.brands));

    layoutMonthlyChart(p, f.monthly);
    layoutRepairerChart(p, f.repairers);
    layoutTurnaroundChart(p, f.turnaround);
    p.finish();
    return report;
}

common::Result<void> writeStatisticsPdf(const ShopFigures &f, const QString &path)
{
    return reports::writeReportPdf(layoutStatistics(f), path);
}

} // namespace statistics
