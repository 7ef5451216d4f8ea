#include "reports/catalogue.h"

#include <array>

namespace reports {

namespace {

struct MonthWindow {
    const char16_t *name;
    const char16_t *from;
    const char16_t *to;
};

// The monthly report's windows run from the 20th to the 19th in these fixed
// years, whatever today is.
constexpr std::array<MonthWindow, 12> monthWindows = {{
    {u"一月", u"2002,12,20", u"2003,1,19"},
    {u"二月", u"2003,1,20", u"2003,2,19"},
    {u"三月", u"2003,2,20", u"2003,3,19"},
    {u"四月", u"2003,3,20", u"2003,4,19"},
    {u"五月", u"2003,4,20", u"2003,5,19"},
    {u"六月", u"2003,5,20", u"2003,6,19"},
    {u"七月", u"2003,6,20", u"2003,7,19"},
    {u"八月", u"2003,7,20", u"2003,8,19"},
    {u"九月", u"2003,8,20", u"2003,9,19"},
    {u"十月", u"2003,9,20", u"2003,10,19"},
    {u"十一月", u"2003,10,20", u"2003,11,19"},
    {u"十二月", u"2003,11,20", u"2003,12,19"},
}};

void applyMonth(const QString &month, PanelState &state)
{
    for (const MonthWindow &w : monthWindows) {
        if (month == QStringView(w.name)) {
            state.dateFrom = QString::fromUtf16(w.from);
            state.dateTo = QString::fromUtf16(w.to);
            return;
        }
    }
}

ReportRequest request(const QString &file, const QString &formula)
{
    return ReportRequest{file, formula, 1};
}

QString partsLedgerFormula(const QString &start, const QString &brand)
{
    return QStringLiteral("{客户信息.到货日期} >= Date(") + start
        + QStringLiteral(") and {客户信息.型号} StartsWith '") + brand + QStringLiteral("'");
}

QString partsStockFormula(const QString &brand)
{
    return QStringLiteral("{客户信息.是否库存} = '是' and {客户信息.型号} StartsWith '") + brand
        + QStringLiteral("'");
}

} // namespace

std::optional<ReportRequest> catalogueRequest(const QString &entry, const PanelInputs &inputs,
                                              PanelState &state)
{
    if (entry == u"新飞月报表") {
        applyMonth(inputs.month, state);
        return request(QStringLiteral("报表\\新飞月报表.PRN"),
                       QStringLiteral("{客户信息.接货日期} >= Date(") + state.dateFrom
                           + QStringLiteral(") and {客户信息.接货日期} <= Date (") + state.dateTo
                           + QStringLiteral(") and {客户信息.型号} StartsWith '新飞'"));
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
        // The quarter is taken on every click, even when it is empty.
        state.quarter = inputs.quarterBox;
        if (state.quarter.isEmpty())
            return std::nullopt;
        const QString quarterPart =
            QStringLiteral("{客户信息.接货日期} in Calendar") + state.quarter + QStringLiteral("Qtr and ");
        if (entry == u"佳利季报表")
            return request(QStringLiteral("报表\\佳利季报表.PRN"),
                           quarterPart + QStringLiteral("{客户信息.型号} StartsWith '佳利'"));
        return request(QStringLiteral("报表\\维修人员报表.RPT"),
                       quarterPart + QStringLiteral("{客户信息.修理人员} StartsWith '") + inputs.staff
                           + QStringLiteral("'"));
    }
    if (entry == u"容声月报表")
        return request(QStringLiteral("报表\\容声月报表.RPT"),
                       QStringLiteral("{客户信息.接货日期} in MonthToDate and {客户信息.型号} StartsWith '容声'"));
    if (entry == u"未修记录单")
        return request(QStringLiteral("报表\\未修记录单.RPT"),
                       QStringLiteral("{客户信息.已修否} = No") + QStringLiteral(" and {客户信息.地区} = ")
                           + QStringLiteral("'") + inputs.area + QStringLiteral("'"));
    if (entry == u"商场报表")
        return request(QStringLiteral("报表\\商场报表.RPT"),
                       QStringLiteral("{客户信息.购店} StartsWith '") + inputs.store + QStringLiteral("'"));
    if (entry == u"新飞回访记录表")
        return request(QStringLiteral("报表\\新飞回访记录表.RPT"),
                       QStringLiteral("{客户信息.入档} StartsWith '是'"));
    return std::nullopt;
}

} // namespace reports
