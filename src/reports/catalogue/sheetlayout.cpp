#include "reports/catalogue/sheetlayout.h"

#include "store/fields.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <utility>

namespace reports {

namespace {

constexpr double widest = 50;   // longer free text runs under its neighbour, as in any sheet
constexpr double padding = 1.5;
// Bold headings are a little wider, and share their cell with the filter's button.
constexpr double headingFactor = 1.1;
constexpr double filterButton = 2;

enum class ColumnKind { Blank, Text, Number, Integer, Date, DateOrText };

QVector<ColumnKind> columnKinds(const ReportDefinition &d)
{
    QVector<ColumnKind> kinds;
    for (const ReportColumn &c : d.columns) {
        const store::FieldDef *f = store::findField(c.field);
        if (!f) {
            kinds << ColumnKind::Blank;
            continue;
        }
        switch (f->kind) {
        case store::FieldKind::Number: kinds << ColumnKind::Number; break;
        case store::FieldKind::JobNumber: kinds << ColumnKind::Integer; break;
        case store::FieldKind::Date: kinds << ColumnKind::Date; break;
        case store::FieldKind::PurchaseDate: kinds << ColumnKind::DateOrText; break; // "超保" and the like
        default: kinds << ColumnKind::Text; break;
        }
    }
    return kinds;
}

// The column each total is shown in (the first column of its field).
QVector<int> sumColumns(const ReportDefinition &d)
{
    QVector<int> columns;
    for (const QString &t : d.totals)
        for (int c = 0; c < d.columns.size(); ++c)
            if (d.columns.at(c).field == t) {
                columns << c;
                break;
            }
    return columns;
}

// Calls take(first, end) for each run of rows of one group; the whole report
// is one run when it has no groups.
template <typename Take>
void forEachGroup(const PreparedReport &r, Take take)
{
    const bool grouped = !r.definition.groupField.isEmpty();
    for (int first = 0; first < r.rows.size();) {
        int end = first + 1;
        while (end < r.rows.size() && (!grouped || r.rows.at(end).group == r.rows.at(first).group))
            ++end;
        take(first, end);
        first = end;
    }
}

QVector<double> sumsOf(const PreparedReport &r, int first, int end)
{
    QVector<double> sums(r.definition.totals.size(), 0.0);
    for (int i = first; i < end; ++i)
        for (int t = 0; t < sums.size(); ++t)
            sums[t] += r.rows.at(i).sums.value(t);
    return sums;
}

// The cell of a record, as the column's kind stores it; nothing for an empty one.
std::optional<SheetCell> recordCell(const ReportRow &row, int column, ColumnKind kind)
{
    SheetCell cell;
    cell.column = column;
    switch (kind) {
    case ColumnKind::Blank:
        return std::nullopt;
    case ColumnKind::Number:
    case ColumnKind::Integer:
        cell.number = row.numbers.value(column, qQNaN());
        if (std::isnan(cell.number))
            return std::nullopt;
        cell.type = SheetCell::Type::Number;
        cell.style = kind == ColumnKind::Number ? SheetStyle::Number : SheetStyle::Integer;
        return cell;
    case ColumnKind::Date:
    case ColumnKind::DateOrText:
    case ColumnKind::Text:
        cell.text = row.cells.value(column);
        if (cell.text.isEmpty())
            return std::nullopt;
        // A date is its day, shown as the report prints it; a purchase date
        // of "超保" stays text.
        if (kind != ColumnKind::Text && !std::isnan(row.numbers.value(column, qQNaN()))) {
            cell.type = SheetCell::Type::Number;
            cell.number = row.numbers.at(column);
            cell.style = SheetStyle::Date;
        }
        return cell;
    }
    return std::nullopt;
}

// Counted, not printed: a whole table has a hundred thousand figures.
double figureWidth(double value, int decimals)
{
    const double magnitude = std::fabs(value);
    const int digits = magnitude < 10 ? 1 : int(std::log10(magnitude)) + 1;
    return digits + (decimals > 0 ? decimals + 1 : 0) + (value < 0 ? 1 : 0);
}

double cellWidth(const SheetCell &cell)
{
    switch (cell.style) {
    case SheetStyle::Date: // shown as the report prints it
        return cell.text.size();
    case SheetStyle::Integer:
        return figureWidth(cell.number, 0);
    case SheetStyle::Number:
    case SheetStyle::Sum:
        return figureWidth(cell.number, 2);
    default:
        return sheetTextWidth(cell.text);
    }
}

// "A", "B", … "Z", "AA", …
QString columnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

QString sheetName(const QString &title)
{
    QString name;
    for (const QChar c : title)
        if (!QStringLiteral("[]:*?/\\").contains(c) && c.unicode() >= 0x20)
            name += c;
    while (name.startsWith(u'\'') || name.endsWith(u'\''))
        name = name.startsWith(u'\'') ? name.mid(1) : name.chopped(1);
    name = name.left(31).trimmed();
    return name.isEmpty() ? QStringLiteral("报表") : name;
}

int paperNumber(QPageSize::PageSizeId paper)
{
    switch (paper) {
    case QPageSize::A3: return 8;
    case QPageSize::B5: return 34; // ISO B5, 176 × 250 mm; 13 would be the Japanese one
    default: return 9;
    }
}

} // namespace

std::optional<double> sheetDayNumber(const QDate &date)
{
    if (!date.isValid() || date.year() < 1900)
        return std::nullopt;
    // Counted from 1899-12-30, as the sheets count once past the 29th of
    // February 1900 they believe in; before it, a day less.
    const qint64 days = date.toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return double(date < QDate(1900, 3, 1) ? days - 1 : days);
}

double sheetTextWidth(const QString &text)
{
    double width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
            || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
            || (u >= 0xFFE0 && u <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

SheetFrame sheetFrame(const PreparedReport &report)
{
    const ReportDefinition &d = report.definition;
    SheetFrame frame;
    frame.name = sheetName(d.title);
    frame.paper = paperNumber(d.paper);
    frame.landscape = d.orientation == QPageLayout::Landscape;

    const QVector<ColumnKind> kinds = columnKinds(d);
    QVector<double> widths;
    for (int c = 0; c < d.columns.size(); ++c) {
        const double heading = sheetTextWidth(d.columns.at(c).caption) * headingFactor + filterButton;
        // A column to write in by hand keeps the room the definition gives it.
        widths << (kinds.at(c) == ColumnKind::Blank ? std::max(heading, d.columns.at(c).width) : heading);
    }
    for (const ReportRow &row : report.rows)
        for (int c = 0; c < kinds.size(); ++c)
            if (const std::optional<SheetCell> cell = recordCell(row, c, kinds.at(c)))
                widths[c] = std::max(widths.at(c), cellWidth(*cell));

    const QVector<int> summed = sumColumns(d);
    const bool grouped = !d.groupField.isEmpty();
    double label = sheetTextWidth(totalLabel(int(report.rows.size())));
    const auto measureSums = [&](const QVector<double> &sums) {
        for (int t = 0; t < summed.size(); ++t)
            widths[summed.at(t)] = std::max(widths.at(summed.at(t)), figureWidth(sums.at(t), 2) * headingFactor);
    };
    int groups = 0;
    forEachGroup(report, [&](int first, int end) {
        ++groups;
        if (grouped) {
            measureSums(sumsOf(report, first, end));
            label = std::max(label, sheetTextWidth(subtotalLabel(end - first)));
        }
    });
    measureSums(sumsOf(report, 0, int(report.rows.size())));
    for (double &w : widths)
        w = std::min(w + padding, widest);
    frame.widths = widths;

    // A label runs on over the empty cells left of the first sum, when they are wide enough.
    if (!summed.isEmpty()) {
        const int firstSum = *std::min_element(summed.begin(), summed.end());
        double room = 0;
        for (int c = 0; c < firstSum; ++c)
            room += widths.at(c);
        frame.labelsAlone = label * headingFactor > room;
    }
    const int subtotalRows = !grouped ? 0 : frame.labelsAlone ? 3 : 2; // heading, label, sums
    frame.lastFilteredRow = frame.headingRow + int(report.rows.size()) + groups * subtotalRows;
    return frame;
}

void sheetRows(const PreparedReport &report, const SheetFrame &frame,
               const std::function<void(const SheetRow &)> &take)
{
    const ReportDefinition &d = report.definition;
    const QVector<ColumnKind> kinds = columnKinds(d);
    const QVector<int> summed = sumColumns(d);
    const bool grouped = !d.groupField.isEmpty();

    SheetRow row;
    const auto text = [](int column, const QString &t, SheetStyle style) {
        return SheetCell{column, SheetCell::Type::Text, t, 0, style};
    };
    const auto hand = [&](QVector<SheetCell> cells) {
        row.cells = std::move(cells);
        take(row);
        ++row.row;
    };
    hand({text(0, d.title, SheetStyle::Title)});
    hand({text(0, report.heading.scope, SheetStyle::Note)});
    hand({text(0, printDateLabel(report.heading.printed), SheetStyle::Note)});
    QVector<SheetCell> headings;
    for (int c = 0; c < d.columns.size(); ++c)
        headings << text(c, d.columns.at(c).caption, SheetStyle::Heading);
    hand(headings);

    // Sums over rows first .. last (from 0) of the sheet.
    const auto totals = [&](const QString &label, int first, int last, const QVector<double> &sums) {
        QVector<SheetCell> cells{text(0, label, SheetStyle::Label)};
        if (frame.labelsAlone)
            hand(std::exchange(cells, {}));
        for (int t = 0; t < summed.size(); ++t) {
            const QString column = columnName(summed.at(t));
            if (first <= last)
                cells << SheetCell{summed.at(t), SheetCell::Type::Formula,
                                   QStringLiteral("=SUBTOTAL(9,%1%2:%1%3)").arg(column).arg(first + 1).arg(last + 1),
                                   sums.at(t), SheetStyle::Sum};
            else
                cells << SheetCell{summed.at(t), SheetCell::Type::Number, {}, 0, SheetStyle::Sum};
        }
        hand(cells);
    };

    forEachGroup(report, [&](int first, int end) {
        if (grouped)
            hand({text(0, groupHeading(d, report.rows.at(first).group), SheetStyle::Label)});
        const int firstRecord = row.row;
        for (int i = first; i < end; ++i) {
            QVector<SheetCell> cells;
            cells.reserve(kinds.size());
            for (int c = 0; c < kinds.size(); ++c)
                if (std::optional<SheetCell> cell = recordCell(report.rows.at(i), c, kinds.at(c)))
                    cells << std::move(*cell);
            hand(std::move(cells));
        }
        if (grouped)
            totals(subtotalLabel(end - first), firstRecord, row.row - 1, sumsOf(report, first, end));
    });
    totals(totalLabel(int(report.rows.size())), frame.headingRow + 1, frame.lastFilteredRow,
           sumsOf(report, 0, int(report.rows.size())));
}

} // namespace reports
