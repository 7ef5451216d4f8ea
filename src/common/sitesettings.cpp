#include "common/sitesettings.h"

#include "common/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace common {
namespace {

using SP = ServicePoint;
using SS = SiteSettings;

const QString kReportPrefix = QStringLiteral("report ");

template <typename T> QVariant variantOf(const T &value) { return QVariant::fromValue(value); }
template <typename T> QVariant variantOf(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}
template <typename T> void assign(T &target, const QVariant &value) { target = value.value<T>(); }
template <typename T> void assign(std::optional<T> &target, const QVariant &value)
{
    target = value.isValid() ? std::optional(value.value<T>()) : std::nullopt;
}

template <typename M> struct MemberOf;
template <typename T, typename C> struct MemberOf<T C::*> {
    using Class = C;
    using Value = T;
};
template <typename M> constexpr bool kOfStationery = std::is_same_v<typename MemberOf<M>::Class, Stationery>;

Setting list(SettingId id, SettingGroup group, const char *key, const QString &label, QStringList SS::*member,
             const QStringList &fallback)
{
    return {id, group, QLatin1String(key), label, member, fallback, {}};
}

Setting particular(SettingId id, const char *key, const QString &label, QString SP::*member,
                   const QString &fallback, const QStringList &printedIn)
{
    return {id, SettingGroup::ServicePoint, QLatin1String(key), label, member, fallback, printedIn};
}

Setting text(SettingId id, SettingGroup group, const char *key, const QString &label, QString SS::*member,
             const QString &fallback, bool lineWhenEmpty = true)
{
    return {id, group, QLatin1String(key), label, member, fallback, {}, lineWhenEmpty};
}

Setting wholeNumber(SettingId id, SettingGroup group, const char *key, const QString &label, int SS::*member,
                    int fallback, int low, int high)
{
    return {id, group, QLatin1String(key), label, member, fallback, {}, true, low, high};
}

// An entry of every report's section; a report the shop never placed has
// what a fresh Stationery has.
template <typename T>
Setting perReport(SettingId id, const char *key, const QString &label, T Stationery::*member, int low = 0,
                  int high = 0)
{
    return {id, SettingGroup::Report, QLatin1String(key), label, member, variantOf(Stationery{}.*member), {},
            true, low, high};
}

QList<Setting> buildTable()
{
    using Id = SettingId;
    using G = SettingGroup;
    QList<Setting> t = {
        list(Id::Repairers, G::Staff, "repairers", QStringLiteral("修理人员"), &SS::repairers,
             {QStringLiteral("张师傅"), QStringLiteral("李师傅"), QStringLiteral("王师傅"), QStringLiteral("赵师傅"),
              QStringLiteral("陈师傅"), QStringLiteral("刘师傅"), QStringLiteral("周师傅")}),
        list(Id::BroughtIn, G::Staff, "broughtIn", QStringLiteral("运来者"), &SS::broughtIn,
             {QStringLiteral("李师傅"), QStringLiteral("张师傅"), QStringLiteral("王师傅"), QStringLiteral("赵师傅"),
              QStringLiteral("陈师傅"), QStringLiteral("刘师傅"), QStringLiteral("周师傅"), QStringLiteral("吴师傅"),
              QStringLiteral("用户自送")}),
        list(Id::TakenBack, G::Staff, "takenBack", QStringLiteral("运去者"), &SS::takenBack,
             {QStringLiteral("李师傅"), QStringLiteral("张师傅"), QStringLiteral("王师傅"), QStringLiteral("赵师傅"),
              QStringLiteral("陈师傅"), QStringLiteral("刘师傅"), QStringLiteral("周师傅"), QStringLiteral("吴师傅")}),
        list(Id::Models, G::Lists, "models", QStringLiteral("型号设置"), &SS::models,
             {QStringLiteral("新飞"), QStringLiteral("凤凰"), QStringLiteral("华日"), QStringLiteral("阪神"),
              QStringLiteral("星星"), QStringLiteral("万宝"), QStringLiteral("澳柯玛"), QStringLiteral("容声"),
              QStringLiteral("佳利"), QStringLiteral("荣盛"), QStringLiteral("小天鹅"), QStringLiteral("三洋"),
              QStringLiteral("新空飞调"), QStringLiteral("西泠"), QStringLiteral("华美")}),
        list(Id::RepairTypes, G::Lists, "repairTypes", QStringLiteral("维修类别设置"), &SS::repairTypes,
             {QStringLiteral("小修"), QStringLiteral("中修"), QStringLiteral("大修"), QStringLiteral("小修1"),
              QStringLiteral("中修1"), QStringLiteral("大修1"), QStringLiteral("小修2"), QStringLiteral("中修2"),
              QStringLiteral("大修2")}),
        list(Id::Parts, G::Lists, "parts", QStringLiteral("申请配件设置"), &SS::parts,
             {QStringLiteral("台面框"), QStringLiteral("冷凝器"), QStringLiteral("门体"), QStringLiteral("冷藏门"),
              QStringLiteral("冷冻门"), QStringLiteral("门封"), QStringLiteral("箱体"), QStringLiteral("压缩机"),
              QStringLiteral("抽屉"), QStringLiteral("继电器"), QStringLiteral("热保护"), QStringLiteral("电路板"),
              QStringLiteral("温度传感器"), QStringLiteral("控制板组件"), QStringLiteral("显示板组件"),
              QStringLiteral("灯开关")}),
        list(Id::MessageSources, G::Lists, "messageSources", QStringLiteral("信息来源设置"), &SS::messageSources,
             {QStringLiteral("保修证"), QStringLiteral("中心转"), QStringLiteral("114转"), QStringLiteral("81890转"),
              QStringLiteral("大成转")}),
        particular(Id::ProvinceCity, "provinceCity", QStringLiteral("省市"), &SP::provinceCity,
                   QStringLiteral("（省市）"), {QStringLiteral("nameWithCity")}),
        particular(Id::Name, "name", QStringLiteral("维修站名称"), &SP::name, QStringLiteral("（维修站名称）"),
                   {QStringLiteral("name"), QStringLiteral("nameWithCity"), QStringLiteral("voucherTitle")}),
        particular(Id::Address, "address", QStringLiteral("地址"), &SP::address, QStringLiteral("（维修站地址）"),
                   {QStringLiteral("address"), QStringLiteral("addressPhoneFax"), QStringLiteral("contactLine")}),
        particular(Id::Postcode, "postcode", QStringLiteral("邮编"), &SP::postcode, QStringLiteral("000000"),
                   {QStringLiteral("postcode")}),
        particular(Id::Phone, "phone", QStringLiteral("电话"), &SP::phone, QStringLiteral("（电话）"),
                   {QStringLiteral("phone"), QStringLiteral("phoneFax"), QStringLiteral("addressPhoneFax"),
                    QStringLiteral("contactLine")}),
        particular(Id::Fax, "fax", QStringLiteral("传真"), &SP::fax, QStringLiteral("（传真）"),
                   {QStringLiteral("phoneFax"), QStringLiteral("addressPhoneFax"), QStringLiteral("contactLine")}),
        particular(Id::Web, "web", QStringLiteral("网址"), &SP::web, QStringLiteral("（网址）"),
                   {QStringLiteral("web"), QStringLiteral("contactLine")}),
        particular(Id::Contact, "contact", QStringLiteral("联系人"), &SP::contact, QStringLiteral("（联系人）"),
                   {QStringLiteral("contact")}),
        particular(Id::StationCode, "stationCode", QStringLiteral("站点代码"), &SP::stationCode,
                   QStringLiteral("00000"), {QStringLiteral("stationCode")}),
        text(Id::ManualUrl, G::Help, "manualUrl", QStringLiteral("说明书地址"), &SS::manualUrl,
             QStringLiteral("https://example.com/corvale/manual")),
        text(Id::CompanyUrl, G::Help, "companyUrl", QStringLiteral("公司网站地址"), &SS::companyUrl,
             QStringLiteral("https://example.com/")),
        wholeNumber(Id::BackupCount, G::Backup, "count", QStringLiteral("备份保留个数"), &SS::backupCount, 30, 1,
                    1000),
        text(Id::BackupCopyFolder, G::Backup, "copyFolder", QStringLiteral("备份副本文件夹"), &SS::backupCopyFolder,
             QString(), false),
        text(Id::DatabaseServer, G::Database, "server", QStringLiteral("数据库服务器"), &SS::databaseServer, QString(),
             false),
        wholeNumber(Id::OverdueDays, G::Statistics, "overdueDays", QStringLiteral("超期天数"), &SS::overdueDays, 7, 1,
                    365),
        // Farther than this would put the form off any sheet.
        perReport(Id::OffsetX, "offsetX", QStringLiteral("向右移动"), &Stationery::offsetXmm, -200, 200),
        perReport(Id::OffsetY, "offsetY", QStringLiteral("向下移动"), &Stationery::offsetYmm, -200, 200),
        perReport(Id::Paper, "paper", QStringLiteral("纸张"), &Stationery::paper),
        perReport(Id::Orientation, "orientation", QStringLiteral("纸张方向"), &Stationery::orientation),
    };
    // A handle is its entry's place in the table.
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t.at(i).id != SettingId(i))
            qFatal("settings table: entry %lld out of its place", static_cast<long long>(i));
    if (t.size() != qsizetype(SettingId::Orientation) + 1)
        qFatal("settings table: an entry is missing");
    return t;
}

std::optional<QPageSize::PageSizeId> pageSizeNamed(const QString &name)
{
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const auto pageId = QPageSize::PageSizeId(id);
        if (pageId == QPageSize::Custom)
            continue;
        if (QPageSize::key(pageId).compare(name, Qt::CaseInsensitive) == 0
            || QPageSize::name(pageId).compare(name, Qt::CaseInsensitive) == 0)
            return pageId;
    }
    return std::nullopt;
}

std::optional<QPageLayout::Orientation> orientationNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("portrait") || n == QStringLiteral("纵向"))
        return QPageLayout::Portrait;
    if (n == QLatin1String("landscape") || n == QStringLiteral("横向"))
        return QPageLayout::Landscape;
    return std::nullopt;
}

// Reads values out of parsed sections, leaving the target as it is (the
// default) and noting why when a value is malformed.
class Reader {
public:
    Reader(const IniText &ini, QStringList &notes) : m_ini(ini), m_notes(notes) {}

    // A per-report entry is read from its report's section, as the file spells it.
    void read(const Setting &s, SiteSettings &target, const QString &section, const QString &report = {}) const
    {
        const QString *v = find(section, s.key);
        if (!v)
            return;
        if (const std::optional<QVariant> value = s.parsed(*v))
            s.setIn(target, *value, report);
        else
            warn(section, s.key, *v, s.fileText(target, report).value_or(QStringLiteral("报表自身的设置")));
    }

private:
    const QString *find(const QString &section, const QString &key) const
    {
        const auto s = m_ini.sections.constFind(section);
        if (s == m_ini.sections.cend())
            return nullptr;
        const auto v = s->constFind(key);
        return v == s->cend() ? nullptr : &*v;
    }
    void warn(const QString &section, const QString &key, const QString &value, const QString &used) const
    {
        m_notes.append(QStringLiteral("[%1] %2 的值“%3”无效，已使用 %4").arg(section, key, value.left(40), used));
    }

    const IniText &m_ini;
    QStringList &m_notes;
};

QString sizeText(qint64 bytes) { return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1); }

// The file's text, or why it is none: too large, unreadable, binary.
Result<DecodedText> readSettingsText(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (const QString target = linkOutOfFolder(path); !target.isEmpty())
        return Error(settingsCode::Unreadable,
                     QStringLiteral("%1 是指向数据文件夹以外（%2）的链接，本程序不读也不改它。"
                                    "请把它换成一个普通的设置文件。")
                         .arg(name, QDir::toNativeSeparators(target)));
    const qint64 size = QFileInfo(path).size();
    if (size > kMaxSettingsFileBytes)
        return Error(settingsCode::NotText,
                     QStringLiteral("%1 有 %2，设置文件通常只有几 KB，它不是本程序的设置文件").arg(name, sizeText(size)));
    QFile file(path);
    if (const Result<void> opened = openRegularFile(file); opened.failed()) {
        Error e = opened.error();
        e.code = settingsCode::Unreadable;
        return e;
    }
    const Result<DecodedText> decoded = decodeSettingsText(file.readAll());
    if (decoded.failed())
        return Error(settingsCode::NotText,
                     QStringLiteral("%1 不是文本文件（%2），可能已损坏").arg(name, decoded.error().text));
    return decoded;
}

std::optional<QString> presentOrNone(const QString &text, bool lineWhenEmpty)
{
    if (text.isEmpty() && !lineWhenEmpty)
        return std::nullopt;
    return text;
}

// Copies the file as it is, written aside and swapped in.
Result<void> keepBackup(const QString &path)
{
    QFile original(path);
    QSaveFile copy(settingsBackupPath(path));
    if (!original.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly)
        || copy.write(original.readAll()) != original.size() || !copy.commit())
        return Error(settingsCode::NotSaved,
                     QStringLiteral("无法把原来的设置文件保留为 %1，设置没有保存")
                         .arg(QFileInfo(settingsBackupPath(path)).fileName()));
    return {};
}

} // namespace

Setting::Kind Setting::kind() const
{
    return std::visit(
        [](auto m) {
            using T = typename MemberOf<decltype(m)>::Value;
            if constexpr (std::is_same_v<T, QStringList>)
                return Kind::List;
            else if constexpr (std::is_same_v<T, int>)
                return Kind::WholeNumber;
            else if constexpr (std::is_same_v<T, double>)
                return Kind::Millimetres;
            else if constexpr (std::is_same_v<T, std::optional<QPageSize::PageSizeId>>)
                return Kind::Paper;
            else if constexpr (std::is_same_v<T, std::optional<QPageLayout::Orientation>>)
                return Kind::Orientation;
            else
                return Kind::Text;
        },
        member);
}

QString Setting::section(const QString &report) const
{
    switch (group) {
    case SettingGroup::Staff: return QStringLiteral("staff");
    case SettingGroup::Lists: return QStringLiteral("lists");
    case SettingGroup::ServicePoint: return QStringLiteral("servicePoint");
    case SettingGroup::Help: return QStringLiteral("help");
    case SettingGroup::Backup: return QStringLiteral("backup");
    case SettingGroup::Database: return QStringLiteral("database");
    case SettingGroup::Statistics: return QStringLiteral("statistics");
    case SettingGroup::Report: return kReportPrefix + report;
    }
    return {};
}

QVariant Setting::valueIn(const SiteSettings &s, const QString &report) const
{
    return std::visit(
        [&s, &report](auto m) -> QVariant {
            using M = decltype(m);
            if constexpr (std::is_same_v<M, QString ServicePoint::*>)
                return s.servicePoint.*m;
            else if constexpr (kOfStationery<M>)
                return variantOf(s.stationeryFor(report).*m);
            else
                return QVariant::fromValue(s.*m);
        },
        member);
}

void Setting::setIn(SiteSettings &s, const QVariant &value, const QString &report) const
{
    std::visit(
        [&s, &value, &report](auto m) {
            using M = decltype(m);
            if constexpr (std::is_same_v<M, QString ServicePoint::*>)
                s.servicePoint.*m = value.toString();
            else if constexpr (kOfStationery<M>)
                assign(s.stationery[report].*m, value);
            else
                assign(s.*m, value);
        },
        member);
}

namespace {

template <typename T>
std::optional<QVariant> namedValue(const QString &text, std::optional<T> (*lookup)(const QString &))
{
    // Blank: the report's own.
    if (text.trimmed().isEmpty())
        return QVariant();
    if (const std::optional<T> found = lookup(text.trimmed()))
        return QVariant::fromValue(*found);
    return std::nullopt;
}

} // namespace

std::optional<QVariant> Setting::parsed(const QString &text) const
{
    bool ok = false;
    switch (kind()) {
    case Kind::List: return QVariant(splitList(text));
    case Kind::Text: return QVariant(text);
    case Kind::WholeNumber: {
        const int n = text.toInt(&ok);
        return ok && n >= low && n <= high ? std::optional(QVariant(n)) : std::nullopt;
    }
    case Kind::Millimetres: {
        const double d = text.toDouble(&ok);
        return ok && std::isfinite(d) && d >= low && d <= high ? std::optional(QVariant(d)) : std::nullopt;
    }
    case Kind::Paper: return namedValue<QPageSize::PageSizeId>(text, &pageSizeNamed);
    case Kind::Orientation: return namedValue<QPageLayout::Orientation>(text, &orientationNamed);
    }
    return std::nullopt;
}

std::optional<QString> Setting::fileText(const SiteSettings &s, const QString &report) const
{
    const QVariant v = valueIn(s, report);
    switch (kind()) {
    case Kind::List: return presentOrNone(joinList(v.toStringList()), lineWhenEmpty);
    case Kind::Text:
    case Kind::WholeNumber: return presentOrNone(v.toString(), lineWhenEmpty);
    case Kind::Millimetres: return QString::number(v.toDouble());
    case Kind::Paper:
        if (!v.isValid())
            return std::nullopt;
        return QPageSize::key(v.value<QPageSize::PageSizeId>());
    case Kind::Orientation:
        if (!v.isValid())
            return std::nullopt;
        return v.value<QPageLayout::Orientation>() == QPageLayout::Landscape ? QStringLiteral("landscape")
                                                                              : QStringLiteral("portrait");
    }
    return std::nullopt;
}

const QList<Setting> &settingTable()
{
    static const QList<Setting> table = buildTable();
    return table;
}

const Setting &setting(SettingId id) { return settingTable().at(qsizetype(id)); }

QList<const Setting *> settingsOf(SettingGroup group)
{
    QList<const Setting *> out;
    for (const Setting &s : settingTable())
        if (s.group == group)
            out << &s;
    return out;
}

QStringList placeholdersIn(const ServicePoint &servicePoint, const QStringList &roles)
{
    SiteSettings s;
    s.servicePoint = servicePoint;
    QStringList still;
    for (const Setting &p : settingTable()) {
        const bool printed = std::any_of(roles.begin(), roles.end(),
                                         [&p](const QString &role) { return p.printedIn.contains(role); });
        if (p.isParticular() && printed && p.valueIn(s) == p.fallback)
            still << p.label;
    }
    return still;
}

ServicePoint withoutPlaceholders(const ServicePoint &servicePoint)
{
    SiteSettings s;
    s.servicePoint = servicePoint;
    for (const Setting &p : settingTable())
        if (p.isParticular() && p.valueIn(s) == p.fallback)
            p.setIn(s, QString());
    return s.servicePoint;
}

QString settingsBackupPath(const QString &path) { return path + QStringLiteral(".bak"); }

SiteSettings SiteSettings::defaults()
{
    SiteSettings s;
    for (const Setting &setting : settingTable())
        if (!setting.isPerReport())
            setting.setIn(s, setting.fallback);
    return s;
}

Result<LoadedSettings> SiteSettings::load(const QString &path)
{
    LoadedSettings loaded{defaults(), {}};
    // A link leading nowhere is no missing file: it is said, never followed.
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return loaded;
    const Result<DecodedText> read = readSettingsText(path);
    if (read.failed())
        return read.error();
    const QString name = QFileInfo(path).fileName();
    if (read->encoding == TextEncoding::Gb18030)
        loaded.notes << QStringLiteral("%1 不是 UTF-8 文本，已按 GBK（GB18030）读取。在基础资料设置中保存时改存为 "
                                       "UTF-8，原文件保留为 %2。")
                            .arg(name, QFileInfo(settingsBackupPath(path)).fileName());
    const IniText ini = parseIni(read->text);
    for (const QString &line : ini.unrecognised)
        loaded.notes << QStringLiteral("%1 无法识别，已忽略").arg(line);
    if (ini.unrecognisedLines > ini.unrecognised.size())
        loaded.notes << QStringLiteral("另有 %1 行无法识别，已忽略").arg(ini.unrecognisedLines - ini.unrecognised.size());

    const Reader r(ini, loaded.notes);
    for (const Setting &setting : settingTable())
        if (!setting.isPerReport())
            r.read(setting, loaded.settings, setting.section());
    for (const QString &section : ini.sectionOrder) {
        if (!section.startsWith(kReportPrefix))
            continue;
        const QString report = section.mid(kReportPrefix.size()).trimmed();
        if (report.isEmpty())
            continue;
        // Named in the file: the report has a placement of its own, even one left as it comes.
        for (const Setting *entry : settingsOf(SettingGroup::Report)) {
            entry->setIn(loaded.settings, entry->fallback, report);
            r.read(*entry, loaded.settings, section, report);
        }
    }
    return loaded;
}

SiteSettings SiteSettings::loadQuietly(const QString &path)
{
    const Result<LoadedSettings> loaded = load(path);
    return loaded.ok() ? loaded->settings : defaults();
}

namespace {

// user:password@ after the scheme, even in an address that is no
// well-formed URL.
bool addressHasPassword(const QString &address)
{
    const qsizetype scheme = address.indexOf(QLatin1String("://"));
    const qsizetype at = address.lastIndexOf(u'@');
    const qsizetype colon = address.indexOf(u':', scheme + 3);
    return scheme >= 0 && at > scheme && colon >= 0 && colon < at - 1;
}

} // namespace

Result<void> SiteSettings::save(const QString &path, ReplaceNonText replace) const
{
    QList<IniValue> owned;
    for (const Setting &s : settingTable())
        if (!s.isPerReport())
            owned.append({s.section(), s.key, s.fileText(*this)});

    QString existing;
    bool keepOriginal = false;
    // A folder (or a pipe) under the name is in the way, which no free space
    // or permission changes.
    // A link leading nowhere would have the save make a file where it points.
    if (const QString kind = notRegularKind(path); !kind.isEmpty())
        return Error(settingsCode::Unreadable, QStringLiteral("数据文件夹中的 %1 是%2，不是文件：请把它删除或改名后再保存")
                                                   .arg(QFileInfo(path).fileName(), kind));
    if (QFileInfo::exists(path)) {
        const Result<DecodedText> read = readSettingsText(path);
        if (read.failed() && (read.error().code != settingsCode::NotText || replace == ReplaceNonText::No))
            return read.error(); // never replace a file that could not be read
        keepOriginal = read.failed() || read->encoding != TextEncoding::Utf8;
        if (read.ok())
            existing = read->text;
    }
    // A report's placement the settings no longer hold goes from the file too.
    const auto reportValues = [&](const QString &report, bool held) {
        for (const Setting *entry : settingsOf(SettingGroup::Report))
            owned.append({entry->section(report), entry->key,
                          held ? entry->fileText(*this, report) : std::nullopt});
    };
    for (auto it = stationery.cbegin(); it != stationery.cend(); ++it)
        reportValues(it.key(), true);
    for (const QString &section : parseIni(existing).sectionOrder) {
        const QString report = section.mid(kReportPrefix.size()).trimmed();
        if (section.startsWith(kReportPrefix) && !stationery.contains(report))
            reportValues(report, false);
    }

    if (existing.isEmpty())
        existing = QStringLiteral("; Corvale 站点设置。UTF-8 文本，可以直接编辑；名单里的名字用逗号分开。\n");
    if (keepOriginal)
        if (const Result<void> kept = keepBackup(path); kept.failed())
            return kept;
    // Written aside and swapped in, so a full disk never leaves half a file.
    QSaveFile file(path);
    // A server line with a password in it is for the user's eyes only.
    const bool secret = addressHasPassword(databaseServer);
    const bool opened = file.open(QIODevice::WriteOnly);
    if (!opened || (secret && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        || file.write(mergeIni(existing, owned).toUtf8()) < 0 || !file.commit()) {
        Error failed(settingsCode::NotSaved,
                     QStringLiteral("无法写入 %1（%2）")
                         .arg(QFileInfo(path).fileName(),
                              writeFailureReason(QFileInfo(path).absolutePath(), 64 * 1024, opened)));
        failed.detail = file.errorString();
        return failed;
    }
    return {};
}

} // namespace common
