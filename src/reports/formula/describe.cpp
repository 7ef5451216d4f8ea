#include "reports/formula/formula.h"

namespace reports {

namespace {

QString longDate(const QDate &d)
{
    return QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
}

// A clerk's text on one line of a heading.
QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return text;
}

// The days a date field is held to; either end may be open.
struct Period {
    QString field;
    QDate from;
    QDate to;

    void narrow(const QDate &first, const QDate &last)
    {
        if (first.isValid() && (!from.isValid() || first > from))
            from = first;
        if (last.isValid() && (!to.isValid() || last < to))
            to = last;
    }

    QString text() const
    {
        if (from.isValid() && to.isValid())
            return from == to ? QStringLiteral("%1：%2").arg(field, longDate(from))
                              : QStringLiteral("%1：%2 至 %3").arg(field, longDate(from), longDate(to));
        return from.isValid() ? QStringLiteral("%1：%2起").arg(field, longDate(from))
                              : QStringLiteral("%1：%2止").arg(field, longDate(to));
    }
};

QString compareText(const Condition &c)
{
    const QString value = c.value.kind == Operand::Kind::No ? QStringLiteral("否")
        : c.value.text.isEmpty()                            ? QStringLiteral("（空）")
                                                            : oneLine(c.value.text);
    switch (c.op) {
    case CompareOp::Equal: return QStringLiteral("%1：%2").arg(c.field, value);
    case CompareOp::GreaterEqual: return QStringLiteral("%1 ≥ %2").arg(c.field, value);
    case CompareOp::LessEqual: return QStringLiteral("%1 ≤ %2").arg(c.field, value);
    }
    return {};
}

} // namespace

QString describeSelection(const FormulaTree &tree, const QDate &today)
{
    QVector<Period> periods;
    QStringList others;
    const auto periodOf = [&periods](const QString &field) -> Period & {
        for (Period &p : periods)
            if (p.field == field)
                return p;
        periods.append({field, {}, {}});
        return periods.last();
    };
    for (const Condition &c : tree.conditions) {
        switch (c.kind) {
        case Condition::Kind::InRange: {
            const auto [from, to] = dateRangeBounds(c.range, today);
            periodOf(c.field).narrow(from, to);
            break;
        }
        case Condition::Kind::StartsWith:
            // Every text starts with nothing: no condition at all.
            if (!c.value.text.isEmpty())
                others << QStringLiteral("%1以“%2”开头").arg(c.field, oneLine(c.value.text));
            break;
        case Condition::Kind::Compare:
            if (c.value.kind == Operand::Kind::Date)
                periodOf(c.field).narrow(c.op == CompareOp::LessEqual ? QDate() : c.value.date,
                                         c.op == CompareOp::GreaterEqual ? QDate() : c.value.date);
            else
                others << compareText(c);
            break;
        }
    }
    QStringList parts;
    for (const Period &p : periods)
        parts << p.text();
    parts += others;
    return parts.isEmpty() ? QStringLiteral("全部") : parts.join(QStringLiteral("；"));
}

} // namespace reports
