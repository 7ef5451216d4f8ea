#include "workspace/lookups.h"

#include <QHash>

namespace workspace {

QStringList districts()
{
    return {QStringLiteral("海曙"), QStringLiteral("江东"), QStringLiteral("江北"),
            QStringLiteral("镇海"), QStringLiteral("北仑"), QStringLiteral("鄞州"),
            QStringLiteral("奉化"), QStringLiteral("慈溪"), QStringLiteral("余姚"),
            QStringLiteral("宁海"), QStringLiteral("象山")};
}

QStringList postcodes()
{
    return {QStringLiteral("315000"), QStringLiteral("315100"), QStringLiteral("315200"),
            QStringLiteral("315400"), QStringLiteral("315500"), QStringLiteral("315600"),
            QStringLiteral("315700")};
}

QStringList warrantyPeriods() { return {QStringLiteral("三年"), QStringLiteral("六个月")}; }

QStringList remarks()
{
    return {QStringLiteral("二次上门修复"), QStringLiteral("已付上门费20元"),
            QStringLiteral("修理费及配件在二百元以下不另行通知")};
}

QStringList yesNo() { return {QStringLiteral("是"), QStringLiteral("否")}; }
QStringList repairedAnswers() { return {QStringLiteral("否"), QStringLiteral("是")}; }

QStringList faults()
{
    return {QStringLiteral("不制冷"), QStringLiteral("不开机"), QStringLiteral("制冷差"),
            QStringLiteral("不停机"), QStringLiteral("灯不亮"), QStringLiteral("噪声重"),
            QStringLiteral("漏水")};
}

QStringList findings()
{
    return {QStringLiteral("温控坏"), QStringLiteral("补偿未开"), QStringLiteral("冷凝器漏"),
            QStringLiteral("内堵"), QStringLiteral("压缩机坏"), QStringLiteral("漏水"),
            QStringLiteral("灯泡坏"), QStringLiteral("门体磕碰划伤"),
            QStringLiteral("制冷管路共振影响噪音大"), QStringLiteral("压机高压管与排气管口漏")};
}

QStringList repairContents()
{
    return {QStringLiteral("修理温控修复"), QStringLiteral("开启补偿修复"),
            QStringLiteral("加装冷凝器修复"), QStringLiteral("换过滤器修复"),
            QStringLiteral("更换压缩机修复"), QStringLiteral("疏通下水道修复"),
            QStringLiteral("更换灯泡修复"), QStringLiteral("解释指导使用")};
}

bool isXinfeiModel(const QString &model) { return model.startsWith(QStringLiteral("新飞")); }

std::optional<QString> postcodeFor(const QString &district)
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("海曙"), QStringLiteral("315000")},
        {QStringLiteral("江东"), QStringLiteral("315040")},
        {QStringLiteral("江北"), QStringLiteral("315000")},
        {QStringLiteral("镇海"), QStringLiteral("315200")},
        {QStringLiteral("北仑"), QStringLiteral("315800")},
        {QStringLiteral("鄞州"), QStringLiteral("315100")},
        {QStringLiteral("奉化"), QStringLiteral("315500")},
        {QStringLiteral("慈溪"), QStringLiteral("315400")},
        {QStringLiteral("余姚"), QStringLiteral("315400")},
        {QStringLiteral("宁海"), QStringLiteral("315600")},
        {QStringLiteral("象山"), QStringLiteral("315700")},
    };
    const auto it = table.constFind(district);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QString> materialCodeFor(const QString &part, const QString &model)
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("冷凝器"), QStringLiteral("402")},
        {QStringLiteral("压缩机"), QStringLiteral("501")},
        {QStringLiteral("冷藏门"), QStringLiteral("203")},
        {QStringLiteral("冷冻门"), QStringLiteral("205")},
        {QStringLiteral("箱体"), QStringLiteral("102")},
        {QStringLiteral("控制板组件"), QStringLiteral("532")},
        {QStringLiteral("显示板组件"), QStringLiteral("534")},
        {QStringLiteral("灯开关"), QStringLiteral("510")},
    };
    const auto it = table.constFind(part);
    if (it == table.constEnd() || !isXinfeiModel(model))
        return std::nullopt;
    return *it;
}

std::optional<RepairFill> repairFor(const QString &finding, const QString &model)
{
    struct Row { QString content; QString code; };
    static const QHash<QString, Row> table = {
        {QStringLiteral("温控坏"), {QStringLiteral("修理温控修复"), QStringLiteral("501-03")}},
        {QStringLiteral("补偿未开"), {QStringLiteral("开启补偿修复"), QStringLiteral("602")}},
        {QStringLiteral("冷凝器漏"), {QStringLiteral("加装冷凝器修复"), QStringLiteral("419-01")}},
        {QStringLiteral("内堵"), {QStringLiteral("换过滤器修复"), QStringLiteral("419-01")}},
        {QStringLiteral("压缩机坏"), {QStringLiteral("更换压缩机修复"), QStringLiteral("414-01")}},
        {QStringLiteral("漏水"), {QStringLiteral("疏通下水道修复"), QStringLiteral("616")}},
        {QStringLiteral("制冷管路共振影响噪音大"), {QStringLiteral("调整管路修理"), QStringLiteral("625-02")}},
        {QStringLiteral("压机高压管与排气管口漏"), {QStringLiteral("检漏补焊"), QStringLiteral("401-06")}},
        {QStringLiteral("门体磕碰划伤"), {QStringLiteral("更换门体"), QStringLiteral("201-01")}},
    };
    const auto it = table.constFind(finding);
    if (it == table.constEnd())
        return std::nullopt;
    RepairFill fill{it->content, std::nullopt};
    if (isXinfeiModel(model))
        fill.code = it->code;
    return fill;
}

std::optional<QString> carryingFeeFor(const QString &repairType)
{
    if (repairType.startsWith(QStringLiteral("大")) || repairType.startsWith(QStringLiteral("中")))
        return QStringLiteral("30");
    return std::nullopt;
}

std::optional<bool> repairedFromAnswer(const QString &answer)
{
    if (answer == u"是")
        return true;
    if (answer == u"否")
        return false;
    return std::nullopt;
}

} // namespace workspace
