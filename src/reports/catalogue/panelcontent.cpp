#include "reports/catalogue/panelcontent.h"

namespace reports {

namespace {

ReportCaption inert(const QString &text) { return {text, {}, CaptionAction::None, {}}; }
ReportCaption report(const QString &text, const QString &control, const QString &name)
{
    return {text, control, CaptionAction::DataReport, name};
}
ReportCaption entry(const QString &text, const QString &control, const QString &name)
{
    return {text, control, CaptionAction::CatalogueEntry, name};
}

// Frames whose every caption is inert, as "a, b; c, d; e".
QVector<CaptionRow> inertRows(const QString &rowsText)
{
    QVector<CaptionRow> rows;
    for (const QString &row : rowsText.split(QLatin1Char(';'))) {
        CaptionRow r;
        for (const QString &c : row.split(QLatin1Char(',')))
            r.append(inert(c.trimmed()));
        rows.append(r);
    }
    return rows;
}

} // namespace

const QVector<BrandTile> &brandTiles()
{
    const QColor cyan(192, 255, 255), mint(192, 255, 192), green(128, 255, 128),
        lilac(192, 192, 255), peach(255, 224, 192), cream(255, 255, 192), rose(255, 210, 230),
        sky(210, 230, 255);
    static const QVector<BrandTile> tiles = {
        {1, "新飞冰箱", "Image11", "新飞冰箱", "新飞冰箱", sky, 18, false},
        {2, "新飞空调", "Image12", "新飞空调", "新飞空调", sky, 18, false},
        {3, "佳利冷柜", "Label200", "佳利制冷", "佳丽冷柜", cyan, 21.75, true},
        {4, "华日电器", "Image2", "华日电器", "华日电器", peach, 18, false},
        {5, "星星冷柜", "Image9", "星星冷柜", "星星冷柜", cream, 18, false},
        {6, "小天鹅冷柜", "Image8", "小天鹅", "小天鹅冷柜", rose, 18, false},
        {7, "阪神电器", "Image3", "阪神电器", "阪神电器", peach, 18, false},
        {8, "万宝电器", "Image7", "万宝电器", "万宝电器", cream, 18, false},
        {9, "荣盛冷柜", "Image4", "荣盛冷柜", "荣盛冷柜", rose, 18, false},
        {10, "开利冷柜", "Label77", "开利制冷", "开利冷柜", mint, 21.75, true},
        {11, "冷雪儿冷柜", "Label83", "冰雪儿", "冰雪儿冷柜", green, 21.75, true},
        {12, "银都冷柜", "Label80", "银都", "银都冷柜", lilac, 26.25, true},
        {13, "澳柯玛冷柜", "Image1", "澳柯玛", "澳柯玛电器", sky, 18, false},
        {14, "容声电器", "Image5", "容声电器", "容声电器", peach, 18, false},
        {15, "三洋冷柜", "Image6", "三洋冷柜", "三洋冷柜", cream, 18, false},
        {16, "Velmora冰箱", "Image10", "Velmora", "Velmora冰箱", rose, 18, false},
    };
    return tiles;
}

QVector<CaptionRow> brandCaptions(int index)
{
    switch (index) {
    case 1:
        return {{report("维修记录表", "Label1", "新飞维修"), inert("鉴定证明表")},
                {report("全部填写单", "Label3", "新飞全部填写"),
                 report("故障鉴定卡", "Label95", "新飞鉴定卡")},
                {entry("某月份报表", "Label33", "新飞月报表"),
                 entry("申请配件单", "Label69", "新飞申请配件单")}};
    case 2:
        return {{inert("空调记录表"), inert("空调鉴定证明")},
                {inert("某月份报表"), inert("申请配件单")},
                {entry("配件流水帐", {}, "新飞配件流水帐"), entry("配件库存单", {}, "新飞配件库存单")},
                {inert("空调季报表")}};
    case 3:
        return {{inert("维修记录单"), inert("故障鉴定卡")},
                {inert("申请配件单"), entry("配件流水帐", "Label101", "配件流水帐")},
                {entry("配件库存单", "Label129", "配件库存单"),
                 entry("佳利季报表", "Label65", "佳利季报表")}};
    case 4:
        return inertRows("维修记录单,配件调换单;华日保修证1,华日保修证2;故障鉴定卡,申请配件单;"
                         "配件流水帐,配件库存单;华日季报表");
    case 5:
        return inertRows("填写报告单,故障鉴定卡;申请配件单,配件流水帐;配件库存单,星星季报表");
    case 6:
        return inertRows("维修工作单,长途上门单;售前申报表,维修结算表;压机调换单,故障鉴定卡;"
                         "申请配件单,配件流水帐;配件库存单,小天鹅季报表");
    case 7:
        return inertRows("检修报告单,故障鉴定卡;填写报告单,配件调换单;申请配件单,配件流水帐;"
                         "配件库存单,阪神季报表");
    case 8:
        return inertRows("维修报告单,鉴定证明书;配件总汇表,故障鉴定卡;申请配件单,配件流水帐;"
                         "配件库存单,万宝季报表");
    case 9:
        return inertRows("保修工作单,故障鉴定卡;申请配件单,配件流水帐;配件库存单,荣盛季报表");
    case 10:
        return inertRows("维修记录单,故障鉴定卡;申请配件单,配件流水帐;配件库存单,开利季报表");
    case 11:
        return inertRows("维修记录单,故障鉴定卡;申请配件单,配件流水帐;配件库存单,冰雪儿季报表");
    case 12:
        return inertRows("维修记录单,故障鉴定卡;申请配件单,配件流水帐;配件库存单,银都季报表");
    case 13:
        return inertRows("保修记录单,鉴定证明书;填写记录单,故障鉴定卡;配件更换单,澳柯玛日报表;"
                         "填结算清单,申请配件单;配件流水帐,配件库存单");
    case 14: {
        QVector<CaptionRow> rows = inertRows("维修记录证,配件申领表;故障鉴定卡,调换记录证;"
                                             "容声月报表,回访记录表;申请配件单,配件流水帐;"
                                             "配件库存单,容声季报表");
        rows[2][0] = entry("容声月报表", "Label40", "容声月报表");
        return rows;
    }
    case 15:
        return inertRows("维修记录证,鉴定证明书;处理申请单,故障鉴定卡;某月份报表,申请配件单;"
                         "配件流水帐,配件库存单;三洋季报表");
    case 16:
        return {{report("修理部凭单", "Label96", "修理凭单")},
                {report("填写修理单", "Label99", "填写修理单")}};
    default:
        return {};
    }
}

const QVector<PaperTag> &paperTags()
{
    static const QVector<PaperTag> tags = {
        {1, "维修记录表", "16K"}, {1, "某月份报表", "A4"},   {2, "申请配件单", "A4"},
        {4, "华日季报表", " 8K"}, {13, "保修记录单", "16K"}, {14, "回访记录表", "A4"},
    };
    return tags;
}

QColor captionColour(const QString &caption)
{
    if (caption.contains(QStringLiteral("配件")) || caption.contains(QStringLiteral("报表"))
        || caption.contains(QStringLiteral("回访")) || caption.contains(QStringLiteral("汇表")))
        return QColor(0, 128, 0);
    if (caption.contains(QStringLiteral("鉴定")) || caption.contains(QStringLiteral("证")))
        return QColor(0, 0, 192);
    return QColor(192, 0, 0);
}

bool isQuarterly(const QString &caption)
{
    return caption.endsWith(QStringLiteral("季报表")) || caption == QStringLiteral("维修员报表");
}

} // namespace reports
