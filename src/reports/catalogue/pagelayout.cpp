#include "reports/catalogue/pagelayout.h"

#include "common/fonts.h"
#include "common/textrules.h"
#include "store/fields.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <climits>
#include <vector>

namespace reports {

PageFont roleFont(FontRole role, double bodyPoints)
{
    const QString family = QStringLiteral("宋体");
    switch (role) {
    case FontRole::Title: return {family, 16, true};
    case FontRole::Note: return {family, 9};
    case FontRole::Caption: return {family, bodyPoints, true};
    case FontRole::Body: return {family, bodyPoints};
    case FontRole::Bold: return {family, bodyPoints, true};
    }
    return {};
}

QFont reportFont(FontRole role, double bodyPoints)
{
    const PageFont f = roleFont(role, bodyPoints);
    return common::cjkFont(f.family, f.points, f.bold, f.underline);
}

// Measured on a 720 dpi image so advances come out in tenths of a point.
struct TextFitter::Metrics {
    QImage device;
    QFontMetricsF metrics;
    std::vector<double> advances = std::vector<double>(0x10000, -1); // by UTF-16 unit, tenths of a point

    explicit Metrics(const QFont &font) : device(makeDevice()), metrics(font, &device) {}

    static QImage makeDevice()
    {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(28346);
        image.setDotsPerMeterY(28346);
        return image;
    }

    // Measuring each character once saves shaping every cell.
    double width(const QString &text)
    {
        double sum = 0;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (!drawnAlone(u))
                return metrics.horizontalAdvance(text);
            double &advance = advances[u];
            if (advance < 0)
                advance = metrics.horizontalAdvance(c);
            sum += advance;
        }
        return sum;
    }

    // The longest beginning that fits width with "…" after it, found from the
    // characters' advances where the text allows.
    QString elided(const QString &text, double width)
    {
        const QString mark = QStringLiteral("…");
        if (!std::all_of(text.cbegin(), text.cend(), [](QChar c) { return drawnAlone(c.unicode()); }))
            return metrics.elidedText(text, Qt::ElideRight, width);
        double used = this->width(mark);
        int length = 0;
        for (; length < text.size(); ++length) {
            used += this->width(text.mid(length, 1));
            if (used > width)
                break;
        }
        if (length > 0 && text.at(length - 1).isHighSurrogate())
            --length;
        return text.left(length) + mark;
    }
};

TextFitter::TextFitter(double bodyPoints) : m_bodyPoints(bodyPoints) {}

TextFitter::Metrics &TextFitter::metrics(FontRole role)
{
    auto &m = m_metrics[int(role)];
    if (!m)
        m = std::make_shared<Metrics>(reportFont(role, m_bodyPoints));
    return *m;
}

double TextFitter::width(const QString &text, FontRole role)
{
    return metrics(role).width(text) / 10.0;
}

QVector<double> TextFitter::widest(const QVector<ReportRow> &rows, const QVector<int> &columns, FontRole role)
{
    // Row by row: a long report's cells are far apart in memory.
    Metrics &m = metrics(role);
    QVector<double> widest(columns.size(), 0.0);
    for (const ReportRow &row : rows)
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i) < row.cells.size())
                widest[i] = std::max(widest.at(i), m.width(row.cells.at(columns.at(i))));
    for (double &w : widest)
        w /= 10.0;
    return widest;
}

QString TextFitter::fit(const QString &text, FontRole role, double width)
{
    Metrics &m = metrics(role);
    if (m.width(text) / 10.0 <= width)
        return text;
    return m.elided(text, width * 10.0);
}

QStringList TextFitter::wrap(const QString &text, FontRole role, double width)
{
    Metrics &m = metrics(role);
    if (m.width(text) / 10.0 <= width)
        return {text};
    const auto isBreak = [](QChar c) { return c == u'-' || c == u'/' || c == u' ' || c == u','; };
    QStringList lines;
    QString rest = text;
    while (!rest.isEmpty()) {
        int n = 1;
        while (n < rest.size() && (rest.at(n).isLowSurrogate() || m.width(rest.left(n + 1)) / 10.0 <= width))
            ++n;
        if (n < rest.size()) {
            for (int k = n - 1; k >= (n + 1) / 2; --k)
                if (isBreak(rest.at(k))) {
                    n = k + 1;
                    break;
                }
        }
        lines << rest.left(n);
        rest.remove(0, n);
    }
    return lines;
}

namespace {

constexpr double margin = 34;       // 12 mm
constexpr double kLinePoints = 0.6;
constexpr double cellPadding = 2;
constexpr double footerHeight = 20;
// The most lines a report's heading gives to what the report covers.
constexpr int maxScopeLines = 3;
// The share of its width a free-text column keeps when identifiers need more room.
constexpr double freeTextKeeps = 0.6;

enum class ColumnUse { Blank, FreeText, Whole };

QVector<ColumnUse> columnUses(const ReportDefinition &d)
{
    QVector<ColumnUse> uses;
    for (const ReportColumn &c : d.columns) {
        const store::FieldDef *f = store::findField(c.field);
        uses << (!f ? ColumnUse::Blank : f->printedWhole() ? ColumnUse::Whole : ColumnUse::FreeText);
    }
    return uses;
}

// Where each column stands, and which columns may hold a value printed
// whole that is wider than the column.
struct ColumnPlan {
    QVector<double> widths;
    QVector<int> wrapping;
};

// The definition's shares of the printable width, then room for the widest
// value of each column printed whole, taken from the free-text columns:
// first what their own values leave unused, then down to three fifths of
// their width (never below their caption). Columns to write in by hand keep
// their room.
ColumnPlan planColumns(const ReportDefinition &d, const QVector<ReportRow> &rows, double usable,
                       TextFitter &fitter)
{
    const QVector<ColumnUse> uses = columnUses(d);
    const int count = int(d.columns.size());
    double shares = 0;
    for (const ReportColumn &c : d.columns)
        shares += c.width;
    ColumnPlan plan;
    QVector<double> &widths = plan.widths;
    for (const ReportColumn &c : d.columns)
        widths << c.width / shares * usable;
    // The widest value of each column of a use, padded, by column.
    const auto widestOf = [&](ColumnUse use) {
        QVector<int> columns;
        for (int c = 0; c < count; ++c)
            if (uses.at(c) == use)
                columns << c;
        const QVector<double> measured = fitter.widest(rows, columns, FontRole::Body);
        QVector<double> widest(count, 0.0);
        for (int i = 0; i < columns.size(); ++i)
            widest[columns.at(i)] = measured.at(i) + 2 * cellPadding;
        return widest;
    };
    const QVector<double> whole = widestOf(ColumnUse::Whole);
    QVector<double> wanted(count, 0.0);
    double needed = 0;
    for (int c = 0; c < count; ++c) {
        if (uses.at(c) == ColumnUse::Whole) {
            wanted[c] = std::max(0.0, whole.at(c) - widths.at(c));
            needed += wanted.at(c);
        }
    }
    if (needed > 0) {
        const QVector<double> freeText = widestOf(ColumnUse::FreeText);
        QVector<double> idle(count, 0.0), yielding(count, 0.0);
        for (int c = 0; c < count; ++c) {
            if (uses.at(c) != ColumnUse::FreeText)
                continue;
            const double caption = fitter.width(d.columns.at(c).caption, FontRole::Caption) + 2 * cellPadding;
            const double floor = std::min(widths.at(c), std::max(widths.at(c) * freeTextKeeps, caption));
            const double comfort = std::clamp(freeText.at(c), floor, widths.at(c));
            idle[c] = widths.at(c) - comfort;
            yielding[c] = comfort - floor;
        }
        double missing = needed;
        for (const QVector<double> *room : {&idle, &yielding}) {
            double available = 0;
            for (double r : *room)
                available += r;
            const double taken = std::min(missing, available);
            if (taken <= 0)
                continue;
            for (int c = 0; c < count; ++c)
                widths[c] -= room->at(c) / available * taken;
            missing -= taken;
        }
        for (int c = 0; c < count; ++c)
            widths[c] += wanted.at(c) / needed * (needed - missing);
    }
    for (int c = 0; c < count; ++c)
        if (whole.at(c) > widths.at(c) + 1e-9)
            plan.wrapping << c;
    return plan;
}

// Places bands of rows top to bottom, starting a page with its header when a
// band does not fit, and hands each page on once it is complete. A counting
// builder places nothing: a row's height follows from its values alone, so
// where pages break follows from the rows and groups.
class PageBuilder {
public:
    using Take = std::function<void(ReportPage &&)>;

    // Only pages first .. end-1 (from 0) are placed and handed on; the others are counted.
    PageBuilder(const ReportDefinition &d, const QVector<ReportRow> &rows, const ReportHeading &heading,
                int pageCount, Take take, int first = 0, int end = INT_MAX)
        : m_def(d), m_rows(rows), m_fitter(d.fontPoints), m_frame(reportFrame(d)),
          m_pageCount(pageCount), m_take(std::move(take)), m_first(first), m_end(end), m_uses(columnUses(d))
    {
        const QSizeF size = m_frame.pageSize;
        m_rowHeight = d.fontPoints * 1.8;
        m_lineStep = d.fontPoints * 1.3;
        m_bottom = size.height() - margin - footerHeight;

        const ColumnPlan plan = planColumns(d, rows, size.width() - 2 * margin, m_fitter);
        double x = margin;
        for (double w : plan.widths) {
            m_columns.append(QRectF(x, 0, w, 0));
            x += w;
        }
        m_wrapping = plan.wrapping;
        for (const QString &t : d.totals) {
            for (int i = 0; i < d.columns.size(); ++i)
                if (d.columns.at(i).field == t) {
                    m_sumColumns.append(i);
                    break;
                }
        }
        // The scope stands left of the print date, on more lines when it must.
        m_printedText = printDateLabel(heading.printed);
        const double scopeWidth = right() - left() - m_fitter.width(m_printedText, FontRole::Note) - 12;
        m_scopeLines = m_fitter.wrap(heading.scope, FontRole::Note, scopeWidth);
        // A box's text can be thousands of characters long; the period comes first.
        if (m_scopeLines.size() > maxScopeLines) {
            const QString rest = m_scopeLines.mid(maxScopeLines - 1).join(QString());
            m_scopeLines.resize(maxScopeLines);
            m_scopeLines.last() = m_fitter.fit(rest, FontRole::Note, scopeWidth);
        }
    }

    // Returns the number of pages.
    int build()
    {
        newPage();
        QVector<double> grand(m_def.totals.size(), 0.0);
        int i = 0;
        while (i < m_rows.size()) {
            const QString group = m_rows.at(i).group;
            QVector<double> sums(m_def.totals.size(), 0.0);
            int count = 0;
            if (!m_def.groupField.isEmpty())
                groupHeader(group, false, rowHeight(i));
            for (; i < m_rows.size() && (m_def.groupField.isEmpty() || m_rows.at(i).group == group); ++i) {
                if (!fits(rowHeight(i))) {
                    newPage();
                    if (!m_def.groupField.isEmpty())
                        groupHeader(group, true, rowHeight(i));
                }
                placeRow(i);
                for (int t = 0; t < sums.size(); ++t)
                    sums[t] += m_rows.at(i).sums.value(t);
                ++count;
            }
            for (int t = 0; t < sums.size(); ++t)
                grand[t] += sums[t];
            if (!m_def.groupField.isEmpty())
                totalsBand(subtotalLabel(count), sums, FontRole::Bold);
        }
        totalsBand(totalLabel(int(m_rows.size())), grand, FontRole::Bold);
        finishPage();
        return m_pageNumber;
    }

private:
    bool counting() const { return !m_take || m_pageNumber <= m_first || m_pageNumber > m_end; }

    bool fits(double height) const { return m_y + height <= m_bottom; }

    void text(const QRectF &r, const QString &t, Qt::Alignment align, FontRole font)
    {
        if (!t.isEmpty() && !counting())
            m_page.items.append(PageItem::textAt(r, t, align, int(font)));
    }

    void line(double y, double left, double right)
    {
        if (!counting())
            m_page.items.append(PageItem::drawn(PageItem::Kind::Line, QRectF(left, y, right - left, 0), kLinePoints));
    }

    QRectF cell(int column, double height) const
    {
        const QRectF c = m_columns.at(column);
        return QRectF(c.x() + cellPadding, m_y, c.width() - 2 * cellPadding, height);
    }

    double left() const { return margin; }
    double right() const { return m_frame.pageSize.width() - margin; }

    void newPage()
    {
        finishPage();
        ++m_pageNumber;
        m_y = margin;
        const double width = right() - left();
        text(QRectF(left(), m_y, width, 26), m_def.title, Qt::AlignHCenter, FontRole::Title);
        m_y += 30;
        text(QRectF(left(), m_y, width, 14), m_printedText, Qt::AlignRight, FontRole::Note);
        for (const QString &line : m_scopeLines) {
            text(QRectF(left(), m_y, width, 14), line, Qt::AlignLeft, FontRole::Note);
            m_y += 16;
        }
        line(m_y, left(), right());
        for (int c = 0; c < m_def.columns.size() && !counting(); ++c) {
            const QRectF r = cell(c, m_rowHeight);
            text(r, m_fitter.fit(m_def.columns.at(c).caption, FontRole::Caption, r.width()),
                 m_def.columns.at(c).align, FontRole::Caption);
        }
        m_y += m_rowHeight;
        line(m_y, left(), right());
        m_y += 2;
    }

    void groupHeader(const QString &group, bool continued, double firstRowHeight)
    {
        // A group header alone at the foot of a page says nothing: keep it with a row.
        if (!fits(m_rowHeight + firstRowHeight))
            newPage();
        QString t = groupHeading(m_def, group);
        if (continued)
            t += QStringLiteral("（续）");
        text(QRectF(left(), m_y, right() - left(), m_rowHeight), t, Qt::AlignLeft, FontRole::Bold);
        m_y += m_rowHeight;
    }

    // One line, or as many lines as the widest value printed whole takes.
    double rowHeight(int index)
    {
        const ReportRow &row = m_rows.at(index);
        int lines = 1;
        for (int c : m_wrapping) {
            const QString value = row.cells.value(c);
            const double width = cell(c, 0).width();
            if (m_fitter.width(value, FontRole::Body) > width)
                lines = std::max(lines, int(m_fitter.wrap(value, FontRole::Body, width).size()));
        }
        return m_rowHeight + (lines - 1) * m_lineStep;
    }

    void placeRow(int index)
    {
        const ReportRow &row = m_rows.at(index);
        const double height = rowHeight(index);
        for (int c = 0; c < m_columns.size() && !counting(); ++c) {
            QRectF r = cell(c, m_rowHeight);
            const QString value = row.cells.value(c);
            if (m_uses.at(c) != ColumnUse::Whole) {
                text(r, m_fitter.fit(value, FontRole::Body, r.width()), m_def.columns.at(c).align, FontRole::Body);
                continue;
            }
            for (const QString &line : m_fitter.wrap(value, FontRole::Body, r.width())) {
                text(r, line, m_def.columns.at(c).align, FontRole::Body);
                r.translate(0, m_lineStep);
            }
        }
        m_page.rows.append(index);
        m_y += height;
    }

    // The label stands left of the first summed column, or on a line of its own
    // when that column is the first. Sums too wide for their columns (a whole
    // year's fees) are listed one a line with their captions instead, so
    // neighbouring figures never run into each other and none is shortened.
    void totalsBand(const QString &label, const QVector<double> &sums, FontRole font)
    {
        const int firstSum = m_sumColumns.isEmpty() ? int(m_columns.size()) : m_sumColumns.first();
        QStringList figures;
        bool fitColumns = true;
        for (int t = 0; t < m_sumColumns.size(); ++t) {
            figures << common::moneyText(sums.value(t));
            const double width = cell(m_sumColumns.at(t), m_rowHeight).width();
            if (m_fitter.fit(figures.last(), font, width) != figures.last())
                fitColumns = false;
        }
        const int sumLines = fitColumns ? 1 : int(figures.size());
        const double height = (firstSum == 0 ? 1 + sumLines : sumLines) * m_rowHeight + 4;
        if (!fits(height))
            newPage();
        line(m_y + 1, left(), right());
        m_y += 2;
        const double labelRight = firstSum == 0 || firstSum >= m_columns.size() ? right() : m_columns.at(firstSum).x();
        text(QRectF(left() + cellPadding, m_y, labelRight - left() - 2 * cellPadding, m_rowHeight), label,
             Qt::AlignLeft, font);
        if (firstSum == 0)
            m_y += m_rowHeight;
        if (fitColumns) {
            for (int t = 0; t < m_sumColumns.size(); ++t)
                text(cell(m_sumColumns.at(t), m_rowHeight), figures.at(t), Qt::AlignRight, font);
            m_y += m_rowHeight + 2;
            return;
        }
        const double sumsLeft = firstSum < m_columns.size() ? m_columns.at(firstSum).x() : left();
        for (int t = 0; t < m_sumColumns.size(); ++t) {
            const QString caption = m_def.columns.at(m_sumColumns.at(t)).caption;
            text(QRectF(sumsLeft, m_y, right() - sumsLeft - cellPadding, m_rowHeight),
                 QStringLiteral("%1：%2").arg(caption, figures.at(t)), Qt::AlignRight, font);
            m_y += m_rowHeight;
        }
        m_y += 2;
    }

    void finishPage()
    {
        if (m_pageNumber == 0)
            return;
        const double y = m_frame.pageSize.height() - margin - footerHeight + 6;
        text(QRectF(left(), y, right() - left(), 14),
             QStringLiteral("第 %1 页 共 %2 页").arg(m_pageNumber).arg(m_pageCount), Qt::AlignHCenter,
             FontRole::Note);
        if (!counting())
            m_take(std::move(m_page));
        m_page = ReportPage();
    }

    const ReportDefinition &m_def;
    const QVector<ReportRow> &m_rows;
    TextFitter m_fitter;
    LaidOutReport m_frame;
    int m_pageCount;
    Take m_take;
    int m_first;
    int m_end;
    ReportPage m_page;
    int m_pageNumber = 0;
    QVector<ColumnUse> m_uses;
    QVector<QRectF> m_columns;
    QVector<int> m_wrapping; // columns whose values may take more than one line
    QVector<int> m_sumColumns;
    QString m_printedText;
    QStringList m_scopeLines;
    double m_rowHeight = 16;
    double m_lineStep = 12;
    double m_bottom = 0;
    double m_y = 0;
};

} // namespace

LaidOutReport reportFrame(const ReportDefinition &definition)
{
    LaidOutReport frame = blankReport(definition.title, definition.paper, definition.orientation);
    for (const FontRole role : {FontRole::Title, FontRole::Note, FontRole::Caption, FontRole::Body, FontRole::Bold})
        frame.fonts.append(roleFont(role, definition.fontPoints));
    return frame;
}

int countReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                     const ReportHeading &heading)
{
    return PageBuilder(definition, rows, heading, 0, {}).build();
}

void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const ReportHeading &heading, int pageCount, int first, int end,
                       const std::function<void(ReportPage &&)> &take)
{
    PageBuilder(definition, rows, heading, pageCount, take, first, end).build();
}

void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const ReportHeading &heading, const std::function<void(ReportPage &&)> &take)
{
    const int pageCount = countReportPages(definition, rows, heading);
    layoutReportPages(definition, rows, heading, pageCount, 0, pageCount, take);
}

LaidOutReport layoutReport(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                           const ReportHeading &heading)
{
    LaidOutReport report = reportFrame(definition);
    layoutReportPages(definition, rows, heading, [&](ReportPage &&page) { report.pages.append(std::move(page)); });
    return report;
}

} // namespace reports
