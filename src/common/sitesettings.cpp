#include "common/sitesettings.h"

#include <QFileInfo>
#include <QSettings>

namespace common {

SiteSettings SiteSettings::defaults()
{
    SiteSettings s;
    s.repairers = {QStringLiteral("张师傅"), QStringLiteral("李师傅"), QStringLiteral("王师傅"),
                   QStringLiteral("赵师傅"), QStringLiteral("陈师傅"), QStringLiteral("刘师傅"),
                   QStringLiteral("周师傅")};
    s.broughtIn = {QStringLiteral("李师傅"), QStringLiteral("张师傅"), QStringLiteral("王师傅"),
                   QStringLiteral("赵师傅"), QStringLiteral("陈师傅"), QStringLiteral("刘师傅"),
                   QStringLiteral("周师傅"), QStringLiteral("吴师傅"), QStringLiteral("用户自送")};
    s.takenBack = {QStringLiteral("李师傅"), QStringLiteral("张师傅"), QStringLiteral("王师傅"),
                   QStringLiteral("赵师傅"), QStringLiteral("陈师傅"), QStringLiteral("刘师傅"),
                   QStringLiteral("周师傅"), QStringLiteral("吴师傅")};
    s.models = {QStringLiteral("新飞"), QStringLiteral("凤凰"), QStringLiteral("华日"),
                QStringLiteral("阪神"), QStringLiteral("星星"), QStringLiteral("万宝"),
                QStringLiteral("澳柯玛"), QStringLiteral("容声"), QStringLiteral("佳利"),
                QStringLiteral("荣盛"), QStringLiteral("小天鹅"), QStringLiteral("三洋"),
                QStringLiteral("新空飞调"), QStringLiteral("西泠"), QStringLiteral("华美")};
    s.repairTypes = {QStringLiteral("小修"), QStringLiteral("中修"), QStringLiteral("大修"),
                     QStringLiteral("小修1"), QStringLiteral("中修1"), QStringLiteral("大修1"),
                     QStringLiteral("小修2"), QStringLiteral("中修2"), QStringLiteral("大修2")};
    s.parts = {QStringLiteral("台面框"), QStringLiteral("冷凝器"), QStringLiteral("门体"),
               QStringLiteral("冷藏门"), QStringLiteral("冷冻门"), QStringLiteral("门封"),
               QStringLiteral("箱体"), QStringLiteral("压缩机"), QStringLiteral("抽屉"),
               QStringLiteral("继电器"), QStringLiteral("热保护"), QStringLiteral("电路板"),
               QStringLiteral("温度传感器"), QStringLiteral("控制板组件"),
               QStringLiteral("显示板组件"), QStringLiteral("灯开关")};
    s.messageSources = {QStringLiteral("保修证"), QStringLiteral("中心转"), QStringLiteral("114转"),
                        QStringLiteral("81890转"), QStringLiteral("大成转")};
    s.servicePoint.provinceCity = QStringLiteral("（省市）");
    s.servicePoint.name = QStringLiteral("（维修站名称）");
    s.servicePoint.address = QStringLiteral("（维修站地址）");
    s.servicePoint.postcode = QStringLiteral("000000");
    s.servicePoint.phone = QStringLiteral("（电话）");
    s.servicePoint.fax = QStringLiteral("（传真）");
    s.servicePoint.web = QStringLiteral("（网址）");
    s.servicePoint.contact = QStringLiteral("（联系人）");
    s.servicePoint.stationCode = QStringLiteral("00000");
    s.manualUrl = QStringLiteral("https://example.com/corvale/manual");
    s.companyUrl = QStringLiteral("https://example.com/");
    return s;
}

SiteSettings SiteSettings::load(const QString &path, QStringList *warnings)
{
    Q_UNUSED(warnings);
    SiteSettings s = defaults();
    if (!QFileInfo::exists(path))
        return s;
    QSettings ini(path, QSettings::IniFormat);
    auto list = [&](const char *key, QStringList &target) {
        if (ini.contains(QLatin1String(key)))
            target = ini.value(QLatin1String(key)).toStringList();
    };
    list("staff/repairers", s.repairers);
    list("staff/broughtIn", s.broughtIn);
    list("staff/takenBack", s.takenBack);
    list("lists/models", s.models);
    list("lists/repairTypes", s.repairTypes);
    list("lists/parts", s.parts);
    list("lists/messageSources", s.messageSources);
    auto text = [&](const char *key, QString &target) {
        if (ini.contains(QLatin1String(key)))
            target = ini.value(QLatin1String(key)).toString();
    };
    text("servicePoint/provinceCity", s.servicePoint.provinceCity);
    text("servicePoint/name", s.servicePoint.name);
    text("servicePoint/address", s.servicePoint.address);
    text("servicePoint/postcode", s.servicePoint.postcode);
    text("servicePoint/phone", s.servicePoint.phone);
    text("servicePoint/fax", s.servicePoint.fax);
    text("servicePoint/web", s.servicePoint.web);
    text("servicePoint/contact", s.servicePoint.contact);
    text("servicePoint/stationCode", s.servicePoint.stationCode);
    text("help/manualUrl", s.manualUrl);
    text("help/companyUrl", s.companyUrl);
    s.backupCount = ini.value(QStringLiteral("backup/count"), s.backupCount).toInt();
    return s;
}

bool SiteSettings::save(const QString &path) const
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("staff/repairers"), repairers);
    ini.setValue(QStringLiteral("staff/broughtIn"), broughtIn);
    ini.setValue(QStringLiteral("staff/takenBack"), takenBack);
    ini.setValue(QStringLiteral("lists/models"), models);
    ini.setValue(QStringLiteral("lists/repairTypes"), repairTypes);
    ini.setValue(QStringLiteral("lists/parts"), parts);
    ini.setValue(QStringLiteral("lists/messageSources"), messageSources);
    ini.setValue(QStringLiteral("servicePoint/provinceCity"), servicePoint.provinceCity);
    ini.setValue(QStringLiteral("servicePoint/name"), servicePoint.name);
    ini.setValue(QStringLiteral("servicePoint/address"), servicePoint.address);
    ini.setValue(QStringLiteral("servicePoint/postcode"), servicePoint.postcode);
    ini.setValue(QStringLiteral("servicePoint/phone"), servicePoint.phone);
    ini.setValue(QStringLiteral("servicePoint/fax"), servicePoint.fax);
    ini.setValue(QStringLiteral("servicePoint/web"), servicePoint.web);
    ini.setValue(QStringLiteral("servicePoint/contact"), servicePoint.contact);
    ini.setValue(QStringLiteral("servicePoint/stationCode"), servicePoint.stationCode);
    ini.setValue(QStringLiteral("help/manualUrl"), manualUrl);
    ini.setValue(QStringLiteral("help/companyUrl"), companyUrl);
    ini.setValue(QStringLiteral("backup/count"), backupCount);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace common
