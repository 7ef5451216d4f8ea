#include "reports/forms/formlayout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace reports {

QStringList dataReportNames()
{
    return {QStringLiteral("小信封"), QStringLiteral("中信封"), QStringLiteral("大信封"),
            QStringLiteral("快件单"), QStringLiteral("修理凭单"), QStringLiteral("填写修理单"),
            QStringLiteral("新飞维修"), QStringLiteral("新飞全部填写"), QStringLiteral("新飞鉴定卡")};
}

namespace {

std::optional<ItemKind> kindFromName(const QString &kind)
{
    if (kind == QLatin1String("label"))
        return ItemKind::Label;
    if (kind == QLatin1String("textBox"))
        return ItemKind::TextBox;
    if (kind == QLatin1String("line"))
        return ItemKind::Line;
    if (kind == QLatin1String("rectangle"))
        return ItemKind::Rectangle;
    if (kind == QLatin1String("picture"))
        return ItemKind::Picture;
    return std::nullopt;
}

common::Error fail(const QString &text)
{
    return common::Error::failed(text);
}

common::Result<void> parseItem(const QJsonObject &o, LayoutItem *item)
{
    item->name = o.value(QLatin1String("name")).toString();
    const auto kind = kindFromName(o.value(QLatin1String("kind")).toString());
    if (!kind)
        return fail(QStringLiteral("%1: unknown kind").arg(item->name));
    item->kind = *kind;
    const QJsonArray at = o.value(QLatin1String("at")).toArray();
    if (at.size() != 4)
        return fail(QStringLiteral("%1: \"at\" needs left, top, width, height").arg(item->name));
    item->twips = QRect(at[0].toInt(), at[1].toInt(), at[2].toInt(), at[3].toInt());
    item->text = o.value(QLatin1String("text")).toString();
    item->role = o.value(QLatin1String("role")).toString();
    item->field = o.value(QLatin1String("field")).toString();
    item->image = o.value(QLatin1String("image")).toString();
    item->font.family = o.value(QLatin1String("family")).toString(item->font.family);
    item->font.points = o.value(QLatin1String("size")).toDouble(item->font.points);
    item->font.bold = o.value(QLatin1String("bold")).toBool();
    item->font.underline = o.value(QLatin1String("underline")).toBool();
    item->centred = o.value(QLatin1String("align")).toString() == QLatin1String("center");

    if (item->kind == ItemKind::TextBox && item->field.isEmpty())
        return fail(QStringLiteral("%1: a text box needs a field").arg(item->name));
    if (item->kind == ItemKind::Line && item->twips.width() != 0 && item->twips.height() != 0)
        return fail(QStringLiteral("%1: a line is horizontal or vertical").arg(item->name));
    return {};
}

} // namespace

common::Result<ReportLayout> parseLayout(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject())
        return fail(parseError.errorString());
    const QJsonObject root = doc.object();
    ReportLayout layout;
    layout.caption = root.value(QLatin1String("caption")).toString();
    layout.width = root.value(QLatin1String("width")).toInt();
    layout.detailHeight = root.value(QLatin1String("detailHeight")).toInt();
    if (layout.width <= 0 || layout.detailHeight <= 0)
        return fail(QStringLiteral("the band needs a width and a detail height"));
    for (const QJsonValue &v : root.value(QLatin1String("items")).toArray()) {
        LayoutItem item;
        if (const auto e = parseItem(v.toObject(), &item); e.failed())
            return e;
        layout.items.append(item);
    }
    return layout;
}

common::Result<ReportLayout> loadLayout(const QString &name)
{
    QFile file(QStringLiteral(":/reports/layouts/%1.json").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("没有这个报表：%1").arg(name));
    return parseLayout(file.readAll());
}

namespace {
const QString kRolePrefix = QStringLiteral("servicePoint.");
} // namespace

QStringList placeholdersPrinted(const ReportLayout &layout, const common::ServicePoint &servicePoint)
{
    QStringList roles;
    for (const LayoutItem &item : layout.items)
        if (item.role.startsWith(kRolePrefix))
            roles << item.role.mid(kRolePrefix.size());
    return common::placeholdersIn(servicePoint, roles);
}

QString roleText(const QString &role, const common::ServicePoint &shown)
{
    if (!role.startsWith(kRolePrefix))
        return {};
    const common::ServicePoint sp = common::withoutPlaceholders(shown);
    const QString key = role.mid(kRolePrefix.size());
    // A particular printed on its own goes by its key in the settings.
    for (const common::Setting *particular : common::settingsOf(common::SettingGroup::ServicePoint))
        if (particular->key == key) {
            common::SiteSettings s;
            s.servicePoint = sp;
            return particular->valueIn(s).toString();
        }
    const QString phoneFax = QStringLiteral("电话:%1  传真:%2").arg(sp.phone, sp.fax);
    if (key == QLatin1String("nameWithCity"))
        return sp.provinceCity + sp.name;
    if (key == QLatin1String("addressPhoneFax"))
        return sp.address + QStringLiteral("  ") + phoneFax;
    if (key == QLatin1String("phoneFax"))
        return phoneFax;
    if (key == QLatin1String("voucherTitle"))
        return sp.name + QStringLiteral("冰箱凭单");
    if (key == QLatin1String("contactLine"))
        return phoneFax + QStringLiteral("  地址:") + sp.address + QStringLiteral("  ") + sp.web;
    return {};
}

QString roleCaption(const QString &role)
{
    if (!role.startsWith(kRolePrefix))
        return {};
    const QString key = role.mid(kRolePrefix.size());
    QStringList labels;
    for (const common::Setting *particular : common::settingsOf(common::SettingGroup::ServicePoint))
        if (particular->printedIn.contains(key))
            labels << particular->label;
    return labels.join(QStringLiteral("、"));
}

} // namespace reports
