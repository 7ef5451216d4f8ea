#include "reports/enginelayout.h"

#include "common/fonts.h"

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

QString TextFitter::fit(const QString &text, FontRole role, double width)
{
    auto &m = m_metrics[int(role)];
    if (!m)
        m = std::make_shared<Metrics>(reportFont(role, m_bodyPoints));
    if (m->width(text) / 10.0 <= width)
        return text;
    return m->elided(text, width * 10.0);
}

namespace {

constexpr double margin = 34;       // 12 mm
constexpr double kLinePoints = 0.6;
constexpr double cellPadding = 2;
constexpr double footerHeight = 20;

// Places bands of rows top to bottom, starting a page with its header when a
// band does not fit, and hands each page on once it is complete. A counting
// builder places nothing: rows have fixed heights, so where pages break
// follows from the rows and groups alone.
class PageBuilder {
public:
    using Take = std::function<void(ReportPage &&)>;

    // Only pages first .. end-1 (from 0) are placed and handed on; the others are counted.
    PageBuilder(const ReportDefinition &d, const QVector<ReportRow> &rows, const QDate &printed,
                int pageCount, Take take, int first = 0, int end = INT_MAX)
        : m_def(d), m_rows(rows), m_printed(printed), m_fitter(d.fontPoints), m_frame(reportFrame(d)),
          m_pageCount(pageCount), m_take(std::move(take)), m_first(first), m_end(end)
    {
        const QSizeF size = m_frame.pageSize;
        m_rowHeight = d.fontPoints * 1.8;
        m_bottom = size.height() - margin - footerHeight;

        double totalWidth = 0;
        for (const ReportColumn &c : d.columns)
            totalWidth += c.width;
        double x = margin;
        const double usable = size.width() - 2 * margin;
        for (const ReportColumn &c : d.columns) {
            const double w = c.width / totalWidth * usable;
            m_columns.append(QRectF(x, 0, w, 0));
            x += w;
        }
        for (const QString &t : d.totals) {
            for (int i = 0; i < d.columns.size(); ++i)
                if (d.columns.at(i).field == t) {
                    m_sumColumns.append(i);
                    break;
                }
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
                groupHeader(group, false);
            for (; i < m_rows.size() && (m_def.groupField.isEmpty() || m_rows.at(i).group == group); ++i) {
                if (!fits(m_rowHeight)) {
                    newPage();
                    if (!m_def.groupField.isEmpty())
                        groupHeader(group, true);
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
        text(QRectF(left(), m_y, width, 14), QStringLiteral("打印日期：") + m_printed.toString(Qt::ISODate),
             Qt::AlignRight, FontRole::Note);
        m_y += 16;
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

    void groupHeader(const QString &group, bool continued)
    {
        // A group header alone at the foot of a page says nothing: keep it with a row.
        if (!fits(2 * m_rowHeight))
            newPage();
        QString t = groupHeading(m_def, group);
        if (continued)
            t += QStringLiteral("（续）");
        text(QRectF(left(), m_y, right() - left(), m_rowHeight), t, Qt::AlignLeft, FontRole::Bold);
        m_y += m_rowHeight;
    }

    void placeRow(int index)
    {
        const ReportRow &row = m_rows.at(index);
        for (int c = 0; c < m_columns.size() && !counting(); ++c) {
            const QRectF r = cell(c, m_rowHeight);
            text(r, m_fitter.fit(row.cells.value(c), FontRole::Body, r.width()),
                 m_def.columns.at(c).align, FontRole::Body);
        }
        m_page.rows.append(index);
        m_y += m_rowHeight;
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
            figures << QString::number(sums.value(t), 'f', 2);
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
    QDate m_printed;
    TextFitter m_fitter;
    LaidOutReport m_frame;
    int m_pageCount;
    Take m_take;
    int m_first;
    int m_end;
    ReportPage m_page;
    int m_pageNumber = 0;
    QVector<QRectF> m_columns;
    QVector<int> m_sumColumns;
    double m_rowHeight = 16;
    double m_bottom = 0;
    double m_y = 0;
};

} // namespace

QString groupHeading(const ReportDefinition &definition, const QString &group)
{
    return definition.groupCaption + QStringLiteral("：") + (group.isEmpty() ? QStringLiteral("（空）") : group);
}

QString subtotalLabel(int rows)
{
    return QStringLiteral("小计（%1 条）").arg(rows);
}

QString totalLabel(int rows)
{
    return QStringLiteral("总计（共 %1 条）").arg(rows);
}

LaidOutReport reportFrame(const ReportDefinition &definition)
{
    LaidOutReport frame = blankReport(definition.title, definition.paper, definition.orientation);
    for (const FontRole role : {FontRole::Title, FontRole::Note, FontRole::Caption, FontRole::Body, FontRole::Bold})
        frame.fonts.append(roleFont(role, definition.fontPoints));
    return frame;
}

int countReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows, const QDate &printed)
{
    return PageBuilder(definition, rows, printed, 0, {}).build();
}

void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const QDate &printed, int pageCount, int first, int end,
                       const std::function<void(ReportPage &&)> &take)
{
    PageBuilder(definition, rows, printed, pageCount, take, first, end).build();
}

void layoutReportPages(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                       const QDate &printed, const std::function<void(ReportPage &&)> &take)
{
    const int pageCount = countReportPages(definition, rows, printed);
    layoutReportPages(definition, rows, printed, pageCount, 0, pageCount, take);
}

LaidOutReport layoutReport(const ReportDefinition &definition, const QVector<ReportRow> &rows,
                           const QDate &printed)
{
    LaidOutReport report = reportFrame(definition);
    layoutReportPages(definition, rows, printed, [&](ReportPage &&page) { report.pages.append(std::move(page)); });
    return report;
}

} // namespace reports
