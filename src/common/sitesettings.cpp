#include "common/sitesettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cmath>

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

namespace {

// The file is plain UTF-8 text the shop can read and edit: "[section]" lines,
// "key = value" lines, ";" comments. Lists are comma-separated; a name that
// itself holds a comma or quote is written in double quotes. A hand-edited
// list may also use the full-width ，or 、 between names.
using Section = QList<std::pair<QString, QString>>;

const QString kReportPrefix = QStringLiteral("report ");
constexpr int kMaxBackupCount = 1000;
constexpr double kMaxOffsetMm = 200.0;

QString escapeValue(QString v)
{
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    v.remove(QLatin1Char('\r'));
    return v;
}

QString unescapeValue(const QString &v)
{
    QString out;
    out.reserve(v.size());
    for (int i = 0; i < v.size(); ++i) {
        if (v.at(i) == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar next = v.at(++i);
            out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            out += v.at(i);
        }
    }
    return out;
}

QString joinList(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items) {
        const bool quote = item.contains(QLatin1Char(',')) || item.contains(QLatin1Char('"'))
                           || item != item.trimmed() || item.isEmpty();
        parts << (quote ? QLatin1Char('"') + QString(item).replace(QLatin1String("\""), QLatin1String("\"\""))
                              + QLatin1Char('"')
                        : item);
    }
    return parts.join(QStringLiteral(", "));
}

QStringList splitList(const QString &text)
{
    QStringList items;
    if (text.trimmed().isEmpty())
        return items;
    QString current;
    bool quoted = false;
    bool wasQuoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"') && current.trimmed().isEmpty()) {
            quoted = wasQuoted = true;
            current.clear();
        } else if (c == QLatin1Char(',') || c == QChar(0xFF0C) || c == QChar(0x3001)) { // , ， 、
            items << (wasQuoted ? current : current.trimmed());
            current.clear();
            wasQuoted = false;
        } else if (!(wasQuoted && c.isSpace())) {
            current += c;
        }
    }
    items << (wasQuoted ? current : current.trimmed());
    return items;
}

struct IniText {
    QMap<QString, QMap<QString, QString>> sections;
    QStringList sectionOrder;
};

IniText parseIni(const QString &text, const QString &fileName, QStringList *warnings)
{
    IniText ini;
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (!ini.sectionOrder.contains(section))
                ini.sectionOrder << section;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            warnings->append(QStringLiteral("%1 第 %2 行无法识别，已忽略：%3").arg(fileName).arg(n + 1).arg(line));
            continue;
        }
        ini.sections[section].insert(line.left(eq).trimmed(), unescapeValue(line.mid(eq + 1).trimmed()));
    }
    return ini;
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

// Reads values out of parsed sections, falling back to what the target
// already holds (the default) and saying why when a value is malformed.
class Reader {
public:
    Reader(const IniText &ini, QString fileName, QStringList *warnings)
        : m_ini(ini), m_file(std::move(fileName)), m_warnings(warnings) {}

    void text(const QString &section, const QString &key, QString &target) const
    {
        if (const QString *v = find(section, key))
            target = *v;
    }
    void list(const QString &section, const QString &key, QStringList &target) const
    {
        if (const QString *v = find(section, key))
            target = splitList(*v);
    }
    void wholeNumber(const QString &section, const QString &key, int low, int high, int &target) const
    {
        const QString *v = find(section, key);
        if (!v)
            return;
        bool ok = false;
        const int n = v->toInt(&ok);
        if (ok && n >= low && n <= high)
            target = n;
        else
            warn(section, key, *v, QString::number(target));
    }
    void millimetres(const QString &section, const QString &key, double &target) const
    {
        const QString *v = find(section, key);
        if (!v)
            return;
        bool ok = false;
        const double d = v->toDouble(&ok);
        if (ok && std::isfinite(d) && std::fabs(d) <= kMaxOffsetMm)
            target = d;
        else
            warn(section, key, *v, QString::number(target));
    }
    template <typename T>
    void named(const QString &section, const QString &key, std::optional<T> (*lookup)(const QString &),
               std::optional<T> &target) const
    {
        const QString *v = find(section, key);
        if (!v || v->trimmed().isEmpty())
            return;
        if (const auto found = lookup(v->trimmed()))
            target = found;
        else
            warn(section, key, *v, QStringLiteral("报表自身的设置"));
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
        m_warnings->append(QStringLiteral("%1 中 [%2] %3 的值“%4”无效，已使用 %5")
                               .arg(m_file, section, key, value, used));
    }

    const IniText &m_ini;
    QString m_file;
    QStringList *m_warnings;
};

} // namespace

SiteSettings SiteSettings::load(const QString &path, QStringList *warnings)
{
    QStringList ignored;
    QStringList &warn = warnings ? *warnings : ignored;
    SiteSettings s = defaults();
    if (!QFileInfo::exists(path))
        return s;
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn << QStringLiteral("无法读取 %1，全部使用默认设置").arg(fileName);
        return s;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(file.readAll());
    if (utf8.hasError())
        warn << QStringLiteral("%1 不是 UTF-8 文本，无法识别的字已替换").arg(fileName);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const IniText ini = parseIni(text, fileName, &warn);
    const Reader r(ini, fileName, &warn);

    r.list(QStringLiteral("staff"), QStringLiteral("repairers"), s.repairers);
    r.list(QStringLiteral("staff"), QStringLiteral("broughtIn"), s.broughtIn);
    r.list(QStringLiteral("staff"), QStringLiteral("takenBack"), s.takenBack);
    r.list(QStringLiteral("lists"), QStringLiteral("models"), s.models);
    r.list(QStringLiteral("lists"), QStringLiteral("repairTypes"), s.repairTypes);
    r.list(QStringLiteral("lists"), QStringLiteral("parts"), s.parts);
    r.list(QStringLiteral("lists"), QStringLiteral("messageSources"), s.messageSources);
    const QString sp = QStringLiteral("servicePoint");
    r.text(sp, QStringLiteral("provinceCity"), s.servicePoint.provinceCity);
    r.text(sp, QStringLiteral("name"), s.servicePoint.name);
    r.text(sp, QStringLiteral("address"), s.servicePoint.address);
    r.text(sp, QStringLiteral("postcode"), s.servicePoint.postcode);
    r.text(sp, QStringLiteral("phone"), s.servicePoint.phone);
    r.text(sp, QStringLiteral("fax"), s.servicePoint.fax);
    r.text(sp, QStringLiteral("web"), s.servicePoint.web);
    r.text(sp, QStringLiteral("contact"), s.servicePoint.contact);
    r.text(sp, QStringLiteral("stationCode"), s.servicePoint.stationCode);
    r.text(QStringLiteral("help"), QStringLiteral("manualUrl"), s.manualUrl);
    r.text(QStringLiteral("help"), QStringLiteral("companyUrl"), s.companyUrl);
    r.wholeNumber(QStringLiteral("backup"), QStringLiteral("count"), 1, kMaxBackupCount, s.backupCount);
    r.text(QStringLiteral("backup"), QStringLiteral("copyFolder"), s.backupCopyFolder);
    r.text(QStringLiteral("database"), QStringLiteral("server"), s.databaseServer);

    for (const QString &section : ini.sectionOrder) {
        if (!section.startsWith(kReportPrefix))
            continue;
        const QString report = section.mid(kReportPrefix.size()).trimmed();
        if (report.isEmpty())
            continue;
        Stationery st;
        r.millimetres(section, QStringLiteral("offsetX"), st.offsetXmm);
        r.millimetres(section, QStringLiteral("offsetY"), st.offsetYmm);
        r.named<QPageSize::PageSizeId>(section, QStringLiteral("paper"), &pageSizeNamed, st.paper);
        r.named<QPageLayout::Orientation>(section, QStringLiteral("orientation"), &orientationNamed, st.orientation);
        s.stationery.insert(report, st);
    }
    return s;
}

QStringList ServicePoint::placeholders() const
{
    const ServicePoint placeholder = SiteSettings::defaults().servicePoint;
    const QList<std::pair<QString ServicePoint::*, QString>> captions = {
        {&ServicePoint::provinceCity, QStringLiteral("省市")}, {&ServicePoint::name, QStringLiteral("维修站名称")},
        {&ServicePoint::address, QStringLiteral("地址")},      {&ServicePoint::postcode, QStringLiteral("邮编")},
        {&ServicePoint::phone, QStringLiteral("电话")},        {&ServicePoint::fax, QStringLiteral("传真")},
        {&ServicePoint::web, QStringLiteral("网址")},          {&ServicePoint::contact, QStringLiteral("联系人")},
        {&ServicePoint::stationCode, QStringLiteral("站点代码")},
    };
    QStringList still;
    for (const auto &[member, caption] : captions)
        if (this->*member == placeholder.*member)
            still << caption;
    return still;
}

namespace {

QString sectionOf(const QString &trimmedLine)
{
    if (trimmedLine.startsWith(QLatin1Char('[')) && trimmedLine.endsWith(QLatin1Char(']')))
        return trimmedLine.mid(1, trimmedLine.size() - 2).trimmed();
    return {};
}

// The key of a "key = value" line; empty for anything else.
QString keyOf(const QString &trimmedLine)
{
    if (trimmedLine.startsWith(QLatin1Char(';')) || trimmedLine.startsWith(QLatin1Char('#')))
        return {};
    const int eq = trimmedLine.indexOf(QLatin1Char('='));
    return eq > 0 ? trimmedLine.left(eq).trimmed() : QString();
}

QString valueLine(const IniValue &v) { return v.key + QStringLiteral(" = ") + escapeValue(*v.value); }

} // namespace

QString mergeIni(const QString &existing, const QList<IniValue> &owned)
{
    QStringList lines = existing.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<bool> written(owned.size(), false);
    const auto ownedAt = [&](const QString &section, const QString &key) {
        for (int i = 0; i < owned.size(); ++i)
            if (owned.at(i).section == section && owned.at(i).key == key)
                return i;
        return -1;
    };

    QStringList out;
    QString section;
    QMap<QString, int> blockEnd; // a section's first block: where its missing keys go
    bool inFirstBlock = false;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (const QString name = sectionOf(trimmed); !name.isEmpty()) {
            section = name;
            inFirstBlock = !blockEnd.contains(section);
            out << line;
            if (inFirstBlock)
                blockEnd.insert(section, int(out.size()));
            continue;
        }
        const int i = ownedAt(section, keyOf(trimmed));
        if (i >= 0) {
            if (written.at(i) || !owned.at(i).value)
                continue;
            written[i] = true;
            line = valueLine(owned.at(i));
        }
        out << line;
        if (inFirstBlock && !trimmed.isEmpty())
            blockEnd[section] = int(out.size());
    }

    // Missing keys of sections the text has, from the last section up, so
    // the places found above stay right.
    QMap<int, QStringList> inserts;
    QStringList newSections;
    QMap<QString, QStringList> newKeys;
    for (int i = 0; i < owned.size(); ++i) {
        const IniValue &v = owned.at(i);
        if (written.at(i) || !v.value)
            continue;
        if (blockEnd.contains(v.section)) {
            inserts[blockEnd.value(v.section)] << valueLine(v);
        } else {
            if (!newSections.contains(v.section))
                newSections << v.section;
            newKeys[v.section] << valueLine(v);
        }
    }
    for (auto it = inserts.cend(); it != inserts.cbegin();) {
        --it;
        for (int k = 0; k < it.value().size(); ++k)
            out.insert(it.key() + k, it.value().at(k));
    }
    for (const QString &name : newSections) {
        if (!out.isEmpty() && !out.last().trimmed().isEmpty())
            out << QString();
        out << QLatin1Char('[') + name + QLatin1Char(']');
        out += newKeys.value(name);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool SiteSettings::save(const QString &path) const
{
    QList<IniValue> owned;
    auto value = [&](const QString &section, const QString &key, const std::optional<QString> &v) {
        owned.append({section, key, v});
    };
    const QString staff = QStringLiteral("staff"), lists = QStringLiteral("lists"),
                  sp = QStringLiteral("servicePoint"), help = QStringLiteral("help");
    value(staff, QStringLiteral("repairers"), joinList(repairers));
    value(staff, QStringLiteral("broughtIn"), joinList(broughtIn));
    value(staff, QStringLiteral("takenBack"), joinList(takenBack));
    value(lists, QStringLiteral("models"), joinList(models));
    value(lists, QStringLiteral("repairTypes"), joinList(repairTypes));
    value(lists, QStringLiteral("parts"), joinList(parts));
    value(lists, QStringLiteral("messageSources"), joinList(messageSources));
    value(sp, QStringLiteral("provinceCity"), servicePoint.provinceCity);
    value(sp, QStringLiteral("name"), servicePoint.name);
    value(sp, QStringLiteral("address"), servicePoint.address);
    value(sp, QStringLiteral("postcode"), servicePoint.postcode);
    value(sp, QStringLiteral("phone"), servicePoint.phone);
    value(sp, QStringLiteral("fax"), servicePoint.fax);
    value(sp, QStringLiteral("web"), servicePoint.web);
    value(sp, QStringLiteral("contact"), servicePoint.contact);
    value(sp, QStringLiteral("stationCode"), servicePoint.stationCode);
    value(help, QStringLiteral("manualUrl"), manualUrl);
    value(help, QStringLiteral("companyUrl"), companyUrl);
    value(QStringLiteral("backup"), QStringLiteral("count"), QString::number(backupCount));
    value(QStringLiteral("backup"), QStringLiteral("copyFolder"),
          backupCopyFolder.isEmpty() ? std::nullopt : std::optional<QString>(backupCopyFolder));
    value(QStringLiteral("database"), QStringLiteral("server"),
          databaseServer.isEmpty() ? std::nullopt : std::optional<QString>(databaseServer));

    QString existing;
    if (QFile file(path); file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return false; // never replace a file that could not be read
        existing = QString::fromUtf8(file.readAll());
        if (existing.startsWith(QChar(0xFEFF)))
            existing.remove(0, 1);
    }
    auto stationeryValues = [&](const QString &report, const std::optional<Stationery> &st) {
        const QString section = kReportPrefix + report;
        value(section, QStringLiteral("offsetX"), st ? std::optional(QString::number(st->offsetXmm)) : std::nullopt);
        value(section, QStringLiteral("offsetY"), st ? std::optional(QString::number(st->offsetYmm)) : std::nullopt);
        value(section, QStringLiteral("paper"),
              st && st->paper ? std::optional(QPageSize::key(*st->paper)) : std::nullopt);
        value(section, QStringLiteral("orientation"),
              st && st->orientation ? std::optional(*st->orientation == QPageLayout::Landscape
                                                        ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                                    : std::nullopt);
    };
    for (auto it = stationery.cbegin(); it != stationery.cend(); ++it)
        stationeryValues(it.key(), *it);
    // A report's placement the settings no longer hold goes from the file too.
    QStringList ignored;
    for (const QString &section : parseIni(existing, QString(), &ignored).sectionOrder) {
        const QString report = section.mid(kReportPrefix.size()).trimmed();
        if (section.startsWith(kReportPrefix) && !stationery.contains(report))
            stationeryValues(report, std::nullopt);
    }

    if (existing.isEmpty())
        existing = QStringLiteral("; Corvale 站点设置。UTF-8 文本，可以直接编辑；名单里的名字用逗号分开。\n");
    // Written aside and swapped in, so a full disk never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(mergeIni(existing, owned).toUtf8());
    return file.commit();
}

} // namespace common
