#include "statistics/figures.h"

#include "common/textrules.h"

namespace statistics {

Period periodOf(PeriodKind kind, const QDate &today)
{
    const QDate monthStart(today.year(), today.month(), 1);
    switch (kind) {
    case PeriodKind::ThisMonth:
        return {monthStart, monthStart.addMonths(1).addDays(-1)};
    case PeriodKind::LastMonth:
        return {monthStart.addMonths(-1), monthStart.addDays(-1)};
    case PeriodKind::ThisQuarter: {
        const QDate start(today.year(), (today.month() - 1) / 3 * 3 + 1, 1);
        return {start, start.addMonths(3).addDays(-1)};
    }
    case PeriodKind::ThisYear:
        return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
    case PeriodKind::MakersMonth: {
        // The makers count a month from the 20th before to the 19th.
        const QDate end = today.day() <= 19 ? QDate(today.year(), today.month(), 19)
                                            : QDate(today.year(), today.month(), 19).addMonths(1);
        return {end.addMonths(-1).addDays(1), end};
    }
    case PeriodKind::Custom:
        break;
    }
    return {today, today};
}

QString periodText(const Period &period)
{
    return QStringLiteral("%1 至 %2").arg(common::shortDate(period.from), common::shortDate(period.to));
}

} // namespace statistics
