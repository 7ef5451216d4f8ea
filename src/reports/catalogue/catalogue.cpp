#include "reports/catalogue/catalogue.h"

#include "common/textrules.h"
#include "reports/formula/formula.h"

#include <QStringList>
#include <array>
#include <tuple>

namespace reports {

namespace {

constexpr std::array<const char16_t *, 12> monthNames = {
    u"一月", u"二月", u"三月", u"四月", u"五月", u"六月",
    u"七月", u"八月", u"九月", u"十月", u"十一月", u"十二月",
};

const QStringList &quarterCodes()
{
    static const QStringList codes = {QStringLiteral("1st"), QStringLiteral("2nd"), QStringLiteral("3rd"),
                                      QStringLiteral("4th")};
    return codes;
}

// The window of the month named exactly as the box holds it, in the year of
// the year box; any other text keeps the window there was.
void applyMonth(const PanelInputs &inputs, PanelState &state)
{
    for (int m = 0; m < int(monthNames.size()); ++m) {
        if (inputs.month == QStringView(monthNames[m])) {
            std::tie(state.dateFrom, state.dateTo) = monthWindow(inputs.year, m + 1);
            return;
        }
    }
}

QString formulaDate(const QDate &d)
{
    return QStringLiteral("Date(%1,%2,%3)").arg(d.year()).arg(d.month()).arg(d.day());
}

// The ledger's start date as typed, "2003,7,22" or any date form the
// program reads; anything else stays a text the formula refuses, shown to
// the clerk, rather than a piece of formula.
QString startDate(const QString &typed)
{
    QString asDate = typed;
    asDate.replace(u',', u'-').replace(u'，', u'-');
    if (const std::optional<QDate> date = common::parseDate(asDate))
        return formulaDate(*date);
    return QStringLiteral("Date(") + formulaText(typed) + u')';
}

ReportRequest request(const QString &file, const QString &formula)
{
    return ReportRequest{file, formula, 1};
}

QString partsLedgerFormula(const QString &start, const QString &brand)
{
    return QStringLiteral("{客户信息.到货日期} >= ") + startDate(start)
        + QStringLiteral(" and {客户信息.型号} StartsWith ") + formulaText(brand);
}

QString partsStockFormula(const QString &brand)
{
    return QStringLiteral("{客户信息.是否库存} = '是' and {客户信息.型号} StartsWith ") + formulaText(brand);
}

} // namespace

std::pair<QDate, QDate> monthWindow(int year, int month)
{
    const QDate last(year, month, 19);
    return {last.addMonths(-1).addDays(1), last};
}

std::pair<int, int> lastEndedMakersMonth(const QDate &today)
{
    const QDate month = today.day() > 19 ? today : today.addMonths(-1);
    return {month.year(), month.month()};
}

std::pair<int, QString> lastEndedQuarter(const QDate &today)
{
    const QDate inLastQuarter = today.addMonths(-3);
    return {inLastQuarter.year(), quarterCodes().at((inLastQuarter.month() - 1) / 3)};
}

PanelState panelStateAtLoad(const QDate &today)
{
    PanelState state;
    std::tie(state.dateFrom, state.dateTo) = monthWindow(today.year(), today.month());
    return state;
}

std::optional<ReportRequest> catalogueRequest(const QString &entry, const PanelInputs &inputs,
                                              PanelState &state)
{
    if (entry == u"新飞月报表") {
        applyMonth(inputs, state);
        return request(QStringLiteral("报表\\新飞月报表.PRN"),
                       QStringLiteral("{客户信息.接货日期} >= ") + formulaDate(state.dateFrom)
                           + QStringLiteral(" and {客户信息.接货日期} <= ") + formulaDate(state.dateTo)
                           + QStringLiteral(" and {客户信息.型号} StartsWith '新飞'"));
    }
    if (entry == u"新飞申请配件单")
        return request(QStringLiteral("报表\\新飞申请配件单.PRN"),
                       QStringLiteral("{客户信息.型号} StartsWith '新飞' and {客户信息.是否申请} = '是'"));
    if (entry == u"配件库存单")
        return request(QStringLiteral("报表\\配件库存单.RPT"), partsStockFormula(QStringLiteral("佳利")));
    if (entry == u"新飞配件库存单")
        return request(QStringLiteral("报表\\配件库存单.RPT"), partsStockFormula(QStringLiteral("新飞")));
    if (entry == u"配件流水帐")
        return request(QStringLiteral("报表\\配件流水帐.RPT"),
                       partsLedgerFormula(inputs.partsLedgerStart, QStringLiteral("佳利")));
    if (entry == u"新飞配件流水帐")
        return request(QStringLiteral("报表\\配件流水帐.RPT"),
                       partsLedgerFormula(inputs.partsLedgerStart, QStringLiteral("新飞")));
    if (entry == u"佳利季报表" || entry == u"维修人员报表") {
        // The quarter is taken on every click, even when it is empty; only
        // the box's four codes name a quarter.
        state.quarter = inputs.quarterBox;
        if (!quarterCodes().contains(state.quarter))
            return std::nullopt;
        // With a year the quarter is that year's; without, this year's, as
        // the formula language's quarters are.
        QString quarterPart =
            QStringLiteral("{客户信息.接货日期} in Calendar") + state.quarter + QStringLiteral("Qtr and ");
        if (inputs.quarterYear > 0) {
            const QDate first(inputs.quarterYear, int(quarterCodes().indexOf(state.quarter)) * 3 + 1, 1);
            quarterPart = QStringLiteral("{客户信息.接货日期} >= ") + formulaDate(first)
                + QStringLiteral(" and {客户信息.接货日期} <= ") + formulaDate(first.addMonths(3).addDays(-1))
                + QStringLiteral(" and ");
        }
        if (entry == u"佳利季报表")
            return request(QStringLiteral("报表\\佳利季报表.PRN"),
                           quarterPart + QStringLiteral("{客户信息.型号} StartsWith '佳利'"));
        return request(QStringLiteral("报表\\维修人员报表.RPT"),
                       quarterPart + QStringLiteral("{客户信息.修理人员} StartsWith ") + formulaText(inputs.staff));
    }
    if (entry == u"容声月报表")
        return request(QStringLiteral("报表\\容声月报表.RPT"),
                       QStringLiteral("{客户信息.接货日期} in MonthToDate and {客户信息.型号} StartsWith '容声'"));
    if (entry == u"未修记录单")
        return request(QStringLiteral("报表\\未修记录单.RPT"),
                       QStringLiteral("{客户信息.已修否} = No and {客户信息.地区} = ") + formulaText(inputs.area));
    if (entry == u"商场报表")
        return request(QStringLiteral("报表\\商场报表.RPT"),
                       QStringLiteral("{客户信息.购店} StartsWith ") + formulaText(inputs.store));
    if (entry == u"新飞回访记录表")
        return request(QStringLiteral("报表\\新飞回访记录表.RPT"),
                       QStringLiteral("{客户信息.入档} StartsWith '是'"));
    return std::nullopt;
}

} // namespace reports
