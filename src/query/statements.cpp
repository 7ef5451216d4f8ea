#include "query/statements.h"

namespace query {

namespace {

QString descending(bool on) { return on ? QStringLiteral(" desc") : QString(); }

} // namespace

QString quotedTextValue(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

QString queryConditions(const QueryCriteria &criteria)
{
    QString c;
    if (!criteria.startDate.isEmpty())
        c += QStringLiteral(" and 接货日期 >= #") + criteria.startDate + QLatin1Char('#');
    if (!criteria.endDate.isEmpty())
        c += QStringLiteral(" and 接货日期 <= #") + criteria.endDate + QLatin1Char('#');
    for (const auto &condition : criteria.conditions) {
        if (condition.value.isEmpty())
            continue;
        c += QStringLiteral(" and ") + condition.field + QStringLiteral(" Like '*")
                + quotedTextValue(condition.value) + QStringLiteral("*'");
    }
    if (criteria.repairedChecked) {
        // Two blanks before "not": the statement text the window has always sent.
        c += criteria.repairedYes ? QStringLiteral(" and 已修否") : QStringLiteral(" and  not 已修否");
    }
    return c;
}

QString queryRecordSource(const QueryCriteria &criteria)
{
    const QString c = queryConditions(criteria);
    if (c.isEmpty())
        return {};
    return QStringLiteral("select * from 客户信息 where 编号<>0") + c;
}

bool hasCriterion(const QueryCriteria &criteria)
{
    if (criteria.repairedChecked || !criteria.startDate.isEmpty() || !criteria.endDate.isEmpty())
        return true;
    for (const auto &condition : criteria.conditions) {
        if (!condition.value.isEmpty())
            return true;
    }
    return false;
}

QString sortOrder(const SortKeys &keys)
{
    if (keys.primary.isEmpty())
        return {};
    QString order = keys.primary + descending(keys.primaryDescending);
    if (!keys.secondary.isEmpty() && keys.secondary != keys.primary)
        order += QStringLiteral(", ") + keys.secondary + descending(keys.secondaryDescending);
    return order;
}

QString sortRecordSource(const SortKeys &keys)
{
    const QString order = sortOrder(keys);
    if (order.isEmpty())
        return {};
    return QStringLiteral("select * from 客户信息 order by ") + order;
}

int overLongValue(const QueryCriteria &criteria)
{
    for (std::size_t i = 0; i < criteria.conditions.size(); ++i)
        if (criteria.conditions[i].value.size() > kLongestValue)
            return int(i);
    return -1;
}

bool overLongKey(const SortKeys &keys)
{
    return keys.primary.size() > kLongestKey || keys.secondary.size() > kLongestKey;
}

} // namespace query
